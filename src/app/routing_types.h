// The vocabulary of the event router: who owns a route, the click prefixes, the tab tables
// and the window messages with their owners.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavrinex::app {

// The features that handle routed events. kNone: the route ends without any action.
enum class Owner : std::uint8_t {
  kNone,
  kShell,
  kKeyEditor,
  kMacroLibrary,
  kMacroEditor,
  kLightingModel,
  kLightingEditor,
  kPointerSettings,
  kAutoSwitch,
  kProfileSelection,
  kProfileListOps,
  kDeviceSync,
  kSkinChooser,
};

inline constexpr std::array<std::string_view, 13> kOwnerNames = {
    "none",           "shell",          "key editor",        "macro library",
    "macro editor",   "lighting model", "lighting editor",   "DPI and pointer settings",
    "profile auto-switch", "profile selection", "profile list operations",
    "device synchronisation", "skin chooser"};
static_assert(kOwnerNames.size() == static_cast<std::size_t>(Owner::kSkinChooser) + 1);

[[nodiscard]] constexpr std::string_view OwnerName(Owner owner) {
  return kOwnerNames[static_cast<std::size_t>(owner)];
}

struct NameRoute {
  std::string_view name;
  Owner owner;
};

// The click prefixes, tested in this order; kStop ends the click there, kContinue goes on
// to the click table.
enum class Then : std::uint8_t { kStop, kContinue };
struct PrefixRoute {
  std::string_view prefix;
  Owner owner;
  Then then;
};
inline constexpr std::array<PrefixRoute, 8> kClickPrefixes = {{
    {"kb_key_", Owner::kKeyEditor, Then::kStop},
    {"kb_dkey_", Owner::kLightingEditor, Then::kStop},
    {"ms_key_", Owner::kKeyEditor, Then::kStop},
    {"ms_DPI_color_btn_", Owner::kPointerSettings, Then::kContinue},
    {"ms_Deng_color_btn_", Owner::kLightingEditor, Then::kContinue},
    {"mp_Deng_color_btn_", Owner::kLightingEditor, Then::kContinue},
    {"kb_Deng_color_btn_", Owner::kLightingEditor, Then::kContinue},
    {"ms_profile_", Owner::kLightingModel, Then::kContinue},
}};

// Option buttons that show a page of a tab layout.
struct TabRoute {
  std::string_view option;
  std::string_view layout;
  int page;
};
inline constexpr std::array<TabRoute, 5> kDeviceTabs = {{
    {"kb_tab", "tab_switch", 0},
    {"ms_tab", "tab_switch", 1},
    {"mp_tab", "tab_switch", 2},
    {"ani_tab", "tab_switch", 3},
    {"split_tab", "tab_switch", 4},
}};
inline constexpr std::array<TabRoute, 8> kPageTabs = {{
    {"kb_deng_Op_tab", "kb_tab_switch", 0},
    {"kb_macro_Op_tab", "kb_tab_switch", 1},
    {"kb_key_Op_tab", "kb_tab_switch", 2},
    {"kb_rich_Op_tab", "kb_tab_switch", 3},
    {"ms_deng_Op_tab", "ms_tab_switch", 0},
    {"ms_macro_Op_tab", "ms_tab_switch", 1},
    {"ms_key_Op_tab", "ms_tab_switch", 2},
    {"ms_rich_Op_tab", "ms_tab_switch", 3},
}};

// The unsaved-macro guard of each editor: while `bar` is visible, choosing any option other
// than the macro page tab and the device tab brings both back and shows the message.
struct MacroGuard {
  std::string_view bar;
  std::string_view macroPage;
  std::string_view deviceTab;
};
inline constexpr std::array<MacroGuard, 2> kMacroGuards = {{
    {"ms_macro_tab_saveorcancel", "ms_macro_Op_tab", "ms_tab"},
    {"kb_macro_tab_saveorcancel", "kb_macro_Op_tab", "kb_tab"},
}};
inline constexpr std::string_view kUnsavedMacroMessage = "message_text_3";

// Sliders whose value is not followed while dragging.
inline constexpr std::array<std::string_view, 2> kNoDragSliders = {"kb_deng_light_slider",
                                                                     "kb_deng_speed_slider"};

// Window messages of the main window.
namespace msg {
inline constexpr std::uint32_t kHookKeySingleKey = 0x0801;
inline constexpr std::uint32_t kHookKeyHitKey = 0x0802;
inline constexpr std::uint32_t kHookKeyMacro = 0x0803;
inline constexpr std::uint32_t kHookKeyMacroMouse = 0x0804;
inline constexpr std::uint32_t kHookMouSingleKey = 0x0810;
inline constexpr std::uint32_t kHookMouHitKey = 0x0811;
inline constexpr std::uint32_t kHookMouMacro = 0x0812;
inline constexpr std::uint32_t kHookMouMacroMouse = 0x0813;
inline constexpr std::uint32_t kMouseSync = 0x0901;
inline constexpr std::uint32_t kMouseReread = 0x0902;
inline constexpr std::uint32_t kPadSync = 0x0A01;
inline constexpr std::uint32_t kPadReread = 0x0A02;
inline constexpr std::uint32_t kLedColour = 0x0A03;
inline constexpr std::uint32_t kLedAlpha = 0x0A04;
inline constexpr std::uint32_t kKeyboardSync = 0x0B01;
inline constexpr std::uint32_t kKeyboardReread = 0x0B02;
inline constexpr std::uint32_t kSaveDefaultKeys = 0x0B03;
inline constexpr std::uint32_t kProgressShow = 0x0C00;
inline constexpr std::uint32_t kProgressDone = 0x0C01;
// Ours: the second instance's activation, as it arrives from the local socket.
inline constexpr std::uint32_t kActivate = 0x7F01;
}  // namespace msg

struct MessageRoute {
  std::uint32_t id;
  std::string_view debugName;  // written as a debug line when not empty
  Owner owner;
};
inline constexpr std::array<MessageRoute, 17> kMessageRoutes = {{
    {msg::kHookKeySingleKey, "WM_HOOK_KEY_SINGLEKEY", Owner::kKeyEditor},
    {msg::kHookKeyHitKey, "WM_HOOK_KEY_KBHITKEY", Owner::kNone},
    {msg::kHookKeyMacro, "WM_HOOK_KEY_MACRO", Owner::kMacroEditor},
    {msg::kHookKeyMacroMouse, "", Owner::kMacroEditor},
    {msg::kHookMouSingleKey, "WM_HOOK_MOU_SINGLEKEY", Owner::kKeyEditor},
    {msg::kHookMouHitKey, "WM_HOOK_MOU_HitKEY", Owner::kNone},
    {msg::kHookMouMacro, "WM_HOOK_MOU_MACRO", Owner::kMacroEditor},
    {msg::kHookMouMacroMouse, "", Owner::kMacroEditor},
    {msg::kMouseSync, "", Owner::kDeviceSync},
    {msg::kMouseReread, "", Owner::kDeviceSync},
    {msg::kPadSync, "", Owner::kDeviceSync},
    {msg::kPadReread, "", Owner::kDeviceSync},
    {msg::kLedColour, "", Owner::kShell},
    {msg::kLedAlpha, "", Owner::kShell},
    {msg::kKeyboardSync, "", Owner::kDeviceSync},
    {msg::kKeyboardReread, "", Owner::kDeviceSync},
    {msg::kSaveDefaultKeys, "", Owner::kDeviceSync},
}};

// The messages nothing inside the program sends; they are accepted from outside (the local
// socket).
inline constexpr std::array<std::uint32_t, 4> kOutsideMessages = {
    msg::kPadReread, msg::kLedColour, msg::kLedAlpha, msg::kSaveDefaultKeys};

// Timers of the main window.
namespace timer {
inline constexpr int kProgress = 1;      // one shot, 1000 ms: hide "setting_progress"
inline constexpr int kFlush = 2;         // 1000 ms: FlushSettings
inline constexpr int kReactiveTick = 3;  // 10 ms: the keyboard's reactive clock
inline constexpr int kRepaint = 7;       // one shot: repaint and relayout
}  // namespace timer

}  // namespace tavrinex::app
