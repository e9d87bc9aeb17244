#include "lighting/paced_wait.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace tavrinex::lighting {

namespace {

// True when the event became set before `until`.
bool StopSetBefore(int stopFd, PacedWait::Clock::time_point until) {
  for (;;) {
    const auto left = until - PacedWait::Clock::now();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    timespec timeout{};
    if (ns > 0) {
      timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    std::array<pollfd, 1> fds{{{stopFd, POLLIN, 0}}};
    const int r = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    if (r > 0) return (fds[0].revents & POLLIN) != 0;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace

bool PacedWait::operator()(std::chrono::milliseconds duration) {
  const auto now = Clock::now();
  due_ += duration;
  // A zero wait (a mode without extra time) only checks the event: it keeps the schedule.
  if (duration.count() > 0 && now - due_ > std::max<Clock::duration>(duration, kMinLag)) due_ = now;
  return !StopSetBefore(stop_.Fd(), due_);
}

}  // namespace tavrinex::lighting
