#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

namespace tavrinex::profiles {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int Get() const { return fd_; }
  // close() reports late write errors, so the writer checks it.
  [[nodiscard]] bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// A name of our own in the target's folder; the leading dot keeps it out of file lists.
std::filesystem::path TemporaryName(const std::filesystem::path& file) {
  static std::atomic<unsigned> counter{0};
  // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) on "literal" + std::string.
  std::string name = ".";
  name += file.filename().string();
  name += ".tmp-";
  name += std::to_string(::getpid());
  name += '-';
  name += std::to_string(counter.fetch_add(1));
  return file.parent_path() / name;
}

std::atomic<RenameFunction> renameForTesting{nullptr};

int Rename(const char* from, const char* to) {
  const RenameFunction replacement = renameForTesting.load();
  return replacement != nullptr ? replacement(from, to) : ::rename(from, to);
}

void FlushFolder(const std::filesystem::path& folder) {
  const Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace

FileContents ReadWholeFile(const std::filesystem::path& file) {
  const Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return {errno == ENOENT || errno == ENOTDIR ? ReadStatus::kMissing
                                                                 : ReadStatus::kFailed, {}};
  FileContents contents{ReadStatus::kRead, {}};
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return {ReadStatus::kFailed, {}};
    }
    contents.bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return contents;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
  // As on Windows, a file that we may not write is not replaced either.
  if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) return false;
  std::filesystem::path temporary;
  int raw = -1;
  for (int attempt = 0; attempt < 8 && raw < 0; ++attempt) {
    temporary = TemporaryName(file);
    raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) return false;
  }
  Fd fd(raw);
  if (fd.Get() < 0) return false;
  struct stat old {};
  bool ok = true;
  if (::stat(file.c_str(), &old) == 0) ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && Rename(temporary.c_str(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  FlushFolder(file.parent_path());
  return true;
}

void SetRenameForTesting(RenameFunction rename) { renameForTesting.store(rename); }

}  // namespace tavrinex::profiles
