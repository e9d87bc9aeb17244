#include "sim/firmware.h"

#include <algorithm>

namespace tavrinex::sim {

namespace {

using device::Command;
using device::ReportFrame;
namespace frame = device::frame;

constexpr std::uint8_t kOk = 0x00;
constexpr std::uint8_t kRefused = device::kStatusError;  // invented: every refusal is 0xFF

// A request's byte range [offset, offset + length) within an area of `size` bytes.
bool Fits(const ReportFrame& r, std::size_t size) {
  return static_cast<std::size_t>(r.Offset()) + r.Length() <= size;
}

// Key page p is addressed from base p x 126 in 56-byte chunks, whatever the block length, so
// the pages' address ranges overlap. Invented: the firmware finds the page whose chunk grid
// the request sits on with exactly the chunk length its own block length gives there; only
// offset 504 has two candidates (page 0's last chunk, page 4's first), told apart by length.
struct PageChunk {
  unsigned page = 0;
  std::size_t offsetInPage = 0;
};
std::optional<PageChunk> LocatePageChunk(const ReportFrame& r, std::size_t blockLength) {
  for (unsigned p = 0; p < factory::kProfileCount; ++p) {
    const std::size_t base = p * device::kKeyPageStride;
    if (r.Offset() < base) break;
    const std::size_t rel = r.Offset() - base;
    if (rel % device::kFrameDataSize != 0 || rel >= blockLength) continue;
    if (r.Length() == std::min(device::kFrameDataSize, blockLength - rel)) return PageChunk{p, rel};
  }
  return std::nullopt;
}

}  // namespace

Firmware::Firmware(device::DeviceKind kind) {
  state_.kind = kind;
  state_.info = factory::Info(kind);
  FactoryReset();
  state_.factoryResets = 0;
  PowerCycle();
}

void Firmware::FactoryReset() {
  const std::uint8_t leds = state_.info[factory::info::kLedCount];
  state_.info = factory::Info(state_.kind);
  state_.info[factory::info::kLedCount] = leds;
  state_.defaultKeys = factory::DefaultKeys(state_.kind);
  state_.keyPages.fill(state_.defaultKeys);
  state_.settings = factory::Settings(state_.kind);
  state_.macros.assign(factory::kMacroUnit * state_.info[factory::info::kMacroUnits], 0);
  ++state_.factoryResets;
}

void Firmware::PowerCycle() {
  state_.ledFrame.assign(3u * state_.LedCount(), 0);
  state_.inSequence = false;
}

void Firmware::SetLedCount(std::uint8_t count) {
  state_.info[factory::info::kLedCount] = count;
  state_.ledFrame.assign(3u * count, 0);
}

void Firmware::SetActiveProfile(std::uint8_t profile) {
  if (profile < factory::kProfileCount) state_.settings[0] = profile;
}

std::size_t Firmware::KeyBlockLength() const {
  switch (state_.kind) {
    case device::DeviceKind::kKeyboard:
      return std::min<std::size_t>(3u * state_.LedCount(), keys::kKeyBlockSize);
    case device::DeviceKind::kMouse: return keys::kKeyBlockSize;
    case device::DeviceKind::kMousePad: return 0;
  }
  return 0;
}

Firmware::Response Firmware::Handle(const ReportFrame& request) {
  Response out;
  ReportFrame& reply = out.reply;
  // The reply echoes the request's header (invented; the host looks only at the status).
  std::copy_n(request.bytes.begin(), frame::kData, reply.bytes.begin());
  reply.bytes[frame::kReportId] = device::kConfigReportId;
  const auto data = reply.MutableData();
  const Command command = request.CommandCode();

  std::uint8_t status = kOk;
  // Invented: a frame with a wrong report id, checksum or length is refused. The factory
  // reset goes out without a checksum and is taken as it is.
  const bool checksumOk = command == Command::kFactoryReset ||
                          request.StoredChecksum() == device::FrameChecksum(request.bytes);
  const bool lengthOk = request.Length() <= device::kFrameDataSize;
  if (request.bytes[frame::kReportId] != device::kConfigReportId || !checksumOk || !lengthOk) {
    status = kRefused;
  } else {
    switch (command) {
      case Command::kBegin: state_.inSequence = true; break;
      case Command::kEnd: state_.inSequence = false; break;
      case Command::kReadInfo: std::copy(state_.info.begin(), state_.info.end(), data.begin()); break;
      case Command::kReadSettings: status = ReadSettings(request, data); break;
      case Command::kWriteSettings: status = WriteSettings(request); break;
      case Command::kReadDefaultKeys: status = ReadDefaultKeys(request, data); break;
      case Command::kReadKeyPage:
      case Command::kWriteKeyPage: status = KeyPage(request, data); break;
      case Command::kWriteLedColours: status = WriteArea(request, state_.ledFrame); break;
      case Command::kWriteMacros: status = WriteArea(request, state_.macros); break;
      case Command::kFactoryReset:
        FactoryReset();
        // Invented: the keyboard and the mouse tell the host that everything changed.
        if (state_.kind != device::DeviceKind::kMousePad) out.announce = kUsageDeviceChanged;
        break;
      default: status = kRefused; break;
    }
  }
  reply.bytes[frame::kStatus] = status;
  const std::uint16_t sum = device::FrameChecksum(reply.bytes);
  reply.bytes[frame::kChecksumLow] = static_cast<std::uint8_t>(sum & 0xFF);
  reply.bytes[frame::kChecksumHigh] = static_cast<std::uint8_t>(sum >> 8);
  return out;
}

Firmware::Status Firmware::ReadSettings(const ReportFrame& r, std::span<std::uint8_t> data) const {
  if (r.Length() == 0 || !Fits(r, state_.settings.size())) return kRefused;
  std::copy_n(state_.settings.begin() + r.Offset(), r.Length(), data.begin());
  return kOk;
}

// The host always writes at offset 0: the first byte selects the active profile and the
// rest, if any, is stored as bytes 1.. of that profile's slot (invented: the documented
// effect, "one byte selects a profile, 56 bytes store the current settings", needs a rule
// for which slot the settings go to, and the newly selected one is the only sensible one).
Firmware::Status Firmware::WriteSettings(const ReportFrame& r) {
  const std::size_t n = r.Length();
  const auto data = r.Data();
  if (n == 0 || r.Offset() != 0 || data[0] >= factory::kProfileCount) return kRefused;
  const std::size_t slot = data[0] * factory::kSettingsSlotSize;
  state_.settings[0] = data[0];
  std::copy_n(data.begin() + 1, n - 1, state_.settings.begin() + static_cast<std::ptrdiff_t>(slot + 1));
  return kOk;
}

Firmware::Status Firmware::ReadDefaultKeys(const ReportFrame& r, std::span<std::uint8_t> data) const {
  if (!Fits(r, KeyBlockLength())) return kRefused;
  std::copy_n(state_.defaultKeys.begin() + r.Offset(), r.Length(), data.begin());
  return kOk;
}

Firmware::Status Firmware::KeyPage(const ReportFrame& r, std::span<std::uint8_t> data) {
  const auto at = LocatePageChunk(r, KeyBlockLength());
  if (!at) return kRefused;
  auto page = state_.keyPages[at->page].begin() + static_cast<std::ptrdiff_t>(at->offsetInPage);
  if (r.CommandCode() == Command::kReadKeyPage) {
    std::copy_n(page, r.Length(), data.begin());
  } else {
    std::copy_n(r.Data().begin(), r.Length(), page);
  }
  return kOk;
}

Firmware::Status Firmware::WriteArea(const ReportFrame& r, std::vector<std::uint8_t>& area) {
  if (!Fits(r, area.size())) return kRefused;
  std::copy_n(r.Data().begin(), r.Length(), area.begin() + r.Offset());
  return kOk;
}

}  // namespace tavrinex::sim
