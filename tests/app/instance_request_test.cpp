// What tavrinexctl makes of the running copy's answer to a profile request: any answer, however
// short or strange, reads as one of the three kinds.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/instance_socket.h"

namespace tavrinex::app {
namespace {

using Kind = ProfileAnswer::Kind;

TEST(ProfileAnswerTest, ReadsEveryAnswerAsOkErrorOrElsewhere) {
  struct Case {
    std::string_view answer;
    Kind kind;
    std::string_view text;
  };
  constexpr Case kCases[] = {
      {"OK restored Game.led", Kind::kOk, "restored Game.led"},
      {"OK ", Kind::kOk, ""},
      {"ERR no such version", Kind::kError, "no such version"},
      {"ELSEWHERE", Kind::kElsewhere, ""},
      // Shorter than the prefixes, or of no known form: an error showing the whole answer.
      // Cutting four characters off these used to throw and end the tool.
      {"E", Kind::kError, "E"},
      {"ERR", Kind::kError, "ERR"},
      {"OK", Kind::kError, "OK"},
      {"", Kind::kError, ""},
      {"ELSEWHERE ", Kind::kError, "ELSEWHERE "},
      {"busy", Kind::kError, "busy"},
  };
  for (const Case& c : kCases) {
    const ProfileAnswer read = ParseProfileAnswer(c.answer);
    EXPECT_EQ(read.kind, c.kind) << '"' << c.answer << '"';
    EXPECT_EQ(read.text, c.text) << '"' << c.answer << '"';
  }
}

}  // namespace
}  // namespace tavrinex::app
