#include "storage/ini_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <mutex>
#include <set>

#include "storage/atomic_file.h"
#include "storage/ini_document.h"
#include "storage/ini_encoding.h"
#include "storage/save_failure.h"
#include "storage/settings_folder.h"

namespace tavrinex::profiles {
namespace {

std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

// A file that stays undecodable is refused at every write; the user hears of it once.
bool FirstUndecodableReport(const std::filesystem::path& file) {
  static std::mutex mutex;
  static std::set<std::filesystem::path> reported;
  const std::lock_guard lock(mutex);
  return reported.insert(file).second;
}

std::string CutToBuffer(std::string_view value) {
  return std::string(CutToUtf16Units(value, kIniBufferChars - 1));
}

}  // namespace

int ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = std::int64_t{INT_MAX} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
  }
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(std::min<std::int64_t>(magnitude, INT_MAX));
}

IniSnapshot IniSnapshot::FromBytes(std::string_view fileBytes) {
  IniSnapshot snapshot;
  snapshot.text_ = DecodeIniBytes(fileBytes).text;
  return snapshot;
}

IniSnapshot IniSnapshot::Read(const std::filesystem::path& file) {
  const FileContents contents = ReadWholeFile(ResolveIgnoringCase(file));
  return FromBytes(contents.status == ReadStatus::kRead ? contents.bytes : std::string());
}

std::string IniSnapshot::Get(std::string_view section, std::string_view key,
                             std::string_view defaultValue) const {
  return CutToBuffer(FindIniValue(text_, section, key).value_or(defaultValue));
}

int IniSnapshot::GetInt(std::string_view section, std::string_view key) const {
  return ParseLeadingInt(Get(section, key));
}

std::string ReadIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view defaultValue) {
  return IniSnapshot::Read(file).Get(section, key, defaultValue);
}

int ReadIniInt(const std::filesystem::path& file, std::string_view section,
               std::string_view key) {
  return ParseLeadingInt(ReadIniString(file, section, key));
}

std::optional<IniForWrite> ReadIniForWrite(const std::filesystem::path& file) {
  const FileContents contents = ReadWholeFile(file);
  if (contents.status == ReadStatus::kFailed) {  // never replace what we cannot read
    ReportSaveFailure({file, SaveFailureReason::kUnreadable, contents.error});
    return std::nullopt;
  }
  IniForWrite found{DecodeIniBytes(contents.bytes), contents.status == ReadStatus::kRead};
  if (found.decoded.undecodable) {
    if (FirstUndecodableReport(file)) ReportSaveFailure({file, SaveFailureReason::kUndecodable, 0});
    return std::nullopt;
  }
  return found;
}

bool ReplaceIniFile(const std::filesystem::path& file, std::string_view text, IniEncoding found) {
  int error = 0;
  if (WriteFileAtomically(file, EncodeIniText(text, EncodingForWrite(found, text)), &error)) {
    return true;
  }
  ReportSaveFailure(file, error);
  return false;
}

bool WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value) {
  if (!IsWritableSection(section) || !IsWritableKey(key) || !IsWritableValue(value)) return false;
  const std::lock_guard lock(WriteMutex());
  const std::filesystem::path target = ResolveIgnoringCase(file);
  const auto found = ReadIniForWrite(target);
  if (!found) return false;
  IniDocument document = IniDocument::Parse(found->decoded.text);
  if (!document.Set(section, key, value) && found->existed) return true;
  return ReplaceIniFile(target, document.Serialize(), found->decoded.encoding);
}

bool WriteIniInt(const std::filesystem::path& file, std::string_view section,
                 std::string_view key, int value) {
  return WriteIniString(file, section, key, std::to_string(value));
}

}  // namespace tavrinex::profiles
