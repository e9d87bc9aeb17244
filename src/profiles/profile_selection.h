// Loading a profile into the device state and saving the state into the selected profile,
// for the operations that select, edit and synchronise. Entries are addressed through the
// device's catalogue: the name of entry i, and "select" for the profile in use.
//
// A load that fails writes "配置文件丢失" (missing or unreadable file) or "配置文件格式错误"
// (no profile magic) as a diagnostic and changes nothing. A catalogue name that cannot be a
// file in the device folder is neither read nor written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "device/device_kind.h"
#include "device/device_sync.h"
#include "profiles/profile_body.h"
#include "profiles/profile_file.h"

namespace tavrinex::profiles {

inline constexpr std::string_view kProfileMissingDiagnostic = "配置文件丢失";
inline constexpr std::string_view kProfileFormatDiagnostic = "配置文件格式错误";

// Entry i's name + ".led", read with the kind's light body size and placed on success.
ProfileReadResult LoadLightProfile(ProfileState& state, device::DeviceKind kind, int index);
// Entry i's name + ".PRO" (any case), 512 bytes into page 0 of the key image. The mouse pad has
// no key profiles: kMissing.
ProfileReadResult LoadKeyProfile(ProfileState& state, device::DeviceKind kind, int index);

// The lighting state into the file of the entry "select" names, with the kind's device tag.
bool SaveSelectedLightProfile(ProfileState& state, device::DeviceKind kind);
// The selected light profile's file and the body a save writes, taken together, so that the
// write can run later on another thread and still put this state into this file.
struct PreparedLightSave {
  std::filesystem::path file;
  std::uint16_t deviceTag = 0;
  std::vector<std::uint8_t> body;
};
[[nodiscard]] std::optional<PreparedLightSave> PrepareSelectedLightSave(ProfileState& state,
                                                                        device::DeviceKind kind);
[[nodiscard]] bool WritePreparedLightSave(const PreparedLightSave& save);
// Page 0 of the key image into the selected key profile's ".pro" file.
bool SaveSelectedKeyProfile(ProfileState& state, device::DeviceKind kind);

// A write the program makes on its own, over a file the user may have shaped elsewhere: when
// the file holds other bytes than the ones to be written, they are kept in the device folder's
// history first (a history that cannot be written does not stop the save; a diagnostic says so).
bool WriteProfileKeepingPrevious(const std::filesystem::path& file, std::uint16_t deviceTag,
                                 std::span<const std::uint8_t> body);

// Synchronisation writes the state it read into the selected profiles, keeping what they held
// before (WriteProfileKeepingPrevious), and the keyboard's default key file through
// WriteProfileFile. `state` must outlive every synchronisation
// that uses the hooks.
void ConnectProfileSaves(device::SyncHooks& hooks, ProfileState& state);

}  // namespace tavrinex::profiles
