#include "storage/ini_document.h"

#include <cstddef>

#include "storage/ignore_case.h"

namespace tavrinex::profiles {
namespace {

constexpr std::string_view kBlanks = " \t\f\v";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

}  // namespace

IniLine ClassifyIniLine(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.starts_with(';')) return {};
  if (text.starts_with('[')) {
    const std::string_view inside = text.substr(1);
    return {IniLineKind::kSection, Trim(inside.substr(0, inside.find(']'))), {}};
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return {};
  const std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return {};
  return {IniLineKind::kKey, key, Trim(text.substr(equals + 1))};
}

std::string_view UnquoteIniValue(std::string_view value) {
  return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

namespace {

// Built by appending: GCC 12 at -O3 warns (-Wrestrict) on "literal" + std::string.
std::string Enclosed(char open, std::string_view text, char close) {
  std::string out(1, open);
  out += text;
  out += close;
  return out;
}

// A value that would lose blanks or quotes on reading is written inside double quotes.
std::string StoredForm(std::string_view value) {
  const bool needsQuotes = IsQuoted(value) ||
                           (!value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                               kBlanks.find(value.back()) != std::string_view::npos));
  if (!needsQuotes) return std::string(value);
  return Enclosed('"', value, '"');
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsTrimmedName(std::string_view name) { return !name.empty() && Trim(name) == name; }

// Lines end at CRLF, LF or a lone CR; a missing final line end is accepted.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    if (end == text_.size()) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      return true;
    }
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

template <typename NextLine>
std::optional<std::string_view> FindWith(NextLine nextLine, std::string_view section,
                                         std::string_view key) {
  bool inSection = false;
  for (std::string_view line; nextLine(line);) {
    const IniLine info = ClassifyIniLine(line);
    if (info.kind == IniLineKind::kSection) {
      if (inSection) return std::nullopt;  // only the first section of the name counts
      inSection = EqualsIgnoringCase(info.name, section);
    } else if (inSection && info.kind == IniLineKind::kKey && EqualsIgnoringCase(info.name, key)) {
      return UnquoteIniValue(info.value);
    }
  }
  return std::nullopt;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument document;
  LineReader reader(text);
  for (std::string_view line; reader.Next(line);) document.lines_.emplace_back(line);
  return document;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section,
                                                  std::string_view key) const {
  std::size_t i = 0;
  return FindWith(
      [&](std::string_view& line) {
        if (i == lines_.size()) return false;
        line = lines_[i++];
        return true;
      },
      section, key);
}

std::optional<std::string_view> FindIniValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
  LineReader reader(text);
  return FindWith([&](std::string_view& line) { return reader.Next(line); }, section, key);
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::size_t i = 0;
  while (i < lines_.size()) {
    const IniLine info = ClassifyIniLine(lines_[i]);
    if (info.kind == IniLineKind::kSection && EqualsIgnoringCase(info.name, section)) break;
    ++i;
  }
  if (i == lines_.size()) {
    lines_.push_back(Enclosed('[', section, ']'));
    lines_.push_back(std::string(key) + "=" + StoredForm(value));
    return true;
  }
  std::size_t insertAt = ++i;  // after the last line of the section that is not blank
  for (; i < lines_.size(); ++i) {
    const IniLine info = ClassifyIniLine(lines_[i]);
    if (info.kind == IniLineKind::kSection) break;
    if (info.kind == IniLineKind::kKey && EqualsIgnoringCase(info.name, key)) {
      if (UnquoteIniValue(info.value) == value) return false;
      lines_[i] = std::string(info.name) + "=" + StoredForm(value);
      return true;
    }
    if (!Trim(lines_[i]).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                std::string(key) + "=" + StoredForm(value));
  return true;
}

std::string IniDocument::Serialize() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool IsWritableSection(std::string_view section) {
  return IsTrimmedName(section) && !HasLineBreakOrNul(section) &&
         section.find(']') == std::string_view::npos;
}

bool IsWritableKey(std::string_view key) {
  return IsTrimmedName(key) && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
         !key.starts_with('[') && !key.starts_with(';');
}

bool IsWritableValue(std::string_view value) { return !HasLineBreakOrNul(value); }

}  // namespace tavrinex::profiles
