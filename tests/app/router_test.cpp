// The routing tables and the click dispatcher, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/router.h"
#include "app/routing_tables.h"

namespace tavrinex::app {
namespace {

TEST(SplitAtLastUnderscore, CutsAtTheLastUnderscoreAndReadsTheLeadingDigits) {
  struct Case {
    std::string_view name;
    std::string_view prefix;
    int index;
  };
  const Case cases[] = {
      {"kb_key_12", "kb_key_", 12},
      {"ms_DPI_color_btn_2", "ms_DPI_color_btn_", 2},
      {"kb_key_butt_prosave", "kb_key_butt_", 0},  // not a number: 0
      {"ms_profile_3x", "ms_profile_", 3},         // leading digits only
      {"kb_dkey_", "kb_dkey_", 0},
      {"kb_key_99999999999999999999", "kb_key_", 2147483647},  // saturated, no overflow
      {"closebtn", "", 0},
  };
  for (const Case& c : cases) {
    const SplitName split = SplitAtLastUnderscore(c.name);
    EXPECT_EQ(split.prefix, c.prefix) << c.name;
    EXPECT_EQ(split.index, c.index) << c.name;
  }
}

struct RouterFixture : testing::Test {
  std::vector<std::string> lines;
  std::vector<std::string> calls;
  Router router{[this](std::string_view l) { lines.emplace_back(l); }};

  static ui::Notification Click(std::string name) {
    ui::Notification n;
    n.type = ui::EventType::kClick;
    n.senderName = std::move(name);
    return n;
  }
  IndexHandler Prefix(std::string tag) {
    return [this, tag](int i, const ui::Notification&) {
      calls.push_back(tag + ":" + std::to_string(i));
    };
  }
  Handler Name(std::string tag) {
    return [this, tag](const ui::Notification&) { calls.push_back(tag); };
  }
};

TEST_F(RouterFixture, DpiColourButtonTwoReachesItsHandlerThenTheNameTable) {
  ASSERT_TRUE(router.RegisterPrefix("ms_DPI_color_btn_", Prefix("dpi")));
  router.RouteClick(Click("ms_DPI_color_btn_2"));
  EXPECT_EQ(calls, std::vector<std::string>{"dpi:2"});
  // It continued into the click table, which holds no such name: no owner is reported.
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(Router::OwnerOf(Table::kClick, "ms_DPI_color_btn_2"), Owner::kNone);
}

TEST_F(RouterFixture, ProsaveMatchesNoPrefixAndReachesTheNameTable) {
  ASSERT_TRUE(router.RegisterPrefix("kb_key_", Prefix("key")));
  ASSERT_TRUE(router.Register(Table::kClick, "kb_key_butt_prosave", Name("save")));
  router.RouteClick(Click("KB_Key_Butt_ProSave"));  // names compare without case
  EXPECT_EQ(calls, std::vector<std::string>{"save"});
}

TEST_F(RouterFixture, StoppingPrefixesEndTheClick) {
  ASSERT_TRUE(router.RegisterPrefix("kb_key_", Prefix("key")));
  router.RouteClick(Click("kb_key_17"));
  EXPECT_EQ(calls, std::vector<std::string>{"key:17"});
  EXPECT_TRUE(lines.empty());
}

TEST_F(RouterFixture, ARouteWithoutItsOwnerSaysWhichOwnerIsMissing) {
  router.RouteClick(Click("kb_macro_btn_redio"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("macro editor"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("kb_macro_btn_redio"), std::string::npos);

  lines.clear();
  router.RouteClick(Click("mp_Deng_color_btn_4"));  // continue prefix, owner missing
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("lighting editor"), std::string::npos) << lines[0];

  lines.clear();
  EXPECT_TRUE(router.RouteMessage({msg::kHookKeySingleKey, 0, 0, {}}));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "WM_HOOK_KEY_SINGLEKEY");
  EXPECT_NE(lines[1].find("key editor"), std::string::npos);
}

TEST_F(RouterFixture, NamesOutsideTheTablesAreRefusedOrIgnored) {
  EXPECT_FALSE(router.Register(Table::kClick, "no_such_button", Name("x")));
  EXPECT_FALSE(router.RegisterPrefix("kb_nothing_", Prefix("x")));
  EXPECT_FALSE(router.RegisterMessage(0x0999, [](const ui::Message&) { return 0; }));
  EXPECT_EQ(lines.size(), 3u);
  lines.clear();
  router.RouteClick(Click("homepage_btn"));  // a demo control: ignored
  EXPECT_FALSE(router.RouteMessage({0x0999, 0, 0, {}}));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(calls.empty());
}

TEST_F(RouterFixture, EveryTableRoutesItsNamesToItsHandler) {
  struct Case {
    Table table;
    std::string_view name;
    Owner owner;
  };
  const Case cases[] = {
      {Table::kItemSelect, "ms_key_fct_combo_23", Owner::kKeyEditor},
      {Table::kItemSelect, "mp_deng_combo_profile", Owner::kLightingModel},
      {Table::kSlider, "ms_sensor_height_slider", Owner::kPointerSettings},
      {Table::kPalette, "Pallet", Owner::kPointerSettings},
      {Table::kText, "kb_key_fct_edit_25", Owner::kKeyEditor},
      {Table::kText, "ms__macro_edit_ActionDelay", Owner::kMacroEditor},
      {Table::kSelectLate, "kb_Deng_all_kill_check", Owner::kLightingEditor},
      {Table::kClick, "kb_macro_inset_movedownkey_btn", Owner::kMacroEditor},
      {Table::kClick, "mp_pro_deng_edit_btn", Owner::kProfileListOps},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Router::OwnerOf(c.table, c.name), c.owner) << c.name;
    calls.clear();
    ASSERT_TRUE(router.Register(c.table, c.name, Name(std::string(c.name))));
    ui::Notification n = Click(std::string(c.name));
    EXPECT_TRUE(router.Route(c.table, n));
    EXPECT_EQ(calls, std::vector<std::string>{std::string(c.name)});
  }
  // The text table knows 11, 12 and 15 to 20 and 25, not 13.
  EXPECT_EQ(Router::OwnerOf(Table::kText, "kb_key_fct_edit_13"), Owner::kNone);
}

TEST_F(RouterFixture, MacroOptionButtonsEndWithoutAction) {
  ui::Notification n = Click("ms_macro_mouse_roller");
  EXPECT_TRUE(router.Route(Table::kSelectEarly, n));
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace tavrinex::app
