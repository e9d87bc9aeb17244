// The names that the list operations give new entries: "新配置文件N" for an added profile, the
// source's name followed by " copy" (as often as needed) for a copy. Names of one list are
// unique without regard to case.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tavrinex::profiles {

inline constexpr std::string_view kNewProfileNamePrefix = "新配置文件";
inline constexpr std::string_view kCopySuffix = " copy";

// True when a name of `names` equals `name` without regard to case.
[[nodiscard]] bool ContainsIgnoringCase(std::span<const std::string> names, std::string_view name);

// "新配置文件N" with the smallest N >= 1 that no name of the list carries.
[[nodiscard]] std::string NewProfileName(std::span<const std::string> names);

// source + " copy", + " copy" again while the list holds that name.
[[nodiscard]] std::string CopyName(std::span<const std::string> names, std::string_view source);

}  // namespace tavrinex::profiles
