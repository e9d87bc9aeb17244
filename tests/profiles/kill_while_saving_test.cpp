// A program killed (SIGKILL) at a random point while it saves profiles and catalogue entries in
// a loop, 100 times: afterwards every profile file and the catalogue on disk hold either the
// old or the new content, whole; never a mix, a truncated file or an empty one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "storage/ini_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

constexpr int kEntries = 40;  // a catalogue of some size, so that its write takes a while

std::vector<std::uint8_t> Body(std::size_t size, std::uint8_t fill) {
  return std::vector<std::uint8_t>(size, fill);
}

std::string WholeFile(const std::vector<std::uint8_t>& body, std::uint16_t tag) {
  const auto header = MakeProfileHeader(tag);
  std::string bytes(header.begin(), header.end());
  bytes.append(body.begin(), body.end());
  return bytes;
}

class KillWhileSavingTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    folder_ = documents_ / "kb";
    std::filesystem::create_directories(folder_);
    for (int i = 0; i < kEntries; ++i) {
      ASSERT_TRUE(catalogue().SetName(ProfileListKind::kLight, i, "profile " + std::to_string(i)));
    }
    ASSERT_TRUE(catalogue().SetCount(ProfileListKind::kLight, kEntries));
    Save(0);
  }
  [[nodiscard]] ProfileCatalogue catalogue() const { return ProfileCatalogue(folder_ / "kbProfile.ini"); }

  // Version v of everything: a light profile, a key profile and entry 0 of the catalogue.
  void Save(int v) const {
    const auto fill = static_cast<std::uint8_t>(v % 2 == 0 ? 0x11 : 0x22);
    (void)WriteProfileFile(folder_ / "a.led", 1, Body(kKbLightBodySize, fill));
    (void)WriteProfileFile(folder_ / "a.pro", 1, Body(kKeyProfileBodySize, fill));
    (void)catalogue().SetName(ProfileListKind::kLight, 0, v % 2 == 0 ? "老名字" : "new name");
    (void)catalogue().SetSelect(ProfileListKind::kLight, v % 2);
  }

  void ExpectWhole(int round) const {
    const std::string led = ReadBytes(folder_ / "a.led");
    EXPECT_TRUE(led == WholeFile(Body(kKbLightBodySize, 0x11), 1) ||
                led == WholeFile(Body(kKbLightBodySize, 0x22), 1))
        << "round " << round << ": a.led holds " << led.size() << " bytes of neither version";
    const std::string pro = ReadBytes(folder_ / "a.pro");
    EXPECT_TRUE(pro == WholeFile(Body(kKeyProfileBodySize, 0x11), 1) ||
                pro == WholeFile(Body(kKeyProfileBodySize, 0x22), 1))
        << "round " << round << ": a.pro holds " << pro.size() << " bytes of neither version";
    const ProfileListContents list = catalogue().ReadList(ProfileListKind::kLight);
    ASSERT_EQ(list.count, kEntries) << "round " << round;
    EXPECT_TRUE(list.names[0] == "老名字" || list.names[0] == "new name") << "round " << round;
    for (int i = 1; i < kEntries; ++i) {
      ASSERT_EQ(list.names[static_cast<std::size_t>(i)], "profile " + std::to_string(i)) << "round " << round;
    }
    const int select = catalogue().Select(ProfileListKind::kLight);
    EXPECT_TRUE(select == 0 || select == 1) << "round " << round;
  }

  std::filesystem::path folder_;
};

TEST_F(KillWhileSavingTest, EveryFileIsTheOldOrTheNewContentAfterAKillAtAnyPoint) {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> delayMicroseconds(0, 4000);
  for (int round = 0; round < 100; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int v = 1;; ++v) Save(v);  // until killed
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ExpectWhole(round);
    if (HasFatalFailure() || HasFailure()) return;
  }
}

}  // namespace
}  // namespace tavrinex::profiles
