// Reads the input as an INI file the way the catalogues are read, then writes one value into it
// and checks that the value reads back exactly from the re-encoded file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/ini_document.h"
#include "storage/ini_encoding.h"
#include "storage/ini_file.h"

namespace {

namespace profiles = tavrinex::profiles;

constexpr std::array<std::string_view, 4> kSections = {"PROFILECOUNT", "profilename", "A",
                                                       "SKINIMAGE"};
constexpr std::array<std::string_view, 4> kKeys = {"count", "0", "select", "FLAGS"};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckReads(std::string_view bytes) {
  const profiles::IniSnapshot snapshot = profiles::IniSnapshot::FromBytes(bytes);
  const std::string text = profiles::DecodeIniBytes(bytes).text;
  const profiles::IniDocument document = profiles::IniDocument::Parse(text);
  for (const std::string_view section : kSections) {
    for (const std::string_view key : kKeys) {
      // The copying and the scanning reader agree.
      Check(document.Find(section, key) == profiles::FindIniValue(text, section, key));
      const std::string value = snapshot.Get(section, key);
      Check(profiles::CutToUtf16Units(value, profiles::kIniBufferChars - 1) == value);
      (void)snapshot.GetInt(section, key);
    }
  }
}

void CheckWriteReadsBack(std::string_view bytes) {
  const std::uint8_t selector = bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[0]);
  const std::string_view section = kSections[selector % kSections.size()];
  const std::string_view key = kKeys[(selector / kSections.size()) % kKeys.size()];
  std::string_view value = bytes.substr(bytes.size() / 2, 300);
  if (!profiles::IsWritableValue(value) || !profiles::IsValidUtf8(value)) value = " v ";

  const profiles::DecodedIni decoded = profiles::DecodeIniBytes(bytes);
  profiles::IniDocument document = profiles::IniDocument::Parse(decoded.text);
  document.Set(section, key, value);
  Check(document.Find(section, key) == value);
  const std::string text = document.Serialize();
  const std::string written =
      profiles::EncodeIniText(text, profiles::EncodingForWrite(decoded.encoding, text));
  const profiles::IniDocument reread =
      profiles::IniDocument::Parse(profiles::DecodeIniBytes(written).text);
  Check(reread.Find(section, key) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckReads(bytes);
  CheckWriteReadsBack(bytes);
  return 0;
}
