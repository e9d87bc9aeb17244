#include "profiles/profile_names.h"

#include <algorithm>

#include "storage/ignore_case.h"

namespace tavrinex::profiles {

bool ContainsIgnoringCase(std::span<const std::string> names, std::string_view name) {
  return std::any_of(names.begin(), names.end(),
                     [name](const std::string& n) { return EqualsIgnoringCase(n, name); });
}

// Every name excludes at most one N, so the search ends within names.size() + 1 candidates.
std::string NewProfileName(std::span<const std::string> names) {
  for (std::size_t n = 1;; ++n) {
    std::string candidate = std::string(kNewProfileNamePrefix) + std::to_string(n);
    if (!ContainsIgnoringCase(names, candidate)) return candidate;
  }
}

std::string CopyName(std::span<const std::string> names, std::string_view source) {
  std::string name = std::string(source) + std::string(kCopySuffix);
  while (ContainsIgnoringCase(names, name)) name += kCopySuffix;
  return name;
}

}  // namespace tavrinex::profiles
