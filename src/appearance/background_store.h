// Remembers the chooser's image choices in "main.ini" (section "SKINIMAGE": "FLAGS" 1 with
// the image to apply at the next start, or "FLAGS" 0 after a reset). The file is replaced and
// flushed to disk, which the UI thread must not wait for: the writes run on a thread of their
// own, started on first use. Only the latest choice is written; nothing is lost at the end,
// as the destructor writes what is still pending.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace tavrinex::appearance {

class BackgroundStore {
 public:
  BackgroundStore() = default;
  ~BackgroundStore();
  BackgroundStore(const BackgroundStore&) = delete;
  BackgroundStore& operator=(const BackgroundStore&) = delete;

  // Never blocks on the disk. The file is the settings folder's "main.ini" at the time of
  // the call.
  void Remember(std::string_view image, bool applyAtStart);
  // Waits until every choice handed over so far is written.
  void WaitIdle();

 private:
  struct Choice {
    std::filesystem::path file;
    std::string image;
    bool applyAtStart = false;
  };
  void Run();
  static void Write(const Choice& choice);

  std::mutex mutex_;
  std::condition_variable cv_;
  std::optional<Choice> pending_;
  bool writing_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace tavrinex::appearance
