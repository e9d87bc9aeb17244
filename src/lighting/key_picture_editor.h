// The keyboard's key pictures in the lighting editor: a click on the picture of key position
// i paints that key with the custom colour (custom mode, then the light profile is saved) or
// starts a ripple there (reactive mode); elsewhere it does nothing. A drag across the
// pictures does the same for every key it passes over, and in custom mode saves the light
// profile once, when the button is released, not once per key.
#pragma once

#include <cstddef>

#include "device/device_image.h"
#include "lighting/lighting_ops.h"
#include "lighting/lighting_store.h"
#include "ui/events.h"

namespace tavrinex::lighting {

class KeyPictureEditor {
 public:
  // Uses the hooks' saveSelectedLightProfile and startReactiveRipple.
  KeyPictureEditor(LightingStore& store, const device::DeviceImage& image, LightingHooks hooks);

  // A notification of the picture of key position `position` (UI thread): click, dragover
  // or dragend; other types and positions outside 0-125 are ignored (a drag's end still
  // saves what the drag painted).
  void OnKeyPicture(ui::EventType type, int position);

 private:
  [[nodiscard]] bool InCustomMode() const;

  LightingStore& store_;
  const device::DeviceImage& image_;
  LightingHooks hooks_;
  LightingHooks quiet_;  // the same without the save, for the keys of a drag
  bool paintedInDrag_ = false;
};

}  // namespace tavrinex::lighting
