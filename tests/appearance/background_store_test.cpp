// What the chooser remembers in "main.ini", written off the caller's thread.
#include <gtest/gtest.h>

#include "../profiles/temp_documents.h"
#include "appearance/background_store.h"
#include "profiles/profile_catalogue.h"
#include "storage/ini_file.h"

namespace tavrinex::appearance {
namespace {

class BackgroundStoreTest : public profiles::testing::TempDocuments {
 protected:
  static std::string Flags() {
    return profiles::ReadIniString(profiles::MainIniPath(), "SKINIMAGE", "FLAGS");
  }
  static std::string Image() {
    return profiles::ReadIniString(profiles::MainIniPath(), "SKINIMAGE", "IMAGE");
  }
};

TEST_F(BackgroundStoreTest, AnImageChoiceIsAppliedAtStartAndAResetIsNot) {
  BackgroundStore store;
  store.Remember("skins/aurora.png", true);
  store.WaitIdle();
  EXPECT_EQ(Flags(), "1");
  EXPECT_EQ(Image(), "skins/aurora.png");
  EXPECT_EQ(profiles::SavedBackgroundImage(), "skins/aurora.png");
  store.Remember("common/background.png", false);
  store.WaitIdle();
  EXPECT_EQ(Flags(), "0");
  EXPECT_EQ(Image(), "common/background.png");
  EXPECT_EQ(profiles::SavedBackgroundImage(), std::nullopt);
}

// Quick choices in a row end with the last one, also when the store goes away right after.
TEST_F(BackgroundStoreTest, TheLastOfManyChoicesIsWrittenBeforeTheStoreGoes) {
  {
    BackgroundStore store;
    for (int i = 0; i < 20; ++i) store.Remember("skins/" + std::to_string(i) + ".png", i % 2 == 1);
  }
  EXPECT_EQ(Flags(), "1");
  EXPECT_EQ(Image(), "skins/19.png");
}

TEST_F(BackgroundStoreTest, AStoreNeverUsedWritesNothing) {
  { BackgroundStore store; }
  EXPECT_FALSE(std::filesystem::exists(profiles::MainIniPath()));
}

}  // namespace
}  // namespace tavrinex::appearance
