#include "app/save_failure_notice.h"

#include <cstring>
#include <initializer_list>

namespace tavrinex::app {
namespace {

// Each "%s" of the format takes the next value, in order; a format with fewer keeps the rest out.
std::string Fill(std::string_view format, std::initializer_list<std::string_view> values) {
  std::string text;
  auto next = values.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format.substr(i, 2) == "%s" && next != values.end()) {
      text += *next++;
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

}  // namespace

std::string_view ReasonTextId(profiles::SaveFailureReason reason) {
  using profiles::SaveFailureReason;
  switch (reason) {
    case SaveFailureReason::kDiskFull: return "save_reason_disk_full";
    case SaveFailureReason::kPermission: return "save_reason_permission";
    case SaveFailureReason::kReadOnly: return "save_reason_read_only";
    case SaveFailureReason::kUnreadable: return "save_reason_unreadable";
    case SaveFailureReason::kUndecodable: return "save_reason_undecodable";
    case SaveFailureReason::kOther: break;
  }
  return "save_reason_other";
}

std::string SaveFailureText(const profiles::SaveFailure& failure,
                            const std::function<std::string(std::string_view)>& translate) {
  const std::string system = failure.error != 0 ? std::strerror(failure.error) : "?";
  const std::string reason = Fill(translate(ReasonTextId(failure.reason)), {system});
  return Fill(translate(kSaveFailedMessage), {failure.file.string(), reason});
}

SaveFailureNotice::SaveFailureNotice(Hooks hooks) : hooks_(std::move(hooks)) {}

SaveFailureNotice::TimePoint SaveFailureNotice::Now() const {
  return hooks_.now ? hooks_.now() : std::chrono::steady_clock::now();
}

void SaveFailureNotice::Report(const profiles::SaveFailure& failure) {
  const TimePoint now = Now();
  {
    const std::lock_guard lock(mutex_);
    const bool inBurst = open_ || (last_ && now - *last_ < kQuietGap);
    last_ = now;
    if (inBurst || !hooks_.post) return;
    open_ = true;
  }
  hooks_.post([this, failure] { Show(failure); });
}

void SaveFailureNotice::Show(const profiles::SaveFailure& failure) {
  if (hooks_.show && hooks_.translate) hooks_.show(SaveFailureText(failure, hooks_.translate));
  const std::lock_guard lock(mutex_);
  open_ = false;
  last_ = Now();  // failures right after the notice closed still belong to its burst
}

}  // namespace tavrinex::app
