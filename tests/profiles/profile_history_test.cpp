#include "profiles/profile_history.h"

#include <gtest/gtest.h>

#include "storage/atomic_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using namespace std::chrono_literals;
using Time = std::chrono::system_clock::time_point;

class ProfileHistoryTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    folder = documents_ / "kb";
    std::filesystem::create_directories(folder);
  }
  ProfileHistory History(HistoryPolicy policy = {}) {
    return ProfileHistory(folder, policy, [this] { return now; });
  }
  void Write(const std::string& name, std::string_view bytes) { WriteBytes(folder / name, bytes); }
  std::string Read(const std::string& name) { return ReadBytes(folder / name); }

  std::filesystem::path folder;
  Time now = Time{} + std::chrono::hours(24 * 365 * 57);  // in 2026
};

TEST_F(ProfileHistoryTest, KeepsEachVersionNewestFirstWhateverTheCaseOfTheName) {
  const auto history = History();
  EXPECT_TRUE(history.Keep("Game.led")) << "no file yet: nothing to keep";
  EXPECT_TRUE(history.Versions("Game.led").empty());
  Write("Game.led", "first");
  ASSERT_TRUE(history.Keep("game.LED"));
  now += 1500ms;
  Write("Game.led", "second");
  ASSERT_TRUE(history.Keep("Game.led"));
  ASSERT_TRUE(history.Keep("Game.led"));  // the same bytes again are not kept twice
  Write("Game.led", "third");
  ASSERT_TRUE(history.Keep("Game.led"));  // same millisecond: a name of its own

  const auto versions = history.Versions("GAME.led");
  ASSERT_EQ(versions.size(), 3U);
  EXPECT_EQ(ReadWholeFile(versions[0].file).bytes, "third");
  EXPECT_EQ(ReadWholeFile(versions[1].file).bytes, "second");
  EXPECT_EQ(ReadWholeFile(versions[2].file).bytes, "first");
  EXPECT_EQ(versions[2].file.filename().string().substr(0, 9), "Game.led@") << "the file's own spelling";
  EXPECT_EQ(versions[2].id.size(), 23U);
  EXPECT_NE(versions[0].id, versions[1].id);
  EXPECT_EQ(versions[0].size, 5U);
  EXPECT_TRUE(history.Versions("Other.led").empty());
  EXPECT_EQ(Read("Game.led"), "third") << "keeping never changes the profile";
}

TEST_F(ProfileHistoryTest, AtMostTwentyVersionsAndNoneOlderThanThirtyDays) {
  const auto history = History();
  for (int i = 0; i < 25; ++i) {
    Write("P.pro", "v" + std::to_string(i));
    ASSERT_TRUE(history.Keep("P.pro"));
    now += 1min;
  }
  auto versions = history.Versions("P.pro");
  ASSERT_EQ(versions.size(), 20U);
  EXPECT_EQ(ReadWholeFile(versions.front().file).bytes, "v24");
  EXPECT_EQ(ReadWholeFile(versions.back().file).bytes, "v5");
  now += std::chrono::hours(24 * 30) - 10min;  // those kept in the first 15 minutes are too old now
  ASSERT_TRUE(history.Keep("P.pro"));  // the same bytes as the newest: only the pruning
  EXPECT_EQ(history.Versions("P.pro").size(), 10U);
  Write("P.pro", "v25");
  ASSERT_TRUE(history.Keep("P.pro"));
  versions = history.Versions("P.pro");
  EXPECT_EQ(versions.size(), 11U);  // ten left, and the one just kept
  EXPECT_EQ(ReadWholeFile(versions.back().file).bytes, "v15");
}

TEST_F(ProfileHistoryTest, RestoreBringsAVersionBackAndKeepsTheFileItReplaces) {
  const auto history = History(HistoryPolicy{3, std::chrono::hours(24)});
  for (const char* state : {"a", "b", "c"}) {
    Write("Game.led", state);
    ASSERT_TRUE(history.Keep("Game.led"));
    now += 1s;
  }
  Write("Game.led", "device state");
  // The oldest of a full history: read before keeping the current file prunes it.
  ASSERT_EQ(history.Restore("Game.led", "3"), RestoreOutcome::kRestored);
  EXPECT_EQ(Read("Game.led"), "a");
  EXPECT_EQ(ReadWholeFile(history.Versions("Game.led").front().file).bytes, "device state");
  const std::string id = history.Versions("Game.led")[1].id;  // "c"
  ASSERT_EQ(history.Restore("game.led", id), RestoreOutcome::kRestored);
  EXPECT_EQ(Read("Game.led"), "c");

  for (const char* unknown : {"0", "4", "99999", "2026-01-01_00-00-00.000", "", "x"}) {
    EXPECT_EQ(history.Restore("Game.led", unknown), RestoreOutcome::kNoSuchVersion) << unknown;
  }
  EXPECT_EQ(Read("Game.led"), "c");
}

TEST_F(ProfileHistoryTest, NamesOutsideTheFolderAndAnUnwritableHistoryFail) {
  const auto history = History();
  WriteBytes(documents_ / "outside.led", "keep me");
  int error = 0;
  for (const char* name : {"../outside.led", "..", "", "a/b.led", "x@y.led"}) {
    EXPECT_FALSE(history.Keep(name, &error)) << name;
    EXPECT_EQ(history.Restore(name, "1"), RestoreOutcome::kNoSuchVersion) << name;
  }
  EXPECT_EQ(ReadBytes(documents_ / "outside.led"), "keep me");

  Write("Game.led", "state");
  WriteBytes(history.Folder(), "a file where the folder should be");
  error = 0;
  EXPECT_FALSE(history.Keep("Game.led", &error));
  EXPECT_NE(error, 0);
  EXPECT_EQ(Read("Game.led"), "state");
}

}  // namespace
}  // namespace tavrinex::profiles
