// The crash-safe replacement of a file, seen through its system calls: the new bytes reach
// the disk before the rename makes them the file, and the folder is flushed after it.
#include "storage/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

struct Step {
  std::string what;  // "write", "data sync", "rename", "folder sync"
  std::string path;  // the file written or synced, the rename's source; folders: empty
  std::string to;    // the rename's target
};

std::vector<Step> steps;
bool failDataSync = false;

std::string PathOf(int fd) {
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored).string();
}

ssize_t RecordWrite(int fd, const void* data, std::size_t size) {
  steps.push_back({"write", PathOf(fd), {}});
  return ::write(fd, data, size);
}

int RecordFsync(int fd) {
  struct stat st {};
  const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  steps.push_back({folder ? "folder sync" : "data sync", folder ? std::string() : PathOf(fd), {}});
  if (!folder && failDataSync) {
    errno = EIO;
    return -1;
  }
  return ::fsync(fd);
}

int RecordRename(const char* from, const char* to) {
  steps.push_back({"rename", from, to});
  return ::rename(from, to);
}

class AtomicFileTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    std::filesystem::create_directories(documents_);
    steps.clear();
    failDataSync = false;
    calls_.write = &RecordWrite;
    calls_.fsync = &RecordFsync;
    calls_.rename = &RecordRename;
    SetFileCallsForTesting(&calls_);
  }
  void TearDown() override {
    SetFileCallsForTesting(nullptr);
    TempDocuments::TearDown();
  }
  static std::vector<std::string> What() {
    std::vector<std::string> out;
    for (const Step& s : steps) out.push_back(s.what);
    return out;
  }

  FileCallsForTesting calls_;
};

TEST_F(AtomicFileTest, DataReachesTheDiskBeforeTheRenameAndTheFolderAfterIt) {
  const auto file = documents_ / "Game.led";
  WriteBytes(file, "old bytes");
  ASSERT_TRUE(WriteFileAtomically(file, "new bytes"));
  ASSERT_EQ(What(), (std::vector<std::string>{"write", "data sync", "rename", "folder sync"}));
  // The bytes go to a temporary file beside the target, which is synced and then renamed.
  const std::filesystem::path temporary = steps[0].path;
  EXPECT_EQ(temporary.parent_path(), std::filesystem::canonical(documents_));
  EXPECT_NE(temporary.filename(), "Game.led");
  EXPECT_EQ(steps[1].path, temporary);
  EXPECT_EQ(std::filesystem::weakly_canonical(steps[2].path), temporary);
  EXPECT_EQ(std::filesystem::path(steps[2].to), file);
  EXPECT_EQ(ReadBytes(file), "new bytes");
}

TEST_F(AtomicFileTest, AFailedDataSyncLeavesTheOldFileAndNoTemporary) {
  const auto file = documents_ / "Game.led";
  WriteBytes(file, "old bytes");
  failDataSync = true;
  EXPECT_FALSE(WriteFileAtomically(file, "new bytes"));
  EXPECT_EQ(What(), (std::vector<std::string>{"write", "data sync"}));  // never renamed
  EXPECT_EQ(ReadBytes(file), "old bytes");
  EXPECT_EQ(Entries(documents_), std::vector<std::string>{"Game.led"});
}

}  // namespace
}  // namespace tavrinex::profiles
