#include "storage/ini_encoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace tavrinex::profiles {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

struct Utf8Char {
  char32_t code = 0;
  std::size_t length = 1;
  bool valid = false;
};

[[nodiscard]] std::uint8_t Byte(std::string_view text, std::size_t i) {
  return static_cast<std::uint8_t>(text[i]);
}

// One UTF-8 sequence at `pos`; overlong forms, surrogates and values past U+10FFFF are invalid.
Utf8Char DecodeUtf8At(std::string_view text, std::size_t pos) {
  const std::uint8_t lead = Byte(text, pos);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t length = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1Fu, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0Fu, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07u, minimum = 0x10000;
  } else {
    return {};
  }
  if (pos + length > text.size()) return {};
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = Byte(text, pos + i);
    if ((next & 0xC0) != 0x80) return {};
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {code, length, true};
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const auto unitAt = [&](std::size_t i) -> char32_t {
    const char32_t a = Byte(bytes, i);
    const char32_t b = Byte(bytes, i + 1);
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {  // an odd last byte is dropped
    char32_t unit = unitAt(i);
    i += 2;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < bytes.size()) {
      const char32_t low = unitAt(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
  }
  return out;
}

void AppendUtf16Le(std::string& out, char32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>((unit >> 8) & 0xFF);
}

std::string EncodeUtf16Le(std::string_view text) {
  std::string out(kUtf16LeMark);
  out.reserve(2 + 2 * text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    pos += c.length;
    const char32_t code = c.valid ? c.code : kReplacement;
    if (code >= 0x10000) {
      AppendUtf16Le(out, 0xD800 + ((code - 0x10000) >> 10));
      AppendUtf16Le(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      AppendUtf16Le(out, code);
    }
  }
  return out;
}

// GB18030 through the C library's converter; bytes it rejects leave the text undecoded.
bool DecodeLegacy(std::string_view bytes, std::string& out) {
  const iconv_t converter = iconv_open("UTF-8", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string input(bytes);
  char* in = input.data();
  std::size_t inLeft = input.size();
  std::array<char, 4096> chunk{};
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = chunk.data();
    std::size_t outLeft = chunk.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(chunk.data(), chunk.size() - outLeft);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(converter);
  return ok;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    if (!c.valid) return false;
    pos += c.length;
  }
  return true;
}

DecodedIni DecodeIniBytes(std::string_view bytes) {
  if (bytes.starts_with(kUtf16LeMark)) {
    return {DecodeUtf16(bytes.substr(kUtf16LeMark.size()), false), IniEncoding::kUtf16Le};
  }
  if (bytes.starts_with(kUtf16BeMark)) {
    return {DecodeUtf16(bytes.substr(kUtf16BeMark.size()), true), IniEncoding::kUtf16Be};
  }
  if (bytes.starts_with(kUtf8Mark)) {
    return {std::string(bytes.substr(kUtf8Mark.size())), IniEncoding::kUtf8Bom};
  }
  if (IsValidUtf8(bytes)) return {std::string(bytes), IniEncoding::kPlain};
  DecodedIni decoded{{}, IniEncoding::kLegacy};
  if (!DecodeLegacy(bytes, decoded.text)) {
    decoded.text = bytes;
    decoded.undecodable = true;
  }
  return decoded;
}

IniEncoding EncodingForWrite(IniEncoding found, std::string_view utf8Text) {
  switch (found) {
    case IniEncoding::kUtf16Le:
    case IniEncoding::kUtf16Be: return IniEncoding::kUtf16Le;
    case IniEncoding::kUtf8Bom: return IniEncoding::kUtf8Bom;
    case IniEncoding::kPlain:
    case IniEncoding::kLegacy: break;
  }
  for (const char c : utf8Text) {
    if (static_cast<std::uint8_t>(c) >= 0x80) return IniEncoding::kUtf16Le;
  }
  return IniEncoding::kPlain;
}

std::string EncodeIniText(std::string_view utf8Text, IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf16Le:
    case IniEncoding::kUtf16Be: return EncodeUtf16Le(utf8Text);
    case IniEncoding::kUtf8Bom: return std::string(kUtf8Mark) + std::string(utf8Text);
    case IniEncoding::kPlain:
    case IniEncoding::kLegacy: break;
  }
  return std::string(utf8Text);
}

std::string_view CutToUtf16Units(std::string_view utf8Text, std::size_t units) {
  std::size_t pos = 0;
  std::size_t used = 0;
  while (pos < utf8Text.size()) {
    const Utf8Char c = DecodeUtf8At(utf8Text, pos);
    const std::size_t need = (c.valid && c.code >= 0x10000) ? 2 : 1;
    if (used + need > units) break;
    used += need;
    pos += c.length;
  }
  return utf8Text.substr(0, pos);
}

}  // namespace tavrinex::profiles
