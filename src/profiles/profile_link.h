// Linking a profile to a program: the link flag and the program path of an entry in its
// catalogue, and the rules the link controls follow. A program is named by the absolute path
// of its executable; the controls show its file name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/profile_catalogue.h"

namespace tavrinex::profiles {

// The program value of an entry that is not linked.
inline constexpr std::string_view kNoProgram = " ";

// Only an absolute path can name the program in front.
[[nodiscard]] constexpr bool IsProgramPath(std::string_view path) { return path.starts_with('/'); }
// The part after the last "/", as the link edit shows it.
[[nodiscard]] std::string_view ProgramFileName(std::string_view path);

// Flag "0", program " ".
void Unlink(const ProfileCatalogue& catalogue, ProfileListKind list, int entry);
// Flag "1", program = path.
void Link(const ProfileCatalogue& catalogue, ProfileListKind list, int entry, std::string_view path);

// The first of entries 0 .. count-1 (the entry itself included) linked to `path`, ignoring
// letter case; -1 when none is.
[[nodiscard]] int LinkedTo(const ProfileCatalogue& catalogue, ProfileListKind list, int count,
                           std::string_view path);

enum class LinkOutcome : std::uint8_t {
  kLinked,       // the entry is linked to the path
  kUnlinked,     // unlinked, or left unlinked (cancelled, or not an absolute path)
  kDuplicate,    // another entry (or this one) is linked to the path already: left unlinked
  kUnchanged,    // the link button changed nothing
};

// The link check was ticked and the user chose `chosen` (nothing: cancelled) for entry `entry`
// of a list of `count` items.
LinkOutcome LinkByCheck(const ProfileCatalogue& catalogue, ProfileListKind list, int count, int entry,
                        const std::optional<std::string>& chosen);
// The link button: links to any absolute path, even one another entry has (the lower entry
// then wins); anything else changes nothing.
LinkOutcome LinkByButton(const ProfileCatalogue& catalogue, ProfileListKind list, int entry,
                         const std::optional<std::string>& chosen);

}  // namespace tavrinex::profiles
