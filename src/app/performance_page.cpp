#include "app/performance_page.h"

#include <charconv>
#include <limits>

#include "lighting/lighting_editor.h"
#include "lighting/lighting_model.h"

namespace tavrinex::app {

using device::DeviceKind;
namespace rec = lighting::rec;

namespace {

constexpr DeviceKind kMouse = DeviceKind::kMouse;
constexpr std::string_view kNotOfferedTip = "perf_not_offered_tip";

std::uint8_t Component(ui::Rgb c, std::size_t i) { return i == 0 ? c.r : i == 1 ? c.g : c.b; }

ui::Rgb WithComponent(ui::Rgb c, std::size_t i, std::uint8_t v) {
  (i == 0 ? c.r : i == 1 ? c.g : c.b) = v;
  return c;
}

}  // namespace

namespace perf {
int ReadNumber(std::string_view text) {
  const auto start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    return text.front() == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  }
  if (error != std::errc()) return 0;
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}
}  // namespace perf

PerformancePage::PerformancePage(CMainWnd& window, DeviceWiring& devices, LightingWiring& lighting,
                                 platform::PointerSettingsWorker* pointer)
    : window_(window), devices_(devices), lighting_(lighting), pointer_(pointer) {
  lighting_.Editor().Hooks().refreshPerformance = [this] { Refresh(); };
  window_.Hooks().languageChanged = [this, next = window_.Hooks().languageChanged] {
    if (next) next();
    ShowDesktopOffers();
  };
  RegisterRoutes();
  ShowDesktopOffers();
  Refresh();
}

void PerformancePage::RegisterRoutes() {
  Router& r = window_.Routes();
  for (std::size_t level = 0; level < perf::kDpiSliders.size(); ++level) {
    (void)r.Register(Table::kSlider, perf::kDpiSliders[level], [this, level](const ui::Notification& n) {
      if (n.type == ui::EventType::kValueChanged) return SetDpi(level);
      ShowDpiLabel(level);
    });
  }
  (void)r.Register(Table::kItemSelect, perf::kReportRate,
                   [this](const ui::Notification& n) { SetReportRate(n.itemIndex); });
  // Dragging the sensor and pointer-speed sliders changes nothing; the release counts.
  (void)r.Register(Table::kSlider, perf::kSensorHeight, [this](const ui::Notification& n) {
    if (n.type == ui::EventType::kValueChanged) SetSensorHeight();
  });
  (void)r.Register(Table::kSlider, perf::kSpeedSlider, [this](const ui::Notification& n) {
    if (n.type == ui::EventType::kValueChanged) SetPointerSpeed();
  });
  (void)r.Register(Table::kPalette, perf::kPalette, [this](const ui::Notification&) { PickPaletteColour(); });
  (void)r.RegisterPrefix(perf::kPresetPrefix, [this](int n, const ui::Notification&) { PickPreset(n); });
  for (std::size_t i = 0; i < perf::kEdits.size(); ++i) {
    (void)r.Register(Table::kText, perf::kEdits[i], [this, i](const ui::Notification&) { TypeComponent(i); });
  }
  (void)r.Register(Table::kClick, perf::kWheelUp, [this](const ui::Notification&) { StepWheelLines(true); });
  (void)r.Register(Table::kClick, perf::kWheelDown, [this](const ui::Notification&) { StepWheelLines(false); });
  (void)r.Register(Table::kClick, perf::kReset, [this](const ui::Notification&) { ResetMouse(); });
}

void PerformancePage::Refresh() {
  const device::CurrentRecord record = window_.Image().Current(kMouse);
  const device::DeviceInfoBlock info = window_.Image().Info(kMouse);
  ui::Window& w = window_.Window();
  refreshing_ = true;
  if (auto* list = w.Find<ui::ListControl>(perf::kReportRate)) {
    if (record[rec::kReportRate] < list->Count()) (void)list->SelectItem(record[rec::kReportRate]);
  }
  // An active level above 3 highlights level 1.
  const std::size_t active = record[rec::kActiveDpiLevel] <= 3 ? record[rec::kActiveDpiLevel] : 0;
  for (std::size_t level = 0; level < perf::kDpiSliders.size(); ++level) {
    if (auto* s = w.Find<ui::SliderControl>(perf::kDpiSliders[level])) {
      s->SetMinimum(0);
      s->SetMaximum(info[perf::kInfoDpiMaximum]);
      s->SetValue(record[rec::kDpi1 + level]);
    }
    const ui::Argb colour = level == active ? perf::kActiveLevel : perf::kOtherLevel;
    for (const std::string_view name : {perf::kDpiValues[level], perf::kDpiRanks[level]}) {
      if (ui::Control* c = w.Find(name); c != nullptr && c->TextColor() != colour) c->SetTextColor(colour);
    }
    if (ui::Control* label = w.Find(perf::kDpiValues[level])) {
      label->SetText(std::to_string(perf::DpiOf(record[rec::kDpi1 + level], info[perf::kInfoDpiStep])));
    }
  }
  if (auto* s = w.Find<ui::SliderControl>(perf::kSensorHeight)) s->SetValue(record[rec::kSensorHeight]);
  const ui::Argb colour = ui::ToArgb({record[rec::kDpiRed], record[rec::kDpiGreen], record[rec::kDpiBlue]});
  if (auto* p = w.Find<ui::PaletteControl>(perf::kPalette)) p->SetSelectedColor(colour);
  SetColour(colour, false);
  ShowPointerSettings();
  refreshing_ = false;
}

// The stored pointer settings, shown without reaching the desktop.
void PerformancePage::ShowPointerSettings() {
  ui::Window& w = window_.Window();
  const profiles::PointerSettings& p = window_.Profiles().pointer;
  if (auto* s = w.Find<ui::SliderControl>(perf::kSpeedSlider)) s->SetValue(perf::SliderFromSpeed(p.Speed()));
  if (ui::Control* e = w.Find(perf::kWheelEdit)) e->SetText(std::to_string(p.WheelLines()));
}

// A setting the desktop does not offer: its controls are disabled and say why.
void PerformancePage::ShowDesktopOffers() {
  const bool speed = pointer_ != nullptr && pointer_->Backend().OffersSpeed();
  const bool wheel = pointer_ != nullptr && pointer_->Backend().OffersWheelLines();
  const std::string tip = window_.UiLayer().Translate(kNotOfferedTip);
  const auto show = [&](std::string_view name, bool offered) {
    if (ui::Control* c = window_.Window().Find(name)) {
      c->SetEnabled(offered);
      c->SetToolTip(offered ? std::string() : tip);
    }
  };
  show(perf::kSpeedSlider, speed);
  for (const std::string_view name : {perf::kWheelEdit, perf::kWheelUp, perf::kWheelDown}) show(name, wheel);
}

void PerformancePage::ShowDpiLabel(std::size_t level) {
  const std::uint8_t step = window_.Image().Info(kMouse)[perf::kInfoDpiStep];
  if (ui::Control* label = window_.Window().Find(perf::kDpiValues[level])) {
    label->SetText(std::to_string(perf::DpiOf(SliderValue(perf::kDpiSliders[level]), step)));
  }
}

void PerformancePage::SetDpi(std::size_t level) {
  if (refreshing_) return;
  ShowDpiLabel(level);
  SetRecord(rec::kDpi1 + level, static_cast<std::uint8_t>(std::clamp(SliderValue(perf::kDpiSliders[level]), 0, 255)));
  Edited();
}

void PerformancePage::SetReportRate(int index) {
  if (refreshing_ || index < 0 || index > 255) return;
  SetRecord(rec::kReportRate, static_cast<std::uint8_t>(index));
  Edited();
}

void PerformancePage::SetSensorHeight() {
  if (refreshing_) return;
  SetRecord(rec::kSensorHeight, static_cast<std::uint8_t>(std::clamp(SliderValue(perf::kSensorHeight), 0, 255)));
  Edited();
}

void PerformancePage::PickPaletteColour() {
  if (refreshing_) return;
  if (const auto* p = window_.Window().Find<ui::PaletteControl>(perf::kPalette)) SetColour(p->SelectedColor(), true);
}

void PerformancePage::PickPreset(int number) {
  if (number < 0 || number >= static_cast<int>(lighting::kPresetColours.size())) return;
  const ui::Argb colour = lighting::kPresetColours[static_cast<std::size_t>(number)] | 0xFF000000U;
  if (auto* p = window_.Window().Find<ui::PaletteControl>(perf::kPalette)) p->SetSelectedColor(colour);
  SetColour(colour, true);
}

void PerformancePage::SetColour(ui::Argb colour, bool storing) {
  const ui::Rgb c = lighting::RgbFromArgb(colour);
  ui::Window& w = window_.Window();
  if (ui::Control* b = w.Find(perf::kColourButton)) {
    if (!b->BackgroundImage().empty()) b->SetBackgroundImage({});
    if (b->BackgroundColor() != ui::ToArgb(c)) b->SetBackgroundColor(ui::ToArgb(c));
  }
  for (std::size_t i = 0; i < perf::kEdits.size(); ++i) {
    ui::Control* e = w.Find(perf::kEdits[i]);
    const std::string text = std::to_string(Component(c, i));
    if (e != nullptr && e->Text() != text) e->SetText(text);
  }
  if (!storing) return;
  window_.Image().Update(kMouse, [&](device::DeviceBlocks& b) {
    b.current[rec::kDpiRed] = c.r;
    b.current[rec::kDpiGreen] = c.g;
    b.current[rec::kDpiBlue] = c.b;
  });
  Edited();
}

// One component typed: the mouse is marked dirty, the light profile is saved by the next
// storing change.
void PerformancePage::TypeComponent(std::size_t component) {
  if (component >= perf::kEdits.size()) return;
  ui::Control* edit = window_.Window().Find(perf::kEdits[component]);
  if (edit == nullptr) return;
  const lighting::TypedComponent typed = lighting::ParseComponent(edit->Text());
  if (!typed.rewrite.empty()) edit->SetText(typed.rewrite);
  if (ui::Control* b = window_.Window().Find(perf::kColourButton)) {
    const ui::Argb shown =
        ui::ToArgb(WithComponent(lighting::RgbFromArgb(b->BackgroundColor()), component, typed.value));
    b->SetBackgroundColor(shown);
    if (auto* p = window_.Window().Find<ui::PaletteControl>(perf::kPalette)) p->SetSelectedColor(shown);
  }
  SetRecord(rec::kDpiRed + component, typed.value);
  window_.Store().MarkDirty(kMouse);
}

void PerformancePage::SetPointerSpeed() {
  if (refreshing_) return;
  const int speed = std::clamp(perf::SpeedFromSlider(SliderValue(perf::kSpeedSlider)), 1, 20);
  window_.Profiles().pointer.SetSpeed(static_cast<std::uint8_t>(speed));
  if (pointer_ != nullptr) pointer_->SetSpeed(speed);
  Save();
}

void PerformancePage::StepWheelLines(bool up) {
  ui::Control* edit = window_.Window().Find(perf::kWheelEdit);
  if (edit == nullptr) return;
  const int lines = perf::WheelStep(perf::ReadNumber(edit->Text()), up);
  edit->SetText(std::to_string(lines));
  window_.Profiles().pointer.SetWheelLines(static_cast<std::uint8_t>(lines));
  if (pointer_ != nullptr) pointer_->SetWheelLines(lines);
  Save();
}

// The desktop gets the neutral speed and three lines; the stored bytes and the record stay, the
// mouse's restored settings show after its next synchronisation.
void PerformancePage::ResetMouse() {
  if (auto* s = window_.Window().Find<ui::SliderControl>(perf::kSpeedSlider)) {
    s->SetValue(perf::SliderFromSpeed(perf::kResetSpeed));
  }
  if (pointer_ != nullptr) pointer_->SetSpeed(perf::kResetSpeed);
  if (ui::Control* e = window_.Window().Find(perf::kWheelEdit)) e->SetText(std::to_string(perf::kResetWheelLines));
  if (pointer_ != nullptr) pointer_->SetWheelLines(perf::kResetWheelLines);
  // An edit still waiting for its flush would write the old record over the factory settings.
  (void)window_.Store().TakeDirty(kMouse);
  device::DeviceChannel& mouse = window_.Channel(kMouse);
  devices_.Context().work->Post(kMouse, device::DeviceTask::kFactoryReset, [&mouse] { (void)mouse.FactoryReset(); });
}

void PerformancePage::SetRecord(std::size_t byte, std::uint8_t value) {
  window_.Image().Update(kMouse, [&](device::DeviceBlocks& b) { b.current[byte] = value; });
}

void PerformancePage::Edited() {
  window_.Store().MarkDirty(kMouse);
  Save();
}

void PerformancePage::Save() { lighting_.SaveLightProfile(kMouse); }

int PerformancePage::SliderValue(std::string_view name) {
  const auto* s = window_.Window().Find<ui::SliderControl>(name);
  return s != nullptr ? s->Value() : 0;
}

}  // namespace tavrinex::app
