// The detection threads against the simulated devices: the connect sequence of each kind,
// removal with the tab order, interfaces that are not ours, and devices that vanish.
#include "device/detection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "detection_fixture.h"
#include "sim/descriptors.h"
#include "sim/scripted_device.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

class DetectionTest : public DetectionFixture {};

struct ConnectCase {
  DeviceKind kind;
  std::vector<std::string> steps;  // detection-thread and UI steps, in order
};

// The UI steps on the UI thread and, for the mouse, the profile steps on the detection thread
// before them: the mouse loads its light profile before the synchronisation saves it.
const std::vector<ConnectCase> kConnectCases = {
    {DeviceKind::kKeyboard,
     {"show kb_tab", "select kb_tab", "combo kb_deng_profile_combo 2",
      "combo kb_key_profile_combo 1", "refresh kb", "timer 7 100"}},
    {DeviceKind::kMouse,
     {"load ms 2", "save light ms", "combo ms_deng_profile_combo 2",
      "combo ms_key_profile_combo 1", "refresh ms", "show ms_tab", "select ms_tab",
      "timer 7 100"}},
    {DeviceKind::kMousePad,
     {"show mp_tab", "select mp_tab", "combo mp_deng_profile_combo 2",
      "refresh mp", "update mp_tab", "timer 7 100"}},
};

TEST_F(DetectionTest, ConnectSequenceOfEachKind) {
  threads.Start();
  for (const ConnectCase& c : kConnectCases) {
    SCOPED_TRACE(std::string(KindPrefix(c.kind)));
    log.Clear();
    sim::SimulatedDevice& device = devices.Of(c.kind);
    device.Plug();
    ASSERT_TRUE(WaitConnected(c.kind));
    ASSERT_TRUE(log.WaitFor("timer 7 100"));
    const auto lines = log.Lines();
    EXPECT_EQ(Only(lines, c.steps), c.steps);
    EXPECT_EQ(log.Count("hide window"), 0);  // connecting never shows nor hides the window
    EXPECT_EQ(log.Count("save light " + std::string(KindPrefix(c.kind))), 1);
    // Synchronised from the device, under the channel the detection opened.
    const auto commands = device.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), Command::kBegin);
    EXPECT_EQ(commands.back(), Command::kEnd);
    EXPECT_EQ(image.Info(c.kind), device.Snapshot().info);
    EXPECT_EQ(Channel(c.kind).hid.path, device.ConfigPath());
  }
}

// The same-mode control of each kind is shown once another kind is connected and hidden when
// it is alone, and posted only when that changes, not at every probe.
TEST_F(DetectionTest, SameModeControlFollowsTheOtherKinds) {
  threads.Start();
  devices.keyboard.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  ASSERT_TRUE(log.WaitFor("hide kb_deng_same_mode"));
  devices.mouse.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse));
  ASSERT_TRUE(log.WaitFor("show kb_deng_same_mode"));
  ASSERT_TRUE(log.WaitFor("show ms_deng_same_mode"));
  std::this_thread::sleep_for(350ms);  // a few probes more
  EXPECT_EQ(log.Count("show kb_deng_same_mode"), 1);
  EXPECT_EQ(log.Count("hide kb_deng_same_mode"), 1);
  devices.mouse.Unplug();
  ASSERT_TRUE(log.WaitFor("hide kb_deng_same_mode", 2));
}

struct RemovalCase {
  std::vector<DeviceKind> plugged;
  DeviceKind unplugged;
  std::vector<std::string> steps;
};

TEST_F(DetectionTest, RemovalHidesTheTabAndSelectsTheNextOrHidesTheWindow) {
  using K = DeviceKind;
  const std::vector<RemovalCase> cases = {
      {{K::kMouse}, K::kMouse, {"hide ms_tab", "hide window"}},
      {{K::kKeyboard, K::kMouse}, K::kKeyboard, {"hide kb_tab", "select ms_tab"}},
      {{K::kKeyboard, K::kMousePad}, K::kKeyboard, {"hide kb_tab", "select mp_tab"}},
      {{K::kMouse, K::kMousePad}, K::kMouse, {"hide ms_tab", "select mp_tab"}},
      {{K::kKeyboard, K::kMouse, K::kMousePad}, K::kMousePad, {"hide mp_tab", "select kb_tab"}},
      {{K::kMouse, K::kMousePad}, K::kMousePad, {"hide mp_tab", "select ms_tab"}},
  };
  const std::vector<std::string> removalSteps = {"hide kb_tab",   "hide ms_tab",   "hide mp_tab",
                                                 "select kb_tab", "select ms_tab", "select mp_tab",
                                                 "hide window"};
  threads.Start();
  for (const RemovalCase& c : cases) {
    for (const K k : c.plugged) {
      devices.Of(k).Plug();
      ASSERT_TRUE(WaitConnected(k));
    }
    Channel(c.unplugged).sharedLightingActive = true;
    log.Clear();
    devices.Of(c.unplugged).Unplug();
    ASSERT_TRUE(WaitRemoved(c.unplugged));
    ASSERT_TRUE(log.WaitFor(c.steps.back()));
    EXPECT_EQ(Only(log.Lines(), removalSteps), c.steps);
    EXPECT_FALSE(Connected(c.unplugged));
    EXPECT_FALSE(Channel(c.unplugged).sharedLightingActive);
    EXPECT_FALSE(Channel(c.unplugged).hid.IsOpen());
    for (const K k : c.plugged) {
      if (k != c.unplugged) {
        EXPECT_TRUE(Connected(k));
      }
      devices.Of(k).Unplug();
    }
    for (const K k : c.plugged) ASSERT_TRUE(WaitRemoved(k));
  }
}

// Another product of the same vendor comes first: opened, rejected, closed; the scan goes on
// to the keyboard.
TEST_F(DetectionTest, OtherProductOfTheVendorIsOpenedRejectedAndClosed) {
  constexpr const char* kOther = "sim:other/config";
  auto other = std::make_shared<sim::ScriptedDevice>();
  bus.Plug({kOther, kVendorId, 0x1234,
            {sim::kConfigDescriptor.begin(), sim::kConfigDescriptor.end()}},
           other);
  devices.keyboard.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  EXPECT_GE(backend.Opens(kOther, true), 1);
  EXPECT_EQ(bus.OpenCount(kOther), 0);
  EXPECT_TRUE(other->Requests().empty());  // nothing was sent to it
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).hid.path, devices.keyboard.ConfigPath());
}

// An interface that was listed but is gone when it is opened is skipped.
TEST_F(DetectionTest, InterfaceGoneBeforeItsOpenIsSkipped) {
  backend.AddGhost({"sim:ghost/config", kVendorId, kMousePadProductId, kConfigUsagePage,
                    kConfigUsage, {4}, {4}});
  devices.mousePad.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMousePad));
  EXPECT_GE(backend.Opens("sim:ghost/config", true), 1);
  EXPECT_EQ(Channel(DeviceKind::kMousePad).hid.path, devices.mousePad.ConfigPath());
}

// The device goes away in the middle of its synchronisation: it is still marked connected,
// found gone at once, and the channel connects it again from scratch when it comes back.
TEST_F(DetectionTest, UnplugDuringSynchronisationLeavesTheChannelReady) {
  devices.mouse.InjectFault({sim::Fault::Action::kUnplug, 5, 1});
  threads.Start();
  devices.mouse.Plug();
  ASSERT_TRUE(WaitRemoved(DeviceKind::kMouse));
  EXPECT_FALSE(Connected(DeviceKind::kMouse));
  EXPECT_FALSE(Channel(DeviceKind::kMouse).hid.IsOpen());
  devices.mouse.ClearFaults();
  devices.mouse.ClearRequests();
  devices.mouse.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse, 2));
  const auto commands = devices.mouse.Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front(), Command::kBegin);
  EXPECT_EQ(commands.back(), Command::kEnd);
  EXPECT_EQ(image.Info(DeviceKind::kMouse), devices.mouse.Snapshot().info);
}

// A replug on the same path between two probes: the old handle hung up, so the device is
// removed and connected again rather than kept on a dead handle.
TEST_F(DetectionTest, QuickReplugOnTheSamePathReconnects) {
  threads.Start();
  devices.mousePad.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMousePad));
  devices.mousePad.Unplug();
  devices.mousePad.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMousePad, 2));
  EXPECT_EQ(log.Count("hide mp_tab"), 1);
  // Commands reach the device again.
  std::array<std::uint8_t, kInfoBlockSize> info{};
  EXPECT_EQ(Channel(DeviceKind::kMousePad).ReadInfo(info), kResultOk);
}

TEST(EnumerationRetryTest, PausesDoubleUpToHalfAMinuteAndOneLinePerBurst) {
  EnumerationRetry retry;
  int lines = 0;
  const auto say = [&] { ++lines; };
  const std::vector<long> expected = {1000, 2000, 4000, 8000, 16000, 30000, 30000};
  for (const long ms : expected) EXPECT_EQ(retry.Failed(say).count(), ms);
  EXPECT_EQ(lines, 1);
  retry.Succeeded();
  EXPECT_FALSE(retry.Failing());
  EXPECT_EQ(retry.Failed(say).count(), 1000);
  EXPECT_EQ(lines, 2);
}

// A transient failure (EMFILE, a udev hiccup) no longer ends the threads for the session:
// they try again, and a device plugged meanwhile is found.
TEST_F(DetectionTest, EnumerationFailuresAreRetriedAndTheDeviceIsStillFound) {
  backend.FailEnumerations(6);
  threads.Start();
  ASSERT_TRUE(Eventually([&] {
    return log.Count("diag kb detection: HID enumeration failed; trying again with a growing pause") == 1;
  }));
  devices.keyboard.Plug();  // the hot-plug event wakes the threads before their pause ends
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  ASSERT_TRUE(WaitWatching(devices.keyboard));
  EXPECT_EQ(log.Count("diag kb detection: HID enumeration failed; trying again with a growing pause"), 1);
}

// 200 plugs and unplugs of all three devices: every fourth one connects in full, the others
// are cut short anywhere in the search, the open or the synchronisation. Nothing may stick:
// afterwards every interface is closed, all three connect again, and the threads stop.
TEST_F(DetectionTest, PlugUnplugCyclesLeaveNothingBehind) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> pause(0, 30);
  threads.Start();
  for (int cycle = 0; cycle < 200; ++cycle) {
    devices.PlugAll();
    if (cycle % 4 == 0) {
      for (const DeviceKind k : kAllDeviceKinds) {
        ASSERT_TRUE(Eventually([&] { return Connected(k); })) << cycle;
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    }
    for (const DeviceKind k : kAllDeviceKinds) devices.Of(k).Unplug();
    for (const DeviceKind k : kAllDeviceKinds) {
      ASSERT_TRUE(Eventually([&] { return !Connected(k); })) << cycle;
    }
  }
  const std::vector<std::string> paths = {
      devices.keyboard.ConfigPath(), devices.keyboard.ConsumerPath(), devices.mouse.ConfigPath(),
      devices.mouse.ConsumerPath(), devices.mousePad.ConfigPath()};
  devices.PlugAll();
  for (const DeviceKind k : kAllDeviceKinds) ASSERT_TRUE(Eventually([&] { return Connected(k); }));
  // One handle per interface: the detection's on the configuration ones, the watcher's on
  // the consumer ones.
  for (const auto& p : paths) ASSERT_TRUE(Eventually([&] { return bus.OpenCount(p) == 1; })) << p;
  for (const DeviceKind k : kAllDeviceKinds) devices.Of(k).Unplug();
  for (const DeviceKind k : kAllDeviceKinds) ASSERT_TRUE(Eventually([&] { return !Connected(k); }));
  devices.PlugAll();
  for (const auto& p : paths) ASSERT_TRUE(Eventually([&] { return bus.OpenCount(p) == 1; })) << p;
  const auto before = std::chrono::steady_clock::now();
  threads.Stop();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - before;
  RecordProperty("shutdown_ms", std::to_string(took.count()));
  std::printf("shutdown of the five device threads: %.2f ms\n", took.count());
}

TEST(PathIdTest, ReadsTheIdAfterItsTagOrTakesTheReportedOne) {
  struct Case {
    const char* path;
    const char* tag;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {R"(\\?\hid#vid_0c45&pid_8903&mi_01#7&1a2b)", "vid_", 0x0C45},
      {R"(\\?\HID#VID_0C45&PID_8903&MI_01)", "pid_", 0x8903},
      {R"(\\?\hid#vid_&pid_1)", "vid_", 0},          // no digits: 0
      {R"(\\?\hid#vid_10c45&pid_1)", "vid_", 0x10C45},  // too long for an id: never matches
      {"/dev/hidraw3", "vid_", 0x0777},               // no tag: the reported id
  };
  for (const Case& c : cases) EXPECT_EQ(PathId(c.path, c.tag, 0x0777), c.expected) << c.path;
}

}  // namespace
}  // namespace tavrinex::device
