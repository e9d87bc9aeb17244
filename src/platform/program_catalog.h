// The programs a user can pick when linking a profile to a program: the installed applications
// (desktop entries of the XDG data folders) and the user's running programs. Each is named by
// the absolute path of its executable, which is what the foreground program is compared with.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavrinex::platform {

struct ProgramChoice {
  std::string name;        // Name=, or the file name of the executable
  std::string chineseName; // Name[zh_CN] (or Name[zh]); empty when the entry has none
  std::string icon;        // Icon= (a theme name or a path); empty for running programs
  std::string executable;  // absolute, symbolic links resolved
};

// The arguments of a desktop entry's Exec value (quoting and escapes undone, field codes
// such as %f and %U dropped).
[[nodiscard]] std::vector<std::string> SplitExec(std::string_view exec);

// `command` as the shell would run it: an absolute path as it is, a bare name looked up in the
// ':'-separated `searchPath`; symbolic links resolved. Empty when there is no such executable.
[[nodiscard]] std::string ResolveExecutable(std::string_view command, std::string_view searchPath);

// The applications of the "applications" folders (given best first: an entry id found earlier
// hides later ones), sorted by name. Entries that are hidden, not applications, or whose
// program cannot be found are left out.
[[nodiscard]] std::vector<ProgramChoice> InstalledPrograms(
    const std::vector<std::filesystem::path>& applicationFolders, std::string_view searchPath);
[[nodiscard]] std::vector<std::filesystem::path> ApplicationFoldersOfThisUser();

// The distinct executables of the processes of user `uid` under `procRoot` (normally /proc),
// sorted by name.
[[nodiscard]] std::vector<ProgramChoice> RunningPrograms(const std::filesystem::path& procRoot, uid_t uid);

}  // namespace tavrinex::platform
