// The background change that the skin chooser broadcasts to the main window.
#pragma once

#include <string>

#include "appearance/observer.h"
#include "ui/color.h"

namespace tavrinex::appearance {

struct SkinChangedParam {
  bool useColour = false;  // true: `colour` was chosen; false: `image` was chosen
  ui::Argb colour = 0;
  std::string image;  // relative to the skin folder, or an absolute path
};

using SkinObserverType = ObserverImpl<int, SkinChangedParam>;
using SkinReceiver = ReceiverImpl<int, SkinChangedParam>;

// The process-wide broadcaster, made on first use and kept until the process ends.
[[nodiscard]] SkinObserverType& SkinObserver();

}  // namespace tavrinex::appearance
