// Byte encodings of INI files, as Windows programs leave them, and the one we write.
//
// Reading: a UTF-16 byte-order mark (either order) or a UTF-8 mark decides; without a mark the
// bytes are taken as UTF-8 when they are valid UTF-8, else as the legacy Chinese code page
// (GB18030, a superset of the GBK that Windows uses for new INI files on Chinese systems).
//
// Writing: a file found in UTF-16 stays UTF-16LE with its mark and a file found with a UTF-8
// mark keeps it. Any other file is written as plain bytes while its text is pure ASCII (the same
// bytes in UTF-8 and every Windows code page), and as UTF-16LE with its mark as soon as it holds
// other text: that is the only form in which the Windows INI service reads Chinese names back
// unchanged on every system. Line ends are always CRLF (see IniDocument::Serialize).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrinex::profiles {

enum class IniEncoding : std::uint8_t {
  kPlain,    // no mark, valid UTF-8 (pure ASCII included)
  kUtf8Bom,  // EF BB BF, then UTF-8
  kUtf16Le,  // FF FE, then UTF-16 little-endian
  kUtf16Be,  // FE FF, then UTF-16 big-endian
  kLegacy,   // no mark, not UTF-8: GB18030
};

struct DecodedIni {
  std::string text;  // UTF-8, without the mark
  IniEncoding encoding = IniEncoding::kPlain;
  // kLegacy bytes that GB18030 does not decode either (a truncated last character is enough):
  // `text` holds them as they are, and writing it back would turn each into U+FFFD.
  bool undecodable = false;
};

// Never fails: bytes that do not decode are kept as they are (UTF-16 ones become U+FFFD), and
// `undecodable` says so for legacy bytes.
[[nodiscard]] DecodedIni DecodeIniBytes(std::string_view bytes);

[[nodiscard]] IniEncoding EncodingForWrite(IniEncoding found, std::string_view utf8Text);

// kPlain and kLegacy write the UTF-8 text as it is; EncodingForWrite never picks kLegacy.
[[nodiscard]] std::string EncodeIniText(std::string_view utf8Text, IniEncoding encoding);

[[nodiscard]] bool IsValidUtf8(std::string_view text);

// The longest prefix of the text that fits `units` UTF-16 code units, the measure of the
// Windows INI read buffer. A character is never split; a byte that is not part of valid UTF-8
// counts as one unit.
[[nodiscard]] std::string_view CutToUtf16Units(std::string_view utf8Text, std::size_t units);

}  // namespace tavrinex::profiles
