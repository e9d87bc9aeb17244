#include "keys/macro_library.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "keys/key_image.h"
#include "keys/macro_action.h"
#include "keys/macro_files.h"
#include "storage/ini_file.h"

namespace tavrinex::keys {
namespace {

namespace fs = std::filesystem;
using device::DeviceKind;

// ---- action lines ------------------------------------------------------------------------

TEST(MacroActionTest, TheTwoExampleLines) {
  const auto a = ParseActionLine("5,0,138,4,1,keyboard_key_A");
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(*a, (MacroAction{5, 0, 0x8A, 0x04}));
  EXPECT_EQ(DelayUnits(*a) * 10, 50u);  // ms
  EXPECT_TRUE(IsPressed(*a));
  EXPECT_FALSE(IsMouseAction(*a));
  EXPECT_EQ(ActionLineName("5,0,138,4,1,keyboard_key_A"), "keyboard_key_A");

  const auto b = ParseActionLine("0,1,1,1,0,mouse_key_left");
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(*b, (MacroAction{0, 1, 0x01, 0x01}));
  EXPECT_EQ(DelayUnits(*b) * 10, 2560u);
  EXPECT_FALSE(IsPressed(*b));
  EXPECT_TRUE(IsMouseAction(*b));
  EXPECT_EQ(FormatActionLine(*b, "mouse_key_left"), "0,1,1,1,0,mouse_key_left");
  EXPECT_EQ(FormatActionLine(*a, "keyboard_key_A"), "5,0,138,4,1,keyboard_key_A");
}

TEST(MacroActionTest, LinesThatHoldNoActionOrOddNumbers) {
  struct Case {
    const char* line;
    std::optional<MacroAction> expected;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"0", std::nullopt},  // what an absent key reads as
      {"5,0,138,4,1", std::nullopt},  // five fields
      {"5,0,138,4", std::nullopt},
      {"a,b,c,d,e,f", std::nullopt},
      {"5x,0,138,4,1,n", std::nullopt},
      {",0,138,4,1,n", std::nullopt},
      {"99999999999,0,0,0,0,n", std::nullopt},  // beyond int
      {"+-5,0,0,0,0,n", std::nullopt},
      {"-1,300,0,0,0,n", MacroAction{0xFF, 0x2C, 0, 0}},  // low bytes
      {" 5 ,\t0, 138 ,4,1,n", MacroAction{5, 0, 138, 4}},
      {"+7,0,255,0,junk,n", MacroAction{7, 0, 255, 0}},  // "pressed" is for display only
      {"1,2,3,4,5,a,b,c", MacroAction{1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ParseActionLine(c.line), c.expected);
  }
  EXPECT_EQ(ActionLineName("1,2,3,4,5,a,b,c"), "c");
  EXPECT_EQ(ActionLineName("no comma"), "");
}

TEST(MacroNameTest, NamesThatCannotBeFilesInTheFolder) {
  for (const std::string& bad : {std::string(), std::string("."), std::string(".."),
                                std::string("../x"), std::string("a/b"), std::string("a\\b"),
                                std::string("x\ty"), std::string("x\ny"), std::string(1, '\0'),
                                std::string(300, 'n'), std::string("a\x7f")}) {
    EXPECT_FALSE(IsValidMacroName(bad)) << bad;
  }
  for (const char* good : {"name_1", "my macro", " spaced ", "a..b", "宏一", "x.y"}) {
    EXPECT_TRUE(IsValidMacroName(good)) << good;
  }
  EXPECT_TRUE(IsValidMacroName(std::string(kMaxMacroNameBytes, 'n')));
}

// ---- the library over a folder -------------------------------------------------------------

class MacroLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    root = fs::temp_directory_path() / ("tavrinex_macro_" + std::to_string(seed()));
    folder = root / "kb";
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(root); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
  std::string Text(const std::string& name) {
    std::ifstream in(folder / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteIndex(const std::vector<std::string>& names) {
    std::string text = "[MACROCOUNT]\r\ncount=" + std::to_string(names.size()) + "\r\n[MACRONAME]\r\n";
    for (std::size_t i = 0; i < names.size(); ++i) text += std::to_string(i) + "=" + names[i] + "\r\n";
    Write("kbMacro.ini", text);
  }
  void WriteMacro(const std::string& name, const std::vector<std::string>& lines) {
    std::string text = "[MACROACTIONCOUNT]\r\ncount=" + std::to_string(lines.size()) + "\r\n[MACROACTION]\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i) text += std::to_string(i) + "=" + lines[i] + "\r\n";
    Write(name + ".mac", text);
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  fs::path root;
  fs::path folder;
};

TEST_F(MacroLibraryTest, AddNamesTheFirstFreeNumberFromNPlusOne) {
  struct Case {
    std::vector<std::string> names;
    std::string expected;
  };
  const Case cases[] = {
      {{}, "name_1"},
      {{"name_1", "NAME_2"}, "name_3"},
      {{"name_3", "name_4"}, "name_5"},
      {{"name_2"}, "name_3"},
      {{"x", "Name_3", "name_4"}, "name_5"},
  };
  for (const auto& c : cases) {
    WriteIndex(c.names);
    MacroLibrary library(folder, DeviceKind::kKeyboard);
    const MacroChange change = library.AddMacro();
    EXPECT_EQ(change.outcome, MacroOutcome::kAdded);
    EXPECT_EQ(change.name, c.expected);
    EXPECT_EQ(change.index, c.names.size());
    auto expected = c.names;
    expected.push_back(c.expected);
    EXPECT_EQ(library.LoadMacroIndex(), expected);
    EXPECT_FALSE(fs::exists(folder / (c.expected + ".mac")));  // created by the first save
  }
}

TEST_F(MacroLibraryTest, The51stAddIsRefusedAndChangesNothing) {
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  for (int i = 1; i <= 50; ++i) {
    const auto change = library.AddMacro();
    ASSERT_EQ(change.outcome, MacroOutcome::kAdded);
    ASSERT_EQ(change.name, "name_" + std::to_string(i));
  }
  const std::string before = Text("kbMacro.ini");
  const auto change = library.AddMacro();
  EXPECT_EQ(change.outcome, MacroOutcome::kRefusedFull);
  EXPECT_EQ(Text("kbMacro.ini"), before);
  EXPECT_EQ(library.LoadMacroIndex().size(), kMaxMacros);
}

TEST_F(MacroLibraryTest, IndexFileSpelledOtherwiseIsTheSameFile) {
  Write("KbMacro.ini", "[MACROCOUNT]\r\ncount=1\r\n[MACRONAME]\r\n0=first\r\n");
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  EXPECT_EQ(library.LoadMacroIndex(), std::vector<std::string>{"first"});
  ASSERT_EQ(library.AddMacro().outcome, MacroOutcome::kAdded);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KbMacro.ini"});
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"first", "name_2"}));
}

TEST_F(MacroLibraryTest, SaveWritesTheCountAndTheLines) {
  WriteIndex({"a", "b"});
  WriteMacro("b", {"1,0,138,4,1,keyboard_key_A", "2,0,10,4,0,keyboard_key_A", "3,0,1,1,0,x"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const std::vector<std::string> lines = {"9,0,137,2,1,keyboard_key_LShift"};
  EXPECT_EQ(library.SaveMacro(1, lines).outcome, MacroOutcome::kSaved);
  EXPECT_EQ(library.LoadMacro("b").lines, lines);  // keys past the count stay but do not count
  EXPECT_EQ(profiles::ReadIniInt(folder / "b.mac", "MACROACTIONCOUNT", "count"), 1);
  EXPECT_EQ(library.LoadMacro("B").lines, lines);  // file names ignore case

  const std::vector<std::string> broken = {"1,0,1,1,0,a\nb"};
  EXPECT_EQ(library.SaveMacro(0, broken).outcome, MacroOutcome::kWriteFailed);
  EXPECT_FALSE(fs::exists(folder / "a.mac"));
  EXPECT_EQ(library.SaveMacro(2, lines).outcome, MacroOutcome::kNoSuchMacro);
}

TEST_F(MacroLibraryTest, RenameToAnotherMacrosNameInOtherCaseKeepsBothFiles) {
  WriteIndex({"first", "Second"});
  WriteMacro("first", {"1,0,1,1,0,mouse_key_left"});
  WriteMacro("Second", {"2,0,1,1,0,mouse_key_left"});
  const std::string a = Text("first.mac");
  const std::string b = Text("Second.mac");
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const std::vector<std::string> rows = {"7,0,1,1,0,mouse_key_left"};
  EXPECT_EQ(library.RenameMacro(0, "SECOND", rows).outcome, MacroOutcome::kRefusedDuplicate);
  EXPECT_EQ(library.RenameMacro(0, "FIRST", rows).outcome, MacroOutcome::kUnchanged);
  EXPECT_EQ(Text("first.mac"), a);
  EXPECT_EQ(Text("Second.mac"), b);
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"first", "Second"}));
}

TEST_F(MacroLibraryTest, RenameWritesTheRowsAndMovesTheFile) {
  WriteIndex({"first", "second"});
  WriteMacro("first", {"1,0,1,1,0,mouse_key_left"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const std::vector<std::string> rows = {"7,0,1,1,0,mouse_key_left", "8,0,129,1,1,mouse_key_left"};
  const auto change = library.RenameMacro(0, "renamed", rows);
  EXPECT_EQ(change.outcome, MacroOutcome::kRenamed);
  EXPECT_EQ(change.name, "renamed");
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"renamed", "second"}));
  EXPECT_FALSE(fs::exists(folder / "first.mac"));
  EXPECT_EQ(library.LoadMacro("renamed").lines, rows);

  // A macro never saved has no file: the rows make one under the new name.
  EXPECT_EQ(library.RenameMacro(1, "other", rows).outcome, MacroOutcome::kRenamed);
  EXPECT_EQ(library.LoadMacro("other").lines, rows);
}

TEST_F(MacroLibraryTest, NamesThatWouldLeaveTheFolderAreRefused) {
  WriteIndex({"first"});
  WriteMacro("first", {"1,0,1,1,0,mouse_key_left"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const auto before = FolderEntries();
  const std::vector<std::string> refused = {"../escape", "sub/dir", "..", "", "a\\b",
                                            std::string(300, 'x')};
  for (const std::string& bad : refused) {
    EXPECT_EQ(library.RenameMacro(0, bad, {}).outcome, MacroOutcome::kRefusedInvalidName) << bad;
  }
  EXPECT_EQ(FolderEntries(), before);
  EXPECT_FALSE(fs::exists(root / "escape.mac"));
  EXPECT_EQ(library.LoadMacroIndex(), std::vector<std::string>{"first"});
}

TEST_F(MacroLibraryTest, AnIndexNamingAFileOutsideIsNeverFollowed) {
  std::ofstream(root / "outside.mac") << "[MACROACTIONCOUNT]\r\ncount=1\r\n[MACROACTION]\r\n0=1,0,1,1,0,x\r\n";
  WriteIndex({"../outside"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  EXPECT_TRUE(library.LoadMacro("../outside").lines.empty());
  EXPECT_EQ(library.SaveMacro(0, std::vector<std::string>{"2,0,1,1,0,x"}).outcome,
            MacroOutcome::kRefusedInvalidName);
  EXPECT_EQ(library.DeleteMacro(0).outcome, MacroOutcome::kDeleted);
  EXPECT_TRUE(fs::exists(root / "outside.mac"));
}

TEST_F(MacroLibraryTest, DeletingOneOfThreeRewritesTheIndexWithTwoKeys) {
  WriteIndex({"m0", "m1", "m2"});
  for (const char* n : {"m0", "m1", "m2"}) WriteMacro(n, {"1,0,1,1,0,mouse_key_left"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const auto change = library.DeleteMacro(1);
  EXPECT_EQ(change.outcome, MacroOutcome::kDeleted);
  EXPECT_EQ(change.name, "m1");
  EXPECT_EQ(Text("kbMacro.ini"), "[MACROCOUNT]\r\ncount=2\r\n[MACRONAME]\r\n0=m0\r\n1=m2\r\n");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"kbMacro.ini", "m0.mac", "m2.mac"}));
  EXPECT_EQ(library.DeleteMacro(2).outcome, MacroOutcome::kNoSuchMacro);
}

TEST_F(MacroLibraryTest, DeletionKeepsKeySlotsAndIndexInStep) {
  WriteIndex({"m0", "m1", "m2"});
  DeviceImage image;
  image.Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.info[5] = 104; });
  for (std::uint8_t d = 0; d < 3; ++d) ASSERT_TRUE(SetSlot(image, DeviceKind::kKeyboard, 3, d, {0x70, d, 0}));
  MacroLibrary library(folder, DeviceKind::kKeyboard);

  // What the macro editor does once the questions are answered.
  ASSERT_EQ(CountMacroReferences(image, DeviceKind::kKeyboard, 1), 1u);
  RemoveMacroReferences(image, DeviceKind::kKeyboard, 1);
  ASSERT_EQ(library.DeleteMacro(1).outcome, MacroOutcome::kDeleted);

  const MacroNameList names(library.LoadMacroIndex());
  const auto nameOf = [&](std::size_t slot) {
    const auto f = GetSlot(image, DeviceKind::kKeyboard, 3, slot);
    const auto name = f ? FunctionNameId(*f, &names) : std::nullopt;
    return name ? std::string(name->text) : std::string("(none)");
  };
  EXPECT_EQ(nameOf(0), "m0");
  EXPECT_EQ(nameOf(2), "m2");  // slot 2 now names macro 1, which is m2
  EXPECT_EQ(GetSlot(image, DeviceKind::kKeyboard, 3, 1), (KeyFunction{5, 5, 5}));  // its default
}

TEST_F(MacroLibraryTest, AnIndexNamingOneFileTwiceKeepsItForTheOther) {
  WriteIndex({"same", "other", "SAME"});
  WriteMacro("same", {"1,0,1,1,0,mouse_key_left"});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  EXPECT_EQ(library.DeleteMacro(0).outcome, MacroOutcome::kDeleted);
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"other", "SAME"}));
  EXPECT_EQ(library.LoadMacro("SAME").lines.size(), 1u);
  // Renaming one of two macros sharing a file gives it a file of its own.
  WriteIndex({"same", "SAME"});
  const std::vector<std::string> rows = {"5,0,1,1,0,x"};
  EXPECT_EQ(library.RenameMacro(1, "own", rows).outcome, MacroOutcome::kRenamed);
  EXPECT_EQ(library.LoadMacro("same").lines.size(), 1u);
  EXPECT_EQ(library.LoadMacro("own").lines, rows);
}

TEST_F(MacroLibraryTest, DamagedFilesReadConsistently) {
  // The index misses a key and promises more than it holds; the macro file holds junk lines.
  Write("kbMacro.ini", "[MACROCOUNT]\r\ncount=5\r\n[MACRONAME]\r\n0=a\r\n1=b\r\n3=d\r\n");
  Write("a.mac",
        "[MACROACTIONCOUNT]\r\ncount=2000000000\r\n[MACROACTION]\r\njunk\r\n0=1,0,1,1,0,x\r\n"
        "01=bad key\r\n 2 = 2,0,1,1,0,y\r\n7=not an action\r\n[OTHER]\r\n3=elsewhere\r\n");
  Write("b.mac", "[MACROACTIONCOUNT]\r\ncount=-5\r\n[MACROACTION]\r\n0=1,0,1,1,0,x\r\n");
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  // Missing names read as "0", as every missing value does: "d" keeps position 3, which key
  // slots refer to.
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"a", "b", "0", "d", "0"}));
  EXPECT_EQ(library.LoadMacro("a").lines,
            (std::vector<std::string>{"1,0,1,1,0,x", "2,0,1,1,0,y", "not an action"}));
  EXPECT_TRUE(library.LoadMacro("b").lines.empty());
  EXPECT_TRUE(library.LoadMacro("missing").lines.empty());
  // Adding after a damaged index continues from the names it reads.
  EXPECT_EQ(library.AddMacro().name, "name_6");
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"a", "b", "0", "d", "0", "name_6"}));
}

TEST_F(MacroLibraryTest, FilesReadAsTheIniServiceReadsThem) {
  // Only the first section of a name counts, and in it the first key of a name; blanks around
  // names and values go, and one pair of quotes around a value.
  Write("kbMacro.ini",
        "[macrocount]\r\ncount = 2\r\n[MACRONAME]\r\n0 = 'quoted'\r\n1=b\r\n1=second\r\n"
        "[MACRONAME]\r\n2=late\r\n");
  Write("b.mac",
        "[MACROACTION]\r\n1=\" 1,0,1,1,0,x \"\r\n0=first\r\n0=again\r\n[MACROACTIONCOUNT]\r\n"
        "count=3\r\n[MACROACTION]\r\n2=late\r\n");
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  EXPECT_EQ(library.LoadMacroIndex(), (std::vector<std::string>{"quoted", "b"}));
  EXPECT_EQ(library.LoadMacro("b").lines, (std::vector<std::string>{"first", " 1,0,1,1,0,x "}));
}

TEST_F(MacroLibraryTest, LongNamesReadBackCutAndFindNoFile) {
  const std::string longName(300, 'n');
  WriteIndex({longName});
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const auto names = library.LoadMacroIndex();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].size(), 259u);  // the read buffer
  EXPECT_TRUE(library.LoadMacro(names[0]).lines.empty());
  EXPECT_EQ(library.SaveMacro(0, std::vector<std::string>{}).outcome,
            MacroOutcome::kRefusedInvalidName);
}

TEST_F(MacroLibraryTest, TheMousePadHasNoLibrary) {
  MacroLibrary library(folder, DeviceKind::kMousePad);
  EXPECT_TRUE(library.LoadMacroIndex().empty());
  EXPECT_EQ(library.AddMacro().outcome, MacroOutcome::kWriteFailed);
}

}  // namespace
}  // namespace tavrinex::keys
