#include "profiles/profile_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "save_failure_capture.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using testing::TempDocuments;

std::string Header(std::uint8_t b0, std::uint8_t b1, std::uint8_t tag) {
  std::string h(kProfileHeaderSize, '\0');
  h[0] = static_cast<char>(b0);
  h[1] = static_cast<char>(b1);
  h[4] = static_cast<char>(tag);
  return h;
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return s;
}

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

class ProfileFileTest : public TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    folder_ = root_ / "folder";
    std::filesystem::create_directories(folder_);
  }
  std::filesystem::path folder_;
};

TEST_F(ProfileFileTest, WrittenFileHasMagicTagZeroReservedBytesAndTheWholeBody) {
  const auto body = Bytes(Pattern(kKbLightBodySize, 3));
  ASSERT_TRUE(WriteProfileFile(folder_ / "a.led", 1, body));
  const std::string file = ReadBytes(folder_ / "a.led");
  ASSERT_EQ(file.size(), kProfileHeaderSize + kKbLightBodySize);
  EXPECT_EQ(file.substr(0, kProfileHeaderSize), Header(0xAA, 0x55, 1));
  EXPECT_EQ(file.substr(kProfileHeaderSize), Pattern(kKbLightBodySize, 3));

  std::vector<std::uint8_t> back(kKbLightBodySize, 0);
  EXPECT_EQ(ReadProfileFile(folder_ / "a.led", back), ProfileReadResult::kRead);
  EXPECT_EQ(back, body);
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"a.led"});
}

// How bodies of another length and files without the magic read.
TEST_F(ProfileFileTest, BodyLengthsAndMagicAsRead) {
  struct Case {
    const char* what;
    std::string file;
    std::size_t size;
    ProfileReadResult result;
    std::string body;  // expected destination, from zeros
  };
  const std::string kbLed = Header(0xAA, 0x55, 1) + Pattern(kKbLightBodySize, 9);
  const std::vector<Case> cases = {
      {"1000 body bytes as a keyboard light profile", Header(0xAA, 0x55, 1) + Pattern(1000, 1),
       kKbLightBodySize, ProfileReadResult::kRead, Pattern(1000, 1) + std::string(958, '\0')},
      {"keyboard .led as a mouse light profile", kbLed, kSlotLightBodySize,
       ProfileReadResult::kRead, Pattern(kKbLightBodySize, 9).substr(0, 64)},
      {"tag 3 as a keyboard key profile: never checked", Header(0xAA, 0x55, 3) + Pattern(512, 2),
       kKeyProfileBodySize, ProfileReadResult::kRead, Pattern(512, 2)},
      {"header only", Header(0xAA, 0x55, 2), kSlotLightBodySize, ProfileReadResult::kRead,
       std::string(64, '\0')},
      {"magic and a short header", "\xAA\x55\x00", 64, ProfileReadResult::kRead,
       std::string(64, '\0')},
      {"magic in the wrong byte order", Header(0x55, 0xAA, 2) + Pattern(64, 0), 64,
       ProfileReadResult::kNotProfile, std::string(64, '\0')},
      {"empty file", "", 64, ProfileReadResult::kNotProfile, std::string(64, '\0')},
      {"one byte", "\xAA", 64, ProfileReadResult::kNotProfile, std::string(64, '\0')},
      {"text file", "[PROFILENAME]\r\n0=a\r\n", 64, ProfileReadResult::kNotProfile,
       std::string(64, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(folder_ / "p.led", c.file);
    std::vector<std::uint8_t> destination(c.size, 0);
    EXPECT_EQ(ReadProfileFile(folder_ / "p.led", destination), c.result);
    EXPECT_EQ(std::string(destination.begin(), destination.end()), c.body);
  }
}

TEST_F(ProfileFileTest, FailedReadLeavesTheCallersBytes) {
  WriteBytes(folder_ / "bad.led", Header(0x55, 0xAA, 1) + Pattern(64, 0));
  std::vector<std::uint8_t> destination(64, 0xEE);
  EXPECT_EQ(ReadProfileFile(folder_ / "bad.led", destination), ProfileReadResult::kNotProfile);
  EXPECT_EQ(ReadProfileFile(folder_ / "none.led", destination), ProfileReadResult::kMissing);
  EXPECT_EQ(destination, std::vector<std::uint8_t>(64, 0xEE));
}

TEST_F(ProfileFileTest, LookUpIgnoresCaseOfNameAndExtension) {
  ASSERT_TRUE(WriteProfileFile(folder_ / "Game.pro", 2, Bytes(Pattern(512, 4))));
  std::vector<std::uint8_t> destination(512, 0);
  EXPECT_EQ(ReadProfileFile(folder_ / "Game.PRO", destination), ProfileReadResult::kRead);
  EXPECT_EQ(destination, Bytes(Pattern(512, 4)));
  destination.assign(512, 0);
  EXPECT_EQ(ReadProfileFile(folder_ / "gAME.pRo", destination), ProfileReadResult::kRead);

  // A later write under another spelling replaces that file rather than adding a second one.
  ASSERT_TRUE(WriteProfileFile(folder_ / "game.pro", 2, Bytes(Pattern(512, 5))));
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"Game.pro"});
  EXPECT_EQ(ReadProfileFile(folder_ / "GAME.PRO", destination), ProfileReadResult::kRead);
  EXPECT_EQ(destination, Bytes(Pattern(512, 5)));
}

TEST_F(ProfileFileTest, OnlyTheBodyIsReadFromAHugeFile) {
  // 100 MB of junk after a valid header: the reader takes its body and stops.
  const auto file = folder_ / "big.led";
  WriteBytes(file, Header(0xAA, 0x55, 2) + Pattern(64, 6));
  ASSERT_EQ(::truncate(file.c_str(), 100L * 1024 * 1024), 0);
  std::vector<std::uint8_t> destination(64, 0);
  EXPECT_EQ(ReadProfileFile(file, destination), ProfileReadResult::kRead);
  EXPECT_EQ(destination, Bytes(Pattern(64, 6)));
}

TEST_F(ProfileFileTest, WhatIsNotARegularFileReadsAsMissing) {
  std::filesystem::create_directory(folder_ / "dir.led");
  ASSERT_EQ(::mkfifo((folder_ / "fifo.led").c_str(), 0600), 0);  // nobody writes: must not hang
  std::vector<std::uint8_t> destination(64, 0);
  EXPECT_EQ(ReadProfileFile(folder_ / "dir.led", destination), ProfileReadResult::kMissing);
  EXPECT_EQ(ReadProfileFile(folder_ / "fifo.led", destination), ProfileReadResult::kMissing);
  EXPECT_EQ(ReadProfileFile(folder_ / "no-folder" / "x.led", destination),
            ProfileReadResult::kMissing);
  // Nor is a directory replaced by a write.
  EXPECT_FALSE(WriteProfileFile(folder_ / "dir.led", 1, Bytes(Pattern(64, 0))));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "dir.led"));
}

TEST_F(ProfileFileTest, ReadOnlyFileIsReadButNotReplaced) {
  const auto file = folder_ / "ro.pro";
  WriteBytes(file, Header(0xAA, 0x55, 1) + Pattern(512, 7));
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  std::vector<std::uint8_t> destination(512, 0);
  EXPECT_EQ(ReadProfileFile(file, destination), ProfileReadResult::kRead);
  EXPECT_EQ(destination, Bytes(Pattern(512, 7)));
  if (::geteuid() != 0) {  // root may write anything
    EXPECT_FALSE(WriteProfileFile(file, 1, Bytes(Pattern(512, 8))));
    EXPECT_EQ(ReadBytes(file), Header(0xAA, 0x55, 1) + Pattern(512, 7));
  }
}

TEST_F(ProfileFileTest, FolderWithoutWritePermissionFailsCleanly) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
  const auto file = folder_ / "p.led";
  ASSERT_TRUE(WriteProfileFile(file, 3, Bytes(Pattern(64, 1))));
  ASSERT_EQ(::chmod(folder_.c_str(), 0555), 0);
  ::testing::internal::CaptureStderr();
  const bool written = WriteProfileFile(file, 3, Bytes(Pattern(64, 2)));
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  ::chmod(folder_.c_str(), 0755);
  EXPECT_FALSE(written);
  EXPECT_TRUE(diagnostics.starts_with("文件打开失败\nsave failed: ")) << diagnostics;
  EXPECT_NE(diagnostics.find("permission denied"), std::string::npos) << diagnostics;
  EXPECT_EQ(ReadBytes(file), Header(0xAA, 0x55, 3) + Pattern(64, 1));
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"p.led"});
}

TEST_F(ProfileFileTest, WriteThatCannotCreateItsFileIsReportedAndCreatesNothing) {
  testing::CapturedSaveFailures failures;
  ::testing::internal::CaptureStderr();
  const bool written = WriteProfileFile(folder_ / "gone" / "p.led", 3, Bytes(Pattern(64, 2)));
  EXPECT_TRUE(::testing::internal::GetCapturedStderr().starts_with("文件打开失败\nsave failed: "));
  EXPECT_FALSE(written);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "gone"));
  const auto reported = failures.Take();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].file, folder_ / "gone" / "p.led");
  EXPECT_EQ(reported[0].error, ENOENT);
}

// A full disk (here the file size limit that RLIMIT_FSIZE sets) fails the write: the old file
// stays whole, no temporary file stays behind, and the user is told the disk is full.
TEST_F(ProfileFileTest, AFullDiskKeepsTheOldFileAndIsReported) {
  testing::CapturedSaveFailures failures;
  const auto file = folder_ / "full.led";
  ASSERT_TRUE(WriteProfileFile(file, 1, Bytes(Pattern(1958, 1))));
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 1000;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  ::testing::internal::CaptureStderr();
  const bool written = WriteProfileFile(file, 1, Bytes(Pattern(1958, 2)));
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_NE(diagnostics.find("disk full"), std::string::npos) << diagnostics;
  EXPECT_EQ(ReadBytes(file), Header(0xAA, 0x55, 1) + Pattern(1958, 1));
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"full.led"});
  const auto reported = failures.Take();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].reason, SaveFailureReason::kDiskFull);
  EXPECT_EQ(reported[0].file, file);
}

int FailingRename(const char*, const char*) {
  errno = EIO;
  return -1;
}

TEST_F(ProfileFileTest, WriteInterruptedBeforeTheRenameLeavesTheOldFile) {
  const auto file = folder_ / "keep.pro";
  ASSERT_TRUE(WriteProfileFile(file, 1, Bytes(Pattern(512, 1))));
  FileCallsForTesting calls;
  calls.rename = &FailingRename;
  SetFileCallsForTesting(&calls);
  ::testing::internal::CaptureStderr();
  const bool written = WriteProfileFile(file, 1, Bytes(Pattern(512, 2)));
  ::testing::internal::GetCapturedStderr();
  SetFileCallsForTesting(nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadBytes(file), Header(0xAA, 0x55, 1) + Pattern(512, 1));
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"keep.pro"});  // no temporary left
}

TEST(ProfileNameTest, NamesThatCannotBeFilesInTheFolderAreRefused) {
  const std::vector<std::string> good = {"新配置文件1", "Game copy", "a.b", "...x", " padded ",
                                         std::string(251, 'n')};
  const std::vector<std::string> bad = {"",     ".",    "..",     "a/b",
                                        "../x", "a\\b", "tab\tx", "x\n",
                                        "\x7F", std::string("nul\0x", 5), std::string(252, 'n')};
  for (const auto& name : good) EXPECT_TRUE(IsValidProfileName(name)) << name;
  for (const auto& name : bad) EXPECT_FALSE(IsValidProfileName(name)) << name;
}

}  // namespace
}  // namespace tavrinex::profiles
