#include "profiles/profile_body.h"

#include <algorithm>

namespace tavrinex::profiles {
namespace {

using device::DeviceBlocks;
using device::DeviceKind;

constexpr std::uint8_t AtLeastOne(std::uint8_t v) { return v == 0 ? 1 : v; }

// The slot 0 image with the current record over its first bytes, as every save writes it.
void FoldCurrentIntoSlot(DeviceBlocks& blocks) {
  std::copy(blocks.current.begin(), blocks.current.end(), blocks.settings[0].begin());
}

}  // namespace

device::KeyPage AssembleKeyBody(const device::DeviceImage& image, DeviceKind kind) {
  return image.Read(kind, [](const DeviceBlocks& blocks) { return blocks.keyPages[0]; });
}

void PlaceKeyBody(device::DeviceImage& image, DeviceKind kind,
                  std::span<const std::uint8_t, kKeyProfileBodySize> body) {
  image.Update(kind, [&body](DeviceBlocks& blocks) {
    std::copy(body.begin(), body.end(), blocks.keyPages[0].begin());
  });
}

std::vector<std::uint8_t> AssembleLightBody(ProfileState& state, DeviceKind kind) {
  const std::uint8_t speed = state.pointer.Speed();
  const std::uint8_t wheel = state.pointer.WheelLines();
  const device::SettingsRecord slot = state.image.Update(kind, [&](DeviceBlocks& blocks) {
    FoldCurrentIntoSlot(blocks);
    if (kind == DeviceKind::kMouse) {
      blocks.settings[0][body::kPointerSpeed] = speed;
      blocks.settings[0][body::kWheelLines] = wheel;
    }
    return blocks.settings[0];
  });
  std::vector<std::uint8_t> out(BodySizeOf(kind, ProfileListKind::kLight), 0);
  std::copy(slot.begin(), slot.end(), out.begin());
  if (kind == DeviceKind::kKeyboard) {
    const lighting::CustomColours custom = state.lighting.Custom();
    out[body::kCustomSet] = custom.customSet;
    out[body::kCustomColour] = custom.customColour.r;
    out[body::kCustomColour + 1] = custom.customColour.g;
    out[body::kCustomColour + 2] = custom.customColour.b;
    std::copy(custom.sets.begin(), custom.sets.end(), out.begin() + body::kCustomSets);
  }
  return out;
}

void PlaceLightBody(ProfileState& state, DeviceKind kind, std::span<const std::uint8_t> body) {
  // Callers read exactly the kind's size; a shorter span places what it has over zeros.
  std::array<std::uint8_t, kMaxProfileBodySize> full{};
  std::copy_n(body.begin(), std::min(body.size(), full.size()), full.begin());
  state.image.Update(kind, [&full](DeviceBlocks& blocks) {
    std::copy_n(full.begin(), device::kSettingsSlotSize, blocks.settings[0].begin());
    std::copy_n(full.begin(), device::kCurrentRecordSize, blocks.current.begin());
  });
  switch (kind) {
    case DeviceKind::kKeyboard:
      state.lighting.UpdateCustom([&full](lighting::CustomColours& custom) {
        custom.customSet = full[body::kCustomSet];
        custom.customColour = {full[body::kCustomColour], full[body::kCustomColour + 1],
                               full[body::kCustomColour + 2]};
        std::copy_n(full.begin() + body::kCustomSets, custom.sets.size(), custom.sets.begin());
      });
      break;
    case DeviceKind::kMouse:
      state.pointer.SetSpeed(AtLeastOne(full[body::kPointerSpeed]));
      state.pointer.SetWheelLines(AtLeastOne(full[body::kWheelLines]));
      break;
    case DeviceKind::kMousePad: break;
  }
}

}  // namespace tavrinex::profiles
