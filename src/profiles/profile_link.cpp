#include "profiles/profile_link.h"

#include <algorithm>

#include "storage/ignore_case.h"

namespace tavrinex::profiles {

std::string_view ProgramFileName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void Unlink(const ProfileCatalogue& catalogue, ProfileListKind list, int entry) {
  (void)catalogue.SetLinkFlag(list, entry, false);
  (void)catalogue.SetProgram(list, entry, kNoProgram);
}

void Link(const ProfileCatalogue& catalogue, ProfileListKind list, int entry, std::string_view path) {
  (void)catalogue.SetLinkFlag(list, entry, true);
  (void)catalogue.SetProgram(list, entry, path);
}

int LinkedTo(const ProfileCatalogue& catalogue, ProfileListKind list, int count, std::string_view path) {
  count = std::min(count, kMaxListEntries);
  for (int i = 0; i < count; ++i) {
    if (catalogue.LinkFlag(list, i) == 1 && EqualsIgnoringCase(catalogue.Program(list, i), path)) return i;
  }
  return -1;
}

LinkOutcome LinkByCheck(const ProfileCatalogue& catalogue, ProfileListKind list, int count, int entry,
                        const std::optional<std::string>& chosen) {
  if (!chosen) {
    Unlink(catalogue, list, entry);
    return LinkOutcome::kUnlinked;
  }
  if (LinkedTo(catalogue, list, count, *chosen) >= 0) {
    Unlink(catalogue, list, entry);
    return LinkOutcome::kDuplicate;
  }
  if (!IsProgramPath(*chosen)) {
    Unlink(catalogue, list, entry);
    return LinkOutcome::kUnlinked;
  }
  Link(catalogue, list, entry, *chosen);
  return LinkOutcome::kLinked;
}

LinkOutcome LinkByButton(const ProfileCatalogue& catalogue, ProfileListKind list, int entry,
                         const std::optional<std::string>& chosen) {
  if (!chosen || !IsProgramPath(*chosen)) return LinkOutcome::kUnchanged;
  Link(catalogue, list, entry, *chosen);
  return LinkOutcome::kLinked;
}

}  // namespace tavrinex::profiles
