#include "storage/settings_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "storage/ignore_case.h"

namespace tavrinex::profiles {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    home = found->pw_dir;
  }
  return home;
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an absolute path, in double
// quotes, with shell backslash escapes.
std::string UserDirsDocuments(const std::string& home) {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  constexpr std::string_view kPrefix = "XDG_DOCUMENTS_DIR=\"";
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with(kPrefix)) continue;
    std::string value;
    for (std::size_t i = kPrefix.size(); i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    if (value.starts_with("$HOME")) return home + value.substr(5);
    if (value.starts_with('/')) return value;
  }
  return {};
}

// Creates the folder unless a file or folder of that name exists; failures show up later, when
// files in it cannot be written.
void CreateIfAbsent(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::symlink_status(folder, error).type() ==
      std::filesystem::file_type::not_found) {
    std::filesystem::create_directories(folder, error);
  }
}

std::string Subfolder(const std::filesystem::path& parent, std::string_view name) {
  std::filesystem::path folder = FindIgnoringCase(parent, name).value_or(parent / name);
  CreateIfAbsent(folder);
  return folder.string() + "/";
}

}  // namespace

std::filesystem::path DocumentsFolder() {
  for (const char* variable : {kDocumentsOverrideVariable, "XDG_DOCUMENTS_DIR"}) {
    std::string value = Environment(variable);
    if (!value.empty()) return value;
  }
  const std::string home = HomeFolder();
  if (home.empty()) {  // no user entry at all: keep to where we run
    std::error_code error;
    return std::filesystem::current_path(error);
  }
  std::string documents = UserDirsDocuments(home);
  if (documents.empty()) return std::filesystem::path(home) / "Documents";
  return documents;
}

std::string GetSettingsFolder() { return Subfolder(DocumentsFolder(), kSettingsFolderName); }

std::string GetDeviceFolder(device::DeviceKind kind) {
  return Subfolder(GetSettingsFolder(), device::KindPrefix(kind));
}

std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name) {
  std::error_code error;
  const std::filesystem::path exact = folder / name;
  if (std::filesystem::symlink_status(exact, error).type() !=
      std::filesystem::file_type::not_found && !error) {
    return exact;
  }
  std::optional<std::string> best;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    const std::string candidate = it->path().filename().string();
    if (EqualsIgnoringCase(candidate, name) && (!best || candidate < *best)) best = candidate;
  }
  if (!best) return std::nullopt;
  return folder / *best;
}

std::filesystem::path ResolveIgnoringCase(const std::filesystem::path& file) {
  return FindIgnoringCase(file.parent_path(), file.filename().string()).value_or(file);
}

}  // namespace tavrinex::profiles
