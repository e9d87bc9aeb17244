// tavrinexctl keys and macro-blob: the key slots of a synchronised device, and the macro area
// a macro library folder would send.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "device/device_kind.h"

namespace tavrinex::tools {

int KeysCommand(const std::vector<std::string_view>& args);
int MacroBlobCommand(const std::vector<std::string_view>& args);

// The device folder of the settings folder, looked up but not created.
[[nodiscard]] std::filesystem::path DefaultDeviceFolder(device::DeviceKind kind);

}  // namespace tavrinex::tools
