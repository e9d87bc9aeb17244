// The simulated firmware of one device: its memory and how it answers each configuration
// request. Pure state, no I/O and no lock: SimulatedDevice drives it from the connection
// thread under its own mutex.
//
// The documented part is the command set: frame layout, codes, lengths, offsets, chunking and
// the effect of each command. What a real device does beyond that is unknown; our choices are
// plausible and marked "invented" where they are made.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/device_channel.h"
#include "device/device_kind.h"
#include "device/report_frame.h"
#include "keys/key_layout_data.h"
#include "sim/factory_defaults.h"

namespace tavrinex::sim {

// Consumer-control usages the keyboard and the mouse announce on-device changes with.
inline constexpr std::uint16_t kUsageSettingsChanged = 0x0401;  // the active record changed
inline constexpr std::uint16_t kUsageDeviceChanged = 0x0402;    // profile switched or reset
inline constexpr std::uint16_t kUsageMouseEvent = 0x0403;       // mouse: a button was pressed

struct FirmwareState {
  device::DeviceKind kind = device::DeviceKind::kKeyboard;
  // Kept across power cycles (flash).
  factory::InfoBlock info{};
  keys::KeyBlock defaultKeys{};
  std::array<keys::KeyBlock, factory::kProfileCount> keyPages{};
  factory::SettingsArea settings{};  // byte 0 is the active profile
  std::vector<std::uint8_t> macros;  // 128 x info byte 6
  // Lost on a power cycle (RAM).
  std::vector<std::uint8_t> ledFrame;  // the last LED colours received, 3 bytes per LED
  bool inSequence = false;             // between CMD_BEGIN and CMD_END
  unsigned factoryResets = 0;

  [[nodiscard]] std::uint8_t ActiveProfile() const { return settings[0]; }
  [[nodiscard]] std::uint8_t LedCount() const { return info[factory::info::kLedCount]; }
  // Bytes 0..63 of profile p's slot as stored; byte 0 of slot 0 is the active profile.
  [[nodiscard]] std::span<const std::uint8_t, factory::kSettingsSlotSize> Slot(std::size_t p) const {
    return std::span(settings).subspan(p * factory::kSettingsSlotSize).first<factory::kSettingsSlotSize>();
  }
};

class Firmware {
 public:
  explicit Firmware(device::DeviceKind kind);

  struct Response {
    device::ReportFrame reply;
    std::optional<std::uint16_t> announce;  // a consumer usage to send after the reply
  };
  [[nodiscard]] Response Handle(const device::ReportFrame& request);

  // Back to the factory state; the LED count is hardware and stays.
  void FactoryReset();
  // What a replug does: the RAM state is lost.
  void PowerCycle();
  // Keyboard: the LED count in info byte 5, which also sets the key block length. Any value is
  // accepted, so that a keyboard too large for the host's key blocks can be simulated.
  void SetLedCount(std::uint8_t count);
  void SetActiveProfile(std::uint8_t profile);

  // Bytes moved by the key block commands: keyboard 3 x LED count (at most the 512-byte
  // storage), mouse 512, mouse pad none.
  [[nodiscard]] std::size_t KeyBlockLength() const;

  [[nodiscard]] FirmwareState& State() { return state_; }
  [[nodiscard]] const FirmwareState& State() const { return state_; }

 private:
  using Status = std::uint8_t;
  Status ReadSettings(const device::ReportFrame& request, std::span<std::uint8_t> data) const;
  Status WriteSettings(const device::ReportFrame& request);
  Status ReadDefaultKeys(const device::ReportFrame& request, std::span<std::uint8_t> data) const;
  Status KeyPage(const device::ReportFrame& request, std::span<std::uint8_t> data);
  static Status WriteArea(const device::ReportFrame& request, std::vector<std::uint8_t>& area);

  FirmwareState state_;
};

}  // namespace tavrinex::sim
