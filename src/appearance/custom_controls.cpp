#include "appearance/custom_controls.h"

#include <memory>

#include "appearance/chart_view.h"
#include "appearance/circle_progress.h"
#include "appearance/macro_timeline_view.h"
#include "appearance/wnd_host.h"

namespace tavrinex::appearance {

void RegisterCustomControls(ui::Ui& ui) {
  ui.RegisterControlClass(kCircleProgressClass, [] { return std::make_unique<CCircleProgressUI>(); });
  ui.RegisterControlClass(kChartViewClass, [] { return std::make_unique<CChartViewUI>(); });
  ui.RegisterControlClass(kWndClass, [] { return std::make_unique<CWndUI>(); });
  ui.RegisterControlClass(kMacroTimelineClass, [] { return std::make_unique<CMacroTimelineUI>(); });
}

}  // namespace tavrinex::appearance
