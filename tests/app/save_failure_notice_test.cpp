#include "app/save_failure_notice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tavrinex::app {
namespace {

using namespace std::chrono_literals;
using profiles::SaveFailure;
using profiles::SaveFailureReason;

// A UI thread by hand: posted steps wait until Run, and the clock moves when the test says.
struct FakeWindow {
  std::vector<std::function<void()>> posted;
  std::vector<std::string> shown;
  SaveFailureNotice::TimePoint now{};
  std::function<void()> whileShown;

  SaveFailureNotice::Hooks Hooks() {
    return {[this](std::function<void()> step) { posted.push_back(std::move(step)); },
            [](std::string_view id) {
              if (id == kSaveFailedMessage) return std::string("[%s|%s]");
              if (id == "save_reason_other") return std::string("other:%s");
              std::string text = "<";  // appended: "<" + std::string warns at -O3
              text += id;
              text += '>';
              return text;
            },
            [this](const std::string& text) {
              shown.push_back(text);
              if (whileShown) whileShown();
            },
            [this] { return now; }};
  }
  void Run() {
    auto steps = std::move(posted);
    posted.clear();
    for (auto& step : steps) step();
  }
};

TEST(SaveFailureNotice, OneNoticePerBurstOfFailures) {
  FakeWindow w;
  SaveFailureNotice notice(w.Hooks());
  notice.Report({"/d/a.led", SaveFailureReason::kDiskFull, ENOSPC});
  notice.Report({"/d/b.led", SaveFailureReason::kDiskFull, ENOSPC});  // waiting: same burst
  w.Run();
  ASSERT_EQ(w.shown, (std::vector<std::string>{"[/d/a.led|<save_reason_disk_full>]"}));

  // While the notice is open, and soon after it closed, failures still belong to it.
  w.whileShown = [&] { notice.Report({"/d/c.led", SaveFailureReason::kPermission, EACCES}); };
  w.now += 10s;
  notice.Report({"/d/d.led", SaveFailureReason::kOther, EIO});
  w.Run();
  ASSERT_EQ(w.shown.size(), 2u);
  EXPECT_NE(w.shown[1].find("/d/d.led|other:"), std::string::npos) << w.shown[1];
  w.whileShown = nullptr;
  w.now += kQuietGap - 1s;
  notice.Report({"/d/e.led", SaveFailureReason::kReadOnly, EROFS});
  w.Run();
  EXPECT_EQ(w.shown.size(), 2u);

  // Failures that keep coming less than the gap apart stay one burst; a quiet gap ends it.
  w.now += kQuietGap - 1s;
  notice.Report({"/d/f.led", SaveFailureReason::kReadOnly, EROFS});
  w.Run();
  EXPECT_EQ(w.shown.size(), 2u);
  w.now += kQuietGap;
  notice.Report({"/d/g.led", SaveFailureReason::kReadOnly, EROFS});
  w.Run();
  ASSERT_EQ(w.shown.size(), 3u);
  EXPECT_EQ(w.shown[2], "[/d/g.led|<save_reason_read_only>]");
}

TEST(SaveFailureNotice, EveryReasonHasItsOwnText) {
  std::vector<std::string_view> ids;
  for (const auto reason : {SaveFailureReason::kDiskFull, SaveFailureReason::kPermission,
                            SaveFailureReason::kReadOnly, SaveFailureReason::kUnreadable,
                            SaveFailureReason::kUndecodable, SaveFailureReason::kOther}) {
    const std::string_view id = ReasonTextId(reason);
    for (const auto seen : ids) EXPECT_NE(seen, id);
    ids.push_back(id);
  }
  EXPECT_EQ(profiles::ReasonOfError(ENOSPC), SaveFailureReason::kDiskFull);
  EXPECT_EQ(profiles::ReasonOfError(EDQUOT), SaveFailureReason::kDiskFull);
  EXPECT_EQ(profiles::ReasonOfError(EACCES), SaveFailureReason::kPermission);
  EXPECT_EQ(profiles::ReasonOfError(EROFS), SaveFailureReason::kReadOnly);
  EXPECT_EQ(profiles::ReasonOfError(EIO), SaveFailureReason::kOther);
}

}  // namespace
}  // namespace tavrinex::app
