// tavrinexctl profile history|restore kb|ms|mp NAME [VERSION]: the earlier versions the program
// kept of a profile file, and bringing one back.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/instance_socket.h"
#include "profiles/profile_file.h"
#include "profiles/profile_history.h"
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
  for (const auto& file : profiles::ProfileFilesOfName(name)) {
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

// The running program does the restore itself when it uses this documents folder, so that its
// lists and the device follow; otherwise the file is replaced on disk here.
int Restore(DeviceKind kind, const std::filesystem::path& folder, std::string_view name, std::string_view version) {
  const app::ProfileRestoreRequest request{kind, std::string(version), folder.string(), std::string(name)};
  const auto answer = app::AskInstance(app::InstanceSocketName(), app::FormatProfileRestore(request),
                                       std::chrono::seconds(10));
  if (answer.outcome == app::SendOutcome::kSent && !answer.text) {
    std::fputs("tavrinexctl profile restore: the running program did not answer; nothing was changed here\n", stderr);
    return 1;
  }
  const auto read = answer.text ? std::optional(app::ParseProfileAnswer(*answer.text)) : std::nullopt;
  if (read && read->kind != app::ProfileAnswer::Kind::kElsewhere) {
    const bool ok = read->kind == app::ProfileAnswer::Kind::kOk;
    std::fprintf(ok ? stdout : stderr, "%s%s (by the running program)\n", ok ? "" : "tavrinexctl profile restore: ",
                 read->text.c_str());
    return ok ? 0 : 1;
  }
  const auto report = profiles::RestoreProfileByName(profiles::ProfileHistory(folder), name, version);
  std::fprintf(report.restored ? stdout : stderr, "%s%s\n", report.restored ? "" : "tavrinexctl profile restore: ",
               report.text.c_str());
  return report.restored ? 0 : 1;
}

}  // namespace

int ProfileHistoryCommand(const std::vector<std::string_view>& args) {
  DeviceKind kind{};
  const bool restore = !args.empty() && args[0] == "restore";
  if (args.size() != (restore ? 4U : 3U) || !ParseDevice(args[1], kind) || args[2].empty()) {
    std::fputs(kHistoryUsage, stderr);
    return 2;
  }
  const std::filesystem::path folder = profiles::GetDeviceFolder(kind);
  return restore ? Restore(kind, folder, args[2], args[3]) : List(profiles::ProfileHistory(folder), args[2]);
}

}  // namespace tavrinex::tools
