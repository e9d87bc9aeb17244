// What the foreground tests share: a child process with a known executable, and a collector of
// the paths a source reports (from its own thread).
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tavrinex::platform::test {

inline std::string ExecutableOf(pid_t pid) {
  char buffer[4096] = {};
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// `sleep` running until the object goes. Construction returns once the child runs `sleep`:
// until its exec, the forked child is still this test's executable.
class SleepingChild {
 public:
  SleepingChild() {
    const std::string self = ExecutableOf(::getpid());
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ExecutableOf(pid_) == self && std::chrono::steady_clock::now() < end) ::usleep(10000);
  }
  ~SleepingChild() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  SleepingChild(const SleepingChild&) = delete;
  SleepingChild& operator=(const SleepingChild&) = delete;
  [[nodiscard]] pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

class Reports {
 public:
  void Add(const std::string& path) {
    {
      const std::lock_guard lock(mutex_);
      paths_.push_back(path);
    }
    changed_.notify_all();
  }
  // Waits until `count` reports have arrived; the reports so far either way, padded with "?"
  // to `count` (so that a test indexing them fails instead of crashing). The bound only ends a
  // failing test.
  std::vector<std::string> WaitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(20), [&] { return paths_.size() >= count; });
    std::vector<std::string> paths = paths_;
    if (paths.size() < count) paths.resize(count, "?");
    return paths;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> paths_;
};

inline std::string SelfExecutable() { return ExecutableOf(::getpid()); }

}  // namespace tavrinex::platform::test
