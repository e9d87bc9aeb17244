// The queue behind UiLoop::Post and UiLoop::Send, independent of the toolkit: any thread
// pushes closures, the UI thread runs them in order when the toolkit wakes it. The queue is
// guarded by its own mutex, so whatever a closure captures is handed over race-free.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

namespace tavrinex::core {
class StopEvent;
}

namespace tavrinex::ui {

class TaskQueue {
 public:
  // `wake` asks the UI thread to call RunPending soon; it is called from the pushing thread,
  // once per batch (not again until RunPending has started).
  explicit TaskQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

  void Post(std::function<void()> task);
  // Posts `task` and waits until it ran (true) or `stop` is set first (false: the task is
  // dropped unrun; one that had already started is awaited and counts as run). Must not be
  // called on the thread that runs RunPending.
  [[nodiscard]] bool Send(std::function<void()> task, const core::StopEvent& stop);

  // UI thread: runs every task queued so far; returns how many ran.
  int RunPending();
  // Drops every queued task unrun (shutdown); waiting senders are released by their stop
  // events.
  void Clear();

 private:
  std::function<void()> wake_;
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  bool wakePending_ = false;
};

}  // namespace tavrinex::ui
