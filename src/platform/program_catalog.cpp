#include "platform/program_catalog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "storage/atomic_file.h"

namespace tavrinex::platform {

namespace {

constexpr std::size_t kMaxEntryBytes = 256 * 1024;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The string escapes of desktop entry values (\s \n \t \r \\).
std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
  }
  return out;
}

// The keys of the [Desktop Entry] group.
std::map<std::string, std::string, std::less<>> MainGroup(std::string_view text) {
  std::map<std::string, std::string, std::less<>> keys;
  bool inMain = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.starts_with('[')) {
      inMain = line == "[Desktop Entry]";
    } else if (inMain && !line.starts_with('#')) {
      const auto eq = line.find('=');
      if (eq != std::string_view::npos) keys.emplace(Trim(line.substr(0, eq)), Unescape(Trim(line.substr(eq + 1))));
    }
  }
  return keys;
}

std::string Get(const std::map<std::string, std::string, std::less<>>& keys, std::string_view key) {
  const auto it = keys.find(key);
  return it == keys.end() ? std::string() : it->second;
}

bool IsExecutableFile(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

std::string Canonical(const std::filesystem::path& file) {
  std::error_code ec;
  const auto resolved = std::filesystem::canonical(file, ec);
  return ec ? file.string() : resolved.string();
}

void SortByName(std::vector<ProgramChoice>& programs) {
  std::sort(programs.begin(), programs.end(), [](const ProgramChoice& a, const ProgramChoice& b) {
    return a.name != b.name ? a.name < b.name : a.executable < b.executable;
  });
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::vector<std::string> SplitExec(std::string_view exec) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false;
  bool quoted = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size()) {
        current += exec[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        current += c;
      }
    } else if (c == ' ' || c == '\t') {
      if (inArg) args.push_back(std::exchange(current, {}));
      inArg = false;
    } else if (c == '"') {
      quoted = inArg = true;
    } else if (c == '%' && i + 1 < exec.size()) {
      if (exec[++i] == '%') current += '%';  // %% is a percent sign; other field codes go
      inArg = inArg || exec[i] == '%';
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

std::string ResolveExecutable(std::string_view command, std::string_view searchPath) {
  if (command.empty()) return {};
  if (command.find('/') != std::string_view::npos) {
    const std::filesystem::path file{std::string(command)};
    return file.is_absolute() && IsExecutableFile(file) ? Canonical(file) : std::string();
  }
  while (!searchPath.empty()) {
    const auto colon = searchPath.find(':');
    const std::filesystem::path folder{std::string(searchPath.substr(0, colon))};
    if (folder.is_absolute() && IsExecutableFile(folder / std::string(command))) {
      return Canonical(folder / std::string(command));
    }
    if (colon == std::string_view::npos) break;
    searchPath.remove_prefix(colon + 1);
  }
  return {};
}

std::vector<ProgramChoice> InstalledPrograms(const std::vector<std::filesystem::path>& applicationFolders,
                                             std::string_view searchPath) {
  std::vector<ProgramChoice> programs;
  std::set<std::string> seenIds;
  std::set<std::string> seenExecutables;
  for (const auto& folder : applicationFolders) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      const auto& file = it->path();
      if (file.extension() != ".desktop") continue;
      // The entry id: the path below the folder with '/' as '-' (the spec's rule for subfolders).
      std::string id = file.lexically_relative(folder).string();
      std::replace(id.begin(), id.end(), '/', '-');
      if (!seenIds.insert(id).second) continue;  // hidden by an earlier folder's entry
      const auto contents = profiles::ReadWholeFile(file, kMaxEntryBytes);
      if (contents.status != profiles::ReadStatus::kRead) continue;
      const auto keys = MainGroup(contents.bytes);
      if (Get(keys, "Type") != "Application" || Get(keys, "Hidden") == "true" ||
          Get(keys, "NoDisplay") == "true") {
        continue;
      }
      auto args = SplitExec(Get(keys, "Exec"));
      std::size_t program = 0;
      if (!args.empty() && args[0] == "env") {  // env VAR=value ... program
        program = 1;
        while (program < args.size() && args[program].find('=') != std::string::npos) ++program;
      }
      const std::string executable =
          program < args.size() ? ResolveExecutable(args[program], searchPath) : std::string();
      if (executable.empty() || !seenExecutables.insert(executable).second) continue;
      std::string chinese = Get(keys, "Name[zh_CN]");
      if (chinese.empty()) chinese = Get(keys, "Name[zh]");
      std::string name = Get(keys, "Name");
      if (name.empty()) name = std::filesystem::path(executable).filename().string();
      programs.push_back({name, chinese, Get(keys, "Icon"), executable});
    }
  }
  SortByName(programs);
  return programs;
}

std::vector<std::filesystem::path> ApplicationFoldersOfThisUser() {
  std::vector<std::filesystem::path> folders;
  const std::string dataHome = Env("XDG_DATA_HOME");
  folders.emplace_back((!dataHome.empty() && dataHome.front() == '/' ? dataHome : Env("HOME") + "/.local/share") +
                       "/applications");
  std::string dataDirs = Env("XDG_DATA_DIRS");
  if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
  std::string_view dirs = dataDirs;
  while (!dirs.empty()) {
    const auto colon = dirs.find(':');
    const std::filesystem::path folder{std::string(dirs.substr(0, colon))};
    if (folder.is_absolute()) folders.push_back(folder / "applications");
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return folders;
}

std::vector<ProgramChoice> RunningPrograms(const std::filesystem::path& procRoot, uid_t uid) {
  std::vector<ProgramChoice> programs;
  std::set<std::string> seen;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(procRoot, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    struct stat info {};
    if (::stat(it->path().c_str(), &info) != 0 || info.st_uid != uid) continue;
    std::error_code linkError;
    std::string exe = std::filesystem::read_symlink(it->path() / "exe", linkError).string();
    if (linkError || exe.empty() || exe.front() != '/') continue;  // kernel threads have none
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.ends_with(kDeleted)) continue;  // replaced since it started: no file to link
    if (!seen.insert(exe).second) continue;
    programs.push_back({std::filesystem::path(exe).filename().string(), {}, {}, exe});
  }
  SortByName(programs);
  return programs;
}

}  // namespace tavrinex::platform
