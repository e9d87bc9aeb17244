// The lighting pages of the keyboard, the mouse and the mouse pad: the display refresh that
// sets every control from the device's CurrentRecord, and the handlers that turn the user's
// edits into record changes. Every edit writes the record, marks the device dirty (the flush
// sends it within a second) and saves the selected light profile; the keyboard's custom
// colours are saved but never marked dirty (they reach the keyboard as LED frames only).
//
// UI thread only. The handlers know the pages' control names; the model operations are in
// lighting_ops.h, the animation states behind the hooks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "device/device_image.h"
#include "lighting/lighting_model.h"
#include "lighting/lighting_ops.h"
#include "lighting/lighting_store.h"
#include "ui/window.h"

namespace tavrinex::lighting {

// The controls of one lighting page (names as in the skin).
struct PageControls {
  std::string_view modeList;
  std::string_view fxGroup;
  std::string_view colourGroup;
  std::string_view multiGroup;
  std::string_view speedGroup;
  std::string_view share;
  std::string_view lightSlider;
  std::string_view speedSlider;
  std::string_view lightValue;  // the sliders' value labels
  std::string_view speedValue;
  std::string_view palette;
  std::string_view colourButton;
  std::array<std::string_view, 3> edits;  // R, G, B
  std::string_view presetPrefix;          // + N, N = 0-29
  std::string_view multiCheck;
  std::string_view fxlCheck;
  std::string_view fxrCheck;
};
inline constexpr std::array<PageControls, device::kDeviceKindCount> kPageControls = {{
    {"kb_deng_combo_modeSelect", "kb_deng_fx_layout", "kb_deng_color_layout",
     "kb_deng_7colorselect_layout", "kb_deng_speed_layout", "kb_deng_same_mode",
     "kb_deng_light_slider", "kb_deng_speed_slider", "kb_deng_light_value", "kb_deng_speed_value",
     "kb_deng_Color_Pallet", "kb_Deng_colordp_btn",
     {"kb_Deng_edit_R", "kb_Deng_edit_G", "kb_Deng_edit_B"}, "kb_Deng_color_btn_",
     "kb_Deng_7color_check", "kb_Deng_FXL_check", "kb_Deng_FXR_check"},
    {"ms_deng_combo_modeSelect", "ms_deng_fx_layout", "ms_deng_color_layout",
     "ms_deng_7colorselect_layout", "ms_deng_speed_layout", "ms_deng_same_mode",
     "ms_deng_light_slider", "ms_deng_speed_slider", "ms_deng_light_value", "ms_deng_speed_value",
     "ms_deng_Color_Pallet", "ms_Deng_colordp_btn",
     {"ms_Deng_edit_R", "ms_Deng_edit_G", "ms_Deng_edit_B"}, "ms_Deng_color_btn_",
     "ms_Deng_7color_check", "ms_Deng_FXL_check", "ms_Deng_FXR_check"},
    {"mp_deng_combo_modeSelect", "mp_deng_fx_layout", "mp_deng_color_layout",
     "mp_deng_7colorselect_layout", "mp_deng_speed_layout", "mp_deng_same_mode",
     "mp_deng_light_slider", "mp_deng_speed_slider", "mp_deng_light_value", "mp_deng_speed_value",
     "mp_deng_Color_Pallet", "mp_Deng_colordp_btn",
     {"mp_Deng_edit_R", "mp_Deng_edit_G", "mp_Deng_edit_B"}, "mp_Deng_color_btn_",
     "mp_Deng_7color_check", "mp_Deng_FXL_check", "mp_Deng_FXR_check"},
}};
[[nodiscard]] constexpr const PageControls& PageOf(DeviceKind kind) {
  return kPageControls[device::IndexOf(kind)];
}

// The keyboard page's custom-mode controls.
namespace kb_custom {
inline constexpr std::array<std::string_view, 3> kOrdinaryGroups = {
    "kb_deng_fx_layout", "kb_deng_7colorselect_layout", "kb_deng_color_display_layout"};
inline constexpr std::array<std::string_view, 3> kCustomGroups = {
    "kb_deng_custom_tool_layout", "kb_deng_custom_select_layout", "kb_deng_custom_color_layout"};
inline constexpr std::string_view kSetList = "kb_deng_combo_curtom_count";
inline constexpr std::string_view kColourButton = "kb_Deng_custom_colordp_btn";
inline constexpr std::string_view kClearCheck = "kb_Deng_all_kill_check";
inline constexpr std::string_view kFillCheck = "kb_Deng_all_bright_check";
}  // namespace kb_custom
// The on-board profile in use: the mouse's numbered buttons ("ms_profile_0" ...), the pad's list.
inline constexpr std::string_view kMouseOnboardPrefix = "ms_profile_";
inline constexpr std::string_view kPadOnboardList = "mp_deng_combo_profile";
inline constexpr std::string_view kMouseFxlButton = "ms_Deng_FXL_btn";
inline constexpr std::string_view kMouseFxrButton = "ms_Deng_FXR_btn";

// A typed colour component: decimal digits after optional blanks and sign, the rest ignored
// (text without a number reads as 0). Above 255 gives 255, below 0 gives 0; `rewrite` is the
// text the edit must then show.
struct TypedComponent {
  std::uint8_t value = 0;
  std::string rewrite;  // empty: the text stays as typed
};
[[nodiscard]] TypedComponent ParseComponent(std::string_view text);

// What the editor asks of the rest of the program. Unset hooks are skipped.
struct EditorHooks {
  // SaveSelectedLightProfile (the caller decides where the file write runs).
  std::function<void(DeviceKind)> saveLightProfile;
  // The animation states (Parts of the effect engine).
  std::function<void(DeviceKind)> resetAnimation;
  std::function<void()> setKeyRainbowStart;
  std::function<void()> setRippleSource;
  std::function<void(std::uint8_t direction)> setMouseChaseStart;
  std::function<void()> setPadChaseStart;
  // The mouse's performance controls and DPI colour, refreshed inside the mouse page's refresh.
  std::function<void()> refreshPerformance;
  // The key labels of the keyboard or the mouse from key page `page`.
  std::function<void(DeviceKind, std::uint8_t page)> redrawKeyLabels;
};

class LightingEditor {
 public:
  LightingEditor(ui::Window& window, device::DeviceImage& image, LightingStore& store,
                 const Channels& channels, EditorHooks hooks);

  // Sets every control of the device's page from its record (a refresh that moves the mode
  // list runs the mode selection, as a user's choice would).
  void Refresh(DeviceKind kind);

  // The handlers, one per notification of the pages.
  void SelectMode(DeviceKind kind, int mode);
  void SetBrightness(DeviceKind kind, int sliderValue);
  void SetSpeed(DeviceKind kind, int sliderValue);
  // While a slider is dragged only its value label follows.
  void ShowSliderValues(DeviceKind kind);
  void PickPaletteColour(DeviceKind kind);
  void PickPreset(DeviceKind kind, int number);
  void TypeComponent(DeviceKind kind, std::size_t component);  // 0 R, 1 G, 2 B
  void ToggleMultiColour(DeviceKind kind);
  void ChooseDirection(DeviceKind kind, bool left);
  void MouseDirectionButton(std::uint8_t direction);
  void ShareLighting(DeviceKind source);
  void ChooseCustomSet(int set);
  void ClearCustomSet();
  void FillUnsetKeys();

  [[nodiscard]] EditorHooks& Hooks() { return hooks_; }

 private:
  void SetColour(DeviceKind kind, ui::Argb colour, bool store);
  void ApplyGroups(DeviceKind kind, int mode);
  void SeedModeStart(DeviceKind kind, int mode);
  void ShowDirection(DeviceKind kind, std::uint8_t direction);
  void ShowCommon(DeviceKind kind, const CurrentRecord& record);
  void ShowOnboardProfile(DeviceKind kind, std::uint8_t index);
  void Edited(DeviceKind kind);
  void Save(DeviceKind kind);
  [[nodiscard]] bool CustomShown();
  [[nodiscard]] int CurrentMode(DeviceKind kind);
  void SetRecord(DeviceKind kind, std::size_t byte, std::uint8_t value);
  [[nodiscard]] LightingHooks OpsHooks();

  ui::Window& window_;
  device::DeviceImage& image_;
  LightingStore& store_;
  Channels channels_;
  EditorHooks hooks_;
};

}  // namespace tavrinex::lighting
