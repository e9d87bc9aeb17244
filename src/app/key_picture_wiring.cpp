#include "app/key_picture_wiring.h"

namespace tavrinex::app {
namespace {

lighting::LightingHooks HooksOf(std::function<void(device::DeviceKind)> saveLightProfile,
                                lighting::AnimationEngine& animation) {
  lighting::LightingHooks hooks;
  hooks.saveSelectedLightProfile = std::move(saveLightProfile);
  hooks.startReactiveRipple = [&animation](std::size_t position) {
    animation.SeedReactive(position);
  };
  return hooks;
}

}  // namespace

KeyPictureWiring::KeyPictureWiring(CMainWnd& window, std::function<void(device::DeviceKind)> saveLightProfile,
                                   lighting::AnimationEngine& animation)
    : editor_(window.Store(), window.Image(), HooksOf(std::move(saveLightProfile), animation)) {
  (void)window.Routes().RegisterPrefix(kKeyPicturePrefix, [this](int index, const ui::Notification& n) {
    editor_.OnKeyPicture(n.type, index);
  });
}

}  // namespace tavrinex::app
