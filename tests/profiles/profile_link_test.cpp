#include "profiles/profile_link.h"

#include <gtest/gtest.h>

#include "profiles/auto_switch.h"
#include "storage/ini_file.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

constexpr ProfileListKind kLight = ProfileListKind::kLight;
constexpr std::string_view kGame = "/opt/games/racer";

class ProfileLinkTest : public testing::TempDocuments {
 protected:
  [[nodiscard]] std::string Raw(std::string_view section, int entry) const {
    return ReadIniString(catalogue_.Path(), section, std::to_string(entry));
  }
  const ProfileCatalogue catalogue_{device::DeviceKind::kKeyboard};
};

TEST_F(ProfileLinkTest, CheckLinksAnAbsolutePathAndStoresItWhole) {
  EXPECT_EQ(LinkByCheck(catalogue_, kLight, 3, 1, std::string(kGame)), LinkOutcome::kLinked);
  EXPECT_EQ(Raw("PROFILELIKEDENGEXE", 1), "1");
  EXPECT_EQ(Raw("DENGPROCESS", 1), kGame);
  EXPECT_EQ(ProgramFileName(kGame), "racer");
}

TEST_F(ProfileLinkTest, CheckRefusesWhatCannotBeLinkedAndLeavesTheEntryUnlinked) {
  struct Case {
    std::optional<std::string> chosen;
    LinkOutcome outcome;
  };
  const Case cases[] = {
      {std::nullopt, LinkOutcome::kUnlinked},                  // cancelled
      {std::string("racer"), LinkOutcome::kUnlinked},          // not an absolute path
      {std::string("C:\\Games\\racer.exe"), LinkOutcome::kUnlinked},
      {std::string(kGame), LinkOutcome::kDuplicate},           // entry 0 has it
      {std::string("/OPT/games/Racer"), LinkOutcome::kDuplicate},  // in other letter case
  };
  Link(catalogue_, kLight, 0, kGame);
  for (const Case& c : cases) {
    Link(catalogue_, kLight, 2, "/usr/bin/old");
    EXPECT_EQ(LinkByCheck(catalogue_, kLight, 3, 2, c.chosen), c.outcome) << c.chosen.value_or("(cancel)");
    EXPECT_EQ(Raw("PROFILELIKEDENGEXE", 2), "0");
    EXPECT_EQ(Raw("DENGPROCESS", 2), " ");
  }
  EXPECT_EQ(Raw("DENGPROCESS", 0), kGame);
}

TEST_F(ProfileLinkTest, TheDuplicateTestIncludesTheEntryItselfAndOnlyTheListsItems) {
  Link(catalogue_, kLight, 1, kGame);
  EXPECT_EQ(LinkByCheck(catalogue_, kLight, 3, 1, std::string(kGame)), LinkOutcome::kDuplicate);
  Link(catalogue_, kLight, 5, "/usr/bin/kate");  // a key left behind past the list's end
  EXPECT_EQ(LinkByCheck(catalogue_, kLight, 3, 1, std::string("/usr/bin/kate")), LinkOutcome::kLinked);
}

TEST_F(ProfileLinkTest, ButtonAcceptsADuplicateAndTheLowerEntryWins) {
  Link(catalogue_, kLight, 1, kGame);
  EXPECT_EQ(LinkByButton(catalogue_, kLight, 0, std::string(kGame)), LinkOutcome::kLinked);
  EXPECT_EQ(LinkedEntry(catalogue_, kLight, kGame), -1) << "count 0: no entries yet";
  (void)catalogue_.SetCount(kLight, 3);
  EXPECT_EQ(LinkedEntry(catalogue_, kLight, kGame), 0);
  for (const auto& nothing : {std::optional<std::string>{}, std::optional<std::string>("racer")}) {
    EXPECT_EQ(LinkByButton(catalogue_, kLight, 0, nothing), LinkOutcome::kUnchanged);
    EXPECT_EQ(Raw("DENGPROCESS", 0), kGame);
  }
}

}  // namespace
}  // namespace tavrinex::profiles
