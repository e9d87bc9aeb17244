// The key editor's operations without controls: fields to function and back, typed numbers,
// key tooltips and the left-click guard.
#include <gtest/gtest.h>

#include "keys/key_editor_ops.h"

namespace tavrinex::keys {
namespace {

using device::DeviceKind;

FieldValues NoFields() {
  FieldValues v{};
  for (Field f : {Field::kMouseButton, Field::kLrDirection, Field::kUdDirection, Field::kDpi,
                  Field::kMedia, Field::kSystem, Field::kMacro, Field::kPlayMode}) {
    v[At(f)] = -1;
  }
  return v;
}

FieldValues With(std::initializer_list<std::pair<Field, int>> set) {
  FieldValues v = NoFields();
  for (const auto& [f, value] : set) v[At(f)] = value;
  return v;
}

TEST(KeyEditorOps, FieldsBuildTheFunctionOfEachKind) {
  constexpr KeyFunction kDefault{0x20, 0, 0x04};
  constexpr KeyFunction kEdited{0x20, 0, 0x58};
  struct Case {
    std::uint8_t kind;
    FieldValues fields;
    std::optional<KeyFunction> built;
  };
  const Case cases[] = {
      {0x00, NoFields(), kDefault},
      {0x10, With({{Field::kMouseButton, 3}}), KeyFunction{0x10, 0x10, 0}},
      {0x10, NoFields(), std::nullopt},  // no row chosen: nothing stored
      {0x11, With({{Field::kLrDirection, 1}, {Field::kLrAmount, 5}, {Field::kLrHigh, 3}, {Field::kLrLow, 2}}),
       KeyFunction{0x11, 0x32, 0x85}},
      {0x11, With({{Field::kLrDirection, 0}, {Field::kLrAmount, 127}, {Field::kLrHigh, 15}, {Field::kLrLow, 15}}),
       KeyFunction{0x11, 0xFF, 0x7F}},
      {0x12, With({{Field::kUdDirection, 1}, {Field::kUdAmount, 0}, {Field::kUdHigh, 0}, {Field::kUdLow, 9}}),
       KeyFunction{0x12, 0x09, 0x80}},
      {0x13, With({{Field::kDpi, 2}}), KeyFunction{0x13, 3, 0}},
      {0x14, With({{Field::kFire1, 255}, {Field::kFire2, 7}}), KeyFunction{0x14, 255, 7}},
      {0x20, NoFields(), kEdited},
      {0x30, With({{Field::kMedia, 6}}), KeyFunction{0x30, 0xE9, 0x00}},
      {0x40, With({{Field::kSystem, 1}}), KeyFunction{0x40, 0x02, 0}},
      {0x70, With({{Field::kMacro, 3}, {Field::kPlayMode, 2}, {Field::kRepeatCount, 10}}),
       KeyFunction{0x71, 3, 10}},
      {0x70, With({{Field::kMacro, 3}, {Field::kPlayMode, 1}}), KeyFunction{0x70, 3, 1}},
      {0x70, With({{Field::kPlayMode, 1}}), std::nullopt},  // no macro chosen
      {0x50, NoFields(), std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildFunction(c.kind, c.fields, kDefault, kEdited, true), c.built)
        << "kind " << int(c.kind);
  }
  EXPECT_EQ(BuildFunction(0x20, NoFields(), kDefault, kEdited, false), std::nullopt)
      << "no key captured yet";
}

TEST(KeyEditorOps, AStoredFunctionShowsTheFieldsThatBuildItAgain) {
  const KeyFunction functions[] = {{0x10, 0x08, 0}, {0x11, 0x32, 0x85}, {0x12, 0x00, 0x05},
                                   {0x13, 1, 0},    {0x14, 9, 200},     {0x30, 0xB7, 0x00},
                                   {0x40, 0x04, 0}, {0x70, 2, 1},       {0x71, 2, 10}};
  for (const DeviceKind device : {DeviceKind::kKeyboard, DeviceKind::kMouse}) {
    for (const KeyFunction fn : functions) {
      const FunctionView view = ViewOfFunction(device, fn, false, 3);
      ASSERT_TRUE(view.selector) << int(fn.kind);
      FieldValues fields = NoFields();
      for (const auto& [f, value] : view.fields) fields[At(f)] = value;
      const std::uint8_t kind = SelectorKinds(device)[static_cast<std::size_t>(*view.selector)];
      EXPECT_EQ(BuildFunction(kind, fields, {}, {}, false), fn) << int(fn.kind);
    }
  }
}

TEST(KeyEditorOps, DefaultsKeyboardKeysMissingMacrosAndCarriedKinds) {
  EXPECT_EQ(ViewOfFunction(DeviceKind::kKeyboard, {0x14, 1, 1}, true, 0).selector, 0)
      << "the factory function shows index 0";
  EXPECT_EQ(ViewOfFunction(DeviceKind::kMouse, {0x00, 1, 1}, true, 0).selector, 0);
  const FunctionView key = ViewOfFunction(DeviceKind::kKeyboard, {0x20, 0, 0x58}, false, 0);
  EXPECT_EQ(key.selector, 1);
  EXPECT_EQ(key.capturedName, "keyboard_key_Num Enter");
  EXPECT_EQ(ViewOfFunction(DeviceKind::kMouse, {0x20, 0, 0x58}, false, 0).selector, 6);
  const FunctionView gone = ViewOfFunction(DeviceKind::kKeyboard, {0x70, 5, 0}, false, 5);
  EXPECT_TRUE(gone.clearMacro);
  EXPECT_EQ(gone.selector, 9);
  for (const int c : {0x15, 0x21, 0x50, 0xA0, 0xC0}) {
    const auto carried = static_cast<std::uint8_t>(c);
    const FunctionView view = ViewOfFunction(DeviceKind::kKeyboard, {carried, 2, 2}, false, 0);
    EXPECT_FALSE(view.selector) << int(carried);
    EXPECT_TRUE(view.fields.empty());
  }
}

TEST(KeyEditorOps, TypedNumbersReadAsTheirLeadingDigitsAndClampToTheMaximum) {
  struct Case {
    const char* text;
    int maximum;
    int value;
    std::optional<std::string> rewrite;
  };
  const Case cases[] = {{"300", 255, 255, "255"}, {"255", 255, 255, std::nullopt},
                        {"12", 15, 12, std::nullopt}, {"16", 15, 15, "15"},
                        {"abc", 255, 0, std::nullopt}, {"", 127, 0, std::nullopt},
                        {"42x", 255, 42, std::nullopt}, {"-5", 255, 0, "0"},
                        {"99999999999999999999", 127, 127, "127"}, {" 7", 15, 7, std::nullopt}};
  for (const Case& c : cases) {
    const ClampedNumber n = ClampTyped(c.text, c.maximum);
    EXPECT_EQ(n.value, c.value) << c.text;
    EXPECT_EQ(n.rewrite, c.rewrite) << c.text;
  }
}

TEST(KeyEditorOps, TooltipNamesTheFactoryKeyAndWhatItDoesNow) {
  const Translate t = [](std::string_view id) { return "<" + std::string(id) + ">"; };
  constexpr KeyFunction kA{0x20, 0, 0x04};
  const KeyLabel same = ComposeKeyLabel({FunctionName::Source::kLanguageId, "KEYBOARD_KEY_a"}, kA, t);
  EXPECT_EQ(same.tooltip, "<keyboard_key_A>") << "compared without regard to case";
  EXPECT_FALSE(same.reassigned);
  const KeyLabel swing = ComposeKeyLabel({FunctionName::Source::kLanguageId, "mouse_key_right_Swing"}, kA, t);
  EXPECT_EQ(swing.tooltip, "<keyboard_key_A><Key_Set><mouse_key_right_Swing>");
  EXPECT_TRUE(swing.reassigned);
  const KeyLabel macro = ComposeKeyLabel({FunctionName::Source::kMacroName, "combo"}, kA, t);
  EXPECT_EQ(macro.tooltip, "<keyboard_key_A><Key_Set>combo") << "a macro name is plain text";
}

TEST(KeyEditorOps, OnlyTheSingleLeftClickButtonIsGuarded) {
  std::array<KeyFunction, 6> buttons = {{{0x10, 1, 0}, {0x10, 4, 0}, {0x10, 2, 0},
                                         {0x10, 0x10, 0}, {0x10, 8, 0}, {0x13, 3, 0}}};
  EXPECT_TRUE(IsOnlyLeftClick(buttons, 0));
  EXPECT_FALSE(IsOnlyLeftClick(buttons, 2));
  buttons[4] = {0x10, 1, 0};
  EXPECT_FALSE(IsOnlyLeftClick(buttons, 0));
  EXPECT_FALSE(IsOnlyLeftClick(buttons, 4));
}

}  // namespace
}  // namespace tavrinex::keys
