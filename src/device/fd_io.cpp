#include "device/fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tavrinex::device {

using Clock = std::chrono::steady_clock;

WaitOutcome WaitForFd(int fd, short events, int abortFd, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const core::StopEvent* stop = core::CurrentStop();
    // Negative fds are skipped by poll().
    pollfd fds[3] = {{fd, events, 0}, {abortFd, POLLIN, 0}, {stop ? stop->Fd() : -1, POLLIN, 0}};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const int wait = left.count() < 0 ? 0 : static_cast<int>(left.count());
    const int n = ::poll(fds, 3, wait);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WaitOutcome::kError;
    }
    if (n == 0) return WaitOutcome::kTimedOut;
    if ((fds[1].revents & POLLIN) != 0 || (fds[2].revents & POLLIN) != 0) {
      return WaitOutcome::kAborted;
    }
    if ((fds[0].revents & events) != 0) return WaitOutcome::kReady;
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return WaitOutcome::kHungUp;
  }
}

EventFd::EventFd() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!fd_.Valid()) throw std::runtime_error("eventfd failed");
}

void EventFd::Signal() const {
  const std::uint64_t one = 1;
  // A full counter (impossible in practice) still leaves the event signalled.
  [[maybe_unused]] const auto n = ::write(fd_.Get(), &one, sizeof one);
}

void EventFd::Reset() const {
  std::uint64_t value = 0;
  [[maybe_unused]] const auto n = ::read(fd_.Get(), &value, sizeof value);
}

bool EventFd::IsSignalled() const {
  pollfd p{fd_.Get(), POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

struct BlockingWriter::Shared {
  UniqueFd fd;
  EventFd done;
  EventFd stopEvent;  // ends a writer that waits for room on a non-blocking fd
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<std::uint8_t> buffer;
  bool hasJob = false;
  bool busy = false;
  bool stop = false;
  long result = -1;
};

BlockingWriter::BlockingWriter(int fd) : shared_(std::make_shared<Shared>()) {
  shared_->fd.Reset(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  std::thread([s = shared_] { Run(s); }).detach();
}

BlockingWriter::~BlockingWriter() {
  std::lock_guard lock(shared_->mutex);
  shared_->stop = true;
  shared_->stopEvent.Signal();
  shared_->wake.notify_one();
}

long BlockingWriter::Write(std::span<const std::uint8_t> data, int abortFd,
                           std::chrono::milliseconds timeout) {
  Shared& s = *shared_;
  {
    std::lock_guard lock(s.mutex);
    if (s.busy || !s.fd.Valid()) return -1;  // an earlier write is still stuck in the kernel
    s.done.Reset();
    s.buffer.assign(data.begin(), data.end());
    s.hasJob = true;
    s.busy = true;
  }
  s.wake.notify_one();
  if (WaitForFd(s.done.Get(), POLLIN, abortFd, timeout) != WaitOutcome::kReady) return -1;
  std::lock_guard lock(s.mutex);
  return s.result;
}

// Runs without the lock: only this thread touches fd and buffer while busy is set.
long BlockingWriter::WriteAll(Shared& s) {
  for (;;) {
    // send() keeps a socket whose peer is gone from raising SIGPIPE; device nodes are not
    // sockets and take write().
    long n = ::send(s.fd.Get(), s.buffer.data(), s.buffer.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = ::write(s.fd.Get(), s.buffer.data(), s.buffer.size());
    if (n >= 0 || errno == EINTR) {
      if (n >= 0) return n;
      continue;
    }
    if (errno != EAGAIN) return -1;
    if (WaitForFd(s.fd.Get(), POLLOUT, s.stopEvent.Get(), std::chrono::hours(24)) !=
        WaitOutcome::kReady) {
      return -1;
    }
  }
}

void BlockingWriter::Run(const std::shared_ptr<Shared>& s) {
  std::unique_lock lock(s->mutex);
  for (;;) {
    s->wake.wait(lock, [&] { return s->hasJob || s->stop; });
    if (!s->hasJob) return;  // stopped while idle
    s->hasJob = false;
    lock.unlock();
    const long n = WriteAll(*s);
    lock.lock();
    s->result = n;
    s->busy = false;
    s->done.Signal();
    if (s->stop) return;
  }
}

}  // namespace tavrinex::device
