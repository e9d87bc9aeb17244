// The control classes of the program's own, offered to the skins under their class names.
#pragma once

#include "ui/ui.h"

namespace tavrinex::appearance {

// "CCircleProgressUI", "CChartViewUI", "CWndUI".
void RegisterCustomControls(ui::Ui& ui);

}  // namespace tavrinex::appearance
