#include "platform/pointer_settings_worker.h"

#include <algorithm>
#include <utility>

namespace tavrinex::platform {

PointerSettingsWorker::PointerSettingsWorker(std::unique_ptr<PointerSettingsBackend> backend)
    : backend_(std::move(backend)) {}

PointerSettingsWorker::~PointerSettingsWorker() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PointerSettingsWorker::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void PointerSettingsWorker::SetSpeed(int speed) {
  if (!backend_->OffersSpeed()) return;
  {
    const std::lock_guard lock(mutex_);
    speed_ = std::clamp(speed, 1, 20);
    Start();
  }
  changed_.notify_all();
}

void PointerSettingsWorker::SetWheelLines(int lines) {
  if (!backend_->OffersWheelLines()) return;
  {
    const std::lock_guard lock(mutex_);
    wheelLines_ = std::clamp(lines, 1, 10);
    Start();
  }
  changed_.notify_all();
}

bool PointerSettingsWorker::WaitUntilIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return !busy_ && !speed_ && !wheelLines_; });
}

void PointerSettingsWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || speed_ || wheelLines_; });
    if (!speed_ && !wheelLines_) return;  // stopping with nothing pending
    const auto speed = std::exchange(speed_, std::nullopt);
    const auto lines = std::exchange(wheelLines_, std::nullopt);
    busy_ = true;
    lock.unlock();
    if (speed) (void)backend_->ApplySpeed(*speed);
    if (lines) (void)backend_->ApplyWheelLines(*lines);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace tavrinex::platform
