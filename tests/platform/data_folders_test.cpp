#include "platform/data_folders.h"

#include <gtest/gtest.h>

#include <fstream>

#include "temp_folder.h"

namespace tavrinex::platform {
namespace {

using Paths = std::vector<std::filesystem::path>;

TEST(DataFoldersTest, OrderOfTheSources) {
  DataFolderSources s;
  s.executableDir = "/opt/tx/bin";
  s.dataDirFromBinDir = "../share/tavrinex";
  s.installedDataDir = "/usr/local/share/tavrinex";
  s.home = "/home/u";
  EXPECT_EQ(DataFolders(s), (Paths{"/opt/tx/bin", "/opt/tx/share/tavrinex", "/usr/local/share/tavrinex",
                                   "/home/u/.local/share/tavrinex", "/usr/share/tavrinex"}));

  // The XDG variables replace their defaults; relative entries are not valid there; repeats go.
  s.xdgDataHome = "relative";
  s.xdgDataDirs = "/a:rel:/usr/local/share/:/b";
  EXPECT_EQ(DataFolders(s), (Paths{"/opt/tx/bin", "/opt/tx/share/tavrinex", "/usr/local/share/tavrinex",
                                   "/home/u/.local/share/tavrinex", "/a/tavrinex", "/b/tavrinex"}));
  s.xdgDataHome = "/data";
  EXPECT_EQ(DataFolders(s)[3], std::filesystem::path("/data/tavrinex"));
}

using DataSubfolderTest = test::TempFolderTest;

TEST_F(DataSubfolderTest, FirstFolderHoldingTheSubfolderWins) {
  const auto& root = Root();
  const Paths folders{root / "bin", root / "share/tavrinex", root / "other"};
  std::filesystem::create_directories(root / "share/tavrinex/skin");
  std::filesystem::create_directories(root / "other/skin");
  std::filesystem::create_directories(root / "bin");
  std::ofstream(root / "bin/skin") << "a file, not a folder";
  EXPECT_EQ(FindDataSubfolder(folders, "skin"), root / "share/tavrinex/skin");
  EXPECT_EQ(FindDataSubfolder(folders, "defaults"), std::filesystem::path());
}

}  // namespace
}  // namespace tavrinex::platform
