#include "app/worker_registry.h"

#include <string>

namespace tavrinex::app {

WorkerRegistry::WorkerRegistry(Diagnostic diagnostic) : diagnostic_(std::move(diagnostic)) {
  for (auto& stop : stops_) stop = std::make_shared<core::StopEvent>();
}

WorkerRegistry::~WorkerRegistry() {
  if (!shutDown_) (void)Shutdown();
}

void WorkerRegistry::Fill(Worker worker, WorkerBody body) {
  bodies_[static_cast<std::size_t>(worker)] = std::move(body);
}

bool WorkerRegistry::IsFilled(Worker worker) const {
  return static_cast<bool>(bodies_[static_cast<std::size_t>(worker)]);
}

void WorkerRegistry::ServeBy(Worker worker, Worker by) {
  servedBy_[static_cast<std::size_t>(worker)] = by;
}

const core::StopEvent& WorkerRegistry::StopOf(Worker worker) const {
  return *stops_[static_cast<std::size_t>(worker)];
}

void WorkerRegistry::Start(const std::function<void()>& betweenGroups) {
  for (std::size_t i = 0; i < kWorkerCount; ++i) {
    if (i == kWorkersBeforeTimers && betweenGroups) betweenGroups();
    const WorkerSlot& slot = kWorkerSlots[i];
    if (!bodies_[i] && servedBy_[i]) {
      diagnostic_("worker \"" + std::string(slot.name) + "\": served by \"" +
                  std::string(kWorkerSlots[static_cast<std::size_t>(*servedBy_[i])].name) + "\"");
      continue;
    }
    if (!bodies_[i]) {
      diagnostic_("worker \"" + std::string(slot.name) + "\" not started: its owner (" +
                  std::string(slot.owner) + ") is not built yet");
      continue;
    }
    stops_[i]->Reset();
    // The thread holds its body, its stop event and the completion record itself.
    threads_[i] = std::thread([i, body = bodies_[i], stop = stops_[i], shared = shared_] {
      const core::StopScope scope(*stop);  // its device transfers end on its stop too
      body(*stop);
      const std::lock_guard lock(shared->mutex);
      shared->finished[i] = true;
      ++shared->finishedCount;
      shared->cv.notify_all();
    });
    ++started_;
  }
}

ShutdownOutcome WorkerRegistry::Shutdown(std::chrono::milliseconds limit) {
  shutDown_ = true;
  const auto begin = std::chrono::steady_clock::now();
  for (auto& stop : stops_) stop->Set();
  ShutdownOutcome outcome;
  outcome.started = started_;
  {
    std::unique_lock lock(shared_->mutex);
    shared_->cv.wait_until(lock, begin + limit,
                           [&] { return shared_->finishedCount >= started_; });
    outcome.stillRunning = started_ - shared_->finishedCount;
  }
  std::string late;
  for (std::size_t i = 0; i < kWorkerCount; ++i) {
    if (!threads_[i].joinable()) continue;
    bool finished = false;
    {
      const std::lock_guard lock(shared_->mutex);
      finished = shared_->finished[i];
    }
    if (!finished) late += (late.empty() ? "" : ", ") + std::string(kWorkerSlots[i].name);
  }
  outcome.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - begin);
  if (outcome.stillRunning == 0) {
    diagnostic_("shutdown: " + std::to_string(outcome.started) + " worker(s) ended in " +
                std::to_string(outcome.elapsed.count()) + " ms");
  } else {
    // The workers borrow the window's channels, image and engine: one left behind would use
    // them after they are gone. Waiting longer is the lesser harm.
    diagnostic_("shutdown: " + std::to_string(outcome.stillRunning) +
                " worker(s) still running after " + std::to_string(outcome.elapsed.count()) +
                " ms, waiting for: " + late);
  }
  for (auto& t : threads_) {
    if (t.joinable()) t.join();
  }
  started_ = 0;
  return outcome;
}

}  // namespace tavrinex::app
