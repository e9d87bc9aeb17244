// The main layout's custom tags.
#include <gtest/gtest.h>

#include "app/layout_tags.h"

namespace tavrinex::app {
namespace {

TEST(LayoutTagsTest, TagsExpandWithoutRegardToCase) {
  struct Case {
    const char* tag;
    const char* file;
    const char* controlClass;
  };
  for (const Case c : {Case{"kb_Key_UI", "keyboard_key.xml", ""},
                       Case{"KB_KEY_UI", "keyboard_key.xml", ""},
                       Case{"ms_dpi_ui", "Mouse_DPI.xml", ""},
                       Case{"MP_Deng_UI", "MousePad_deng.xml", ""},
                       Case{"circleprogress", "", "CCircleProgressUI"},
                       Case{"CircleProgress", "", "CCircleProgressUI"}}) {
    const auto expansion = ExpandLayoutTag(c.tag);
    ASSERT_TRUE(expansion.has_value()) << c.tag;
    EXPECT_EQ(expansion->layoutFile, c.file) << c.tag;
    EXPECT_EQ(expansion->controlClass, c.controlClass) << c.tag;
  }
  for (const char* other : {"", "kb_Key", "kb_Key_UI ", "CCircleProgressUI", "Mouse_DPI.xml"}) {
    EXPECT_EQ(ExpandLayoutTag(other), std::nullopt) << other;
  }
}

}  // namespace
}  // namespace tavrinex::app
