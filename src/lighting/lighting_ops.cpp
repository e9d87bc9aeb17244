#include "lighting/lighting_ops.h"

#include <algorithm>
#include <thread>

namespace tavrinex::lighting {

using device::DeviceBlocks;
using device::DeviceChannel;
using device::DeviceImage;
using device::IndexOf;
using device::kResultOk;

namespace {

void Call(const std::function<void(DeviceKind)>& hook, DeviceKind kind) {
  if (hook) hook(kind);
}

struct OtherTwo {
  DeviceKind first;
  DeviceKind second;
};

// The display refresh and the profile save visit the other two devices in these orders.
constexpr OtherTwo RefreshOrder(DeviceKind source) {
  switch (source) {
    case DeviceKind::kKeyboard: return {DeviceKind::kMouse, DeviceKind::kMousePad};
    case DeviceKind::kMouse: return {DeviceKind::kMousePad, DeviceKind::kKeyboard};
    case DeviceKind::kMousePad: return {DeviceKind::kMouse, DeviceKind::kKeyboard};
  }
  return {DeviceKind::kMouse, DeviceKind::kMousePad};
}
constexpr OtherTwo SaveOrder(DeviceKind source) {
  switch (source) {
    case DeviceKind::kKeyboard: return {DeviceKind::kMouse, DeviceKind::kMousePad};
    case DeviceKind::kMouse: return {DeviceKind::kKeyboard, DeviceKind::kMousePad};
    case DeviceKind::kMousePad: return {DeviceKind::kKeyboard, DeviceKind::kMouse};
  }
  return {DeviceKind::kMouse, DeviceKind::kMousePad};
}

}  // namespace

int FlushSettings(LightingStore& store, const DeviceImage& image, const Channels& channels) {
  int sent = 0;
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    if (!store.TakeDirty(kind)) continue;
    std::array<std::uint8_t, device::kSettingsTransferSize> buffer{};
    const CurrentRecord record = image.Current(kind);
    std::copy(record.begin(), record.end(), buffer.begin());
    if (DeviceChannel* channel = channels[IndexOf(kind)]) {
      const bool connected = channel->connected.load();
      // A connected device that did not take the record (busy, no reply) gets it again at the
      // next flush; one that is gone reads its own record when it comes back.
      if (channel->WriteSettings(buffer) != kResultOk && connected) store.MarkDirty(kind);
      ++sent;
    }
  }
  return sent;
}

ProfileSwitch SelectOnboardProfile(DeviceKind kind, std::size_t index, DeviceChannel& channel,
                                   DeviceImage& image, const LightingHooks& hooks) {
  if (kind == DeviceKind::kKeyboard || index >= device::kProfileCount) return ProfileSwitch::kIgnored;
  std::array<std::uint8_t, 1> active{};
  if (channel.ReadSettings(0, active) != kResultOk) return ProfileSwitch::kAbandoned;
  const std::size_t old = active[0];
  if (old == index) return ProfileSwitch::kAlreadyActive;

  const std::array<std::uint8_t, 1> select = {static_cast<std::uint8_t>(index)};
  [[maybe_unused]] const auto written = channel.WriteSettings(select);
  std::array<std::uint8_t, device::kSettingsTransferSize> slot{};
  const auto offset = static_cast<std::uint16_t>(device::kSettingsSlotSize * index);
  // Only contents that arrived are taken: a failed read leaves the host as it was.
  if (channel.ReadSettings(offset, slot) != kResultOk) return ProfileSwitch::kAbandoned;

  image.Update(kind, [&](DeviceBlocks& b) {
    // A device reporting an index outside 0-4 has no slot to keep the old record in.
    if (old < device::kProfileCount) {
      std::copy(b.current.begin(), b.current.end(), b.settings[old].begin());
    }
    std::copy(slot.begin(), slot.end(), b.settings[index].begin());
    std::copy_n(slot.begin(), device::kCurrentRecordSize, b.current.begin());
    b.current[rec::kProfileIndex] = static_cast<std::uint8_t>(index);
  });
  if (kind == DeviceKind::kMouse && hooks.hideControl) hooks.hideControl(kMouseFunctionTab);
  Call(hooks.refreshLightingDisplay, kind);
  return ProfileSwitch::kSwitched;
}

void ApplySharedLighting(DeviceKind source, LightingStore& store, DeviceImage& image,
                         const Channels& channels, const LightingHooks& hooks) {
  const CurrentRecord from = image.Current(source);
  SharedLighting shared;
  std::copy_n(from.begin() + kSharedFirstByte, shared.bytes.size(), shared.bytes.begin());
  store.SetShared(shared);
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    if (kind == source) continue;
    image.Update(kind, [&](DeviceBlocks& b) {
      std::copy(shared.bytes.begin(), shared.bytes.end(), b.current.begin() + kSharedFirstByte);
    });
  }
  const OtherTwo refresh = RefreshOrder(source);
  Call(hooks.refreshLightingDisplay, refresh.first);
  Call(hooks.refreshLightingDisplay, refresh.second);
  const OtherTwo save = SaveOrder(source);
  Call(hooks.saveSelectedLightProfile, save.first);
  Call(hooks.saveSelectedLightProfile, save.second);
  for (DeviceChannel* channel : channels) {
    if (channel != nullptr) channel->sharedLightingActive = true;
  }
}

void PaintKey(std::size_t position, LightingStore& store, const DeviceImage& image,
              const LightingHooks& hooks) {
  const std::uint8_t mode = image.Current(DeviceKind::kKeyboard)[rec::kMode];
  if (mode == Code(LightingMode::kKbReactive)) {
    if (hooks.startReactiveRipple) hooks.startReactiveRipple(position);
    return;
  }
  if (mode != Code(LightingMode::kKbCustom) || position >= kKeyPositions) return;
  const std::uint8_t led = kKeyLedMap[position];
  if (led == kNone) return;
  store.UpdateCustom([&](CustomColours& c) {
    if (c.HasSet()) c.SetTriple(c.customSet, led, c.customColour);
  });
  Call(hooks.saveSelectedLightProfile, DeviceKind::kKeyboard);
}

void ClearCustomSet(LightingStore& store, const LightingHooks& hooks) {
  store.UpdateCustom([](CustomColours& c) {
    if (!c.HasSet()) return;
    const auto first = c.sets.begin() + static_cast<std::ptrdiff_t>(kCustomSetSize * c.customSet);
    std::fill_n(first, kCustomSetSize, std::uint8_t{0});
  });
  Call(hooks.saveSelectedLightProfile, DeviceKind::kKeyboard);
}

void FillUnsetKeys(LightingStore& store, const LightingHooks& hooks) {
  store.UpdateCustom([](CustomColours& c) {
    if (!c.HasSet()) return;
    for (std::size_t led = 0; led < kKeyPositions; ++led) {
      if (c.Triple(c.customSet, led) == ui::Rgb{}) c.SetTriple(c.customSet, led, c.customColour);
    }
  });
  Call(hooks.saveSelectedLightProfile, DeviceKind::kKeyboard);
}

void ChooseCustomSet(std::size_t set, LightingStore& store, const LightingHooks& hooks) {
  if (set >= kCustomSetCount) return;
  store.UpdateCustom([&](CustomColours& c) { c.customSet = static_cast<std::uint8_t>(set); });
  Call(hooks.saveSelectedLightProfile, DeviceKind::kKeyboard);
}

void SetPaintColour(ui::Rgb colour, LightingStore& store, const LightingHooks& hooks) {
  store.UpdateCustom([&](CustomColours& c) { c.customColour = colour; });
  Call(hooks.saveSelectedLightProfile, DeviceKind::kKeyboard);
}

device::CommandResult MousePadFactoryReset(DeviceChannel& pad, const LightingHooks& hooks) {
  const device::CommandResult result = pad.FactoryReset();
  if (hooks.sleep) {
    hooks.sleep(kFactoryResetWait);
  } else {
    std::this_thread::sleep_for(kFactoryResetWait);
  }
  Call(hooks.resynchronise, DeviceKind::kMousePad);
  return result;
}

}  // namespace tavrinex::lighting
