// Whole-file reads and crash-safe whole-file replacement for everything the program keeps on
// disk. A replaced file is either the old one or the complete new one, never a truncated mix:
// the new bytes go to a temporary file in the same folder, which is flushed to disk and renamed
// over the old name, and then the folder itself is flushed.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavrinex::profiles {

enum class ReadStatus { kRead, kMissing, kFailed };

struct FileContents {
  ReadStatus status = ReadStatus::kMissing;
  std::string bytes;
  int error = 0;  // kFailed: the errno of the failing step (EISDIR, EINVAL, EFBIG for the checks)
};

// Far more than any catalogue or macro file holds; a larger file in one's place is not read.
inline constexpr std::size_t kMaxReadBytes = 16 * 1024 * 1024;

// kMissing when nothing of that name exists; kFailed when it exists but cannot be read. Only a
// regular file of at most maxBytes is read; the open does not block, so a fifo or a device node
// in a file's place fails at once instead of holding the caller (and the lock it may hold).
[[nodiscard]] FileContents ReadWholeFile(const std::filesystem::path& file,
                                         std::size_t maxBytes = kMaxReadBytes);

// Creates or replaces the file. An existing file keeps its permission bits; one that we may not
// write is left alone and the write fails, as on Windows. On failure the old file is untouched,
// no temporary file is left behind and *error (when given) holds the errno of the failing step.
// A failed flush of the folder after the rename fails the write too: the new file is in place
// but may not survive a power cut.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                       int* error = nullptr);

// The system calls of the replacement, for tests: ones that record their calls see the order
// of the steps (write, data sync, rename, folder sync); a failing one shows what a crash or a
// full disk at that step leaves behind. A null member, or no table, calls the system.
struct FileCallsForTesting {
  ssize_t (*write)(int fd, const void* data, std::size_t size) = nullptr;
  int (*fsync)(int fd) = nullptr;  // the temporary file's data, then the folder
  int (*rename)(const char* from, const char* to) = nullptr;
};
// The table must outlive its use; nullptr restores the system calls.
void SetFileCallsForTesting(const FileCallsForTesting* calls);

}  // namespace tavrinex::profiles
