// A configuration interface whose answers a test scripts: it logs every request and replies
// as its responder says (a reply, silence, a delay, a hang-up, or raw garbage).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "device/report_frame.h"
#include "sim/sim_bus.h"

namespace tavrinex::sim {

struct ScriptedReply {
  enum class Action : std::uint8_t { kReply, kSilent, kHangup, kRaw };
  Action action = Action::kReply;
  device::ReportFrame frame;              // kReply
  std::vector<std::uint8_t> raw;          // kRaw: sent as it stands
  std::chrono::milliseconds delay{0};     // waited before acting

  static ScriptedReply Silent() { return {Action::kSilent, {}, {}, {}}; }
  static ScriptedReply Hangup() { return {Action::kHangup, {}, {}, {}}; }
  static ScriptedReply Raw(std::vector<std::uint8_t> bytes) {
    return {Action::kRaw, {}, std::move(bytes), {}};
  }
};

// The reply a well-behaved device gives: the request's header with status 0.
[[nodiscard]] ScriptedReply EchoReply(const device::ReportFrame& request);

class ScriptedDevice final : public DeviceEnd {
 public:
  // index counts the requests this device has seen, from 0.
  using Responder =
      std::function<ScriptedReply(const device::ReportFrame& request, std::size_t index)>;

  ScriptedDevice();
  explicit ScriptedDevice(Responder responder);

  void SetResponder(Responder responder);
  [[nodiscard]] std::vector<device::ReportFrame> Requests() const;
  [[nodiscard]] std::size_t RequestCount() const;

  void OnOutputReport(std::span<const std::uint8_t> report, ReplySink& reply) override;

 private:
  mutable std::mutex mutex_;
  Responder responder_;
  std::vector<device::ReportFrame> log_;
};

}  // namespace tavrinex::sim
