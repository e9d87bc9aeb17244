#include "profiles/profile_history.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "profiles/profile_file.h"
#include "storage/atomic_file.h"
#include "storage/ignore_case.h"
#include "storage/settings_folder.h"

namespace tavrinex::profiles {

namespace {

constexpr char kSeparator = '@';

// UTC, so that a change of the clocks never reorders or repeats names.
std::string IdOf(std::chrono::system_clock::time_point time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(ms / 1000);
  tm utc{};
  gmtime_r(&seconds, &utc);
  char text[96];  // room for any int the fields could hold
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d-%02d-%02d.%03d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms % 1000));
  return text;
}

// The time of an id ("...-2" suffixes of same-millisecond versions ignored); false when it is none.
bool TimeOf(std::string_view id, std::chrono::system_clock::time_point& time) {
  tm utc{};
  int ms = 0;
  const std::string text(id.substr(0, 23));
  if (text.size() != 23 || std::sscanf(text.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d.%3d", &utc.tm_year, &utc.tm_mon,
                                       &utc.tm_mday, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms) != 7) {
    return false;
  }
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  const time_t seconds = timegm(&utc);
  time = std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(ms);
  return true;
}

// Versions are kept only of files in the device folder itself.
bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find(kSeparator) == std::string_view::npos;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

ProfileHistory::ProfileHistory(std::filesystem::path deviceFolder, HistoryPolicy policy, Clock now)
    : deviceFolder_(std::move(deviceFolder)), policy_(policy), now_(std::move(now)) {}

bool ProfileHistory::Keep(std::string_view profileFile, int* error) const {
  if (!IsPlainFileName(profileFile)) {
    if (error != nullptr) *error = EINVAL;
    return false;
  }
  const auto current = FindIgnoringCase(deviceFolder_, profileFile);
  if (!current) return true;  // nothing to keep
  const auto contents = ReadWholeFile(*current);
  if (contents.status == ReadStatus::kMissing) return true;
  if (contents.status == ReadStatus::kFailed) {
    if (error != nullptr) *error = contents.error;
    return false;
  }
  // The same bytes kept twice would only push an older, different version out sooner.
  const auto versions = Versions(profileFile);
  if (!versions.empty()) {
    const auto newest = ReadWholeFile(versions.front().file);
    if (newest.status == ReadStatus::kRead && newest.bytes == contents.bytes) {
      Prune(profileFile);
      return true;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(Folder(), ec);
  const std::string base = current->filename().string() + kSeparator + IdOf(now_());
  std::filesystem::path target = Folder() / base;
  for (int n = 2; std::filesystem::exists(target, ec); ++n) target = Folder() / (base + "-" + std::to_string(n));
  if (!WriteFileAtomically(target, contents.bytes, error)) return false;
  Prune(profileFile);
  return true;
}

std::vector<ProfileVersion> ProfileHistory::Versions(std::string_view profileFile) const {
  std::vector<ProfileVersion> versions;
  if (!IsPlainFileName(profileFile)) return versions;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(Folder(), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const auto at = name.rfind(kSeparator);
    if (at == std::string::npos || !EqualsIgnoringCase(std::string_view(name).substr(0, at), profileFile)) continue;
    ProfileVersion version;
    version.id = name.substr(at + 1);
    if (!TimeOf(version.id, version.time)) continue;
    version.file = it->path();
    std::error_code sizeError;
    version.size = std::filesystem::file_size(it->path(), sizeError);
    versions.push_back(std::move(version));
  }
  std::sort(versions.begin(), versions.end(), [](const ProfileVersion& a, const ProfileVersion& b) {
    return a.time != b.time ? a.time > b.time : a.id > b.id;
  });
  return versions;
}

void ProfileHistory::Prune(std::string_view profileFile) const {
  const auto versions = Versions(profileFile);
  const auto oldest = now_() - policy_.maxAge;
  for (std::size_t i = 0; i < versions.size(); ++i) {
    if (i >= policy_.maxVersions || versions[i].time < oldest) {
      std::error_code ec;
      std::filesystem::remove(versions[i].file, ec);
    }
  }
}

RestoreOutcome ProfileHistory::Restore(std::string_view profileFile, std::string_view version, int* error) const {
  const auto versions = Versions(profileFile);
  const ProfileVersion* chosen = nullptr;
  for (const auto& v : versions) {
    if (v.id == version) chosen = &v;
  }
  if (chosen == nullptr && AllDigits(version) && version.size() <= 4) {
    const std::size_t number = std::stoul(std::string(version));
    if (number >= 1 && number <= versions.size()) chosen = &versions[number - 1];
  }
  if (chosen == nullptr) return RestoreOutcome::kNoSuchVersion;
  // Read first: keeping the current file may prune the very version being restored.
  const auto contents = ReadWholeFile(chosen->file);
  if (contents.status != ReadStatus::kRead) {
    if (error != nullptr) *error = contents.error;
    return RestoreOutcome::kReadFailed;
  }
  if (!Keep(profileFile, error)) return RestoreOutcome::kWriteFailed;
  const auto target = FindIgnoringCase(deviceFolder_, profileFile).value_or(deviceFolder_ / std::string(profileFile));
  return WriteFileAtomically(target, contents.bytes, error) ? RestoreOutcome::kRestored
                                                            : RestoreOutcome::kWriteFailed;
}

std::vector<std::string> ProfileFilesOfName(std::string_view name) {
  const auto has = [name](std::string_view extension) {
    return name.size() > extension.size() &&
           EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension);
  };
  if (has(kLightProfileExtension) || has(kKeyProfileExtension)) return {std::string(name)};
  return {std::string(name) + std::string(kLightProfileExtension),
          std::string(name) + std::string(kKeyProfileExtension)};
}

RestoreReport RestoreProfileByName(const ProfileHistory& history, std::string_view name,
                                   std::string_view version) {
  std::vector<std::string> candidates;
  for (const auto& file : ProfileFilesOfName(name)) {
    if (!history.Versions(file).empty()) candidates.push_back(file);
  }
  if (candidates.size() != 1) {
    return {false, {},
            candidates.empty() ? "this profile has no earlier versions"
                               : "both a light and a key profile have versions: add .led or .pro"};
  }
  RestoreReport report{false, candidates[0], {}};
  int error = 0;
  switch (history.Restore(report.file, version, &error)) {
    case RestoreOutcome::kRestored:
      report.restored = true;
      if (const auto found = FindIgnoringCase(history.Folder().parent_path(), report.file)) {
        report.file = found->filename().string();  // the file's own spelling
      }
      report.text = "restored " + report.file + "; the file it replaced is kept as version 1";
      return report;
    case RestoreOutcome::kNoSuchVersion:
      report.text = report.file + " has no version " + std::string(version) + " (see: profile history)";
      return report;
    case RestoreOutcome::kReadFailed:
    case RestoreOutcome::kWriteFailed: break;
  }
  report.text = report.file + ": " + std::generic_category().message(error) + "; nothing was changed";
  return report;
}

}  // namespace tavrinex::profiles
