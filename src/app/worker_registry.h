// The fourteen long-running worker threads of the main window, each with its own stop event,
// kept as a registry of fixed slots. A feature fills its slots with a body; a slot left empty
// starts nothing and says so, naming the part of the program that will fill it. Shutdown
// signals every stop event and waits for all threads together, at most a fixed time.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/stop_event.h"

namespace tavrinex::app {

enum class Worker : std::uint8_t {
  kKeyboardDetection,
  kMouseDetection,
  kMousePadDetection,
  kMouseInputWatcher,
  kKeyboardInputWatcher,
  kKeyboardAnimation,
  kMouseAnimation,
  kMousePadAnimation,
  kSharedAnimation,
  kKeyboardLightAutoSwitch,
  kKeyboardKeyAutoSwitch,
  kMouseLightAutoSwitch,
  kMouseKeyAutoSwitch,
  kMousePadLightAutoSwitch,
};

struct WorkerSlot {
  Worker worker;
  std::string_view name;
  std::string_view owner;  // the feature that supplies the body
};

// In start order.
inline constexpr std::array<WorkerSlot, 14> kWorkerSlots = {{
    {Worker::kKeyboardDetection, "keyboard detection", "device detection"},
    {Worker::kMouseDetection, "mouse detection", "device detection"},
    {Worker::kMousePadDetection, "mouse-pad detection", "device detection"},
    {Worker::kMouseInputWatcher, "mouse input watcher", "device input watchers"},
    {Worker::kKeyboardInputWatcher, "keyboard input watcher", "device input watchers"},
    {Worker::kKeyboardAnimation, "keyboard lighting animation", "lighting animation"},
    {Worker::kMouseAnimation, "mouse lighting animation", "lighting animation"},
    {Worker::kMousePadAnimation, "mouse-pad lighting animation", "lighting animation"},
    {Worker::kSharedAnimation, "shared lighting animation", "lighting animation"},
    {Worker::kKeyboardLightAutoSwitch, "keyboard lighting-profile auto-switch",
     "profile auto-switch"},
    {Worker::kKeyboardKeyAutoSwitch, "keyboard key-profile auto-switch", "profile auto-switch"},
    {Worker::kMouseLightAutoSwitch, "mouse lighting-profile auto-switch", "profile auto-switch"},
    {Worker::kMouseKeyAutoSwitch, "mouse key-profile auto-switch", "profile auto-switch"},
    {Worker::kMousePadLightAutoSwitch, "mouse-pad lighting-profile auto-switch",
     "profile auto-switch"},
}};
inline constexpr std::size_t kWorkerCount = kWorkerSlots.size();
// The threads up to this one start before the periodic timers, the rest after them.
inline constexpr std::size_t kWorkersBeforeTimers = 9;
static_assert(kWorkerCount == static_cast<std::size_t>(Worker::kMousePadLightAutoSwitch) + 1);
static_assert(kWorkersBeforeTimers < kWorkerCount);

inline constexpr std::chrono::milliseconds kShutdownLimit{10000};

using WorkerBody = std::function<void(const core::StopEvent& stop)>;
using Diagnostic = std::function<void(std::string_view line)>;

struct ShutdownOutcome {
  std::size_t started = 0;
  std::size_t stillRunning = 0;  // not ended when the time limit passed (waited for all the same)
  std::chrono::milliseconds elapsed{0};
};

class WorkerRegistry {
 public:
  explicit WorkerRegistry(Diagnostic diagnostic);
  ~WorkerRegistry();  // shuts down whatever still runs
  WorkerRegistry(const WorkerRegistry&) = delete;
  WorkerRegistry& operator=(const WorkerRegistry&) = delete;

  // Before Start: the body of a slot (replaces an earlier one).
  void Fill(Worker worker, WorkerBody body);
  [[nodiscard]] bool IsFilled(Worker worker) const;
  // Before Start: a slot whose work another slot's thread does; it starts no thread of its own.
  void ServeBy(Worker worker, Worker by);

  // Starts the filled slots in order; `betweenGroups` runs after the first group (the
  // periodic timers go there). Empty slots write their diagnostic line.
  void Start(const std::function<void()>& betweenGroups);

  // Sets every stop event and waits until all started threads ended. One still running
  // after `limit` is named in a diagnostic line and still waited for: the workers borrow
  // what the window owns, so none is ever left behind to use it after it is gone.
  ShutdownOutcome Shutdown(std::chrono::milliseconds limit = kShutdownLimit);

  [[nodiscard]] const core::StopEvent& StopOf(Worker worker) const;

 private:
  // Shared with the thread, which records its end there.
  struct Shared {
    std::mutex mutex;
    std::condition_variable cv;
    std::array<bool, kWorkerCount> finished{};
    std::size_t finishedCount = 0;
  };

  Diagnostic diagnostic_;
  std::array<WorkerBody, kWorkerCount> bodies_;
  std::array<std::optional<Worker>, kWorkerCount> servedBy_;
  std::array<std::shared_ptr<core::StopEvent>, kWorkerCount> stops_;
  std::array<std::thread, kWorkerCount> threads_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::size_t started_ = 0;
  bool shutDown_ = false;
};

}  // namespace tavrinex::app
