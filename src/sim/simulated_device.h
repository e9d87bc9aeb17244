// A simulated keyboard, mouse or mouse pad as the host sees it: a configuration interface
// answered by the firmware model and, for the keyboard and the mouse, a consumer-control
// interface on which the device announces changes made on the device itself. It can be
// plugged and unplugged at any time, logs every request, and injects faults on request.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_kind.h"
#include "device/report_frame.h"
#include "sim/firmware.h"
#include "sim/sim_bus.h"

namespace tavrinex::sim {

struct Fault {
  enum class Action : std::uint8_t {
    kNoReply,      // the request is lost: no reply
    kStatusError,  // refused with status 0xFF
    kStatusBusy,   // refused with status 0xFE
    kGarbage,      // a 64-byte reply of noise (its status byte included)
    kShortReply,   // a reply of the wrong length
    kUnplug,       // the device is unplugged while the host waits for the reply
    kLateReply,    // the right reply, `late` after the request, while later ones go on
    kDoubleReply,  // the right reply, twice
  };
  static constexpr std::size_t kEvery = std::numeric_limits<std::size_t>::max();

  Action action = Action::kNoReply;
  std::size_t after = 0;  // requests answered normally first, counted from the injection
  std::size_t count = 1;  // requests hit, or kEvery
  std::chrono::milliseconds late{320};  // kLateReply
};

class SimulatedDevice {
 public:
  // consumerPath empty: the device has no consumer-control interface (the mouse pad).
  // consumerPath equal to configPath: one node carries both collections (consumer control,
  // report id 3, first; configuration, report id 4), as many keyboards of this vendor put
  // them in one USB interface, and every reader of it gets every report, replies included.
  SimulatedDevice(DeviceBus& bus, device::DeviceKind kind, std::string configPath,
                  std::string consumerPath);
  ~SimulatedDevice();  // unplugs
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  [[nodiscard]] device::DeviceKind Kind() const;
  [[nodiscard]] const std::string& ConfigPath() const;
  [[nodiscard]] const std::string& ConsumerPath() const;

  // Plugging in powers the device up: its RAM state (LED frame, sequence) starts afresh,
  // while what it stores (keys, settings, macros) stays.
  void Plug();
  void Unplug();
  [[nodiscard]] bool IsPlugged() const;

  // The user on the device itself. Each announces the change on the consumer interface.
  void UserSwitchProfile(std::uint8_t profile);  // 0x0402
  void UserChangeMode(std::uint8_t mode);        // the active profile's mode; 0x0401
  void UserButtonEvent();                        // mouse: 0x0403

  // Faults. Each fault hits its own requests; the first matching one wins.
  void InjectFault(const Fault& fault);
  // Every reply waits this long first (link and firmware latency).
  void SetReplyDelay(std::chrono::milliseconds delay);
  void ClearFaults();
  // Before every reply, an idle consumer-control report (usage 0) on the consumer interface:
  // what a shared node's configuration reader sees of the other collection.
  void SetConsumerChatter(bool on);

  // Every configuration request the device received, in order, whatever became of it.
  [[nodiscard]] std::vector<device::ReportFrame> Requests() const;
  [[nodiscard]] std::vector<device::Command> Commands() const;
  [[nodiscard]] std::size_t RequestCount() const;
  void ClearRequests();

  // The firmware, for setting a scene up and for assertions.
  [[nodiscard]] FirmwareState Snapshot() const;
  template <typename F>
  auto WithFirmware(F&& f) {
    std::lock_guard lock(Mutex());
    return f(Firm());
  }
  void SetLedCount(std::uint8_t count);
  void SetActiveProfile(std::uint8_t profile);  // quietly, as if it had always been so

  struct Core;  // shared with the interface ends, which may outlive this object briefly

 private:
  std::mutex& Mutex() const;
  Firmware& Firm();
  void Announce(std::uint16_t usage);

  std::shared_ptr<Core> core_;
};

// The keyboard, mouse and mouse pad on one bus, at the paths the tools and tests use.
struct SimulatedDevices {
  static constexpr const char* kKeyboardConfig = "sim:keyboard/config";
  static constexpr const char* kKeyboardConsumer = "sim:keyboard/consumer";
  static constexpr const char* kMouseConfig = "sim:mouse/config";
  static constexpr const char* kMouseConsumer = "sim:mouse/consumer";
  static constexpr const char* kMousePadConfig = "sim:mousepad/config";

  explicit SimulatedDevices(DeviceBus& bus);
  void PlugAll();
  [[nodiscard]] SimulatedDevice& Of(device::DeviceKind kind);

  SimulatedDevice keyboard;
  SimulatedDevice mouse;
  SimulatedDevice mousePad;
};

}  // namespace tavrinex::sim
