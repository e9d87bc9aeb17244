#include "storage/ini_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using testing::Utf16LeFile;

// "新配置文件1" in the legacy Chinese code page, as the Windows INI service writes a new file
// on a Chinese system.
constexpr std::string_view kGbkFirstName = "\xD0\xC2\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE" "1";

TEST(IniEncodingTest, DecodesEveryFormWindowsLeaves) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string_view text;
    IniEncoding encoding;
  };
  const Case cases[] = {
      {"ASCII", "[A]\r\n0=x\r\n", "[A]\r\n0=x\r\n", IniEncoding::kPlain},
      {"UTF-8", "0=新配置文件1", "0=新配置文件1", IniEncoding::kPlain},
      {"UTF-8 with mark", "\xEF\xBB\xBF[A]", "[A]", IniEncoding::kUtf8Bom},
      {"UTF-16LE", Utf16LeFile(u"[A]\r\n0=新配置文件1\r\n"), "[A]\r\n0=新配置文件1\r\n",
       IniEncoding::kUtf16Le},
      {"UTF-16LE pair", Utf16LeFile(u"x=\U0001F600"), "x=\U0001F600", IniEncoding::kUtf16Le},
      {"UTF-16BE", std::string("\xFE\xFF\x00[\x65\xB0", 6), "[新", IniEncoding::kUtf16Be},
      {"UTF-16 odd last byte dropped", std::string("\xFF\xFE" "A\x00" "B", 5), "A",
       IniEncoding::kUtf16Le},
      {"UTF-16 lone surrogate", std::string("\xFF\xFE\x00\xD8" "A\x00", 6), "\uFFFDA",
       IniEncoding::kUtf16Le},
      {"GBK", "0=" + std::string(kGbkFirstName), "0=新配置文件1", IniEncoding::kLegacy},
      {"mark only", "\xFF\xFE", "", IniEncoding::kUtf16Le},
  };
  for (const Case& c : cases) {
    const DecodedIni decoded = DecodeIniBytes(c.bytes);
    EXPECT_EQ(decoded.text, c.text) << c.what;
    EXPECT_EQ(decoded.encoding, c.encoding) << c.what;
    EXPECT_FALSE(decoded.undecodable) << c.what;
  }
}

TEST(IniEncodingTest, BytesThatDecodeInNoEncodingAreKept) {
  const std::string junk("\xFF\x80\x81\x00\xFE", 5);
  const DecodedIni decoded = DecodeIniBytes(junk);
  EXPECT_EQ(decoded.encoding, IniEncoding::kLegacy);
  EXPECT_EQ(decoded.text.size(), junk.size());
  EXPECT_TRUE(decoded.undecodable);
}

TEST(IniEncodingTest, WritesAsciiPlainAndOtherTextAsUtf16) {
  EXPECT_EQ(EncodingForWrite(IniEncoding::kPlain, "[A]\r\n0=P\r\n"), IniEncoding::kPlain);
  EXPECT_EQ(EncodingForWrite(IniEncoding::kPlain, "0=新"), IniEncoding::kUtf16Le);
  EXPECT_EQ(EncodingForWrite(IniEncoding::kLegacy, "0=新"), IniEncoding::kUtf16Le);
  EXPECT_EQ(EncodingForWrite(IniEncoding::kUtf16Le, "0=P"), IniEncoding::kUtf16Le);
  EXPECT_EQ(EncodingForWrite(IniEncoding::kUtf16Be, "0=P"), IniEncoding::kUtf16Le);
  EXPECT_EQ(EncodingForWrite(IniEncoding::kUtf8Bom, "0=新"), IniEncoding::kUtf8Bom);

  EXPECT_EQ(EncodeIniText("[A]\r\n0=新配置文件1\r\n", IniEncoding::kUtf16Le),
            Utf16LeFile(u"[A]\r\n0=新配置文件1\r\n"));
  EXPECT_EQ(EncodeIniText("x=\U0001F600", IniEncoding::kUtf16Le), Utf16LeFile(u"x=\U0001F600"));
  EXPECT_EQ(EncodeIniText("0=新", IniEncoding::kUtf8Bom), "\xEF\xBB\xBF" "0=新");
  EXPECT_EQ(EncodeIniText("0=P", IniEncoding::kPlain), "0=P");
}

TEST(IniEncodingTest, CutCountsUtf16UnitsAndNeverSplitsACharacter) {
  const std::string ascii(300, 'a');
  const std::string chinese = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += "新";
    return s;
  }();
  const std::string emojiAtEdge = std::string(258, 'a') + "\U0001F600";  // needs units 259-260
  const std::string invalid = std::string(258, 'a') + "\xE6\x96";        // cut-off sequence
  EXPECT_EQ(CutToUtf16Units(ascii, 259), std::string(259, 'a'));
  EXPECT_EQ(CutToUtf16Units(chinese, 259).size(), 259u * 3);
  EXPECT_EQ(CutToUtf16Units(emojiAtEdge, 259), std::string(258, 'a'));
  EXPECT_EQ(CutToUtf16Units(emojiAtEdge, 260), emojiAtEdge);
  EXPECT_EQ(CutToUtf16Units(invalid, 259), std::string(258, 'a') + "\xE6");
  EXPECT_EQ(CutToUtf16Units("short", 259), "short");
}

}  // namespace
}  // namespace tavrinex::profiles
