// The control factory's registrations: our control classes by name and the custom-tag hook.
#pragma once

#include <map>
#include <string>

#include "ui/ui.h"

namespace tavrinex::ui::qt {

struct ControlRegistry {
  // Registered classes, keyed by lower-case name.
  std::map<std::string, ControlFactory> factories;
  CustomTagHandler tagHandler;
};

}  // namespace tavrinex::ui::qt
