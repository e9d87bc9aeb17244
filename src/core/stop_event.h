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

// The stop event of the thread that is running: every wait on a device (fd_io) also ends when
// it is set, so a thread's stop reaches into whatever transfer it is blocked in without each
// layer passing the event down. Set by the code that starts a worker, for its whole body.
class StopScope {
 public:
  explicit StopScope(const StopEvent& stop);
  ~StopScope();
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;

 private:
  const StopEvent* previous_;
};

// The calling thread's stop event, or null outside any StopScope.
[[nodiscard]] const StopEvent* CurrentStop();
// True when the calling thread has been asked to stop.
[[nodiscard]] bool CurrentStopSet();
// Waits `timeout` on the calling thread's stop event (a plain sleep without one); true when
// it was set.
[[nodiscard]] bool WaitOnCurrentStop(std::chrono::milliseconds timeout);

// Waits until `fd` is readable or `stop` is set, whichever comes first, with no time-out.
// True when fd became readable; false when the stop event fired first (or poll failed).
[[nodiscard]] bool WaitReadableOrStop(int fd, const StopEvent& stop);

}  // namespace tavrinex::core
