#include "profiles/profile_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/ini_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;
using testing::Utf16LeFile;
constexpr ProfileListKind kLight = ProfileListKind::kLight;
constexpr ProfileListKind kKey = ProfileListKind::kKey;

// A new keyboard catalogue as the Windows program leaves it in a Unicode file: the first-run
// creation writes count, link flag, name and select of the light list, then of the key list.
constexpr std::u16string_view kWindowsFirstRun =
    u"[PROFILEDENGCOUNT]\r\ncount=1\r\n"
    u"[PROFILELIKEDENGEXE]\r\n0=0\r\n"
    u"[PROFILEDENGNAME]\r\n0=新配置文件1\r\n"
    u"[PROFILEDENGSELECT]\r\nselect=0\r\n"
    u"[PROFILECOUNT]\r\ncount=1\r\n"
    u"[PROFILELIKEEXE]\r\n0=0\r\n"
    u"[PROFILENAME]\r\n0=新配置文件1\r\n"
    u"[PROFILESELECT]\r\nselect=0\r\n";

// The same file in the legacy Chinese code page, as Windows writes a file it had to create.
const std::string kWindowsFirstRunGbk =
    "[PROFILEDENGCOUNT]\r\ncount=1\r\n[PROFILELIKEDENGEXE]\r\n0=0\r\n"
    "[PROFILEDENGNAME]\r\n0=\xD0\xC2\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE" "1\r\n"
    "[PROFILEDENGSELECT]\r\nselect=0\r\n[PROFILECOUNT]\r\ncount=1\r\n[PROFILELIKEEXE]\r\n0=0\r\n"
    "[PROFILENAME]\r\n0=\xD0\xC2\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE" "1\r\n"
    "[PROFILESELECT]\r\nselect=0\r\n";

class ProfileCatalogueTest : public testing::TempDocuments {
 protected:
  std::string KbCatalogue() const { return documents_.string() + "/Zepha QX19/kb/kbProfile.ini"; }
  // Catalogue text written by hand into the keyboard folder.
  void WriteKb(std::string_view text) { WriteBytes(KbCatalogue(), text); }
  ProfileCatalogue kb_{DeviceKind::kKeyboard};
};

TEST_F(ProfileCatalogueTest, PathsLieInTheDeviceAndSettingsFolders) {
  const std::string settings = documents_.string() + "/Zepha QX19/";
  EXPECT_EQ(CataloguePath(DeviceKind::kKeyboard), settings + "kb/kbProfile.ini");
  EXPECT_EQ(CataloguePath(DeviceKind::kMouse), settings + "ms/msProfile.ini");
  EXPECT_EQ(CataloguePath(DeviceKind::kMousePad), settings + "mp/mpProfile.ini");
  EXPECT_EQ(MainIniPath(), settings + "main.ini");
  EXPECT_TRUE(HasList(DeviceKind::kMouse, kKey));
  EXPECT_FALSE(HasList(DeviceKind::kMousePad, kKey));
  EXPECT_TRUE(HasList(DeviceKind::kMousePad, kLight));
}

TEST_F(ProfileCatalogueTest, FirstRunCatalogueWrittenByUsIsTheWindowsFile) {
  for (const ProfileListKind list : {kLight, kKey}) {
    EXPECT_TRUE(kb_.SetCount(list, 1));
    EXPECT_TRUE(kb_.SetLinkFlag(list, 0, false));
    EXPECT_TRUE(kb_.SetName(list, 0, kFirstProfileName));
    EXPECT_TRUE(kb_.SetSelect(list, 0));
  }
  EXPECT_EQ(ReadBytes(KbCatalogue()), Utf16LeFile(kWindowsFirstRun));
}

TEST_F(ProfileCatalogueTest, WindowsFilesReadAsWritten) {
  for (const std::string& file : {Utf16LeFile(kWindowsFirstRun), kWindowsFirstRunGbk}) {
    WriteKb(file);
    for (const ProfileListKind list : {kLight, kKey}) {
      const ProfileListContents contents = kb_.ReadList(list);
      EXPECT_EQ(contents.count, 1);
      EXPECT_EQ(contents.names, std::vector<std::string>{std::string(kFirstProfileName)});
      EXPECT_EQ(kb_.Name(list, 0), kFirstProfileName);
      EXPECT_EQ(kb_.LinkFlag(list, 0), 0);
      EXPECT_EQ(kb_.Select(list), 0);
      EXPECT_EQ(kb_.Program(list, 0), "0");
    }
  }
}

// A legacy file that we change becomes the Unicode file, so that every Windows system reads the
// Chinese names back; everything else in it stays.
TEST_F(ProfileCatalogueTest, ChangingALegacyWindowsFileGivesTheUnicodeWindowsFile) {
  WriteKb(kWindowsFirstRunGbk);
  EXPECT_TRUE(kb_.SetSelect(kLight, 0));  // unchanged: the file is left as it was
  EXPECT_EQ(ReadBytes(KbCatalogue()), kWindowsFirstRunGbk);
  EXPECT_TRUE(kb_.SetSelect(kKey, 1));
  std::u16string expected(kWindowsFirstRun);
  expected.replace(expected.rfind(u"select=0"), 8, u"select=1");
  EXPECT_EQ(ReadBytes(KbCatalogue()), Utf16LeFile(expected));
}

TEST_F(ProfileCatalogueTest, LinkedProgramPathsReadBackAsWindowsWroteThem) {
  WriteKb(Utf16LeFile(u"[PROFILELIKEDENGEXE]\r\n1=1\r\n[DENGPROCESS]\r\n"
                      u"1=C:\\Program Files\\游戏\\game.exe\r\n"));
  EXPECT_EQ(kb_.LinkFlag(kLight, 1), 1);
  EXPECT_EQ(kb_.Program(kLight, 1), "C:\\Program Files\\游戏\\game.exe");
  EXPECT_EQ(kb_.LinkFlag(kKey, 1), 0);  // the key list's sections are separate
}

TEST_F(ProfileCatalogueTest, PartlyMissingListsReadAsTheirDefaults) {
  const struct {
    const char* what;
    std::string_view text;
    int count;
    std::vector<std::string> names;
  } cases[] = {
      {"no file", "", 0, {}},
      {"count 2 with one name", "[PROFILEDENGCOUNT]\ncount=2\n[PROFILEDENGNAME]\n0=P\n", 2,
       {"P", "0"}},
      {"count -1", "[PROFILEDENGCOUNT]\ncount=-1\n[PROFILEDENGNAME]\n0=P\n", -1, {}},
      {"count not a number", "[PROFILEDENGCOUNT]\ncount=two\n[PROFILEDENGNAME]\n0=P\n", 0, {}},
      {"count with trailing text", "[PROFILEDENGCOUNT]\ncount=1x\n[PROFILEDENGNAME]\n0=P\n", 1,
       {"P"}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(KbCatalogue());
    if (!c.text.empty()) WriteKb(c.text);
    const ProfileListContents contents = kb_.ReadList(kLight);
    EXPECT_EQ(contents.count, c.count) << c.what;
    EXPECT_EQ(contents.names, c.names) << c.what;
    EXPECT_EQ(kb_.Count(kLight), c.count) << c.what;
    EXPECT_EQ(kb_.LinkFlag(kLight, 0), 0) << c.what;
    EXPECT_EQ(kb_.Select(kLight), 0) << c.what;
  }
}

TEST_F(ProfileCatalogueTest, ADamagedCountDoesNotMakeEndlessEntries) {
  WriteKb("[PROFILECOUNT]\ncount=2147483647\n");
  const ProfileListContents contents = kb_.ReadList(kKey);
  EXPECT_EQ(contents.count, 2147483647);
  EXPECT_EQ(contents.names.size(), static_cast<std::size_t>(kMaxListEntries));
}

// Removing entry 1 of P, Q, R rewrites count and the names below it; index 2 stays unread.
TEST_F(ProfileCatalogueTest, KeysBeyondTheCountStayInTheFileAndAreNotRead) {
  const ProfileCatalogue ms(DeviceKind::kMouse);
  const char* names[] = {"P", "Q", "R"};
  ASSERT_TRUE(ms.SetCount(kKey, 3));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(ms.SetName(kKey, i, names[i]));
  ASSERT_TRUE(ms.SetCount(kKey, 2));
  ASSERT_TRUE(ms.SetName(kKey, 1, "R"));
  EXPECT_EQ(ms.ReadList(kKey).names, (std::vector<std::string>{"P", "R"}));
  EXPECT_EQ(ms.Name(kKey, 2), "R");
}

TEST_F(ProfileCatalogueTest, AProgramPathLongerThan259CharactersReadsBackCut) {
  const std::string program = "/home/user/" + std::string(300, 'g') + "/game";
  ASSERT_TRUE(kb_.SetLinkFlag(kLight, 0, true));
  ASSERT_TRUE(kb_.SetProgram(kLight, 0, program));
  EXPECT_EQ(kb_.Program(kLight, 0), program.substr(0, 259));
  EXPECT_EQ(kb_.LinkFlag(kLight, 0), 1);
}

TEST_F(ProfileCatalogueTest, CatalogueFileIsFoundWhateverItsCase) {
  WriteBytes(documents_ / "Zepha QX19" / "mp" / "MPPROFILE.INI",
             "[PROFILEDENGCOUNT]\r\ncount=3\r\n");
  const ProfileCatalogue mp(DeviceKind::kMousePad);
  EXPECT_EQ(mp.Count(kLight), 3);
  EXPECT_TRUE(mp.SetSelect(kLight, 2));
  EXPECT_EQ(Entries(documents_ / "Zepha QX19" / "mp"), std::vector<std::string>{"MPPROFILE.INI"});
}

TEST_F(ProfileCatalogueTest, BackgroundImageAppliesOnlyWhenFlagsIsExactlyOne) {
  EXPECT_EQ(SavedBackgroundImage(), std::nullopt);  // no main.ini
  const struct {
    std::string_view flags;
    bool applied;
  } cases[] = {{"1", true}, {"2", false}, {"0", false}, {"-1", false}, {"1abc", true},
               {"x", false}};
  for (const auto& c : cases) {
    WriteBytes(MainIniPath(), "[SKINIMAGE]\r\nFLAGS=" + std::string(c.flags) +
                                  "\r\nIMAGE=skin/bg.png\r\n");
    EXPECT_EQ(SavedBackgroundImage().has_value(), c.applied) << c.flags;
  }
  std::filesystem::remove(MainIniPath());
  EXPECT_TRUE(SaveBackgroundImage("common/background.png"));
  EXPECT_EQ(ReadBytes(MainIniPath()), "[SKINIMAGE]\r\nFLAGS=1\r\nIMAGE=common/background.png\r\n");
  EXPECT_EQ(SavedBackgroundImage(), "common/background.png");
}

}  // namespace
}  // namespace tavrinex::profiles
