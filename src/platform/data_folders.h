// Where the program's read-only data (the skin, the default profile files) is found. A build
// tree keeps it beside the executable; an installation keeps it in its data folder, which is
// found from the executable's own place first, so that a copy installed under any prefix (or
// staged, or moved) finds its own data and not that of another installation.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tavrinex::platform {

struct DataFolderSources {
  std::filesystem::path executableDir;
  // The data folder relative to the folder of the installed executable ("../share/tavrinex").
  std::filesystem::path dataDirFromBinDir;
  // The data folder of the configured install prefix ("/usr/share/tavrinex").
  std::filesystem::path installedDataDir;
  // $XDG_DATA_HOME and $XDG_DATA_DIRS as the environment gives them (unset: empty).
  std::string_view xdgDataHome;
  std::string_view xdgDataDirs;
  std::filesystem::path home;
};

// The folders to look in, best first, without repeats: the executable's folder, the data folder
// relative to it, the configured data folder, then "tavrinex" in $XDG_DATA_HOME (default
// ~/.local/share) and in each folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
[[nodiscard]] std::vector<std::filesystem::path> DataFolders(const DataFolderSources& sources);

// The same, from this process: /proc/self/exe, the compiled-in folders and the environment.
[[nodiscard]] std::vector<std::filesystem::path> DataFoldersOfThisProgram();

// folder / name for the first folder where that is a directory; empty when there is none.
[[nodiscard]] std::filesystem::path FindDataSubfolder(
    const std::vector<std::filesystem::path>& folders, std::string_view name);

// The folder of the running executable (the current folder when /proc cannot tell).
[[nodiscard]] std::filesystem::path ExecutableDir();

}  // namespace tavrinex::platform
