#include "device/device_sync.h"

#include <algorithm>
#include <cstdio>

namespace tavrinex::device {

namespace {

class Tally {
 public:
  CommandResult operator()(CommandResult r) {
    if (r != kResultOk) {
      if (result_.failedCommands++ == 0) result_.firstFailure = r;
    }
    return r;
  }
  // A save hook's result; an unset hook saves nothing and fails nothing.
  void Save(const std::function<bool(DeviceKind)>& hook, DeviceKind kind) {
    if (hook && !hook(kind)) ++result_.failedSaves;
  }
  void Saved(bool ok) {
    if (!ok) ++result_.failedSaves;
  }
  [[nodiscard]] SyncResult Result(SyncOutcome outcome = SyncOutcome::kCompleted) const {
    SyncResult out = result_;
    out.outcome = outcome;
    return out;
  }

 private:
  SyncResult result_;
};

// Reads one block through `transfer` into a copy of its image and stores the copy back,
// whatever the result: a failed read leaves the block as it was, except for the chunks that
// did arrive. `pick` selects the block, e.g. [](auto& b) -> auto& { return b.info; }.
template <typename Pick, typename Transfer>
CommandResult ReadBlock(DeviceImage& image, DeviceKind kind, Pick pick, Transfer transfer) {
  auto local = image.Read(kind, [&](const DeviceBlocks& b) {
    auto copy = pick(b);
    return copy;
  });
  const CommandResult r = transfer(std::span(local));
  image.Update(kind, [&](DeviceBlocks& b) { pick(b) = local; });
  return r;
}

// Bytes 0..55 of settings slot p, from offset 64 x p.
CommandResult ReadSettingsSlot(DeviceChannel& channel, DeviceImage& image, DeviceKind kind,
                               std::size_t p) {
  return ReadBlock(image, kind, [p](auto& b) -> auto& { return b.settings[p]; },
                   [&](std::span<std::uint8_t> slot) {
                     return channel.ReadSettings(static_cast<std::uint16_t>(p * kSettingsSlotSize),
                                                 slot.first(kSettingsTransferSize));
                   });
}

// The device's active profile index. A failed read, or an index no profile has, keeps the
// index the host last knew (a slot that does not exist is never addressed).
std::size_t ReadActiveIndex(DeviceChannel& channel, const DeviceImage& image, DeviceKind kind,
                            Tally& tally) {
  std::array<std::uint8_t, 1> index{};
  if (tally(channel.ReadSettings(0, index)) == kResultOk && index[0] < kProfileCount) {
    return index[0];
  }
  return ProfileIndexOf(image.Current(kind)).value_or(0);
}

// CurrentRecord := bytes 0..20 of slot p, with byte 0 := p.
void LoadCurrent(DeviceImage& image, DeviceKind kind, std::size_t p) {
  image.Update(kind, [p](DeviceBlocks& b) {
    std::copy_n(b.settings[p].begin(), kCurrentRecordSize, b.current.begin());
    b.current[0] = static_cast<std::uint8_t>(p);
  });
}

// Before another record is loaded, the current one goes back to the slot its byte 0 names.
void StoreCurrent(DeviceImage& image, DeviceKind kind) {
  image.Update(kind, [](DeviceBlocks& b) {
    if (const auto p = ProfileIndexOf(b.current)) {
      std::copy(b.current.begin(), b.current.end(), b.settings[*p].begin());
    }
  });
}

template <typename... Args>
void Call(const std::function<void(Args...)>& hook, Args... args) {
  if (hook) hook(args...);
}

CommandResult ReadInfo(DeviceChannel& channel, DeviceImage& image, DeviceKind kind) {
  return ReadBlock(image, kind, [](auto& b) -> auto& { return b.info; },
                   [&](std::span<std::uint8_t> s) { return channel.ReadInfo(s.first<kInfoBlockSize>()); });
}

CommandResult ReadDefaultKeys(DeviceChannel& channel, DeviceImage& image, DeviceKind kind) {
  return ReadBlock(image, kind, [](auto& b) -> auto& { return b.defaultKeys; },
                   [&](std::span<std::uint8_t> s) { return channel.ReadDefaultKeys(s); });
}

CommandResult ReadKeyPage(DeviceChannel& channel, DeviceImage& image, DeviceKind kind,
                          std::size_t p) {
  return ReadBlock(image, kind, [p](auto& b) -> auto& { return b.keyPages[p]; },
                   [&](std::span<std::uint8_t> s) {
                     return channel.ReadKeyPage(static_cast<unsigned>(p), s);
                   });
}

SyncResult SyncKeyboard(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kKeyboard;
  Tally t;
  t(channel.Begin());
  t(ReadInfo(channel, image, kKind));
  const unsigned length = 3u * image.Info(kKind)[kInfoLedCount];
  if (length > kKeyBlockSize) {
    Call(hooks.showMessage, kMessageLedCountTooLarge);
    return t.Result(SyncOutcome::kLedCountTooLarge);  // no CMD_END; blockLength stays
  }
  channel.blockLength = static_cast<std::uint16_t>(length);
  t(ReadDefaultKeys(channel, image, kKind));
  t(ReadSettingsSlot(channel, image, kKind, 0));
  t(ReadKeyPage(channel, image, kKind, 0));
  // Only slot 0 is read from the keyboard; another active slot holds what the host put there.
  LoadCurrent(image, kKind, ReadActiveIndex(channel, image, kKind, t));
  t(channel.End());
  Call(hooks.rebuildKeyPositionMap);
  t.Save(hooks.saveSelectedLightProfile, kKind);
  t.Save(hooks.saveSelectedKeyProfile, kKind);
  return t.Result();
}

SyncResult SyncMouse(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kMouse;
  Tally t;
  t(channel.Begin());
  t(ReadInfo(channel, image, kKind));
  t(ReadDefaultKeys(channel, image, kKind));
  for (std::size_t p = 0; p < kProfileCount; ++p) {
    t(ReadSettingsSlot(channel, image, kKind, p));
    t(ReadKeyPage(channel, image, kKind, p));
  }
  LoadCurrent(image, kKind, ReadActiveIndex(channel, image, kKind, t));
  t(channel.End());
  t.Save(hooks.saveSelectedLightProfile, kKind);
  t.Save(hooks.saveSelectedKeyProfile, kKind);
  return t.Result();
}

SyncResult SyncMousePad(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kMousePad;
  Tally t;
  t(channel.Begin());
  t(ReadInfo(channel, image, kKind));
  for (std::size_t p = 0; p < kProfileCount; ++p) t(ReadSettingsSlot(channel, image, kKind, p));
  LoadCurrent(image, kKind, ReadActiveIndex(channel, image, kKind, t));
  t(channel.End());
  t.Save(hooks.saveSelectedLightProfile, kKind);
  return t.Result();
}

}  // namespace

SyncResult DeviceSync(DeviceKind kind, DeviceChannel& channel, DeviceImage& image,
                      const SyncHooks& hooks) {
  switch (kind) {
    case DeviceKind::kKeyboard: return SyncKeyboard(channel, image, hooks);
    case DeviceKind::kMouse: return SyncMouse(channel, image, hooks);
    case DeviceKind::kMousePad: return SyncMousePad(channel, image, hooks);
  }
  return {};
}

SyncResult RereadActiveSettings(DeviceKind kind, DeviceChannel& channel, DeviceImage& image,
                                const SyncHooks& hooks) {
  Tally t;
  StoreCurrent(image, kind);
  std::size_t active = 0;
  if (kind == DeviceKind::kMousePad) {
    active = ReadActiveIndex(channel, image, kind, t);
  } else {
    // The keyboard and the mouse take the record at offset 0 as profile 0's; the index read
    // here is not used.
    std::array<std::uint8_t, 1> unused{};
    t(channel.ReadSettings(0, unused));
  }
  // The record is read from offset 0 in both cases and lands in the active slot.
  t(ReadBlock(image, kind, [active](auto& b) -> auto& { return b.settings[active]; },
              [&](std::span<std::uint8_t> slot) {
                const CommandResult r = channel.ReadSettings(0, slot.first(kSettingsTransferSize));
                slot[0] = static_cast<std::uint8_t>(active);
                return r;
              }));
  LoadCurrent(image, kind, active);
  t.Save(hooks.saveSelectedLightProfile, kind);
  return t.Result();
}

SyncResult SaveDefaultKeyFile(DeviceChannel& keyboard, DeviceImage& image, const SyncHooks& hooks,
                              const std::filesystem::path& folder) {
  constexpr DeviceKind kKind = DeviceKind::kKeyboard;
  Tally t;
  t(ReadDefaultKeys(keyboard, image, kKind));
  const DefaultKeyBlock block = image.Read(kKind, [](const DeviceBlocks& b) { return b.defaultKeys; });
  if (hooks.writeProfileFile) {
    t.Saved(hooks.writeProfileFile(folder / kDefaultKeyFileName, kKeyboardDeviceTag, block));
  } else {
    std::fprintf(stderr, "tavrinex: no profile file writer; %s not written\n",
                 std::string(kDefaultKeyFileName).c_str());
  }
  Call(hooks.rebuildKeyPositionMap);
  return t.Result();
}

}  // namespace tavrinex::device
