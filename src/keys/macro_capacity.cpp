#include "keys/macro_capacity.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace tavrinex::keys {
namespace {

// What a macro costs before its first action: its offset-table word and its block header.
constexpr std::size_t kPerMacro = 2 + kMacroBlockHeaderSize;

constexpr std::size_t CeilDiv(std::size_t a, std::size_t b) { return (a + b - 1) / b; }

}  // namespace

std::string_view SaveWarningId(const MacroAreaUse& use) {
  switch (use.verdict) {
    case MacroAreaVerdict::kNoMacroArea: return kMessageSaveNoMacroArea;
    case MacroAreaVerdict::kTooManyActions: return kMessageSaveTooManyActions;
    case MacroAreaVerdict::kTooManyMacros: return kMessageSaveTooManyMacros;
    case MacroAreaVerdict::kFits:
    case MacroAreaVerdict::kEmpty: break;
  }
  return {};
}

std::size_t SaveWarningNumber(const MacroAreaUse& use) {
  switch (use.verdict) {
    case MacroAreaVerdict::kTooManyActions: return use.actionsToRemove;
    case MacroAreaVerdict::kTooManyMacros: return use.macrosToRemove;
    default: return 0;
  }
}

std::uint8_t MacroAreaUnits(const DeviceImage& image, device::DeviceKind kind) {
  if (kind == device::DeviceKind::kMousePad) return 0;
  return image.Info(kind)[kInfoMacroUnits];
}

MacroAreaUse MeasureMacroArea(std::span<const MacroActions> macros, std::uint8_t units) {
  MacroAreaUse use;
  use.capacityBytes = kMacroAreaUnit * units;
  if (macros.empty()) return use;  // kEmpty: nothing is sent
  use.usedBytes = MacroBlobLength(macros);
  if (use.usedBytes <= use.capacityBytes) {
    use.verdict = MacroAreaVerdict::kFits;
  } else if (units == 0) {
    use.verdict = MacroAreaVerdict::kNoMacroArea;
  } else if (kMacroBlobHeaderSize + kPerMacro * macros.size() <= use.capacityBytes) {
    use.verdict = MacroAreaVerdict::kTooManyActions;
    use.actionsToRemove = CeilDiv(use.usedBytes - use.capacityBytes, kMacroActionSize);
  } else {
    // Emptying macros cannot help; deleting whole ones can. Taking the largest first needs
    // the fewest deletions.
    use.verdict = MacroAreaVerdict::kTooManyMacros;
    std::vector<std::size_t> sizes;
    for (const auto& m : macros) sizes.push_back(kPerMacro + kMacroActionSize * m.size());
    std::sort(sizes.begin(), sizes.end(), std::greater<>());
    std::size_t length = use.usedBytes;
    for (const std::size_t s : sizes) {
      if (length <= use.capacityBytes) break;
      length -= s;
      ++use.macrosToRemove;
    }
  }
  return use;
}

MacroAreaUse MeasureWithChange(std::span<const MacroActions> macros, std::size_t index,
                               std::span<const MacroAction> actions, std::uint8_t units) {
  std::vector<MacroActions> changed(macros.begin(), macros.end());
  if (index < changed.size()) {
    changed[index].assign(actions.begin(), actions.end());
  } else if (index == changed.size()) {
    changed.emplace_back(actions.begin(), actions.end());
  }
  return MeasureMacroArea(changed, units);
}

MacroAreaUse MeasureLibrary(const MacroLibrary& library, const DeviceImage& image) {
  return MeasureMacroArea(ReadLibraryActions(library), MacroAreaUnits(image, library.Kind()));
}

MacroAreaUse MeasureLibraryWithChange(const MacroLibrary& library, const DeviceImage& image,
                                      std::size_t index, std::span<const std::string> lines) {
  const MacroActions actions = ParseActionLines(lines);
  return MeasureWithChange(ReadLibraryActions(library), index, actions,
                           MacroAreaUnits(image, library.Kind()));
}

}  // namespace tavrinex::keys
