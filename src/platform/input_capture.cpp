#include "platform/input_capture.h"

#include "platform/key_translation.h"

namespace tavrinex::platform {

std::optional<std::uint32_t> KeyboardMessageOf(HookMode mode) {
  switch (mode) {
    case HookMode::kKeyCapture: return 0x801;
    case HookMode::kHitKey: return 0x802;
    case HookMode::kKeyboardMacro: return 0x803;
    case HookMode::kMouseKeyCapture: return 0x810;
    case HookMode::kMouseHitKey: return 0x811;
    case HookMode::kMouseMacro: return 0x812;
    case HookMode::kNone: break;
  }
  return std::nullopt;
}

std::optional<TranslatedKey> TranslateKey(const ui::KeyInput& key) {
  const auto vk = VirtualKeyOfNative(key.nativeScanCode);
  if (!vk) return std::nullopt;
  TranslatedKey out;
  out.event.virtualKey = vk->code;
  out.event.scanCode = key.nativeScanCode - kNativeScanCodeOffset;
  if (vk->extended) out.event.flags |= kFlagExtended;
  if (key.altDown) out.event.flags |= kFlagAltDown;
  if (!key.pressed) out.event.flags |= kFlagUp;
  // Alt itself and keys pressed with Alt held arrive as system keys.
  const bool system = key.altDown || vk->code == 0xA4 || vk->code == 0xA5;
  if (system) {
    out.message = key.pressed ? kSysKeyDown : kSysKeyUp;
  } else {
    out.message = key.pressed ? kKeyDown : kKeyUp;
  }
  return out;
}

CDeviceHook::CDeviceHook(Diagnostic diagnostic) : diagnostic_(std::move(diagnostic)) {}

CDeviceHook::~CDeviceHook() { RemoveHooks(); }

bool CDeviceHook::InstallHooks(HookMode mode, ui::Window& target, bool wantKeyboard,
                               bool wantMouse) {
  RemoveHooks();
  if (wantMouse) {
    // System-wide mouse events come with macro recording; nothing observes them yet.
    if (diagnostic_) diagnostic_("input capture: no mouse source for hook mode " +
                                 std::to_string(static_cast<int>(mode)));
    return false;
  }
  if (wantKeyboard) {
    target_ = &target;
    target.SetKeyCapture([this](const ui::KeyInput& key) { return OnKey(key); });
  }
  mode_ = mode;
  return true;
}

void CDeviceHook::RemoveHooks() {
  if (target_ != nullptr) {
    ui::Window* target = target_;
    target_ = nullptr;
    target->SetKeyCapture({});
  }
  mode_ = HookMode::kNone;
}

bool CDeviceHook::OnKey(const ui::KeyInput& key) {
  const auto translated = TranslateKey(key);
  if (!translated) return true;  // not a key of the tables: withheld, like every other key
  const auto message = KeyboardMessageOf(mode_);
  if (message && target_ != nullptr) {
    const KeyHookEvent& e = translated->event;
    (void)target_->SendMessage({*message, translated->message,
                                static_cast<std::int64_t>(e.virtualKey | (e.flags << 16)), e},
                               unused_);
  }
  return !PassesThrough(translated->event.virtualKey);
}

}  // namespace tavrinex::platform
