// The macro area a device plays its macros from, and the save action that sends it.
//
// Layout (little-endian): magic 0x55AA, total length T, macro count N, 10 reserved bytes, an
// offset table of N words (each macro block's offset from the start), then the N blocks in index
// order without gaps: action count L, 2 reserved bytes, L actions of 4 bytes (delayLow,
// delayHigh, eventCode, eventValue). T = 16 + 6N + 4 x (sum of all L). Reserved bytes are zero.
//
// A macro's actions are the lines of its file that hold an action (ParseActionLine), in key
// order; a line that does not split into six fields with numbers in the first four contributes
// nothing and is not counted in L, so the count always matches the actions that follow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "keys/key_image.h"
#include "keys/macro_action.h"
#include "keys/macro_library.h"

namespace tavrinex::keys {

inline constexpr std::uint16_t kMacroBlobMagic = 0x55AA;
inline constexpr std::size_t kMacroBlobHeaderSize = 16;
inline constexpr std::size_t kMacroBlockHeaderSize = 4;
inline constexpr std::size_t kMacroActionSize = sizeof(MacroAction);
inline constexpr std::size_t kMacroAreaUnit = 128;  // info byte 6 counts these
inline constexpr std::size_t kInfoMacroUnits = 6;
inline constexpr std::string_view kMessageMacrosTooLarge = "message_text_16";
inline constexpr std::string_view kMessageNoMemory = "message_text_7";
static_assert(kMacroActionSize == 4);

using MacroActions = std::vector<MacroAction>;

// The actions of the lines that hold one, in order.
[[nodiscard]] MacroActions ParseActionLines(std::span<const std::string> lines);
// Every macro of the library in index order; a missing file or an invalid name is no actions.
[[nodiscard]] std::vector<MacroActions> ReadLibraryActions(const MacroLibrary& library);

// T, computed wide: a library too large for the 16-bit length field still measures true.
[[nodiscard]] std::size_t MacroBlobLength(std::span<const MacroActions> macros);

// The blob; nothing when T, N or an L does not fit its 16-bit field.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> EncodeMacroBlob(
    std::span<const MacroActions> macros);

// The macros of a well-formed blob (magic, T equal to its size, offsets chained as encoded);
// nothing for anything else.
[[nodiscard]] std::optional<std::vector<MacroActions>> DecodeMacroBlob(
    std::span<const std::uint8_t> blob);

struct MacroCapacity {
  bool fits = true;
  std::size_t length = 0;           // T
  std::size_t capacity = 0;         // K = 128 x info byte 6
  std::size_t actionsToRemove = 0;  // the fewest actions to remove: ceil((T - K) / 4)
};
[[nodiscard]] MacroCapacity CheckMacroCapacity(std::size_t length, std::uint8_t units);

enum class MacroSendOutcome : std::uint8_t {
  kSent,
  kNoMacros,   // N = 0: nothing sent, the device keeps its macro area; a success
  kTooLarge,   // "message_text_16" with actionsToRemove; nothing sent
  kNoMemory,   // "message_text_7"; nothing sent
  kNoLibrary,  // the mouse pad plays no macros; nothing sent
};

struct MacroSend {
  MacroSendOutcome outcome = MacroSendOutcome::kNoMacros;
  MacroCapacity capacity;
  device::CommandResult result = device::kResultOk;  // first failing command, else ok

  [[nodiscard]] bool Succeeded() const {
    return outcome == MacroSendOutcome::kSent || outcome == MacroSendOutcome::kNoMacros;
  }
  // The message to show, empty for none.
  [[nodiscard]] std::string_view MessageId() const;
};

// Builds the blob from the library, checks it against the device's macro area (info byte 6)
// and sends it: CMD_BEGIN, CMD_WRITE_MACROS in chunks of 56 bytes, CMD_END. Command results
// are reported, not acted on: a disconnected device still counts as done.
MacroSend SendMacros(const MacroLibrary& library, device::DeviceChannel& channel,
                     const DeviceImage& image);

struct KeySave {
  MacroSend macros;
  PageWrite page;  // not sent when the macros failed
};

// The key editor's save action: the macros, and only when they succeed, the active key page.
KeySave SaveKeysAndMacros(const MacroLibrary& library, device::DeviceChannel& channel,
                          const DeviceImage& image);

}  // namespace tavrinex::keys
