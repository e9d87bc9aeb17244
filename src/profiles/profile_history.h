// Earlier versions of profile files. Before the program itself replaces or removes a profile
// file (a device's state saved into the selected profile on connect, an import over a profile,
// a reset, a remove, a rename), the file as it was goes into the device's "history" folder
// beside its catalogue, named by the profile file and the time. The user's own edits of a
// profile are not kept: they are what the user asked for. At most 20 versions per profile and
// none older than 30 days are kept; a version can be brought back, which keeps the file it
// replaces as a version in turn.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrinex::profiles {

inline constexpr std::string_view kHistoryFolderName = "history";

struct HistoryPolicy {
  std::size_t maxVersions = 20;
  std::chrono::hours maxAge{24 * 30};
};

struct ProfileVersion {
  std::string id;  // "2026-12-10_08-15-12.345", unique among the profile's versions
  std::filesystem::path file;
  std::chrono::system_clock::time_point time;
  std::uintmax_t size = 0;
};

enum class RestoreOutcome { kRestored, kNoSuchVersion, kReadFailed, kWriteFailed };

class ProfileHistory {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  explicit ProfileHistory(std::filesystem::path deviceFolder, HistoryPolicy policy = {},
                          Clock now = [] { return std::chrono::system_clock::now(); });

  // Keeps the current bytes of `profileFile` (a file name in the device folder, any case) as a
  // new version, then drops versions beyond the policy. True when there was nothing to keep or
  // it was kept; false (with *error) when the copy could not be written.
  bool Keep(std::string_view profileFile, int* error = nullptr) const;

  // The versions of `profileFile`, newest first.
  [[nodiscard]] std::vector<ProfileVersion> Versions(std::string_view profileFile) const;

  // Brings back a version, named by its id or by its number in Versions (1 = newest); the file
  // it replaces is kept first. The profile file is replaced crash-safely.
  [[nodiscard]] RestoreOutcome Restore(std::string_view profileFile, std::string_view version,
                                       int* error = nullptr) const;

  [[nodiscard]] std::filesystem::path Folder() const { return deviceFolder_ / kHistoryFolderName; }

 private:
  void Prune(std::string_view profileFile) const;

  std::filesystem::path deviceFolder_;
  HistoryPolicy policy_;
  Clock now_;
};

// A restore asked for by profile name: NAME with ".led" or ".pro" names that file; without it,
// whichever of the two has versions (refused when both have). `text` says what happened, for
// the user; `file` is the profile file restored.
struct RestoreReport {
  bool restored = false;
  std::string file;
  std::string text;
};
[[nodiscard]] RestoreReport RestoreProfileByName(const ProfileHistory& history, std::string_view name,
                                                 std::string_view version);
// The profile files NAME may stand for: itself when it carries a profile extension, else both.
[[nodiscard]] std::vector<std::string> ProfileFilesOfName(std::string_view name);

}  // namespace tavrinex::profiles
