#include "core/stop_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <thread>

namespace tavrinex::core {
namespace {

// poll() with EINTR resumed; -1 timeout waits for ever.
int PollFds(std::span<pollfd> fds, int timeoutMs) {
  for (;;) {
    const int r = ::poll(fds.data(), fds.size(), timeoutMs);
    if (r >= 0 || errno != EINTR) return r;
  }
}

}  // namespace

StopEvent::StopEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) {
    // Without an event no thread could ever be stopped: nothing sensible can go on.
    std::perror("StopEvent: eventfd");
    std::abort();
  }
}

StopEvent::~StopEvent() { ::close(fd_); }

void StopEvent::Set() const {
  const std::uint64_t one = 1;
  // A full counter (never reached with one write per Set) is still "set": ignore EAGAIN.
  [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
}

void StopEvent::Reset() const {
  std::uint64_t value = 0;
  [[maybe_unused]] const auto n = ::read(fd_, &value, sizeof value);
}

bool StopEvent::IsSet() const { return WaitFor(std::chrono::milliseconds(0)); }

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
  std::array<pollfd, 1> fds{{{fd_, POLLIN, 0}}};
  const auto ms = timeout.count() > 0x7fffffff ? 0x7fffffff : static_cast<int>(timeout.count());
  return PollFds(fds, ms) > 0 && (fds[0].revents & POLLIN) != 0;
}

namespace {
thread_local const StopEvent* tCurrentStop = nullptr;
}  // namespace

StopScope::StopScope(const StopEvent& stop) : previous_(tCurrentStop) { tCurrentStop = &stop; }
StopScope::~StopScope() { tCurrentStop = previous_; }

const StopEvent* CurrentStop() { return tCurrentStop; }

bool CurrentStopSet() { return tCurrentStop != nullptr && tCurrentStop->IsSet(); }

bool WaitOnCurrentStop(std::chrono::milliseconds timeout) {
  if (tCurrentStop == nullptr) {
    std::this_thread::sleep_for(timeout);
    return false;
  }
  return tCurrentStop->WaitFor(timeout);
}

bool WaitReadableOrStop(int fd, const StopEvent& stop) {
  std::array<pollfd, 2> fds{{{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}}};
  if (PollFds(fds, -1) <= 0) return false;
  return (fds[0].revents & POLLIN) != 0;
}

}  // namespace tavrinex::core
