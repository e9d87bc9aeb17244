// The user hears of saves that fail: one notice (the message box, in the current language)
// per burst of failures, naming the file and the reason. A burst is every failure that comes
// while its notice is waiting or open, or less than kQuietGap after the one before it or after
// the notice was closed: a full disk fails every save of a slider drag, and the user is told
// once, not once per step. Report may be called from any thread; the notice shows on the UI
// thread through the window's post.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "storage/save_failure.h"

namespace tavrinex::app {

inline constexpr std::string_view kSaveFailedMessage = "message_save_failed";  // file, reason
inline constexpr std::chrono::seconds kQuietGap{5};

// The language id of a reason; "save_reason_other" carries the system's error text.
[[nodiscard]] std::string_view ReasonTextId(profiles::SaveFailureReason reason);

// The notice's text: the message's format with the file and the reason filled in.
[[nodiscard]] std::string SaveFailureText(const profiles::SaveFailure& failure,
                                          const std::function<std::string(std::string_view)>& translate);

class SaveFailureNotice {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Hooks {
    std::function<void(std::function<void()>)> post;          // runs a step on the UI thread
    std::function<std::string(std::string_view id)> translate;  // UI thread
    std::function<void(const std::string& text)> show;        // UI thread; returns when closed
    std::function<TimePoint()> now;                           // unset: the steady clock
  };
  explicit SaveFailureNotice(Hooks hooks);

  void Report(const profiles::SaveFailure& failure);

 private:
  void Show(const profiles::SaveFailure& failure);
  TimePoint Now() const;

  Hooks hooks_;
  std::mutex mutex_;
  bool open_ = false;  // a notice is posted or shown
  std::optional<TimePoint> last_;
};

}  // namespace tavrinex::app
