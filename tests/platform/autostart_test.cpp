#include "platform/autostart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "storage/atomic_file.h"
#include "temp_folder.h"

namespace tavrinex::platform {
namespace {

using AutostartTest = test::TempFolderTest;

std::string Read(const std::filesystem::path& file) {
  return profiles::ReadWholeFile(file).bytes;
}

TEST(AutostartPathTest, ConfigHomeOrDotConfig) {
  EXPECT_EQ(AutostartEntryPath("/cfg", "/home/u"),
            std::filesystem::path("/cfg/autostart/com.tavrinex.Driver.desktop"));
  for (const char* unusable : {"", "relative/cfg"}) {
    EXPECT_EQ(AutostartEntryPath(unusable, "/home/u"),
              std::filesystem::path("/home/u/.config/autostart/com.tavrinex.Driver.desktop"));
  }
}

TEST(AutostartPathTest, ExecQuotingOfUnusualExecutablePaths) {
  // Desktop entries: reserved characters escaped inside quotes, then backslashes doubled by the
  // string escaping, and % doubled.
  const struct {
    const char* executable;
    const char* exec;
  } cases[] = {
      {"/usr/bin/tavrinex", "Exec=\"/usr/bin/tavrinex\"\n"},
      {"/opt/my apps/tavrinex", "Exec=\"/opt/my apps/tavrinex\"\n"},
      {"/opt/a\"b$c`d/tavrinex", "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/tavrinex\"\n"},
      {"/opt/back\\slash/100%/tavrinex", "Exec=\"/opt/back\\\\\\\\slash/100%%/tavrinex\"\n"},
  };
  for (const auto& c : cases) {
    const std::string text = AutostartEntryText(c.executable);
    EXPECT_NE(text.find(c.exec), std::string::npos) << c.executable << "\n" << text;
    EXPECT_TRUE(text.starts_with("[Desktop Entry]\nType=Application\n"));
  }
}

TEST_F(AutostartTest, SwitchOnWritesTheEntryAndOffRemovesIt) {
  const auto entry = Root() / "config/autostart/com.tavrinex.Driver.desktop";
  EXPECT_FALSE(AutostartEnabled(entry));
  ASSERT_TRUE(SetAutostart(entry, true, "/usr/bin/tavrinex"));
  EXPECT_TRUE(AutostartEnabled(entry));
  EXPECT_EQ(Read(entry), AutostartEntryText("/usr/bin/tavrinex"));
  ASSERT_TRUE(SetAutostart(entry, false, "/usr/bin/tavrinex"));
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(AutostartEnabled(entry));
  EXPECT_TRUE(SetAutostart(entry, false, "/usr/bin/tavrinex")) << "removing a missing entry is done";
}

TEST_F(AutostartTest, EntriesSwitchedOffByTheDesktopCountAsOff) {
  const auto entry = Root() / "e.desktop";
  const struct {
    const char* text;
    bool on;
  } cases[] = {
      {"[Desktop Entry]\nExec=x\n", true},
      {"[Desktop Entry]\nHidden=true\n", false},
      {"[Desktop Entry]\r\nX-GNOME-Autostart-enabled = false\r\n", false},
      {"[Desktop Entry]\nExec=x\n[Desktop Action y]\nHidden=true\n", true},
      {"[Desktop Entry]\nHidden=false\n", true},
  };
  for (const auto& c : cases) {
    std::ofstream(entry, std::ios::trunc) << c.text;
    EXPECT_EQ(AutostartEnabled(entry), c.on) << c.text;
  }
}

TEST_F(AutostartTest, AFolderThatCannotBeMadeFailsWithItsError) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::filesystem::create_directories(Root() / "locked");
  std::filesystem::permissions(Root() / "locked", std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
  int error = 0;
  EXPECT_FALSE(SetAutostart(Root() / "locked/autostart/e.desktop", true, "/usr/bin/tavrinex", &error));
  EXPECT_EQ(error, EACCES);
  std::filesystem::permissions(Root() / "locked", std::filesystem::perms::owner_all);
}

TEST_F(AutostartTest, APathBlockedByAFileFailsAndLeavesTheFile) {
  std::ofstream(Root() / "autostart") << "not a folder";
  int error = 0;
  EXPECT_FALSE(SetAutostart(Root() / "autostart/e.desktop", true, "/usr/bin/tavrinex", &error));
  EXPECT_NE(error, 0);
  EXPECT_EQ(Read(Root() / "autostart"), "not a folder");
}

}  // namespace
}  // namespace tavrinex::platform
