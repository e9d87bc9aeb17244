#include "sim/scripted_device.h"

#include <algorithm>

namespace tavrinex::sim {

ScriptedReply EchoReply(const device::ReportFrame& request) {
  ScriptedReply reply;
  reply.frame = request;
  reply.frame.bytes[device::frame::kStatus] = 0;
  return reply;
}

ScriptedDevice::ScriptedDevice()
    : responder_([](const device::ReportFrame& r, std::size_t) { return EchoReply(r); }) {}

ScriptedDevice::ScriptedDevice(Responder responder) : responder_(std::move(responder)) {}

void ScriptedDevice::SetResponder(Responder responder) {
  std::lock_guard lock(mutex_);
  responder_ = std::move(responder);
}

std::vector<device::ReportFrame> ScriptedDevice::Requests() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::size_t ScriptedDevice::RequestCount() const {
  std::lock_guard lock(mutex_);
  return log_.size();
}

void ScriptedDevice::OnOutputReport(std::span<const std::uint8_t> report, ReplySink& sink) {
  device::ReportFrame request;
  std::copy_n(report.begin(), std::min(report.size(), request.bytes.size()),
              request.bytes.begin());
  ScriptedReply reply;
  {
    std::lock_guard lock(mutex_);
    log_.push_back(request);
    reply = responder_(request, log_.size() - 1);
  }
  if (reply.delay.count() > 0 && !sink.Delay(reply.delay)) return;
  switch (reply.action) {
    case ScriptedReply::Action::kReply: sink.Send(reply.frame.bytes); break;
    case ScriptedReply::Action::kRaw: sink.Send(reply.raw); break;
    case ScriptedReply::Action::kHangup: sink.Hangup(); break;
    case ScriptedReply::Action::kSilent: break;
  }
}

}  // namespace tavrinex::sim
