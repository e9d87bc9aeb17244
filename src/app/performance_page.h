// The mouse's performance page: four DPI levels, the DPI indicator colour, report rate and
// lift-off height (fields of the mouse's CurrentRecord, sent by the settings flush), and the
// desktop's pointer speed and wheel lines (kept in the mouse's light profile and handed to the
// pointer settings worker). UI thread only; the factory reset runs on the mouse's device thread.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/device_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "platform/pointer_settings_worker.h"
#include "ui/color.h"

namespace tavrinex::app {

namespace perf {
inline constexpr std::array<std::string_view, 4> kDpiSliders = {"ms_DPI1_slider", "ms_DPI2_slider",
                                                                "ms_DPI3_slider", "ms_DPI4_slider"};
inline constexpr std::array<std::string_view, 4> kDpiValues = {
    "ms_DPI1_label_value", "ms_DPI2_label_value", "ms_DPI3_label_value", "ms_DPI4_label_value"};
inline constexpr std::array<std::string_view, 4> kDpiRanks = {
    "ms_DPI1_label_rank", "ms_DPI2_label_rank", "ms_DPI3_label_rank", "ms_DPI4_label_rank"};
inline constexpr std::string_view kReportRate = "ms_report_fct_combo";
inline constexpr std::string_view kSensorHeight = "ms_sensor_height_slider";
inline constexpr std::string_view kPalette = "Pallet";
inline constexpr std::string_view kColourButton = "ms_DPI_colordp_btn";
inline constexpr std::array<std::string_view, 3> kEdits = {"ms_DPI_edit_R", "ms_DPI_edit_G", "ms_DPI_edit_B"};
inline constexpr std::string_view kPresetPrefix = "ms_DPI_color_btn_";
inline constexpr std::string_view kSpeedSlider = "ms_point_speed_slider";
inline constexpr std::string_view kWheelEdit = "ms_gunlun_speed_edit";
inline constexpr std::string_view kWheelUp = "ms_gunlun_speed_up_btn";
inline constexpr std::string_view kWheelDown = "ms_gunlun_speed_down_btn";
inline constexpr std::string_view kReset = "ms_one_profile_default";
// What the reset gives the desktop.
inline constexpr int kResetSpeed = 10;
inline constexpr int kResetWheelLines = 3;

// The mouse's info block: the DPI step size and the largest step index.
inline constexpr std::size_t kInfoDpiStep = 11;
inline constexpr std::size_t kInfoDpiMaximum = 12;

inline constexpr ui::Argb kActiveLevel = 0xFFFF0000;
inline constexpr ui::Argb kOtherLevel = 0xFFFFFFFF;

// The DPI shown for step index `index`: the base is always 100 (before the first synchronisation
// step and maximum are 0, so every level shows 100).
[[nodiscard]] constexpr int DpiOf(int index, std::uint8_t step) { return 100 + index * step; }

// Slider 0-9 gives pointer speed 2-20; a stored speed shows at the position that gives it back
// (odd speeds at the one below), so releasing the slider where it stands keeps the speed.
[[nodiscard]] constexpr int SpeedFromSlider(int value) { return 2 * (std::max(value, 0) + 1); }
[[nodiscard]] constexpr int SliderFromSpeed(int speed) { return std::clamp(speed / 2 - 1, 0, 9); }
static_assert(SpeedFromSlider(4) == 10 && SliderFromSpeed(10) == 4 && SpeedFromSlider(9) == 20);

// A wheel button's new value from the number the edit holds: up is at least 2, down at most 9,
// both within 1-10.
[[nodiscard]] constexpr int WheelStep(int typed, bool up) {
  return up ? std::min(std::max(typed, 1) + 1, 10) : std::max(std::min(typed, 10) - 1, 1);
}
static_assert(WheelStep(0, true) == 2 && WheelStep(25, false) == 9 && WheelStep(10, true) == 10);

// The number at the start of an edit's text (blanks and a sign allowed); 0 when there is none,
// saturated far outside any range the page uses.
[[nodiscard]] int ReadNumber(std::string_view text);
}  // namespace perf

class PerformancePage {
 public:
  // `pointer` may be null (nothing reaches the desktop). Build after the lighting wiring: the
  // page's refresh runs inside the mouse lighting page's refresh.
  PerformancePage(CMainWnd& window, DeviceWiring& devices, LightingWiring& lighting,
                  platform::PointerSettingsWorker* pointer);
  PerformancePage(const PerformancePage&) = delete;
  PerformancePage& operator=(const PerformancePage&) = delete;

  void Refresh();

  // The handlers.
  void ShowDpiLabel(std::size_t level);
  void SetDpi(std::size_t level);
  void SetReportRate(int index);
  void SetSensorHeight();
  void PickPaletteColour();
  void PickPreset(int number);
  void TypeComponent(std::size_t component);
  void SetPointerSpeed();
  void StepWheelLines(bool up);
  void ResetMouse();

 private:
  void RegisterRoutes();
  void SetColour(ui::Argb colour, bool storing);
  void ShowPointerSettings();
  void ShowDesktopOffers();
  void SetRecord(std::size_t byte, std::uint8_t value);
  void Edited();
  void Save();
  [[nodiscard]] int SliderValue(std::string_view name);

  CMainWnd& window_;
  DeviceWiring& devices_;
  LightingWiring& lighting_;
  platform::PointerSettingsWorker* pointer_;
  bool refreshing_ = false;  // the refresh's own changes are not the user's
};

}  // namespace tavrinex::app
