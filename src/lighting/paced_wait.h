// The animation threads' wait: on the thread's stop event (a stop ends it at once), against
// a schedule rather than from "now". Each wait moves the thread's due time on by the asked
// duration, so the time a frame takes to render and send, and the timer's late wake-ups, are
// absorbed instead of adding to every frame: the frame period is the delay tables' and does
// not drift. A thread that fell far behind (a device that stopped answering) restarts its
// schedule rather than sending a burst of frames to catch up.
#pragma once

#include <chrono>

#include "core/stop_event.h"

namespace tavrinex::lighting {

class PacedWait {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kMaxLag = std::chrono::milliseconds(20);

  explicit PacedWait(const core::StopEvent& stop) : stop_(stop), due_(Clock::now()) {}

  // Waits until the due time moved on by `duration`; false when the stop event is set.
  [[nodiscard]] bool operator()(std::chrono::milliseconds duration);

 private:
  const core::StopEvent& stop_;
  Clock::time_point due_;
};

}  // namespace tavrinex::lighting
