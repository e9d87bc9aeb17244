#include "profiles/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/diagnostic.h"
#include "storage/ini_document.h"
#include "storage/ini_encoding.h"
#include "storage/ini_file.h"
#include "storage/save_failure.h"
#include "storage/settings_folder.h"

namespace tavrinex::profiles {
namespace {

constexpr std::string_view kOpenFailed = "文件打开失败";
// Longest name whose file name (name + ".pro" or ".led") a Linux folder can hold.
constexpr std::size_t kMaxProfileNameBytes = 255 - kKeyProfileExtension.size();
static_assert(kKeyProfileExtension.size() == kLightProfileExtension.size());

class ReadFd {
 public:
  explicit ReadFd(int fd) : fd_(fd) {}
  ReadFd(const ReadFd&) = delete;
  ReadFd& operator=(const ReadFd&) = delete;
  ~ReadFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int Get() const { return fd_; }

 private:
  int fd_;
};

// Up to buffer.size() bytes from the start of the file; nothing when a read fails.
std::optional<std::size_t> ReadPrefix(int fd, std::span<std::uint8_t> buffer) {
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    filled += static_cast<std::size_t>(got);
  }
  return filled;
}

}  // namespace

ProfileReadResult ReadProfileFile(const std::filesystem::path& path,
                                  std::span<std::uint8_t> destination) {
  const auto found = FindIgnoringCase(path.parent_path(), path.filename().string());
  if (!found) return ProfileReadResult::kMissing;
  // Non-blocking, so that a fifo in the profile's place cannot hold the open; then only a
  // regular file is read. A read-only file is read (the data folder of an installation is).
  const ReadFd fd(::open(found->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) return ProfileReadResult::kMissing;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return ProfileReadResult::kMissing;

  std::vector<std::uint8_t> bytes(kProfileHeaderSize + destination.size());
  const auto got = ReadPrefix(fd.Get(), bytes);
  if (!got) return ProfileReadResult::kMissing;
  if (*got < 2 || bytes[0] != (kProfileMagic & 0xFF) || bytes[1] != (kProfileMagic >> 8)) {
    return ProfileReadResult::kNotProfile;
  }
  if (*got > kProfileHeaderSize) {
    std::copy(bytes.begin() + kProfileHeaderSize,
              bytes.begin() + static_cast<std::ptrdiff_t>(*got), destination.begin());
  }
  return ProfileReadResult::kRead;
}

std::array<std::uint8_t, kProfileHeaderSize> MakeProfileHeader(std::uint16_t deviceTag) {
  std::array<std::uint8_t, kProfileHeaderSize> header{};
  header[0] = kProfileMagic & 0xFF;
  header[1] = kProfileMagic >> 8;
  header[kDeviceTagOffset] = static_cast<std::uint8_t>(deviceTag & 0xFF);
  header[kDeviceTagOffset + 1] = static_cast<std::uint8_t>(deviceTag >> 8);
  return header;
}

bool WriteProfileFile(const std::filesystem::path& path, std::uint16_t deviceTag,
                      std::span<const std::uint8_t> body) {
  const auto header = MakeProfileHeader(deviceTag);
  std::string bytes(header.begin(), header.end());
  bytes.append(body.begin(), body.end());
  const std::filesystem::path target = ResolveIgnoringCase(path);
  int error = 0;
  if (!WriteFileAtomically(target, bytes, &error)) {
    WriteDiagnostic(kOpenFailed);
    ReportSaveFailure(target, error);
    return false;
  }
  return true;
}

bool IsValidProfileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > kMaxProfileNameBytes) {
    return false;
  }
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
  }
  // The catalogue must give the name back as it was stored, or the file is lost.
  if (CutToUtf16Units(name, kIniBufferChars - 1) != name || !IsWritableValue(name)) return false;
  IniDocument probe;
  probe.Set(kLightListSections.name, "0", name);
  return probe.Find(kLightListSections.name, "0") == name;
}

std::filesystem::path SavedDefaultsFolder() {
  const std::filesystem::path folder =
      std::filesystem::path(GetDeviceFolder(device::DeviceKind::kKeyboard)) / kSavedDefaultsFolderName;
  std::error_code error;  // a folder that cannot be made shows when its file cannot be written
  std::filesystem::create_directories(folder, error);
  return folder;
}

std::vector<std::filesystem::path> DefaultProfileFolders(const std::filesystem::path& savedFolder,
                                                         const std::filesystem::path& executableFolder,
                                                         const std::filesystem::path& dataFolder) {
  std::vector<std::filesystem::path> folders;
  if (!savedFolder.empty()) folders.push_back(savedFolder);
  if (!executableFolder.empty()) {
    folders.push_back(executableFolder);
    folders.push_back(executableFolder / "defaults");
  }
  if (!dataFolder.empty()) folders.push_back(dataFolder / "defaults");
  return folders;
}

std::filesystem::path FindDefaultProfileFile(std::span<const std::filesystem::path> folders,
                                             std::string_view name) {
  for (const auto& folder : folders) {
    std::error_code error;
    const auto found = FindIgnoringCase(folder, name);
    if (found && std::filesystem::is_regular_file(*found, error)) return *found;
  }
  return folders.empty() ? std::filesystem::path(name) : folders.front() / name;
}

std::filesystem::path ProfileFilePath(device::DeviceKind kind, ProfileListKind list,
                                      std::string_view name) {
  std::string path = GetDeviceFolder(kind);
  path += name;
  path += ExtensionOf(list);
  return path;
}

}  // namespace tavrinex::profiles
