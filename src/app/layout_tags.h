// The main layout's custom tags: most stand for the controls of another layout file, loaded
// in their place; "CircleProgress" creates a circular progress control. Tags compare without
// regard to case; any other tag stands for nothing.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ui/ui.h"

namespace tavrinex::app {

struct LayoutTag {
  std::string_view tag;
  std::string_view layoutFile;
};

inline constexpr std::array<LayoutTag, 8> kLayoutTags = {{
    {"kb_Key_UI", "keyboard_key.xml"},
    {"kb_Deng_UI", "keyboard_deng.xml"},
    {"kb_Macro_UI", "keyboard_macro.xml"},
    {"MS_Deng_UI", "Mouse_deng.xml"},
    {"MS_Macro_UI", "Mouse_macro.xml"},
    {"MS_Key_UI", "Mouse_key.xml"},
    {"MP_deng_UI", "MousePad_deng.xml"},
    {"MS_DPI_UI", "Mouse_DPI.xml"},
}};
inline constexpr std::string_view kCircleProgressTag = "CircleProgress";

[[nodiscard]] std::optional<ui::TagExpansion> ExpandLayoutTag(std::string_view tag);

}  // namespace tavrinex::app
