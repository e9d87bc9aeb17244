#include "platform/data_folders.h"

#include <cstdlib>
#include <system_error>

namespace tavrinex::platform {

namespace {

constexpr std::string_view kProgramFolder = "tavrinex";

void AddOnce(std::vector<std::filesystem::path>& folders, std::filesystem::path folder) {
  if (folder.empty()) return;
  folder = folder.lexically_normal();
  if (folder.has_filename() == false) folder = folder.parent_path();  // no trailing "/"
  for (const auto& known : folders) {
    if (known == folder) return;
  }
  folders.push_back(std::move(folder));
}

// XDG lists are separated by ':'; relative entries are invalid there and are skipped.
void AddXdgList(std::vector<std::filesystem::path>& folders, std::string_view list) {
  while (!list.empty()) {
    const auto colon = list.find(':');
    const std::filesystem::path entry(std::string(list.substr(0, colon)));
    if (entry.is_absolute()) AddOnce(folders, entry / kProgramFolder);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
}

std::string_view Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

std::vector<std::filesystem::path> DataFolders(const DataFolderSources& sources) {
  std::vector<std::filesystem::path> folders;
  AddOnce(folders, sources.executableDir);
  if (!sources.executableDir.empty() && !sources.dataDirFromBinDir.empty()) {
    AddOnce(folders, sources.executableDir / sources.dataDirFromBinDir);
  }
  AddOnce(folders, sources.installedDataDir);
  const std::filesystem::path dataHome(std::string(sources.xdgDataHome));
  if (dataHome.is_absolute()) {
    AddOnce(folders, dataHome / kProgramFolder);
  } else if (!sources.home.empty()) {
    AddOnce(folders, sources.home / ".local/share" / kProgramFolder);
  }
  AddXdgList(folders, sources.xdgDataDirs.empty() ? "/usr/local/share:/usr/share" : sources.xdgDataDirs);
  return folders;
}

std::vector<std::filesystem::path> DataFoldersOfThisProgram() {
  DataFolderSources sources;
  sources.executableDir = ExecutableDir();
#ifdef TAVRINEX_DATA_DIR_FROM_BIN_DIR
  sources.dataDirFromBinDir = TAVRINEX_DATA_DIR_FROM_BIN_DIR;
#endif
#ifdef TAVRINEX_DATA_DIR
  sources.installedDataDir = TAVRINEX_DATA_DIR;
#endif
  sources.xdgDataHome = Env("XDG_DATA_HOME");
  sources.xdgDataDirs = Env("XDG_DATA_DIRS");
  sources.home = std::string(Env("HOME"));
  return DataFolders(sources);
}

std::filesystem::path FindDataSubfolder(const std::vector<std::filesystem::path>& folders,
                                        std::string_view name) {
  std::error_code ec;
  for (const auto& folder : folders) {
    auto candidate = folder / name;
    if (std::filesystem::is_directory(candidate, ec)) return candidate;
  }
  return {};
}

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

}  // namespace tavrinex::platform
