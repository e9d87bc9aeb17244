// The key editor's save action as it runs on the device's worker: the macro area, then only
// when the device took it the active key page, then only when the device took that the
// selected key profile. A step that fails ends the save there, so an unplugged device (or
// one unplugged halfway) leaves the key page on the device and the key profile on disk as
// they were, and the failure is reported instead of counting as done.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "keys/key_image.h"
#include "keys/macro_blob.h"
#include "keys/macro_library.h"

namespace tavrinex::keys {

enum class KeySaveOutcome : std::uint8_t {
  kSaved,
  kNotConnected,     // nothing sent, nothing written
  kMacrosTooLarge,   // "message_text_16" with the actions to remove; nothing sent
  kNoMemory,         // "message_text_7"; nothing sent
  kTransferFailed,   // the device did not take a step; the key profile is not written
  kProfileNotSaved,  // the device has it; the file write failed (reported by the storage layer)
};

inline constexpr std::string_view kMessageSaveNotConnected = "message_key_save_unplugged";
inline constexpr std::string_view kMessageSaveFailed = "message_key_save_failed";

struct KeySaveReport {
  KeySaveOutcome outcome = KeySaveOutcome::kSaved;
  MacroSend macros;
  PageWrite page;

  [[nodiscard]] bool Saved() const { return outcome == KeySaveOutcome::kSaved; }
  // The message to show (empty for none); a format with "%d" for kMacrosTooLarge.
  [[nodiscard]] std::string_view MessageId() const;
};

// Device thread, under the channel lock. `saveProfile` writes the selected key profile.
KeySaveReport SaveKeyPage(const MacroLibrary& library, device::DeviceChannel& channel,
                          const DeviceImage& image, const std::function<bool()>& saveProfile);

}  // namespace tavrinex::keys
