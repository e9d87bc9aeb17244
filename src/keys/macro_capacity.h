// How much of a device's macro area a macro library takes, measured exactly as the save action
// encodes it (macro_blob.h), and whether a library with one macro changed would still fit.
//
// The area's size is info byte 6 in units of 128 bytes. A library without macros sends
// nothing (the device keeps what it has) and so takes nothing. A device whose byte 6 is 0 has
// no macro area at all: its result says so, rather than asking for actions to be removed that
// could never make room. Likewise, when the headers alone (16 + 6 bytes per macro) exceed the
// area, removing actions cannot help: macros must go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device/device_image.h"
#include "device/device_kind.h"
#include "keys/macro_blob.h"

namespace tavrinex::keys {

enum class MacroAreaVerdict : std::uint8_t {
  kFits,
  kEmpty,          // no macros: nothing is sent, which always fits
  kNoMacroArea,    // info byte 6 is 0 and there are macros to send
  kTooManyActions, // removing `actionsToRemove` actions makes it fit
  kTooManyMacros,  // the headers of the macros alone exceed the area
};

struct MacroAreaUse {
  MacroAreaVerdict verdict = MacroAreaVerdict::kEmpty;
  std::size_t usedBytes = 0;      // T as sent; 0 for a library without macros
  std::size_t capacityBytes = 0;  // 128 x info byte 6
  std::size_t actionsToRemove = 0;  // the fewest, for kTooManyActions
  std::size_t macrosToRemove = 0;   // the fewest macros to delete, for kTooManyMacros

  [[nodiscard]] bool Fits() const {
    return verdict == MacroAreaVerdict::kFits || verdict == MacroAreaVerdict::kEmpty;
  }
};

// The message a save that would not fit shows before it is made (its "%d" is the number of
// actions, or of macros, to remove); empty when it fits.
inline constexpr std::string_view kMessageSaveTooManyActions = "macro_save_too_many_actions";
inline constexpr std::string_view kMessageSaveTooManyMacros = "macro_save_too_many_macros";
inline constexpr std::string_view kMessageSaveNoMacroArea = "macro_save_no_macro_area";
[[nodiscard]] std::string_view SaveWarningId(const MacroAreaUse& use);
// The number that goes into the warning's "%d" (0 for none).
[[nodiscard]] std::size_t SaveWarningNumber(const MacroAreaUse& use);

// Info byte 6 of the device; 0 for the mouse pad, which plays no macros.
[[nodiscard]] std::uint8_t MacroAreaUnits(const DeviceImage& image, device::DeviceKind kind);

[[nodiscard]] MacroAreaUse MeasureMacroArea(std::span<const MacroActions> macros,
                                            std::uint8_t units);
// The library with macro `index` holding `actions` instead (index == macros.size(): the
// macro added at the end). An index past that measures the library unchanged.
[[nodiscard]] MacroAreaUse MeasureWithChange(std::span<const MacroActions> macros,
                                             std::size_t index,
                                             std::span<const MacroAction> actions,
                                             std::uint8_t units);

// The library's files as the save action reads them, against the device's area.
[[nodiscard]] MacroAreaUse MeasureLibrary(const MacroLibrary& library, const DeviceImage& image);
// The same with macro `index` holding the action lines `lines` (the editor's rows, not yet
// saved): what a save of them would leave.
[[nodiscard]] MacroAreaUse MeasureLibraryWithChange(const MacroLibrary& library,
                                                    const DeviceImage& image, std::size_t index,
                                                    std::span<const std::string> lines);

}  // namespace tavrinex::keys
