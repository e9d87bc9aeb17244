// tavrinexctl keys and macro-blob: the key slots of a synchronised device, and the macro area
// a macro library folder would send.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "device/device_kind.h"
#include "keys/key_function.h"

namespace tavrinex::tools {

int KeysCommand(const std::vector<std::string_view>& args);
int MacroBlobCommand(const std::vector<std::string_view>& args);
// keys set kb|ms SLOT FUNCTION [--page P] [--simulate]: the arguments after "set".
int KeysSetCommand(const std::vector<std::string_view>& args);
// "K,P1,P2" in hex, or a name of the key tables (with or without "keyboard_key_").
[[nodiscard]] std::optional<keys::KeyFunction> ParseKeyFunction(std::string_view text);

// The device folder of the settings folder, looked up but not created.
[[nodiscard]] std::filesystem::path DefaultDeviceFolder(device::DeviceKind kind);

}  // namespace tavrinex::tools
