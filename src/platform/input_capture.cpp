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

std::optional<std::uint32_t> MouseMessageOf(HookMode mode) {
  if (mode == HookMode::kKeyboardMacro) return 0x804;
  if (mode == HookMode::kMouseMacro) return 0x813;
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
  target_ = &target;
  mode_ = mode;
  if (wantKeyboard) {
    keyboard_ = true;
    target.SetKeyCapture([this](const ui::KeyInput& key) { return OnKey(key); });
  }
  if (wantMouse) {
    mouse_ = true;
    target.SetMouseCapture([this](const ui::MouseInput& m) {
      OnMouse({m.message, m.secondSideButton, m.overControl});
    });
    // Clicks in other programs: posted straight from the source's thread, with the target
    // and message fixed now (RemoveHooks stops the source before they change).
    if (const auto message = MouseMessageOf(mode); message && system_ != nullptr) {
      systemOn_ = system_->Start([target = &target, id = *message](const MouseHookEvent& e) {
        target->PostMessage({id, e.message, e.secondSideButton ? 2 : 1, e});
      });
    }
  }
  if (!wantKeyboard && !wantMouse) target_ = nullptr;
  return true;
}

void CDeviceHook::RemoveHooks() {
  if (systemOn_) {
    system_->Stop();
    systemOn_ = false;
  }
  if (target_ != nullptr) {
    ui::Window* target = target_;
    target_ = nullptr;
    if (keyboard_) target->SetKeyCapture({});
    if (mouse_) target->SetMouseCapture({});
  }
  keyboard_ = mouse_ = false;
  mode_ = HookMode::kNone;
}

void CDeviceHook::OnMouse(const MouseHookEvent& event) {
  const auto message = MouseMessageOf(mode_);
  if (!message || target_ == nullptr) return;
  target_->PostMessage({*message, event.message, event.secondSideButton ? 2 : 1, event});
}

bool CDeviceHook::OnKey(const ui::KeyInput& key) {
  const auto translated = TranslateKey(key);
  if (!translated) return true;  // not a key of the tables: withheld, like every other key
  const auto message = KeyboardMessageOf(mode_);
  if (message && target_ != nullptr && keyboard_) {
    const KeyHookEvent& e = translated->event;
    (void)target_->SendMessage({*message, translated->message,
                                static_cast<std::int64_t>(e.virtualKey | (e.flags << 16)), e},
                               unused_);
  }
  return !PassesThrough(translated->event.virtualKey);
}

}  // namespace tavrinex::platform
