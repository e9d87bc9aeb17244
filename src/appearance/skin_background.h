// The main window's background: what a skin choice does to the control "root", what is
// remembered in "main.ini" and what is applied again at the next start.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "appearance/skin_observer.h"
#include "ui/ui.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kRootControl = "root";
// The image of the chooser's reset; a reset is not applied again at the next start.
inline constexpr std::string_view kResetImage = "common/background.png";

using Diagnostic = std::function<void(std::string_view line)>;

// Sets the background of "root": a colour clears the image; an image comes with colour 0.
// An image that cannot be shown (missing, not an image) leaves the background as it was and
// writes a diagnostic line saying why; so does a window without "root". True when applied.
bool ApplyBackground(ui::Ui& ui, ui::Window& window, const SkinChangedParam& param,
                    const Diagnostic& diagnostic);

// The start-up step: the image remembered in "main.ini" when "FLAGS" reads exactly 1 (else
// the skin's own background stays). True when a remembered image was applied.
bool ApplySavedBackground(ui::Ui& ui, ui::Window& window, const Diagnostic& diagnostic);

}  // namespace tavrinex::appearance
