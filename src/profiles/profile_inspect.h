// What a file in the profile format holds, for tools and checks: the header fields, the body,
// and which of the five body kinds it is, guessed from the body size and the device tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/device_kind.h"
#include "profiles/profile_catalogue.h"

namespace tavrinex::profiles {

struct ProfileBodyKind {
  device::DeviceKind device = device::DeviceKind::kKeyboard;
  ProfileListKind list = ProfileListKind::kLight;
};

struct ProfileInspection {
  enum class Status : std::uint8_t { kOpened, kMissing, kNotProfile };
  Status status = Status::kMissing;
  std::uint64_t fileSize = 0;
  std::uint16_t deviceTag = 0;
  bool reservedZero = true;        // header bytes 2-3 and 6-15
  std::vector<std::uint8_t> body;  // at most kMaxProfileBodySize + 1 bytes, the rest unread
  std::optional<ProfileBodyKind> kind;
  std::string problem;             // empty for a complete file of a known kind
};

// The kind a body of `bodySize` bytes with `deviceTag` is, when it is exactly one of the five.
[[nodiscard]] std::optional<ProfileBodyKind> GuessProfileBodyKind(std::size_t bodySize,
                                                                  std::uint16_t deviceTag);

// Reads at most the header and kMaxProfileBodySize + 1 body bytes, however long the file is;
// never blocks on a fifo. `problem` says why the file is not a complete profile file.
[[nodiscard]] ProfileInspection InspectProfileFile(const std::filesystem::path& path);

// The same for bytes already in memory (fuzzing, tests).
[[nodiscard]] ProfileInspection InspectProfileBytes(const std::uint8_t* data, std::size_t size);

[[nodiscard]] const char* DeviceName(device::DeviceKind kind);

}  // namespace tavrinex::profiles
