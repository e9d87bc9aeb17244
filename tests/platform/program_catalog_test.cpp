#include "platform/program_catalog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "temp_folder.h"

namespace tavrinex::platform {
namespace {

using Args = std::vector<std::string>;

TEST(SplitExecTest, QuotingEscapesAndFieldCodes) {
  const struct {
    const char* exec;
    Args args;
  } cases[] = {
      {"firefox %u", {"firefox"}},
      {"/opt/game/run.sh --fullscreen %F", {"/opt/game/run.sh", "--fullscreen"}},
      {"\"/opt/My Games/launcher\" -x", {"/opt/My Games/launcher", "-x"}},
      {"\"/opt/a\\\"b\" 100%%", {"/opt/a\"b", "100%"}},
      {"env GDK_BACKEND=x11 steam %U", {"env", "GDK_BACKEND=x11", "steam"}},
      {"  spaced   out  ", {"spaced", "out"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitExec(c.exec), c.args) << c.exec;
}

class ProgramCatalogTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    bin = Root() / "bin";
    std::filesystem::create_directories(bin);
    for (const char* name : {"editor", "game", "player"}) Executable(bin / name);
    std::filesystem::create_symlink(bin / "game", bin / "game-link");
  }
  static void Executable(const std::filesystem::path& file) {
    std::ofstream(file) << "#!/bin/sh\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
  }
  void Entry(const std::filesystem::path& folder, const std::string& id, const std::string& body) {
    std::filesystem::create_directories((folder / id).parent_path());
    std::ofstream(folder / id) << body;
  }
  std::filesystem::path bin;
};

TEST_F(ProgramCatalogTest, InstalledApplicationsWithNamesIconsAndResolvedExecutables) {
  const auto user = Root() / "user/applications";
  const auto system = Root() / "system/applications";
  Entry(system, "game.desktop",
        "[Desktop Entry]\nType=Application\nName=Space Game\nName[zh_CN]=太空游戏\nIcon=space-game\n"
        "Exec=game-link --level %f\n");
  Entry(system, "editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=" + (bin / "editor").string() + "\n");
  // The user's own entry of the same id hides the system's.
  Entry(user, "editor.desktop", "[Desktop Entry]\nType=Application\nName=My Editor\nExec=editor\n");
  Entry(system, "kde/player.desktop", "[Desktop Entry]\nType=Application\nName=Player\nExec=env A=1 player\n");
  // Left out: hidden, not an application, a program that is not there, another group's Exec.
  Entry(system, "hidden.desktop", "[Desktop Entry]\nType=Application\nName=H\nNoDisplay=true\nExec=editor\n");
  Entry(system, "link.desktop", "[Desktop Entry]\nType=Link\nName=L\nURL=https://example.com\n");
  Entry(system, "gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nExec=no-such-program\n");
  Entry(system, "action.desktop",
        "[Desktop Entry]\nType=Application\nName=A\n[Desktop Action new]\nExec=editor\n");

  const auto programs = InstalledPrograms({user, system}, bin.string());
  ASSERT_EQ(programs.size(), 3U);
  EXPECT_EQ(programs[0].name, "My Editor");
  EXPECT_EQ(programs[0].executable, (bin / "editor").string());
  EXPECT_EQ(programs[1].name, "Player");
  EXPECT_EQ(programs[2].name, "Space Game");
  EXPECT_EQ(programs[2].chineseName, "太空游戏");
  EXPECT_EQ(programs[2].icon, "space-game");
  EXPECT_EQ(programs[2].executable, (bin / "game").string()) << "links resolved, as /proc shows them";
}

TEST_F(ProgramCatalogTest, ResolvingCommands) {
  const std::string path = "relative:" + (Root() / "none").string() + ":" + bin.string();
  EXPECT_EQ(ResolveExecutable("player", path), (bin / "player").string());
  EXPECT_EQ(ResolveExecutable((bin / "game-link").string(), path), (bin / "game").string());
  EXPECT_EQ(ResolveExecutable("bin/player", path), "") << "relative paths name nothing";
  std::ofstream(bin / "data") << "not executable";
  EXPECT_EQ(ResolveExecutable("data", path), "");
  EXPECT_EQ(ResolveExecutable("", path), "");
}

TEST_F(ProgramCatalogTest, RunningProgramsOfTheUserFromAProcTree) {
  const auto proc = Root() / "proc";
  const auto process = [&](const std::string& pid, const std::string& exe) {
    std::filesystem::create_directories(proc / pid);
    if (!exe.empty()) std::filesystem::create_symlink(exe, proc / pid / "exe");
  };
  process("100", (bin / "player").string());
  process("101", (bin / "player").string());  // a second copy: listed once
  process("102", (bin / "editor").string() + " (deleted)");
  process("2", "");  // a kernel thread has no executable
  process("self", (bin / "game").string());  // not a process number
  const auto programs = RunningPrograms(proc, ::getuid());
  ASSERT_EQ(programs.size(), 1U);
  EXPECT_EQ(programs[0].name, "player");
  EXPECT_EQ(programs[0].executable, (bin / "player").string());
  EXPECT_TRUE(RunningPrograms(proc, ::getuid() + 1).empty()) << "another user's processes";
  EXPECT_FALSE(RunningPrograms("/proc", ::getuid()).empty()) << "at least this test itself";
}

}  // namespace
}  // namespace tavrinex::platform
