// The key pictures' clicks and drags, as event sequences: what is painted, where a ripple
// starts, and when the light profile is saved.
#include "lighting/key_picture_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"

namespace tavrinex::lighting {
namespace {

using ui::EventType;

constexpr ui::Rgb kPaint{9, 8, 7};
constexpr std::size_t kPositionWithoutLed = 16;  // no key there
static_assert(kKeyLedMap[kPositionWithoutLed] == kNone);

struct Step {
  EventType type;
  int position;
};

struct Case {
  const char* name;
  LightingMode mode;
  std::vector<Step> steps;
  std::vector<std::size_t> painted;  // positions whose LED takes the paint
  std::vector<std::string> calls;    // saves and ripples, in order
};

class KeyPictureEditorTest : public testing::TestWithParam<Case> {};

TEST_P(KeyPictureEditorTest, PaintsRipplesAndSaves) {
  const Case& c = GetParam();
  device::DeviceImage image;
  image.Update(DeviceKind::kKeyboard, [&](device::DeviceBlocks& b) { b.current[rec::kMode] = Code(c.mode); });
  LightingStore store;
  store.UpdateCustom([](CustomColours& s) { s.customColour = kPaint; });
  std::vector<std::string> calls;
  LightingHooks hooks;
  hooks.saveSelectedLightProfile = [&](DeviceKind) { calls.emplace_back("save"); };
  hooks.startReactiveRipple = [&](std::size_t p) { calls.push_back("ripple " + std::to_string(p)); };
  KeyPictureEditor editor(store, image, hooks);
  for (const Step& s : c.steps) editor.OnKeyPicture(s.type, s.position);
  EXPECT_EQ(calls, c.calls);
  const CustomColours now = store.Custom();
  std::size_t lit = 0;
  for (std::size_t led = 0; led < kKeyPositions; ++led) lit += now.Triple(0, led) == kPaint ? 1U : 0U;
  EXPECT_EQ(lit, c.painted.size());
  for (const std::size_t p : c.painted) EXPECT_EQ(now.Triple(0, kKeyLedMap[p]), kPaint) << p;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeyPictureEditorTest,
    testing::Values(
        Case{"CustomClick", LightingMode::kKbCustom, {{EventType::kClick, 44}}, {44}, {"save"}},
        Case{"CustomDrag", LightingMode::kKbCustom,
             {{EventType::kDragOver, 43}, {EventType::kDragOver, 44}, {EventType::kDragOver, 45},
              {EventType::kDragEnd, 45}},
             {43, 44, 45}, {"save"}},
        // Nothing with an LED was passed: nothing changed, nothing to save.
        Case{"CustomDragOverNoLed", LightingMode::kKbCustom,
             {{EventType::kDragOver, kPositionWithoutLed}, {EventType::kDragOver, -1},
              {EventType::kDragOver, 500}, {EventType::kDragEnd, 500}},
             {}, {}},
        // A second drag saves again, once.
        Case{"TwoDrags", LightingMode::kKbCustom,
             {{EventType::kDragOver, 43}, {EventType::kDragEnd, 43}, {EventType::kDragOver, 64},
              {EventType::kDragEnd, 64}},
             {43, 64}, {"save", "save"}},
        Case{"ReactiveDrag", LightingMode::kKbReactive,
             {{EventType::kClick, 44}, {EventType::kDragOver, 64}, {EventType::kDragOver, 65},
              {EventType::kDragEnd, 65}},
             {}, {"ripple 44", "ripple 64", "ripple 65"}},
        Case{"OtherMode", LightingMode::kBreathing,
             {{EventType::kClick, 44}, {EventType::kDragOver, 64}, {EventType::kDragEnd, 64}}, {}, {}}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tavrinex::lighting
