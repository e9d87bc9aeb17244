// tavrinexctl profile restore served by the running program: the file is replaced on the
// device's thread and the lists hear of it on the UI thread.
#include "app/profile_restore.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "../profiles/temp_documents.h"
#include "core/stop_event.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
using profiles::ProfileListKind;

struct Heard {
  DeviceKind kind;
  ProfileListKind list;
  std::string name;
};

class ProfileRestoreTest : public profiles::testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    folder = profiles::GetDeviceFolder(DeviceKind::kKeyboard);
    WriteBytes(folder / "history" / "Light B.led@2026-12-09_10-00-00.000", "old light");
    WriteBytes(folder / "Light B.led", "device state");
    deviceThread = std::thread([this] {
      while (!stop.IsSet()) {
        for (auto& work : queue.Take(DeviceKind::kKeyboard)) work();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  void TearDown() override {
    stop.Set();
    deviceThread.join();
    TempDocuments::TearDown();
  }
  ProfileRestoreRequest Request(std::string name, std::string version) const {
    return {DeviceKind::kKeyboard, std::move(version), folder.string(), std::move(name)};
  }

  std::filesystem::path folder;
  device::DeviceWorkQueue queue;
  core::StopEvent stop;
  std::thread deviceThread;
  std::mutex mutex;
  std::vector<std::function<void()>> posted;  // what the UI thread would run
  std::vector<Heard> heard;
  ProfileRestoreService service{
      queue,
      [this](std::function<void()> task) {
        const std::lock_guard lock(mutex);
        posted.push_back(std::move(task));
      },
      [this](DeviceKind kind, ProfileListKind list, const std::string& name) { heard.push_back({kind, list, name}); }};
};

TEST_F(ProfileRestoreTest, RestoresOnTheDeviceThreadAndTellsTheListsAfterwards) {
  const std::string answer = service.Serve(Request("light b", "1"));
  EXPECT_TRUE(answer.starts_with("OK restored Light B.led")) << answer;
  EXPECT_EQ(ReadBytes(folder / "Light B.led"), "old light");
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_TRUE(heard.empty()) << "only on the UI thread";
  posted[0]();
  ASSERT_EQ(heard.size(), 1U);
  EXPECT_EQ(heard[0].list, ProfileListKind::kLight);
  EXPECT_EQ(heard[0].name, "Light B") << "the file's own spelling, without the extension";
}

// A list operation asked for before the restore (here: one that rewrites the file) is done
// first, so the restored version is what stays.
TEST_F(ProfileRestoreTest, FileWorkAskedForEarlierIsDoneBeforeTheFileIsReplaced) {
  std::thread::id waitedOn;
  service.WaitFirstFor([&] {
    waitedOn = std::this_thread::get_id();
    WriteBytes(folder / "Light B.led", "reset by the list");
  });
  const std::string answer = service.Serve(Request("Light B", "1"));
  EXPECT_TRUE(answer.starts_with("OK ")) << answer;
  EXPECT_EQ(waitedOn, deviceThread.get_id());
  EXPECT_EQ(ReadBytes(folder / "Light B.led"), "old light");
}

TEST_F(ProfileRestoreTest, RefusalsChangeNothingAndAnotherFolderIsSentElsewhere) {
  for (const auto& [name, version] : {std::pair{"Light B", "7"}, std::pair{"Nothing", "1"}, std::pair{"../x", "1"}}) {
    const std::string answer = service.Serve(Request(name, version));
    EXPECT_TRUE(answer.starts_with("ERR ")) << name << ": " << answer;
  }
  ProfileRestoreRequest elsewhere = Request("Light B", "1");
  elsewhere.deviceFolder = (documents_ / "other" / "kb").string();
  EXPECT_EQ(service.Serve(elsewhere), kAnswerElsewhere);
  EXPECT_EQ(ReadBytes(folder / "Light B.led"), "device state");
  EXPECT_TRUE(posted.empty());
}

}  // namespace
}  // namespace tavrinex::app
