#include "storage/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "save_failure_capture.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using testing::Utf16LeFile;

class IniFileTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    std::filesystem::create_directories(documents_);
    file_ = documents_ / "test.ini";
  }
  std::filesystem::path file_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsZero) {
  EXPECT_EQ(ReadIniString(file_, "A", "k"), "0");
  EXPECT_EQ(ReadIniInt(file_, "A", "k"), 0);
  WriteBytes(file_, "[A]\r\nk=v\r\n");
  EXPECT_EQ(ReadIniString(file_, "B", "k"), "0");
  EXPECT_EQ(ReadIniString(file_, "A", "j"), "0");
  EXPECT_EQ(ReadIniString(file_, "A", "j", "dflt"), "dflt");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKeyAndReplacesTheValue) {
  EXPECT_TRUE(WriteIniString(file_, "PROFILECOUNT", "count", "1"));
  EXPECT_EQ(ReadBytes(file_), "[PROFILECOUNT]\r\ncount=1\r\n");
  EXPECT_TRUE(WriteIniInt(file_, "profilecount", "COUNT", 2));
  EXPECT_TRUE(WriteIniString(file_, "PROFILENAME", "0", "P"));
  EXPECT_EQ(ReadBytes(file_), "[PROFILECOUNT]\r\ncount=2\r\n[PROFILENAME]\r\n0=P\r\n");
  EXPECT_EQ(ReadIniInt(file_, "PROFILECOUNT", "count"), 2);
}

TEST_F(IniFileTest, WriteDoesNotCreateTheFolder) {
  EXPECT_FALSE(WriteIniString(documents_ / "absent" / "x.ini", "A", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(documents_ / "absent"));
}

TEST_F(IniFileTest, IntegersAreWrittenInThePercentDForm) {
  for (const int value : {0, 7, -1, 1234567, INT_MIN, INT_MAX}) {
    ASSERT_TRUE(WriteIniInt(file_, "A", "k", value));
    EXPECT_EQ(ReadIniString(file_, "A", "k"), std::to_string(value));
    EXPECT_EQ(ReadIniInt(file_, "A", "k"), value);
  }
}

TEST(ParseLeadingIntTest, ReadsTheLeadingInteger) {
  const struct {
    std::string_view text;
    int value;
  } cases[] = {{"12", 12},          {"12abc", 12},       {"-1", -1},          {"+7", 7},
               {" 42", 42},          {"007", 7},          {"3.9", 3},          {"0x10", 0},
               {"abc", 0},           {"", 0},             {"-", 0},            {"- 1", 0},
               {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"-2147483648", INT_MIN}};
  for (const auto& c : cases) EXPECT_EQ(ParseLeadingInt(c.text), c.value) << c.text;
}

TEST_F(IniFileTest, ALongValueReadsBackCutTo259Characters) {
  const std::string path = "/opt/" + std::string(295, 'p') + "/game";
  ASSERT_TRUE(WriteIniString(file_, "DENGPROCESS", "0", path));
  EXPECT_EQ(ReadIniString(file_, "DENGPROCESS", "0"), path.substr(0, 259));
  // The file keeps the whole value; only the read is limited.
  EXPECT_NE(ReadBytes(file_).find(path), std::string::npos);
}

TEST_F(IniFileTest, TextReadsBackExactlyAndNonAsciiFilesAreWrittenAsUtf16) {
  const std::string names[] = {"新配置文件1", " spaced ", "'quoted'", "Ärger \U0001F600"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(WriteIniString(file_, "N", std::to_string(i), names[i]));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ReadIniString(file_, "N", std::to_string(i)), names[i]);
  EXPECT_EQ(ReadBytes(file_), Utf16LeFile(u"[N]\r\n0=新配置文件1\r\n1=\" spaced \"\r\n"
                                          u"2=\"'quoted'\"\r\n3=Ärger \U0001F600\r\n"));
}

TEST_F(IniFileTest, ReadsAHandWrittenWindowsFile) {
  WriteBytes(file_, "[SKINIMAGE]\r\nFLAGS=1\r\nIMAGE=common/background.png\r\n");
  EXPECT_EQ(ReadIniInt(file_, "skinimage", "flags"), 1);
  EXPECT_EQ(ReadIniString(file_, "SKINIMAGE", "IMAGE"), "common/background.png");
}

TEST_F(IniFileTest, MalformedFilesReadAsTheDefaults) {
  const std::string longLine = "[A]\nk=" + std::string(1 << 20, 'x');
  WriteBytes(file_, longLine);
  EXPECT_EQ(ReadIniString(file_, "A", "k"), std::string(259, 'x'));
  WriteBytes(file_, std::string("\x00\xFF\x13[A\x00]k=1\n\xC3", 11));
  EXPECT_EQ(ReadIniString(file_, "A", "k"), "0");
  WriteBytes(file_, "no brackets\nk=1\n");
  EXPECT_EQ(ReadIniString(file_, "A", "k"), "0");
  WriteBytes(file_, "\xEF\xBB\xBF[A]\nk=5");  // mark and no final line end
  EXPECT_EQ(ReadIniInt(file_, "A", "k"), 5);
}

TEST_F(IniFileTest, FileNamesMatchWithoutRegardToCase) {
  const std::filesystem::path lower = documents_ / "kbMacro.ini";
  ASSERT_TRUE(WriteIniInt(lower, "MACROCOUNT", "count", 2));
  EXPECT_EQ(ReadIniInt(documents_ / "KbMacro.ini", "MACROCOUNT", "count"), 2);
  ASSERT_TRUE(WriteIniString(documents_ / "KBMACRO.INI", "MACRONAME", "0", "name_1"));
  EXPECT_EQ(Entries(documents_), std::vector<std::string>{"kbMacro.ini"});
  EXPECT_EQ(ReadIniString(lower, "MACRONAME", "0"), "name_1");
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeAndKeepsItsPermissions) {
  ASSERT_TRUE(WriteIniString(file_, "A", "k", "1"));
  ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
  struct stat before {};
  ASSERT_EQ(::stat(file_.c_str(), &before), 0);
  ASSERT_TRUE(WriteIniString(file_, "A", "k", "2"));
  struct stat after {};
  ASSERT_EQ(::stat(file_.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);  // a new file took the name: never rewritten in place
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(documents_), std::vector<std::string>{"test.ini"});
}

TEST_F(IniFileTest, WriteOfAnUnchangedValueLeavesTheFileAlone) {
  ASSERT_TRUE(WriteIniString(file_, "PROFILEDENGSELECT", "select", "2"));
  struct stat before {};
  ASSERT_EQ(::stat(file_.c_str(), &before), 0);
  EXPECT_TRUE(WriteIniInt(file_, "profiledengselect", "select", 2));
  struct stat after {};
  ASSERT_EQ(::stat(file_.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(IniFileTest, RefusedWritesLeaveTheFileAsItWas) {
  ASSERT_TRUE(WriteIniString(file_, "A", "k", "v"));
  const std::string bytes = ReadBytes(file_);
  EXPECT_FALSE(WriteIniString(file_, "A", "k", "x\r\n[PROFILECOUNT]\r\ncount=-1"));
  EXPECT_FALSE(WriteIniString(file_, "A]", "k", "v"));
  EXPECT_FALSE(WriteIniString(file_, "A", "k=", "v"));
  EXPECT_EQ(ReadBytes(file_), bytes);
}

// Something in a catalogue's place that is no readable file: reads give the defaults at once
// (a fifo must not hold a detection thread in open()), writes leave it alone and are reported.
TEST_F(IniFileTest, AThingThatCannotBeReadIsNotReplacedAndNeverBlocks) {
  testing::CapturedSaveFailures failures;
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
  };
  const Case cases[] = {
      {"folder", [](const auto& p) { std::filesystem::create_directory(p); }},
      {"fifo", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
      {"100 MB file", [](const auto& p) {  // sparse: costs no disk
         WriteBytes(p, "[A]\r\nk=big\r\n");
         std::filesystem::resize_file(p, 100u << 20);
       }},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(file_);
    c.make(file_);
    const auto before = std::filesystem::status(file_).type();
    EXPECT_EQ(ReadIniString(file_, "A", "k"), "0") << c.what;
    EXPECT_EQ(IniSnapshot::Read(file_).Get("A", "k"), "0") << c.what;
    EXPECT_FALSE(WriteIniString(file_, "A", "k", "v")) << c.what;
    EXPECT_EQ(std::filesystem::status(file_).type(), before) << c.what;
    const auto reported = failures.Take();
    ASSERT_EQ(reported.size(), 1u) << c.what;
    EXPECT_EQ(reported[0].reason, SaveFailureReason::kUnreadable) << c.what;
    EXPECT_EQ(reported[0].file, file_) << c.what;
  }
  EXPECT_EQ(std::filesystem::file_size(file_), 100u << 20);
}

// A legacy (GB18030) file whose bytes do not decode, here a Chinese name cut in the middle of
// its last character: rewriting it would turn every undecodable byte into U+FFFD and the names
// would no longer match their files. It is read as it is, never rewritten, and reported once.
TEST_F(IniFileTest, ALegacyFileThatDoesNotDecodeIsNotRewritten) {
  testing::CapturedSaveFailures failures;
  const std::string bytes = "[PROFILEDENGNAME]\r\n0=\xD0\xC2\xC5\r\n";  // "新" + half of "配"
  WriteBytes(file_, bytes);
  EXPECT_EQ(ReadIniString(file_, "PROFILEDENGNAME", "0"), "\xD0\xC2\xC5");
  EXPECT_FALSE(WriteIniString(file_, "PROFILEDENGSELECT", "select", "0"));
  EXPECT_FALSE(WriteIniString(file_, "PROFILEDENGSELECT", "select", "1"));
  EXPECT_EQ(ReadBytes(file_), bytes);
  const auto reported = failures.Take();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].reason, SaveFailureReason::kUndecodable);
  // A legacy file that decodes is written (as UTF-16) with its names intact.
  WriteBytes(file_, "[PROFILEDENGNAME]\r\n0=\xD0\xC2\r\n");
  EXPECT_TRUE(WriteIniString(file_, "PROFILEDENGSELECT", "select", "0"));
  EXPECT_EQ(ReadIniString(file_, "PROFILEDENGNAME", "0"), "新");
  EXPECT_TRUE(failures.Take().empty());
}

// Hand-edited files read as on Windows, so a comment or a note after a section name does not
// turn into a key or another section.
TEST_F(IniFileTest, HandEditedLinesReadAsWindowsReadsThem) {
  WriteBytes(file_, "[Keys] ; see [x]\r\n;Speed=3\r\nSpeed=5\r\n[Open\r\nk=1\r\n");
  EXPECT_EQ(ReadIniInt(file_, "Keys", "Speed"), 5);
  EXPECT_EQ(ReadIniString(file_, "Keys", ";Speed"), "0");
  EXPECT_EQ(ReadIniString(file_, "Open", "k"), "1");
  EXPECT_FALSE(WriteIniString(file_, "Keys", ";Speed", "4"));  // Windows could not read it back
  ASSERT_TRUE(WriteIniString(file_, "Keys", "Speed", "6"));
  EXPECT_EQ(ReadBytes(file_), "[Keys] ; see [x]\r\n;Speed=3\r\nSpeed=6\r\n[Open\r\nk=1\r\n");
}

// Threads that write different keys of one file lose none of them, and a reader never sees a
// partly written file (which would read as "0").
TEST_F(IniFileTest, ConcurrentWritersAndReadersSeeWholeFiles) {
  ASSERT_TRUE(WriteIniInt(file_, "C", "count", 1));
  constexpr int kThreads = 4;
  constexpr int kKeys = 20;
  std::atomic<bool> done{false};
  std::atomic<int> zeroReads{0};
  std::thread reader([&] {
    while (!done.load()) {
      if (ReadIniInt(file_, "C", "count") == 0) zeroReads.fetch_add(1);
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([this, t] {
      for (int k = 0; k < kKeys; ++k) {
        const std::string section = 'S' + std::to_string(t);  // not "S" +: -Wrestrict at -O3
        EXPECT_TRUE(WriteIniInt(file_, section, std::to_string(k), t * 100 + k));
        EXPECT_TRUE(WriteIniInt(file_, "C", "count", 1 + k % 3));
      }
    });
  }
  for (std::thread& w : writers) w.join();
  done.store(true);
  reader.join();
  EXPECT_EQ(zeroReads.load(), 0);
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(ReadIniInt(file_, 'S' + std::to_string(t), std::to_string(k)), t * 100 + k);
    }
  }
  EXPECT_EQ(Entries(documents_), std::vector<std::string>{"test.ini"});
}

}  // namespace
}  // namespace tavrinex::profiles
