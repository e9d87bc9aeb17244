// The INI service: one value read or written per call, with the semantics of the Windows
// private-profile functions as this program uses them (see IniDocument for the format).
//
// - A read passes the default "0" and a 260-character buffer: a missing file, section or key
//   reads as "0", and a value reads back cut to 259 characters (UTF-16 code units, as on
//   Windows; a character is never split).
// - Integers are written in the "%d" form and read with a leading-integer parse.
// - A write creates the file, the section and the key as needed and replaces an existing value;
//   text reads back exactly as written. A write that would not change the value leaves the file
//   alone; any other write replaces the file atomically (WriteFileAtomically).
// - The file name is matched without regard to case (ResolveIgnoringCase).
//
// Threads: writes are serialised inside the process, so two threads changing the same file
// cannot lose each other's value; reads need no lock, as a file is only ever replaced whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "storage/ini_encoding.h"

namespace tavrinex::profiles {

inline constexpr std::size_t kIniBufferChars = 260;
inline constexpr std::string_view kIniDefault = "0";

[[nodiscard]] std::string ReadIniString(const std::filesystem::path& file,
                                        std::string_view section, std::string_view key,
                                        std::string_view defaultValue = kIniDefault);

// The leading-integer parse of the value (see ParseLeadingInt).
[[nodiscard]] int ReadIniInt(const std::filesystem::path& file, std::string_view section,
                             std::string_view key);

// False when nothing was written: a name or value that cannot be stored (IsWritable*), a file
// that cannot be read, decoded or written (those are reported, see ReadIniForWrite).
bool WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value);
bool WriteIniInt(const std::filesystem::path& file, std::string_view section,
                 std::string_view key, int value);

// The file as a writer finds it before changing it. Nothing when it must not be replaced, and
// the failure is reported (ReportSaveFailure): what is in its place cannot be read, or it holds
// legacy bytes that do not decode (replacing it would mangle every name in it; reported once
// per file).
struct IniForWrite {
  DecodedIni decoded;
  bool existed = false;
};
[[nodiscard]] std::optional<IniForWrite> ReadIniForWrite(const std::filesystem::path& file);

// Encodes the text for a file found in `found` (EncodingForWrite) and replaces the file
// atomically; a failure is reported (ReportSaveFailure) and gives false.
bool ReplaceIniFile(const std::filesystem::path& file, std::string_view text, IniEncoding found);

// One reading of a file, for callers that take many values at once (a whole list): the values
// are those of one version of the file, and the file is read and parsed once.
class IniSnapshot {
 public:
  [[nodiscard]] static IniSnapshot Read(const std::filesystem::path& file);
  [[nodiscard]] static IniSnapshot FromBytes(std::string_view fileBytes);

  // As ReadIniString, from this version of the file.
  [[nodiscard]] std::string Get(std::string_view section, std::string_view key,
                                std::string_view defaultValue = kIniDefault) const;
  [[nodiscard]] int GetInt(std::string_view section, std::string_view key) const;

 private:
  std::string text_;  // decoded
};

// Optional blanks, an optional sign and decimal digits; anything else ends the number, and text
// that does not start with a number reads as 0. Values beyond int saturate, as _wtoi does.
[[nodiscard]] int ParseLeadingInt(std::string_view text);

}  // namespace tavrinex::profiles
