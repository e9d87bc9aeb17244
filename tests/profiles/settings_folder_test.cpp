#include "storage/settings_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <optional>
#include <string>

#include "storage/ini_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;

class SettingsFolderTest : public testing::TempDocuments {};

TEST_F(SettingsFolderTest, FirstRequestCreatesTheFoldersAndTheDocumentsFolderWithThem) {
  ASSERT_FALSE(std::filesystem::exists(documents_));
  const std::string settings = GetSettingsFolder();
  EXPECT_EQ(settings, documents_.string() + "/Zepha QX19/");
  EXPECT_TRUE(std::filesystem::is_directory(settings));

  const std::array<std::pair<DeviceKind, const char*>, 3> kinds = {
      {{DeviceKind::kKeyboard, "kb"}, {DeviceKind::kMouse, "ms"}, {DeviceKind::kMousePad, "mp"}}};
  for (const auto& [kind, prefix] : kinds) {
    const std::string folder = GetDeviceFolder(kind);
    EXPECT_EQ(folder, settings + prefix + "/");
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << prefix;
  }
  // Asking again finds what is there and changes nothing.
  EXPECT_EQ(GetDeviceFolder(DeviceKind::kMouse), settings + "ms/");
}

TEST_F(SettingsFolderTest, AFolderSpelledInAnotherCaseIsUsedAsItIs) {
  std::filesystem::create_directories(documents_ / "ZEPHA qx19" / "KB");
  EXPECT_EQ(GetDeviceFolder(DeviceKind::kKeyboard), documents_.string() + "/ZEPHA qx19/KB/");
  EXPECT_EQ(Entries(documents_), std::vector<std::string>{"ZEPHA qx19"});
}

TEST_F(SettingsFolderTest, AFileInThePlaceOfTheFolderIsLeftAlone) {
  WriteBytes(documents_ / "Zepha QX19", "not a folder");
  EXPECT_EQ(GetSettingsFolder(), documents_.string() + "/Zepha QX19/");
  EXPECT_EQ(ReadBytes(documents_ / "Zepha QX19"), "not a folder");
  EXPECT_FALSE(WriteIniString(GetSettingsFolder() + "main.ini", "SKINIMAGE", "FLAGS", "1"));
}

TEST_F(SettingsFolderTest, FindIgnoringCasePrefersTheExactSpellingThenSortedOrder) {
  const std::filesystem::path folder = root_ / "kb";
  WriteBytes(folder / "P.PRO", "");
  WriteBytes(folder / "p.pro", "");
  WriteBytes(folder / "Q.Led", "");
  EXPECT_EQ(FindIgnoringCase(folder, "p.pro"), folder / "p.pro");
  EXPECT_EQ(FindIgnoringCase(folder, "P.pro"), folder / "P.PRO");  // "P.PRO" < "p.pro"
  EXPECT_EQ(FindIgnoringCase(folder, "q.led"), folder / "Q.Led");
  EXPECT_EQ(FindIgnoringCase(folder, "r.led"), std::nullopt);
  EXPECT_EQ(FindIgnoringCase(root_ / "absent", "x"), std::nullopt);
  EXPECT_EQ(ResolveIgnoringCase(folder / "Q.LED"), folder / "Q.Led");
  EXPECT_EQ(ResolveIgnoringCase(folder / "New.led"), folder / "New.led");
}

// Without the override the XDG documents folder is used.
class DocumentsLookupTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
    ::setenv("HOME", (root_ / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
      if (saved_[i]) {
        ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        ::unsetenv(kVariables[i]);
      }
    }
    TempDocuments::TearDown();
  }
  static constexpr const char* kVariables[] = {"TAVRINEX_DOCUMENTS_DIR", "XDG_DOCUMENTS_DIR",
                                               "HOME", "XDG_CONFIG_HOME"};
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(DocumentsLookupTest, FallsBackToDocumentsInTheHomeFolder) {
  EXPECT_EQ(DocumentsFolder(), root_ / "home" / "Documents");
}

TEST_F(DocumentsLookupTest, ReadsUserDirsDirs) {
  WriteBytes(root_ / "config" / "user-dirs.dirs",
             "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Mes\\\"Docs\"\n");
  EXPECT_EQ(DocumentsFolder(), (root_ / "home").string() + "/Mes\"Docs");
  WriteBytes(root_ / "config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
  EXPECT_EQ(DocumentsFolder(), "/srv/docs");
}

TEST_F(DocumentsLookupTest, EnvironmentWinsOverUserDirsAndTheOverrideOverBoth) {
  WriteBytes(root_ / "config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
  ::setenv("XDG_DOCUMENTS_DIR", "/from/xdg", 1);
  EXPECT_EQ(DocumentsFolder(), "/from/xdg");
  ::setenv("TAVRINEX_DOCUMENTS_DIR", "/portable", 1);
  EXPECT_EQ(DocumentsFolder(), "/portable");
}

}  // namespace
}  // namespace tavrinex::profiles
