#include "keys/macro_capacity.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tavrinex::keys {
namespace {

namespace fs = std::filesystem;
using device::DeviceKind;

MacroActions Actions(std::size_t n) { return MacroActions(n, MacroAction{5, 0, 0x8A, 4}); }

struct Case {
  const char* what;
  std::vector<std::size_t> actionsPerMacro;
  std::uint8_t units;
  MacroAreaVerdict verdict;
  std::size_t used;
  std::size_t toRemove;  // actions or macros, as the warning shows it
};

// Two units are 256 bytes; two macros cost 16 + 12 bytes before their actions.
const Case kCases[] = {
    {"no macros, no area", {}, 0, MacroAreaVerdict::kEmpty, 0, 0},
    {"one macro of three actions", {3}, 1, MacroAreaVerdict::kFits, 34, 0},
    {"exactly full", {0, 57}, 2, MacroAreaVerdict::kFits, 256, 0},
    {"four bytes over: one action", {0, 58}, 2, MacroAreaVerdict::kTooManyActions, 260, 1},
    {"eight bytes over: two actions", {20, 39}, 2, MacroAreaVerdict::kTooManyActions, 264, 2},
    {"macros but no area", {0}, 0, MacroAreaVerdict::kNoMacroArea, 22, 0},
    {"the headers alone too large", std::vector<std::size_t>(19, 0), 1,
     MacroAreaVerdict::kTooManyMacros, 130, 1},
    {"the largest macros go first", [] {
       std::vector<std::size_t> v(20, 0);
       v[7] = 10;
       return v;
     }(), 1, MacroAreaVerdict::kTooManyMacros, 176, 2},
};

TEST(MacroCapacityTest, VerdictsAndNumbers) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    std::vector<MacroActions> macros;
    for (std::size_t n : c.actionsPerMacro) macros.push_back(Actions(n));
    const MacroAreaUse use = MeasureMacroArea(macros, c.units);
    EXPECT_EQ(use.verdict, c.verdict);
    EXPECT_EQ(use.usedBytes, c.used);
    EXPECT_EQ(use.capacityBytes, 128u * c.units);
    EXPECT_EQ(SaveWarningNumber(use), c.toRemove);
    EXPECT_EQ(SaveWarningId(use).empty(), use.Fits());
    if (!macros.empty()) {
      EXPECT_EQ(use.usedBytes, EncodeMacroBlob(macros)->size());
    }
  }
}

// The warning's number is a promise: removing that many (and no fewer) makes the library fit.
TEST(MacroCapacityTest, RemovingTheNumberShownIsEnoughAndNeeded) {
  for (std::size_t n = 50; n < 70; ++n) {
    std::vector<MacroActions> macros = {Actions(3), Actions(n)};
    const MacroAreaUse use = MeasureMacroArea(macros, 2);
    if (use.Fits()) continue;
    ASSERT_EQ(use.verdict, MacroAreaVerdict::kTooManyActions);
    macros[1].resize(n - use.actionsToRemove);
    EXPECT_TRUE(MeasureMacroArea(macros, 2).Fits()) << n;
    macros[1].push_back({});
    EXPECT_FALSE(MeasureMacroArea(macros, 2).Fits()) << n;
    // The save action's own check agrees on what fits.
    EXPECT_EQ(CheckMacroCapacity(MacroBlobLength(macros), 2).fits, false);
  }
}

TEST(MacroCapacityTest, AChangedMacroMeasuredBeforeItIsSaved) {
  const std::vector<MacroActions> library = {Actions(10), Actions(20)};
  const MacroActions longer = Actions(54);
  // 16 + 12 + 4 x (10 + 54) = 284 > 256: 7 actions too many; the library itself still fits.
  EXPECT_TRUE(MeasureMacroArea(library, 2).Fits());
  const MacroAreaUse changed = MeasureWithChange(library, 1, longer, 2);
  EXPECT_EQ(changed.usedBytes, 284u);
  EXPECT_EQ(changed.actionsToRemove, 7u);
  EXPECT_EQ(SaveWarningId(changed), kMessageSaveTooManyActions);
  // A new macro at the end adds its header as well.
  EXPECT_EQ(MeasureWithChange(library, 2, Actions(1), 2).usedBytes, 16u + 18u + 4u * 31u);
  // An index past the end leaves the library as it is.
  EXPECT_EQ(MeasureWithChange(library, 5, longer, 2).usedBytes, 16u + 12u + 4u * 30u);
  // A device without a macro area says so, whatever the change.
  EXPECT_EQ(SaveWarningId(MeasureWithChange(library, 0, {}, 0)), kMessageSaveNoMacroArea);
}

TEST(MacroCapacityTest, MeasuredFromTheFilesAsTheSaveReadsThem) {
  std::string pattern = (fs::temp_directory_path() / "tavrinex-capacity-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path folder = pattern;
  std::ofstream(folder / "kbMacro.ini") << "[MACROCOUNT]\r\ncount=2\r\n[MACRONAME]\r\n0=a\r\n1=b\r\n";
  std::ofstream(folder / "a.mac") << "[MACROACTIONCOUNT]\r\ncount=3\r\n[MACROACTION]\r\n"
                                     "0=5,0,138,4,1,keyboard_key_A\r\n1=junk\r\n2=5,0,10,4,0,keyboard_key_A\r\n";
  // "b" has no file: no actions.
  const MacroLibrary library(folder, DeviceKind::kKeyboard);
  const auto macros = ReadLibraryActions(library);
  const MacroAreaUse use = MeasureMacroArea(macros, 1);
  EXPECT_EQ(use.usedBytes, 16u + 12u + 8u);  // the junk line is no action on the device either
  EXPECT_EQ(use.usedBytes, EncodeMacroBlob(macros)->size());

  // Against the device's area, and with the editor's unsaved rows for "b".
  DeviceImage image;
  image.Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.info[6] = 1; });
  EXPECT_EQ(MeasureLibrary(library, image).usedBytes, use.usedBytes);
  EXPECT_EQ(MeasureLibrary(library, image).capacityBytes, 128u);
  const std::vector<std::string> rows(24, "1,0,129,1,1,mouse_key_left");
  const MacroAreaUse changed = MeasureLibraryWithChange(library, image, 1, rows);
  EXPECT_EQ(changed.usedBytes, 36u + 4u * 24u);  // 132: one action too many
  EXPECT_EQ(changed.actionsToRemove, 1u);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

TEST(MacroCapacityTest, AreaUnitsFromTheInfoBlock) {
  DeviceImage image;
  image.Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.info[6] = 24; });
  image.Update(DeviceKind::kMousePad, [](device::DeviceBlocks& b) { b.info[6] = 9; });
  EXPECT_EQ(MacroAreaUnits(image, DeviceKind::kKeyboard), 24);
  EXPECT_EQ(MacroAreaUnits(image, DeviceKind::kMouse), 0);
  EXPECT_EQ(MacroAreaUnits(image, DeviceKind::kMousePad), 0);  // plays no macros
}

}  // namespace
}  // namespace tavrinex::keys
