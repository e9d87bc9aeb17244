#include "lighting/key_picture_editor.h"

#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"

namespace tavrinex::lighting {

KeyPictureEditor::KeyPictureEditor(LightingStore& store, const device::DeviceImage& image,
                                   LightingHooks hooks)
    : store_(store), image_(image), hooks_(std::move(hooks)), quiet_(hooks_) {
  quiet_.saveSelectedLightProfile = nullptr;
}

bool KeyPictureEditor::InCustomMode() const {
  return image_.Current(DeviceKind::kKeyboard)[rec::kMode] == Code(LightingMode::kKbCustom);
}

void KeyPictureEditor::OnKeyPicture(ui::EventType type, int position) {
  const bool onKey = position >= 0 && static_cast<std::size_t>(position) < kKeyPositions;
  const auto key = static_cast<std::size_t>(position);
  switch (type) {
    case ui::EventType::kClick:
      if (onKey) PaintKey(key, store_, image_, hooks_);
      return;
    case ui::EventType::kDragOver:
      if (!onKey) return;
      // Only a key with an LED changes the custom set, so only then is there a save due.
      if (InCustomMode() && kKeyLedMap[key] != kNone) paintedInDrag_ = true;
      PaintKey(key, store_, image_, quiet_);
      return;
    case ui::EventType::kDragEnd:
      if (paintedInDrag_ && hooks_.saveSelectedLightProfile) {
        hooks_.saveSelectedLightProfile(DeviceKind::kKeyboard);
      }
      paintedInDrag_ = false;
      return;
    default: return;
  }
}

}  // namespace tavrinex::lighting
