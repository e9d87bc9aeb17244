// A manual-reset event that one thread sets to ask others to stop. It is an eventfd, so a
// thread can wait on it together with other fds (a device, a reply) in one poll().
#pragma once

#include <chrono>

namespace tavrinex::core {

class StopEvent {
 public:
  StopEvent();
  ~StopEvent();
  StopEvent(const StopEvent&) = delete;
  StopEvent& operator=(const StopEvent&) = delete;

  void Set() const;
  void Reset() const;
  [[nodiscard]] bool IsSet() const;
  // Waits until the event is set or the time-out passes; true when set.
  [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout) const;
  // Readable while set; never read it directly (Reset does).
  [[nodiscard]] int Fd() const { return fd_; }

 private:
  int fd_;
};

// Waits until `fd` is readable or `stop` is set, whichever comes first, with no time-out.
// True when fd became readable; false when the stop event fired first (or poll failed).
[[nodiscard]] bool WaitReadableOrStop(int fd, const StopEvent& stop);

}  // namespace tavrinex::core
