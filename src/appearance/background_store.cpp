#include "appearance/background_store.h"

#include "profiles/profile_catalogue.h"
#include "storage/ini_file.h"

namespace tavrinex::appearance {

BackgroundStore::~BackgroundStore() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundStore::Remember(std::string_view image, bool applyAtStart) {
  // The folder is looked up here: the environment is read on the caller's thread only.
  Choice choice{profiles::MainIniPath(), std::string(image), applyAtStart};
  {
    const std::lock_guard lock(mutex_);
    pending_ = std::move(choice);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  cv_.notify_all();
}

void BackgroundStore::WaitIdle() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return !pending_ && !writing_; });
}

void BackgroundStore::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    cv_.wait(lock, [this] { return pending_ || quit_; });
    if (!pending_) return;  // quit with nothing left to write
    const Choice choice = std::move(*pending_);
    pending_.reset();
    writing_ = true;
    lock.unlock();
    Write(choice);
    lock.lock();
    writing_ = false;
    cv_.notify_all();
  }
}

// "FLAGS" first, then "IMAGE". A failed write is reported by the INI service itself.
void BackgroundStore::Write(const Choice& choice) {
  (void)profiles::WriteIniString(choice.file, profiles::kSkinImageSection,
                                 profiles::kSkinFlagsKey, choice.applyAtStart ? "1" : "0");
  (void)profiles::WriteIniString(choice.file, profiles::kSkinImageSection,
                                 profiles::kSkinImageKey, choice.image);
}

}  // namespace tavrinex::appearance
