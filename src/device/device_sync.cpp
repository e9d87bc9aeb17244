#include "device/device_sync.h"

#include <algorithm>
#include <cstdio>

#include "core/stop_event.h"

namespace tavrinex::device {

namespace {

// Counts the failed commands of a sequence and notes which blocks read completely, so that
// only state that did arrive is saved into the profile files.
class Steps {
 public:
  // Records one command's result into `ok` (when given); false when the thread was asked to
  // stop meanwhile, and the sequence ends there.
  bool operator()(CommandResult r, bool* ok = nullptr) {
    Note(r);
    if (ok != nullptr && r != kResultOk) *ok = false;
    return !core::CurrentStopSet();
  }
  CommandResult Note(CommandResult r) {
    if (r != kResultOk && result_.failedCommands++ == 0) result_.firstFailure = r;
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
    out.settingsRead = settings;
    out.keysRead = keys;
    return out;
  }
  [[nodiscard]] SyncResult Stopped() const { return Result(SyncOutcome::kStopped); }

  bool settings = true;  // every settings read of the sequence succeeded
  bool keys = true;      // every key block read succeeded

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
                            Steps& steps) {
  std::array<std::uint8_t, 1> index{};
  const CommandResult r = steps.Note(channel.ReadSettings(0, index));
  if (r == kResultOk && index[0] < kProfileCount) return index[0];
  if (r != kResultOk) steps.settings = false;
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

// The saves that follow a synchronisation: only of what was read completely, so that a
// device that failed to answer never overwrites the user's profiles with stale or empty data.
void SaveRead(DeviceKind kind, Steps& s, const SyncHooks& hooks, bool withKeys) {
  if (s.settings) s.Save(hooks.saveSelectedLightProfile, kind);
  if (withKeys && s.keys) s.Save(hooks.saveSelectedKeyProfile, kind);
}

SyncResult SyncKeyboard(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kKeyboard;
  Steps s;
  if (!s(channel.Begin())) return s.Stopped();
  bool info = true;
  if (!s(ReadInfo(channel, image, kKind), &info)) return s.Stopped();
  if (!info) {
    // Without the LED count nothing can be read right: close the bracket and stop.
    s.settings = s.keys = false;
    s(channel.End());
    return s.Result(SyncOutcome::kInfoFailed);
  }
  const unsigned length = 3u * image.Info(kKind)[kInfoLedCount];
  if (length > kKeyBlockSize) {
    Call(hooks.showMessage, kMessageLedCountTooLarge);
    s.settings = s.keys = false;
    return s.Result(SyncOutcome::kLedCountTooLarge);  // no CMD_END; blockLength stays
  }
  channel.blockLength = static_cast<std::uint16_t>(length);
  if (!s(ReadDefaultKeys(channel, image, kKind), &s.keys)) return s.Stopped();
  const bool defaultsRead = s.keys;
  if (!s(ReadSettingsSlot(channel, image, kKind, 0), &s.settings)) return s.Stopped();
  if (!s(ReadKeyPage(channel, image, kKind, 0), &s.keys)) return s.Stopped();
  // Only slot 0 is read from the keyboard; another active slot holds what the host put there.
  const std::size_t active = ReadActiveIndex(channel, image, kKind, s);
  if (core::CurrentStopSet()) return s.Stopped();
  LoadCurrent(image, kKind, active);
  s(channel.End());
  if (defaultsRead) Call(hooks.rebuildKeyPositionMap);
  SaveRead(kKind, s, hooks, true);
  return s.Result();
}

SyncResult SyncMouse(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kMouse;
  Steps s;
  if (!s(channel.Begin())) return s.Stopped();
  if (!s(ReadInfo(channel, image, kKind), &s.settings)) return s.Stopped();
  if (!s(ReadDefaultKeys(channel, image, kKind), &s.keys)) return s.Stopped();
  for (std::size_t p = 0; p < kProfileCount; ++p) {
    if (!s(ReadSettingsSlot(channel, image, kKind, p), &s.settings)) return s.Stopped();
    if (!s(ReadKeyPage(channel, image, kKind, p), &s.keys)) return s.Stopped();
  }
  const std::size_t active = ReadActiveIndex(channel, image, kKind, s);
  if (core::CurrentStopSet()) return s.Stopped();
  LoadCurrent(image, kKind, active);
  s(channel.End());
  SaveRead(kKind, s, hooks, true);
  return s.Result();
}

SyncResult SyncMousePad(DeviceChannel& channel, DeviceImage& image, const SyncHooks& hooks) {
  constexpr DeviceKind kKind = DeviceKind::kMousePad;
  Steps s;
  s.keys = false;  // the pad has no keys
  if (!s(channel.Begin())) return s.Stopped();
  if (!s(ReadInfo(channel, image, kKind), &s.settings)) return s.Stopped();
  for (std::size_t p = 0; p < kProfileCount; ++p) {
    if (!s(ReadSettingsSlot(channel, image, kKind, p), &s.settings)) return s.Stopped();
  }
  const std::size_t active = ReadActiveIndex(channel, image, kKind, s);
  if (core::CurrentStopSet()) return s.Stopped();
  LoadCurrent(image, kKind, active);
  s(channel.End());
  SaveRead(kKind, s, hooks, false);
  return s.Result();
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
  Steps s;
  s.keys = false;
  StoreCurrent(image, kind);
  std::size_t active = 0;
  if (kind == DeviceKind::kMousePad) {
    active = ReadActiveIndex(channel, image, kind, s);
  } else {
    // The keyboard and the mouse take the record at offset 0 as profile 0's; the index read
    // here is not used.
    std::array<std::uint8_t, 1> unused{};
    s(channel.ReadSettings(0, unused), &s.settings);
  }
  if (core::CurrentStopSet()) return s.Stopped();
  // The record is read from offset 0 in both cases and lands in the active slot.
  const CommandResult r =
      ReadBlock(image, kind, [active](auto& b) -> auto& { return b.settings[active]; },
                [&](std::span<std::uint8_t> slot) {
                  const CommandResult read =
                      channel.ReadSettings(0, slot.first(kSettingsTransferSize));
                  slot[0] = static_cast<std::uint8_t>(active);
                  return read;
                });
  if (!s(r, &s.settings)) return s.Stopped();
  LoadCurrent(image, kind, active);
  SaveRead(kind, s, hooks, false);
  return s.Result();
}

SyncResult SaveDefaultKeyFile(DeviceChannel& keyboard, DeviceImage& image, const SyncHooks& hooks,
                              const std::filesystem::path& folder) {
  constexpr DeviceKind kKind = DeviceKind::kKeyboard;
  Steps s;
  s.settings = false;
  if (!s(ReadDefaultKeys(keyboard, image, kKind), &s.keys)) return s.Stopped();
  // A block that did not arrive is not written over the file that holds the last good one.
  if (!s.keys) return s.Result();
  const DefaultKeyBlock block = image.Read(kKind, [](const DeviceBlocks& b) { return b.defaultKeys; });
  if (hooks.writeProfileFile) {
    s.Saved(hooks.writeProfileFile(folder / kDefaultKeyFileName, kKeyboardDeviceTag, block));
  } else {
    std::fprintf(stderr, "tavrinex: no profile file writer; %s not written\n",
                 std::string(kDefaultKeyFileName).c_str());
  }
  Call(hooks.rebuildKeyPositionMap);
  return s.Result();
}

}  // namespace tavrinex::device
