// Applies the desktop's pointer speed and wheel lines on one thread, always the latest value
// asked for: quick changes coalesce into one call with the last value, and calls never overtake
// each other, so the desktop ends with what the profile stores. The UI thread only hands values
// over and never waits on the desktop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/pointer_settings.h"

namespace tavrinex::platform {

class PointerSettingsWorker {
 public:
  explicit PointerSettingsWorker(std::unique_ptr<PointerSettingsBackend> backend);
  // Applies what is still pending, then ends (a desktop call in progress ends by its time-out).
  ~PointerSettingsWorker();
  PointerSettingsWorker(const PointerSettingsWorker&) = delete;
  PointerSettingsWorker& operator=(const PointerSettingsWorker&) = delete;

  // Clamped to 1-20 and 1-10; ignored when the desktop does not offer the setting.
  void SetSpeed(int speed);
  void SetWheelLines(int lines);

  // The backend's fixed answers (name, what it offers) may be read from any thread.
  [[nodiscard]] const PointerSettingsBackend& Backend() const { return *backend_; }

  // Tests: true once nothing is pending or being applied (false when the time passed first).
  [[nodiscard]] bool WaitUntilIdle(std::chrono::milliseconds limit);

 private:
  void Start();
  void Run();

  std::unique_ptr<PointerSettingsBackend> backend_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<int> speed_;
  std::optional<int> wheelLines_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tavrinex::platform
