// Reading a device's state into the image: in full on connect and on request, the active
// profile's settings after a change made on the device, and the keyboard's factory key block
// into the default key file.
//
// A step whose command fails leaves its block as it was (or with the chunks that did arrive)
// and the next step runs; the profile saves that end a sequence skip whatever did not arrive
// in full. Every read can be cut short by the calling thread's stop event (core::StopScope):
// the sequence then ends at once and saves nothing. A stop that comes only while the bracket is
// being closed still saves, since everything was read in full by then. The result says how the
// sequence went.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_kind.h"

namespace tavrinex::device {

inline constexpr std::string_view kMessageLedCountTooLarge = "message_text_11";
inline constexpr std::string_view kDefaultKeyFileName = "kbkeydefault.pro";
inline constexpr std::uint16_t kKeyboardDeviceTag = 1;  // profile file header's device tag

// What synchronisation asks of the rest of the program. Unset hooks are skipped.
struct SyncHooks {
  // SaveSelectedLightProfile / SaveSelectedKeyProfile: write the state just read into the
  // profile files selected for the device; false when the file could not be written.
  std::function<bool(DeviceKind)> saveSelectedLightProfile;
  std::function<bool(DeviceKind)> saveSelectedKeyProfile;
  // RebuildKeyPositionMap: the keyboard's position map from its default key block.
  std::function<void()> rebuildKeyPositionMap;
  // ShowMessage: the modal message box showing one message by its language id.
  std::function<void(std::string_view messageId)> showMessage;
  // WriteProfileFile(path, deviceTag, body): a profile file with its header and body.
  std::function<bool(const std::filesystem::path& path, std::uint16_t deviceTag,
                     std::span<const std::uint8_t> body)>
      writeProfileFile;
};

enum class SyncOutcome : std::uint8_t {
  kCompleted,         // every step ran (some commands may have failed)
  kLedCountTooLarge,  // keyboard: stopped after CMD_READ_INFO
  kInfoFailed,        // keyboard: the info block did not arrive; CMD_END closed the bracket
  kStopped,           // the thread was asked to stop: the sequence ended between two steps
};

struct SyncResult {
  SyncOutcome outcome = SyncOutcome::kCompleted;
  int failedCommands = 0;
  CommandResult firstFailure = kResultOk;  // result of the first command that failed
  // Whether the settings (key) blocks of the sequence all arrived; the profile saves that
  // follow it run only for what did.
  bool settingsRead = false;
  bool keysRead = false;
  int failedSaves = 0;  // file writes of those saves that failed (the writer told the user)
};

// The full synchronisation of one device kind. The channel's lock may be held by the caller
// (a detection thread holds it over its whole iteration); each command takes it again.
SyncResult DeviceSync(DeviceKind kind, DeviceChannel& channel, DeviceImage& image,
                      const SyncHooks& hooks);

// Reads the active profile's settings back after the device announced a change. The
// keyboard and the mouse read it as profile 0; the mouse pad asks for the active index.
SyncResult RereadActiveSettings(DeviceKind kind, DeviceChannel& channel, DeviceImage& image,
                                const SyncHooks& hooks);

// Keyboard: reads the factory key block and writes its 512-byte image as the default key
// file in `folder`.
SyncResult SaveDefaultKeyFile(DeviceChannel& keyboard, DeviceImage& image, const SyncHooks& hooks,
                              const std::filesystem::path& folder);

}  // namespace tavrinex::device
