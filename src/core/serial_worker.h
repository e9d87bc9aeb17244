// One background thread that runs posted tasks one after another, for short blocking work the
// UI thread must not wait on (a file flushed to disk). The thread starts with the first task;
// destruction runs what is still queued, then joins.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tavrinex::core {

class SerialWorker {
 public:
  SerialWorker() = default;
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  void Post(std::function<void()> task);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tavrinex::core
