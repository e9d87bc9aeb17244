// Replies a simulated device sends late while it goes on with later requests (the late-reply
// fault), kept by the thread that serves one interface and sent when they fall due.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace tavrinex::sim {

class LateReports {
 public:
  using Clock = std::chrono::steady_clock;

  void Add(std::span<const std::uint8_t> report, std::chrono::milliseconds delay) {
    late_.push_back({Clock::now() + delay, {report.begin(), report.end()}});
  }

  // Sends the reports that are due through `send`; returns the wait until the next one, or
  // `idle` when none is left.
  template <typename Send>
  std::chrono::milliseconds SendDue(Send&& send, std::chrono::milliseconds idle) {
    const auto now = Clock::now();
    auto next = idle;
    for (auto it = late_.begin(); it != late_.end();) {
      if (it->due <= now) {
        send(std::span<const std::uint8_t>(it->bytes));
        it = late_.erase(it);
      } else {
        next = std::min(next, std::chrono::ceil<std::chrono::milliseconds>(it->due - now));
        ++it;
      }
    }
    return next;
  }

 private:
  struct Report {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Report> late_;
};

}  // namespace tavrinex::sim
