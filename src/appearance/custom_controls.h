// The control classes of the program's own, offered to the skins under their class names.
#pragma once

#include "ui/ui.h"

namespace tavrinex::appearance {

// "CCircleProgressUI", "CChartViewUI", "CWndUI", and the macro editor's "MacroTimeline".
void RegisterCustomControls(ui::Ui& ui);

}  // namespace tavrinex::appearance
