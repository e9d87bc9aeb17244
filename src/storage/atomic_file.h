// Whole-file reads and crash-safe whole-file replacement for everything the program keeps on
// disk. A replaced file is either the old one or the complete new one, never a truncated mix:
// the new bytes go to a temporary file in the same folder, which is flushed to disk and renamed
// over the old name, and then the folder itself is flushed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrinex::profiles {

enum class ReadStatus { kRead, kMissing, kFailed };

struct FileContents {
  ReadStatus status = ReadStatus::kMissing;
  std::string bytes;
};

// kMissing when nothing of that name exists; kFailed when it exists but cannot be read.
[[nodiscard]] FileContents ReadWholeFile(const std::filesystem::path& file);

// Creates or replaces the file. An existing file keeps its permission bits; one that we may not
// write is left alone and the write fails, as on Windows. On failure the old file is untouched
// and no temporary file is left behind.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// Tests put a failing rename in place to see what a crash between writing the temporary file
// and renaming it leaves behind. nullptr restores rename(2).
using RenameFunction = int (*)(const char* from, const char* to);
void SetRenameForTesting(RenameFunction rename);

}  // namespace tavrinex::profiles
