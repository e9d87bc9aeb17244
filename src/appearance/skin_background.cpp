#include "appearance/skin_background.h"

#include "profiles/profile_catalogue.h"

namespace tavrinex::appearance {

bool ApplyBackground(ui::Ui& ui, ui::Window& window, const SkinChangedParam& param,
                    const Diagnostic& diagnostic) {
  ui::Control* root = window.Find(kRootControl);
  if (root == nullptr) {
    diagnostic("skin: the window has no control \"root\"; the background stays as it is");
    return false;
  }
  if (param.useColour) {
    root->SetBackgroundColor(param.colour);
    root->SetBackgroundImage("");
    return true;
  }
  // The window would otherwise turn black or lose its skin: keep what is shown.
  if (const std::string problem = ui.ImageProblem(param.image); !problem.empty()) {
    diagnostic("skin: background \"" + param.image + "\" not applied: " + problem);
    return false;
  }
  root->SetBackgroundColor(0);
  root->SetBackgroundImage(param.image);
  return true;
}

bool ApplySavedBackground(ui::Ui& ui, ui::Window& window, const Diagnostic& diagnostic) {
  const auto image = profiles::SavedBackgroundImage();
  return image && ApplyBackground(ui, window, {false, 0, *image}, diagnostic);
}

}  // namespace tavrinex::appearance
