// What the device subcommands of tavrinexctl share: naming a device kind and opening its
// configuration interface the way detection does.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "device/device_channel.h"
#include "device/device_kind.h"

namespace tavrinex::tools {

// "kb", "ms" or "mp".
[[nodiscard]] std::optional<device::DeviceKind> ParseKind(std::string_view prefix);

[[nodiscard]] std::uint16_t ProductOf(device::DeviceKind kind);

// Finds the kind's configuration interface (vendor, product, usage page and usage), opens
// the channel on it and marks it connected.
[[nodiscard]] bool OpenConfigInterface(device::DeviceChannel& channel, device::DeviceKind kind);

}  // namespace tavrinex::tools
