// What the device subcommands of tavrinexctl share: naming a device kind and opening its
// configuration interface the way detection does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "device/device_channel.h"
#include "device/device_kind.h"
#include "device/hid_backend.h"

namespace tavrinex::tools {

// "kb", "ms" or "mp".
[[nodiscard]] std::optional<device::DeviceKind> ParseKind(std::string_view prefix);

[[nodiscard]] std::uint16_t ProductOf(device::DeviceKind kind);

// Finds the kind's configuration interface (vendor, product, usage page and usage), opens
// the channel on it and marks it connected.
[[nodiscard]] bool OpenConfigInterface(device::DeviceChannel& channel, device::DeviceKind kind);

// Runs `command` on the hidraw devices, or with `simulate` on the three simulated devices,
// plugged in for the command's duration; its result is the command's.
int OnDevices(bool simulate, const std::function<int(device::HidBackend&)>& command);

}  // namespace tavrinex::tools
