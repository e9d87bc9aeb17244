// The animation threads' wait: on the thread's stop event (a stop ends it at once), against
// a schedule rather than from "now". Each wait moves the thread's due time on by the asked
// duration, so the time a frame takes to render and send, and the timer's late wake-ups, are
// absorbed instead of adding to every frame: the frame period is the delay tables' and does
// not drift. A thread that fell further behind than the wait it asks for, and more than
// kMinLag (a slow link, a device that stopped answering), restarts its schedule from now: its
// transfer time then adds to the delay, and no burst of frames is sent to catch up.
#pragma once

#include <chrono>

#include "core/stop_event.h"

namespace tavrinex::lighting {

class PacedWait {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kMinLag = std::chrono::milliseconds(5);

  explicit PacedWait(const core::StopEvent& stop) : stop_(stop), due_(Clock::now()) {}

  // Waits until the due time moved on by `duration`; false when the stop event is set.
  [[nodiscard]] bool operator()(std::chrono::milliseconds duration);

 private:
  const core::StopEvent& stop_;
  Clock::time_point due_;
};

}  // namespace tavrinex::lighting
