#include "ui/task_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "core/stop_event.h"

namespace tavrinex::ui {
namespace {

enum class CallState : std::uint8_t { kPending, kRunning, kDone, kCancelled };

// One Send: the task, its state and the eventfd that tells the sender it is done.
struct SendCall {
  explicit SendCall(std::function<void()> t)
      : task(std::move(t)), doneFd(::eventfd(0, EFD_CLOEXEC)) {}
  ~SendCall() {
    if (doneFd >= 0) ::close(doneFd);
  }
  SendCall(const SendCall&) = delete;
  SendCall& operator=(const SendCall&) = delete;

  std::function<void()> task;
  int doneFd;
  std::mutex mutex;
  CallState state = CallState::kPending;
};

void SignalDone(SendCall& call) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(call.doneFd, &one, sizeof one);
}

}  // namespace

void TaskQueue::Post(std::function<void()> task) {
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    wake = !std::exchange(wakePending_, true);
  }
  if (wake) wake_();
}

bool TaskQueue::Send(std::function<void()> task, const core::StopEvent& stop) {
  auto call = std::make_shared<SendCall>(std::move(task));
  if (call->doneFd < 0) return false;
  Post([call] {
    {
      const std::lock_guard lock(call->mutex);
      if (call->state == CallState::kCancelled) return;
      call->state = CallState::kRunning;
    }
    call->task();
    {
      const std::lock_guard lock(call->mutex);
      call->state = CallState::kDone;
    }
    SignalDone(*call);
  });
  const bool signalled = core::WaitReadableOrStop(call->doneFd, stop);
  {
    // Taking the lock also makes the task's writes visible here: the eventfd alone would
    // wake this thread without ordering memory.
    const std::lock_guard lock(call->mutex);
    if (call->state == CallState::kDone) return true;
    if (!signalled && call->state == CallState::kPending) {
      call->state = CallState::kCancelled;
      return false;
    }
  }
  // Already running on the UI thread: it may use the sender's data, so wait for its end.
  const core::StopEvent never;
  (void)core::WaitReadableOrStop(call->doneFd, never);
  const std::lock_guard lock(call->mutex);
  return true;
}

int TaskQueue::RunPending() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(mutex_);
    batch.swap(tasks_);
    wakePending_ = false;
  }
  int ran = 0;
  for (auto& task : batch) {
    task();
    ++ran;
  }
  return ran;
}

void TaskQueue::Clear() {
  std::deque<std::function<void()>> dropped;
  const std::lock_guard lock(mutex_);
  dropped.swap(tasks_);
  wakePending_ = false;
}

}  // namespace tavrinex::ui
