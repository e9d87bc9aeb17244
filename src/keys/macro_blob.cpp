#include "keys/macro_blob.h"

#include <limits>
#include <new>

namespace tavrinex::keys {
namespace {

constexpr std::size_t kWordMax = std::numeric_limits<std::uint16_t>::max();

void AppendWord(std::vector<std::uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::size_t Word(std::span<const std::uint8_t> in, std::size_t at) {
  return in[at] + 256u * in[at + 1];
}

}  // namespace

MacroActions ParseActionLines(std::span<const std::string> lines) {
  MacroActions actions;
  for (const auto& line : lines) {
    if (const auto a = ParseActionLine(line)) actions.push_back(*a);
  }
  return actions;
}

std::vector<MacroActions> ReadLibraryActions(const MacroLibrary& library) {
  std::vector<MacroActions> macros;
  for (const auto& name : library.LoadMacroIndex()) {
    macros.push_back(ParseActionLines(library.LoadMacro(name).lines));
  }
  return macros;
}

std::size_t MacroBlobLength(std::span<const MacroActions> macros) {
  std::size_t length = kMacroBlobHeaderSize;
  for (const auto& m : macros) length += 2 + kMacroBlockHeaderSize + kMacroActionSize * m.size();
  return length;
}

std::optional<std::vector<std::uint8_t>> EncodeMacroBlob(std::span<const MacroActions> macros) {
  const std::size_t length = MacroBlobLength(macros);
  if (length > kWordMax || macros.size() > kWordMax) return std::nullopt;
  std::vector<std::uint8_t> blob;
  blob.reserve(length);
  AppendWord(blob, kMacroBlobMagic);
  AppendWord(blob, length);
  AppendWord(blob, macros.size());
  blob.resize(kMacroBlobHeaderSize, 0);  // reserved
  // The offset table: each block follows the one before it without a gap.
  std::size_t offset = kMacroBlobHeaderSize + 2 * macros.size();
  for (const auto& m : macros) {
    AppendWord(blob, offset);
    offset += kMacroBlockHeaderSize + kMacroActionSize * m.size();
  }
  for (const auto& m : macros) {
    AppendWord(blob, m.size());
    AppendWord(blob, 0);  // reserved
    for (const MacroAction& a : m) {
      blob.insert(blob.end(), {a.delayLow, a.delayHigh, a.eventCode, a.eventValue});
    }
  }
  return blob;
}

std::optional<std::vector<MacroActions>> DecodeMacroBlob(std::span<const std::uint8_t> blob) {
  if (blob.size() < kMacroBlobHeaderSize || Word(blob, 0) != kMacroBlobMagic ||
      Word(blob, 2) != blob.size()) {
    return std::nullopt;
  }
  const std::size_t count = Word(blob, 4);
  std::size_t offset = kMacroBlobHeaderSize + 2 * count;
  std::vector<MacroActions> macros;
  for (std::size_t j = 0; j < count; ++j) {
    if (offset + kMacroBlockHeaderSize > blob.size() ||
        Word(blob, kMacroBlobHeaderSize + 2 * j) != offset) {
      return std::nullopt;
    }
    const std::size_t actions = Word(blob, offset);
    std::size_t at = offset + kMacroBlockHeaderSize;
    if (at + kMacroActionSize * actions > blob.size()) return std::nullopt;
    MacroActions m;
    for (std::size_t k = 0; k < actions; ++k, at += kMacroActionSize) {
      m.push_back({blob[at], blob[at + 1], blob[at + 2], blob[at + 3]});
    }
    macros.push_back(std::move(m));
    offset = at;
  }
  if (offset != blob.size()) return std::nullopt;
  return macros;
}

MacroCapacity CheckMacroCapacity(std::size_t length, std::uint8_t units) {
  MacroCapacity c;
  c.length = length;
  c.capacity = kMacroAreaUnit * units;
  c.fits = length <= c.capacity;
  // The fewest actions whose removal makes it fit. (floor(E / 4) + 1 would ask for one action
  // too many whenever the excess E is a multiple of 4.)
  if (!c.fits) c.actionsToRemove = (length - c.capacity + kMacroActionSize - 1) / kMacroActionSize;
  return c;
}

std::string_view MacroSend::MessageId() const {
  switch (outcome) {
    case MacroSendOutcome::kTooLarge: return kMessageMacrosTooLarge;
    case MacroSendOutcome::kNoMemory: return kMessageNoMemory;
    default: return {};
  }
}

MacroSend SendMacros(const MacroLibrary& library, device::DeviceChannel& channel,
                     const DeviceImage& image) {
  MacroSend out;
  if (library.Kind() == device::DeviceKind::kMousePad) {
    out.outcome = MacroSendOutcome::kNoLibrary;
    return out;
  }
  const std::vector<MacroActions> macros = ReadLibraryActions(library);
  if (macros.empty()) return out;  // the device keeps the macro area it has
  const std::uint8_t units = image.Info(library.Kind())[kInfoMacroUnits];
  out.capacity = CheckMacroCapacity(MacroBlobLength(macros), units);
  if (!out.capacity.fits) {
    out.outcome = MacroSendOutcome::kTooLarge;
    return out;
  }
  std::optional<std::vector<std::uint8_t>> blob;
  try {
    blob = EncodeMacroBlob(macros);
  } catch (const std::bad_alloc&) {
    out.outcome = MacroSendOutcome::kNoMemory;
    return out;
  }
  if (!blob) {  // cannot happen below the largest macro area; never send a wrong length
    out.outcome = MacroSendOutcome::kTooLarge;
    return out;
  }
  const auto note = [&out](device::CommandResult r) {
    if (r != device::kResultOk && out.result == device::kResultOk) out.result = r;
  };
  note(channel.Begin());
  note(channel.WriteMacros(*blob));
  note(channel.End());
  out.outcome = MacroSendOutcome::kSent;
  return out;
}

KeySave SaveKeysAndMacros(const MacroLibrary& library, device::DeviceChannel& channel,
                          const DeviceImage& image) {
  KeySave save;
  save.macros = SendMacros(library, channel, image);
  if (save.macros.Succeeded()) save.page = WriteActivePage(library.Kind(), channel, image);
  return save;
}

}  // namespace tavrinex::keys
