#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
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

std::atomic<const FileCallsForTesting*> callsForTesting{nullptr};

ssize_t Write(int fd, const void* data, std::size_t size) {
  const FileCallsForTesting* calls = callsForTesting.load();
  return calls != nullptr && calls->write != nullptr ? calls->write(fd, data, size)
                                                     : ::write(fd, data, size);
}

int Fsync(int fd) {
  const FileCallsForTesting* calls = callsForTesting.load();
  return calls != nullptr && calls->fsync != nullptr ? calls->fsync(fd) : ::fsync(fd);
}

int Rename(const char* from, const char* to) {
  const FileCallsForTesting* calls = callsForTesting.load();
  return calls != nullptr && calls->rename != nullptr ? calls->rename(from, to)
                                                      : ::rename(from, to);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = Write(fd, bytes.data(), bytes.size());
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

// Some file systems cannot flush a folder (EINVAL): their renames are as durable as they get.
bool FlushFolder(const std::filesystem::path& folder) {
  const Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() < 0) return false;
  return Fsync(dir.Get()) == 0 || errno == EINVAL;
}

bool Fail(int* error, int code) {
  if (error != nullptr) *error = code;
  return false;
}

}  // namespace

FileContents ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes) {
  const Fd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? ReadStatus::kMissing : ReadStatus::kFailed, {}, missing ? 0 : errno};
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) return {ReadStatus::kFailed, {}, errno};
  if (S_ISDIR(info.st_mode)) return {ReadStatus::kFailed, {}, EISDIR};
  if (!S_ISREG(info.st_mode)) return {ReadStatus::kFailed, {}, EINVAL};
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) return {ReadStatus::kFailed, {}, EFBIG};
  FileContents contents{ReadStatus::kRead, {}, 0};
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return {ReadStatus::kFailed, {}, errno};
    }
    contents.bytes.append(buffer, static_cast<std::size_t>(got));
    // The file may grow while we read it.
    if (contents.bytes.size() > maxBytes) return {ReadStatus::kFailed, {}, EFBIG};
  }
  return contents;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, int* error) {
  // As on Windows, a file that we may not write is not replaced either.
  if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
    return Fail(error, errno);
  }
  std::filesystem::path temporary;
  int raw = -1;
  for (int attempt = 0; attempt < 8 && raw < 0; ++attempt) {
    temporary = TemporaryName(file);
    raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) return Fail(error, errno);
  }
  Fd fd(raw);
  if (fd.Get() < 0) return Fail(error, EEXIST);
  struct stat old {};
  bool ok = true;
  if (::stat(file.c_str(), &old) == 0) ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd.Get(), bytes) && Fsync(fd.Get()) == 0;
  int failure = ok ? 0 : errno;
  if (!fd.Close() && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && Rename(temporary.c_str(), file.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return Fail(error, failure);
  }
  if (!FlushFolder(file.parent_path())) return Fail(error, errno);
  return true;
}

void SetFileCallsForTesting(const FileCallsForTesting* calls) { callsForTesting.store(calls); }

}  // namespace tavrinex::profiles
