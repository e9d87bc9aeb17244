// The text of one INI file in the Windows private-profile format, read and changed the way the
// Windows INI service does it:
// - a line whose first non-blank character is ";" is a comment;
// - a line whose first non-blank character is "[" opens a section, named by the text between
//   the "[" and the first "]" (all the rest of the line when it holds no "]");
// - any other line with "=" inside a section is a key; key and value are trimmed of blanks;
// - section and key names match without regard to case; the first section of a name is the
//   only one consulted, and in it the first key of a name;
// - a value enclosed in a matching pair of double or single quotes reads without them;
// - every other line (blank lines, comments, junk) is kept as it is and never matches.
// Writing a value changes its one line, or adds the key at the end of its section, or the
// section at the end of the text; all other lines stay as they were.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrinex::profiles {

class IniDocument {
 public:
  // Lines end at CRLF, LF or a lone CR; a missing final line end is accepted.
  [[nodiscard]] static IniDocument Parse(std::string_view text);

  // The value as the Windows INI service returns it (trimmed, one pair of quotes removed),
  // before any cut to the read buffer; nothing when the section or key is absent.
  [[nodiscard]] std::optional<std::string_view> Find(std::string_view section,
                                                     std::string_view key) const;

  // Sets the value so that Find returns exactly `value`. Returns false when the text stays as it
  // was, because the key already held that value. Names and value must pass IsWritable*.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Every line ended with CRLF, as the Windows INI service writes them.
  [[nodiscard]] std::string Serialize() const;

  [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// What one line of the file is, read as above.
enum class IniLineKind : unsigned char { kOther, kSection, kKey };
struct IniLine {
  IniLineKind kind = IniLineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key lines: trimmed, quotes kept (see UnquoteIniValue)
};
[[nodiscard]] IniLine ClassifyIniLine(std::string_view line);
// A value enclosed in a matching pair of double or single quotes, without them.
[[nodiscard]] std::string_view UnquoteIniValue(std::string_view value);

// IniDocument::Parse(text).Find(section, key), without copying the lines.
[[nodiscard]] std::optional<std::string_view> FindIniValue(std::string_view text,
                                                           std::string_view section,
                                                           std::string_view key);

// Names and values that can be stored so that they read back as written: no line breaks or NUL
// anywhere, a section name without "]", a key without "=" and not starting with "[" or ";"
// (Windows would read those lines as a section or a comment), names not empty and without
// blanks at either end.
[[nodiscard]] bool IsWritableSection(std::string_view section);
[[nodiscard]] bool IsWritableKey(std::string_view key);
[[nodiscard]] bool IsWritableValue(std::string_view value);

}  // namespace tavrinex::profiles
