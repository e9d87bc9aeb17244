// The files of a macro library, read and written with the INI service's rules: the index file
// ("kbMacro.ini" or "msMacro.ini", looked up without regard to case) and one macro file per
// macro (name + ".mac").
//
// Reading is defensive, as these files may come from anywhere: each value is cut to the
// 260-character read buffer, a macro file's count larger than its keys reads as the keys present,
// and the index reads at most kMaxIndexEntries names.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_kind.h"
#include "storage/ini_document.h"

namespace tavrinex::keys {

inline constexpr std::string_view kMacroCountSection = "MACROCOUNT";
inline constexpr std::string_view kMacroNameSection = "MACRONAME";
inline constexpr std::string_view kActionCountSection = "MACROACTIONCOUNT";
inline constexpr std::string_view kActionSection = "MACROACTION";
inline constexpr std::string_view kCountKey = "count";
inline constexpr std::string_view kMacroFileExtension = ".mac";
// Longest name whose file name (name + ".mac") a Linux folder can hold.
inline constexpr std::size_t kMaxMacroNameBytes = 255 - kMacroFileExtension.size();

// "kbMacro.ini", "msMacro.ini"; the mouse pad has no macros (empty).
[[nodiscard]] std::string_view MacroIndexFileName(device::DeviceKind kind);

// A name that can become a macro file in the library's folder and read back from the index
// exactly as written: not empty, not "." or "..", no "/" or "\", no control characters, not
// longer than the read buffer or a file name allows, and stored by the INI format unchanged.
[[nodiscard]] bool IsValidMacroName(std::string_view name);

// The file as a document: empty when missing or unreadable.
[[nodiscard]] profiles::IniDocument ReadIniDocument(const std::filesystem::path& file);
[[nodiscard]] profiles::IniDocument ParseIniBytes(std::string_view bytes);

// A key slot names a macro by a one-byte index, so no later position can be used.
inline constexpr std::size_t kMaxIndexEntries = 256;

// The index: the names of keys "0", "1", ... below "count" (at most kMaxIndexEntries). A key
// that is absent reads as "0", as every missing value does: a macro named "0", so the macros
// after it keep the positions that key slots refer to.
[[nodiscard]] std::vector<std::string> IndexNames(const profiles::IniDocument& index);

// The action lines of keys "0" ... count - 1 that are present, in key order, verbatim. Absent
// keys hold no action (the Windows program reads them as "0", which is no action line either).
[[nodiscard]] std::vector<std::string> ActionLines(const profiles::IniDocument& macro);

struct IniValue {
  std::string_view section;
  std::string_view key;
  std::string value;
};

// Sets the values in the file (a fresh document when `fresh`, else the file's own) and replaces
// the file atomically in one write. False, with the file untouched, when a value cannot be
// stored or the file cannot be read or written.
[[nodiscard]] bool WriteIniValues(const std::filesystem::path& file,
                                  const std::vector<IniValue>& values, bool fresh);

}  // namespace tavrinex::keys
