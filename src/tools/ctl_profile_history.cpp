// tavrinexctl profile history|restore kb|ms|mp NAME [VERSION]: the earlier versions the program
// kept of a profile file, and bringing one back.
#include <time.h>

#include <cstdio>
#include <system_error>
#include <string>
#include <vector>

#include "profiles/profile_file.h"
#include "profiles/profile_history.h"
#include "storage/ignore_case.h"
#include "storage/settings_folder.h"
#include "tools/ctl_profile.h"

namespace tavrinex::tools {
namespace {

using device::DeviceKind;

constexpr const char* kHistoryUsage =
    "usage: tavrinexctl profile history kb|ms|mp NAME\n"
    "       tavrinexctl profile restore kb|ms|mp NAME VERSION\n"
    "NAME is a profile name, with .led (light) or .pro (key) to choose one of a name's two\n"
    "files; VERSION is a number from the history list (1 = newest) or a version id.\n";

bool ParseDevice(std::string_view text, DeviceKind& kind) {
  if (text == "kb") kind = DeviceKind::kKeyboard;
  else if (text == "ms") kind = DeviceKind::kMouse;
  else if (text == "mp") kind = DeviceKind::kMousePad;
  else return false;
  return true;
}

bool HasExtension(std::string_view name, std::string_view extension) {
  return name.size() > extension.size() &&
         profiles::EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension);
}

// The profile files NAME may stand for: itself when it carries an extension, else both kinds.
std::vector<std::string> FilesOf(std::string_view name) {
  if (HasExtension(name, profiles::kLightProfileExtension) || HasExtension(name, profiles::kKeyProfileExtension)) {
    return {std::string(name)};
  }
  return {std::string(name) + std::string(profiles::kLightProfileExtension),
          std::string(name) + std::string(profiles::kKeyProfileExtension)};
}

std::string LocalTime(std::chrono::system_clock::time_point time) {
  const time_t t = std::chrono::system_clock::to_time_t(time);
  tm local{};
  localtime_r(&t, &local);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

int List(const profiles::ProfileHistory& history, std::string_view name) {
  int shown = 0;
  for (const auto& file : FilesOf(name)) {
    const auto versions = history.Versions(file);
    if (versions.empty()) continue;
    std::printf("%s, newest first:\n", file.c_str());
    for (std::size_t i = 0; i < versions.size(); ++i) {
      std::printf("  %2zu  %s  %8llu bytes  %s\n", i + 1, LocalTime(versions[i].time).c_str(),
                  static_cast<unsigned long long>(versions[i].size), versions[i].id.c_str());
    }
    ++shown;
  }
  if (shown == 0) std::printf("no earlier versions of %.*s\n", static_cast<int>(name.size()), name.data());
  return 0;
}

int Restore(const profiles::ProfileHistory& history, std::string_view name, std::string_view version) {
  std::vector<std::string> candidates;
  for (const auto& file : FilesOf(name)) {
    if (!history.Versions(file).empty()) candidates.push_back(file);
  }
  if (candidates.size() != 1) {
    std::fprintf(stderr, "tavrinexctl profile restore: %s\n",
                 candidates.empty() ? "this profile has no earlier versions"
                                    : "both a light and a key profile have versions: add .led or .pro");
    return 1;
  }
  int error = 0;
  switch (history.Restore(candidates[0], version, &error)) {
    case profiles::RestoreOutcome::kRestored:
      std::printf("restored %s; the file it replaced is kept as version 1\n", candidates[0].c_str());
      return 0;
    case profiles::RestoreOutcome::kNoSuchVersion:
      std::fprintf(stderr, "tavrinexctl profile restore: %s has no version %.*s (see: profile history)\n",
                   candidates[0].c_str(), static_cast<int>(version.size()), version.data());
      return 1;
    case profiles::RestoreOutcome::kReadFailed:
    case profiles::RestoreOutcome::kWriteFailed: break;
  }
  std::fprintf(stderr, "tavrinexctl profile restore: %s: %s; nothing was changed\n", candidates[0].c_str(),
               std::generic_category().message(error).c_str());
  return 1;
}

}  // namespace

int ProfileHistoryCommand(const std::vector<std::string_view>& args) {
  DeviceKind kind{};
  const bool restore = !args.empty() && args[0] == "restore";
  if (args.size() != (restore ? 4U : 3U) || !ParseDevice(args[1], kind) || args[2].empty()) {
    std::fputs(kHistoryUsage, stderr);
    return 2;
  }
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(kind));
  return restore ? Restore(history, args[2], args[3]) : List(history, args[2]);
}

}  // namespace tavrinex::tools
