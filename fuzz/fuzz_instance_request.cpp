// Reads the input as what another local process sends on the instance socket (a window
// message, a simulator command, a profile request) and as the answer an asker gets back.
// Whatever parses formats back to text that parses to the same request, and every reason
// for a refusal is given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/instance_socket.h"
#include "app/single_instance.h"
#include "device/device_kind.h"

namespace {

namespace app = tavrinex::app;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckWords(std::string_view text) {
  std::size_t total = 0;
  for (const std::string_view word : app::SocketWords(text)) {
    Check(!word.empty() && word.find(' ') == std::string_view::npos);
    Check(word.data() >= text.data() && word.data() + word.size() <= text.data() + text.size());
    total += word.size();
  }
  Check(total <= text.size());
  if (const auto kind = app::KindOfPrefix(text)) Check(tavrinex::device::KindPrefix(*kind) == text);
}

void CheckMessage(std::string_view text) {
  std::string why;
  const auto message = app::ParseSocketMessage(text, &why);
  Check(message.has_value() == why.empty());
  if (!message) return;
  const std::string again = app::FormatSocketMessage(*message);
  Check(again.size() <= app::kMaxSocketMessage);
  const auto reread = app::ParseSocketMessage(again, nullptr);
  Check(reread && reread->id == message->id && reread->wparam == message->wparam &&
        reread->lparam == message->lparam);
}

void CheckSimCommand(std::string_view text) {
  std::string why;
  const auto command = app::ParseSimCommand(text, &why);
  Check(command.has_value() == why.empty());
  if (command) Check(app::ParseSimCommand(app::FormatSimCommand(*command), nullptr) == command);
}

void CheckProfileRestore(std::string_view text) {
  std::string why;
  const auto request = app::ParseProfileRestore(text, &why);
  Check(request.has_value() == why.empty());
  if (!request) return;
  const std::string again = app::FormatProfileRestore(*request);
  Check(again == text);  // one form only: nothing is dropped or added on the way
  Check(app::ParseProfileRestore(again, nullptr) == request);
}

void CheckAnswer(std::string_view text) {
  const app::ProfileAnswer answer = app::ParseProfileAnswer(text);
  Check(answer.text.size() <= text.size());
  switch (answer.kind) {
    case app::ProfileAnswer::Kind::kOk: Check("OK " + answer.text == text); break;
    case app::ProfileAnswer::Kind::kElsewhere: Check(text == app::kAnswerElsewhere); break;
    case app::ProfileAnswer::Kind::kError:
      Check(answer.text == text || "ERR " + answer.text == text);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckWords(text);
  CheckMessage(text);
  CheckSimCommand(text);
  CheckProfileRestore(text);
  CheckAnswer(text);
  return 0;
}
