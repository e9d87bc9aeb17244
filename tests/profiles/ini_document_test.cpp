#include "storage/ini_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace tavrinex::profiles {
namespace {

struct FindCase {
  const char* what;
  std::string_view text;
  std::string_view section;
  std::string_view key;
  std::optional<std::string_view> expected;
};

const FindCase kFindCases[] = {
    {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
    {"section and key ignore case", "[Profilecount]\nCOUNT=3\n", "PROFILECOUNT", "count", "3"},
    {"LF line ends", "[A]\nk=v\n", "A", "k", "v"},
    {"lone CR line ends", "[A]\rk=v\r", "A", "k", "v"},
    {"no final line end", "[A]\r\nk=v", "A", "k", "v"},
    {"blanks around names and value", "  [ A ]  \r\n\t k \t=  v w  \r\n", "A", "k", "v w"},
    {"double quotes removed", "[A]\nk=\" v \"\n", "A", "k", " v "},
    {"single quotes removed", "[A]\nk='v'\n", "A", "k", "v"},
    {"unmatched quote kept", "[A]\nk=\"v'\n", "A", "k", "\"v'"},
    {"lone quote kept", "[A]\nk=\"\n", "A", "k", "\""},
    {"empty value", "[A]\nk=\n", "A", "k", ""},
    {"value keeps later equals signs", "[A]\nk=a=b\n", "A", "k", "a=b"},
    {"first key of a name wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
    {"only the first section of a name counts", "[A]\nx=1\n[a]\nk=2\n", "A", "k", std::nullopt},
    {"key in another section", "[A]\nk=1\n[B]\n", "B", "k", std::nullopt},
    {"key before any section", "k=1\n[A]\n", "A", "k", std::nullopt},
    {"section name ends at the first bracket", "[A]B]\nk=1\n", "A", "k", "1"},
    {"text after the section's bracket is ignored", "[Keys] ; see [x]\nk=1\n", "Keys", "k", "1"},
    {"bracket without close still opens a section", "[A\nk=1\n", "A", "k", "1"},
    {"a comment line is no key", "[A]\n;Speed=3\n", "A", ";Speed", std::nullopt},
    {"a comment may follow blanks", "[A]\n \t;k=1\n", "A", ";k", std::nullopt},
    {"line without equals is no key", "[A]\nk\n", "A", "k", std::nullopt},
    {"comment lines never match", "[A]\n;k=1\nk=2\n", "A", "k", "2"},
    {"missing section", "[A]\nk=1\n", "B", "k", std::nullopt},
    {"empty text", "", "A", "k", std::nullopt},
    {"key name is not a prefix match", "[A]\nkey=1\n", "A", "k", std::nullopt},
};

TEST(IniDocumentTest, FindsValuesAsTheWindowsServiceDoes) {
  for (const FindCase& c : kFindCases) {
    const IniDocument document = IniDocument::Parse(c.text);
    EXPECT_EQ(document.Find(c.section, c.key), c.expected) << c.what;
  }
}

TEST(IniDocumentTest, SetReplacesTheValueInPlaceAndKeepsEveryOtherLine) {
  IniDocument document =
      IniDocument::Parse("; comment\n[Other]\nk=x\n[PROFILENAME]\n0=old\n1=b\n\n[Last]\n");
  EXPECT_TRUE(document.Set("profilename", "0", "new"));
  EXPECT_EQ(document.Serialize(),
            "; comment\r\n[Other]\r\nk=x\r\n[PROFILENAME]\r\n0=new\r\n1=b\r\n\r\n[Last]\r\n");
}

TEST(IniDocumentTest, SetKeepsTheSpellingOfAnExistingKey) {
  IniDocument document = IniDocument::Parse("[A]\r\n  Count = 1\r\n");
  EXPECT_TRUE(document.Set("A", "count", "2"));
  EXPECT_EQ(document.Serialize(), "[A]\r\nCount=2\r\n");
}

TEST(IniDocumentTest, SetAddsKeyAtTheEndOfItsSectionBeforeBlankLines) {
  IniDocument document = IniDocument::Parse("[A]\nk=1\n\n[B]\nk=2");
  EXPECT_TRUE(document.Set("A", "j", "3"));
  EXPECT_TRUE(document.Set("b", "j", "4"));
  EXPECT_EQ(document.Serialize(), "[A]\r\nk=1\r\nj=3\r\n\r\n[B]\r\nk=2\r\nj=4\r\n");
}

TEST(IniDocumentTest, SetAddsSectionAtTheEnd) {
  IniDocument document;
  EXPECT_TRUE(document.Set("PROFILECOUNT", "count", "1"));
  EXPECT_TRUE(document.Set("PROFILENAME", "0", "P"));
  EXPECT_EQ(document.Serialize(), "[PROFILECOUNT]\r\ncount=1\r\n[PROFILENAME]\r\n0=P\r\n");
  IniDocument headerOnly = IniDocument::Parse("[A]");
  EXPECT_TRUE(headerOnly.Set("A", "k", "v"));
  EXPECT_EQ(headerOnly.Serialize(), "[A]\r\nk=v\r\n");
}

TEST(IniDocumentTest, SetOfTheSameValueChangesNothing) {
  IniDocument document = IniDocument::Parse("[A]\nk = v \n");
  EXPECT_FALSE(document.Set("a", "K", "v"));
  EXPECT_EQ(document.Lines()[1], "k = v ");
}

// Values that the format would otherwise trim or unquote are stored inside quotes, so that
// both this service and the Windows one read back exactly the text written.
TEST(IniDocumentTest, EveryWritableValueReadsBackExactly) {
  const std::string_view values[] = {"", " ", "  lead", "trail  ", "\"q\"", "'q'", "\"",
                                     "a=b", "[x]", ";c", "新配置文件1", "\t tab \t", "'"};
  for (const std::string_view value : values) {
    ASSERT_TRUE(IsWritableValue(value));
    IniDocument document;
    document.Set("A", "k", value);
    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_EQ(reread.Find("A", "k"), value) << "[" << value << "]";
  }
}

TEST(IniDocumentTest, NamesAndValuesThatCannotBeStoredAreRecognised) {
  EXPECT_FALSE(IsWritableValue("two\nlines"));
  EXPECT_FALSE(IsWritableValue("cr\r"));
  EXPECT_FALSE(IsWritableValue(std::string_view("nul\0", 4)));
  EXPECT_FALSE(IsWritableSection("A]B"));
  EXPECT_FALSE(IsWritableSection(""));
  EXPECT_FALSE(IsWritableSection(" A"));
  EXPECT_FALSE(IsWritableKey("a=b"));
  EXPECT_FALSE(IsWritableKey("[a"));
  EXPECT_FALSE(IsWritableKey(";a"));  // a comment to Windows
  EXPECT_FALSE(IsWritableKey("k "));
  EXPECT_TRUE(IsWritableSection("PROFILEDENGNAME"));
  EXPECT_TRUE(IsWritableKey("12"));
}

}  // namespace
}  // namespace tavrinex::profiles
