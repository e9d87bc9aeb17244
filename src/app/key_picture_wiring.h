// Wires the keyboard's key pictures ("kb_dkey_" + position) to their editor: the window's
// clicks and drags on them through the router, the light profile's save (the lighting editor's
// own, which writes on the device thread: the UI thread never waits on a file write), and the
// reactive ripple into the keyboard animation.
#pragma once

#include <functional>

#include "app/main_wnd.h"
#include "device/device_kind.h"
#include "lighting/animation_engine.h"
#include "lighting/key_picture_editor.h"

namespace tavrinex::app {

inline constexpr std::string_view kKeyPicturePrefix = "kb_dkey_";

class KeyPictureWiring {
 public:
  // The window and the animation must outlive this object.
  KeyPictureWiring(CMainWnd& window, std::function<void(device::DeviceKind)> saveLightProfile,
                   lighting::AnimationEngine& animation);
  KeyPictureWiring(const KeyPictureWiring&) = delete;
  KeyPictureWiring& operator=(const KeyPictureWiring&) = delete;

 private:
  lighting::KeyPictureEditor editor_;
};

}  // namespace tavrinex::app
