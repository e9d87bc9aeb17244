#include "profiles/profile_inspect.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profiles/profile_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;

std::string File(std::uint8_t tag, std::size_t bodySize) {
  const auto header = MakeProfileHeader(tag);
  return std::string(header.begin(), header.end()) + std::string(bodySize, '\x01');
}

ProfileInspection Inspect(const std::string& bytes) {
  return InspectProfileBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(ProfileInspectTest, KindFromBodySizeAndTagOrTheReasonWhyNot) {
  struct Case {
    std::string bytes;
    std::optional<ProfileBodyKind> kind;
    std::string problemStart;
  };
  const std::vector<Case> cases = {
      {File(1, 512), ProfileBodyKind{DeviceKind::kKeyboard, ProfileListKind::kKey}, ""},
      {File(1, 1958), ProfileBodyKind{DeviceKind::kKeyboard, ProfileListKind::kLight}, ""},
      {File(2, 512), ProfileBodyKind{DeviceKind::kMouse, ProfileListKind::kKey}, ""},
      {File(2, 64), ProfileBodyKind{DeviceKind::kMouse, ProfileListKind::kLight}, ""},
      {File(3, 64), ProfileBodyKind{DeviceKind::kMousePad, ProfileListKind::kLight}, ""},
      {File(3, 512), std::nullopt, "a body of 512 bytes is no complete profile of the mouse pad"},
      {File(1, 1000), std::nullopt, "a body of 1000 bytes"},
      {File(1, 64), std::nullopt, "a body of 64 bytes"},
      {File(0, 64), std::nullopt, "device tag 0"},
      {File(9, 64), std::nullopt, "device tag 9"},
      {"\xAA\x55\x00\x00\x01", std::nullopt, "the header is cut short"},
      {"\x55\xAA" + File(1, 512).substr(2), std::nullopt, "no profile magic"},
      {"", std::nullopt, "no profile magic"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problemStart);
    const ProfileInspection r = Inspect(c.bytes);
    EXPECT_EQ(r.kind.has_value(), c.kind.has_value());
    if (r.kind && c.kind) {
      EXPECT_EQ(r.kind->device, c.kind->device);
      EXPECT_EQ(r.kind->list, c.kind->list);
    }
    EXPECT_EQ(r.problem.rfind(c.problemStart, 0), 0u) << r.problem;
    EXPECT_EQ(r.problem.empty(), c.problemStart.empty());
  }
}

class ProfileInspectFileTest : public testing::TempDocuments {};

TEST_F(ProfileInspectFileTest, HugeFileIsJudgedBySizeWithoutReadingIt) {
  const auto file = root_ / "big.led";
  WriteBytes(file, File(2, 64));
  ASSERT_EQ(::truncate(file.c_str(), 100L * 1024 * 1024), 0);
  const ProfileInspection r = InspectProfileFile(file);
  EXPECT_EQ(r.fileSize, 100u * 1024 * 1024);
  EXPECT_LE(r.body.size(), kMaxProfileBodySize + 1);
  EXPECT_FALSE(r.kind.has_value());
  EXPECT_NE(r.problem.find("104857584 bytes"), std::string::npos) << r.problem;

  ASSERT_EQ(::mkfifo((root_ / "fifo.led").c_str(), 0600), 0);
  EXPECT_EQ(InspectProfileFile(root_ / "fifo.led").problem, "not a regular file");
  EXPECT_EQ(InspectProfileFile(root_).problem, "not a regular file");
  EXPECT_EQ(InspectProfileFile(root_ / "none").problem, "cannot be opened");
}

}  // namespace
}  // namespace tavrinex::profiles
