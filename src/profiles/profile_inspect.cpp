#include "profiles/profile_inspect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "profiles/profile_file.h"

namespace tavrinex::profiles {
namespace {

constexpr std::size_t kReadLimit = kProfileHeaderSize + kMaxProfileBodySize + 1;

// The problem of a file whose header is complete: none when its kind is known.
void Judge(ProfileInspection& r) {
  if (r.kind) return;
  if (r.deviceTag < 1 || r.deviceTag > device::kDeviceKindCount) {
    r.problem = "device tag " + std::to_string(r.deviceTag) +
                " is none of 1 (keyboard), 2 (mouse), 3 (mouse pad)";
    return;
  }
  const auto device = static_cast<device::DeviceKind>(r.deviceTag - 1);
  r.problem = "a body of " + std::to_string(r.fileSize - kProfileHeaderSize) +
              " bytes is no complete profile of the " + DeviceName(device) + " (light " +
              std::to_string(BodySizeOf(device, ProfileListKind::kLight)) + " bytes" +
              (HasList(device, ProfileListKind::kKey) ? ", key 512 bytes)" : ")");
}

}  // namespace

const char* DeviceName(device::DeviceKind kind) {
  switch (kind) {
    case device::DeviceKind::kKeyboard: return "keyboard";
    case device::DeviceKind::kMouse: return "mouse";
    case device::DeviceKind::kMousePad: return "mouse pad";
  }
  return "?";
}

std::optional<ProfileBodyKind> GuessProfileBodyKind(std::size_t bodySize, std::uint16_t deviceTag) {
  for (const auto device : device::kAllDeviceKinds) {
    if (DeviceTagOf(device) != deviceTag) continue;
    for (const auto list : {ProfileListKind::kKey, ProfileListKind::kLight}) {
      if (HasList(device, list) && BodySizeOf(device, list) == bodySize) {
        return ProfileBodyKind{device, list};
      }
    }
  }
  return std::nullopt;
}

ProfileInspection InspectProfileBytes(const std::uint8_t* data, std::size_t size) {
  ProfileInspection r;
  r.status = ProfileInspection::Status::kOpened;
  r.fileSize = size;
  if (size < 2 || data[0] != (kProfileMagic & 0xFF) || data[1] != (kProfileMagic >> 8)) {
    r.status = ProfileInspection::Status::kNotProfile;
    r.problem = "no profile magic (the file must start with AA 55)";
    return r;
  }
  if (size < kProfileHeaderSize) {
    r.problem = "the header is cut short at " + std::to_string(size) + " bytes";
    return r;
  }
  r.deviceTag = static_cast<std::uint16_t>(data[kDeviceTagOffset] | data[kDeviceTagOffset + 1] << 8);
  for (std::size_t i = 2; i < kProfileHeaderSize; ++i) {
    if (i != kDeviceTagOffset && i != kDeviceTagOffset + 1 && data[i] != 0) r.reservedZero = false;
  }
  const std::size_t kept = std::min(size, kReadLimit) - kProfileHeaderSize;
  r.body.assign(data + kProfileHeaderSize, data + kProfileHeaderSize + kept);
  r.kind = GuessProfileBodyKind(size - kProfileHeaderSize, r.deviceTag);
  Judge(r);
  return r;
}

ProfileInspection InspectProfileFile(const std::filesystem::path& path) {
  ProfileInspection missing;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    missing.problem = "cannot be opened";
    return missing;
  }
  struct stat info {};
  std::vector<std::uint8_t> bytes(kReadLimit);
  std::size_t filled = 0;
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!ok) missing.problem = "not a regular file";
  while (ok && filled < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ok = false;
      missing.problem = "cannot be read";
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  ::close(fd);
  if (!ok) return missing;
  ProfileInspection r = InspectProfileBytes(bytes.data(), filled);
  // What was not read still counts towards the size and the kind.
  r.fileSize = std::max<std::uint64_t>(static_cast<std::uint64_t>(info.st_size), filled);
  if (r.status == ProfileInspection::Status::kOpened && r.fileSize >= kProfileHeaderSize) {
    r.problem.clear();
    r.kind = GuessProfileBodyKind(static_cast<std::size_t>(std::min<std::uint64_t>(
                                      r.fileSize - kProfileHeaderSize, SIZE_MAX)),
                                  r.deviceTag);
    Judge(r);
  }
  return r;
}

}  // namespace tavrinex::profiles
