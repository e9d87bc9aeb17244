// Waiting on a device fd with a time-out that an abort eventfd cuts short, and a writer
// thread for devices whose kernel write blocks.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/stop_event.h"
#include "device/unique_fd.h"

namespace tavrinex::device {

enum class WaitOutcome : std::uint8_t { kReady, kTimedOut, kAborted, kHungUp, kError };

// Waits until fd is ready for events (POLLIN or POLLOUT), the abort eventfd is signalled or
// the time-out passes. EINTR resumes the wait with the time that is left. The abort event is
// not consumed: whoever signalled it resets it. The calling thread's stop event (a
// core::StopScope) ends the wait too, as kAborted, so no transfer outlasts its thread's stop.
[[nodiscard]] WaitOutcome WaitForFd(int fd, short events, int abortFd,
                                    std::chrono::milliseconds timeout);

// An eventfd used as a manual-reset event.
class EventFd {
 public:
  EventFd();
  [[nodiscard]] int Get() const { return fd_.Get(); }
  void Signal() const;
  void Reset() const;
  [[nodiscard]] bool IsSignalled() const;

 private:
  UniqueFd fd_;
};

// hidraw writes are synchronous in the kernel and ignore O_NONBLOCK, so a write cannot be
// cut off by poll(). The writer thread performs the write on its own copy of the fd and of
// the data; the caller waits for it with the time-out and the abort event. A write that does
// not finish in time leaves the thread busy with its own buffer: nothing of the caller's
// stays in use, and the next write fails at once until the stuck one returns.
class BlockingWriter {
 public:
  explicit BlockingWriter(int fd);
  ~BlockingWriter();  // lets a stuck write finish on its own; never blocks on it
  BlockingWriter(const BlockingWriter&) = delete;
  BlockingWriter& operator=(const BlockingWriter&) = delete;

  // Bytes written, or -1 on failure, time-out or abort.
  [[nodiscard]] long Write(std::span<const std::uint8_t> data, int abortFd,
                           std::chrono::milliseconds timeout);

 private:
  struct Shared;
  static void Run(const std::shared_ptr<Shared>& s);
  static long WriteAll(Shared& s);
  std::shared_ptr<Shared> shared_;
};

}  // namespace tavrinex::device
