#include "app/key_picture_wiring.h"

#include "profiles/profile_selection.h"

namespace tavrinex::app {
namespace {

lighting::LightingHooks HooksOf(CMainWnd& window, device::DeviceWorkQueue& work,
                                lighting::AnimationEngine& animation) {
  lighting::LightingHooks hooks;
  hooks.saveSelectedLightProfile = [&window, &work](device::DeviceKind kind) {
    work.Post(kind, device::DeviceTask::kSaveLightProfile, [&window, kind] {
      (void)profiles::SaveSelectedLightProfile(window.Profiles(), kind);
    });
  };
  hooks.startReactiveRipple = [&animation](std::size_t position) {
    animation.SeedReactive(position);
  };
  return hooks;
}

}  // namespace

KeyPictureWiring::KeyPictureWiring(CMainWnd& window, device::DeviceWorkQueue& work,
                                   lighting::AnimationEngine& animation)
    : editor_(window.Store(), window.Image(), HooksOf(window, work, animation)) {
  (void)window.Routes().RegisterPrefix(kKeyPicturePrefix, [this](int index, const ui::Notification& n) {
    editor_.OnKeyPicture(n.type, index);
  });
}

}  // namespace tavrinex::app
