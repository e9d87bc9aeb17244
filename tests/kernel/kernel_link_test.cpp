// The device link on real hidraw nodes: the simulated devices behind uhid, in both layouts of
// the consumer-control collection (a node of its own, or the configuration node shared with
// report ids), found, synchronised, watched and unplugged through the kernel's HID stack.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/device_sync.h"
#include "device/fd_io.h"
#include "kernel_fixture.h"
#include "sim/factory_defaults.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

using KernelLinkTest = KernelFixture;
INSTANTIATE_TEST_SUITE_P(Layouts, KernelLinkTest,
                         testing::Values(Layout::kSeparateNodes, Layout::kSharedNode), LayoutName);

std::vector<HidInterfaceInfo> Listed(HidBackend& backend, std::uint16_t productId) {
  std::vector<HidInterfaceInfo> out;
  EXPECT_TRUE(backend.Enumerate([&](HidInterfaceInfo info) {
    if (info.vendorId == kVendorId && info.productId == productId) out.push_back(std::move(info));
  }));
  return out;
}

// libudev and sysfs list every collection of every node with the kernel's HID_ID; a shared
// node shows up twice, once per collection, with its report ids.
TEST_P(KernelLinkTest, ListsEveryCollectionOfEachNode) {
  const auto kb = Listed(hidraw, kKeyboardProductId);
  ASSERT_EQ(kb.size(), 2u);
  const auto consumer = std::find_if(kb.begin(), kb.end(), [](const HidInterfaceInfo& i) {
    return i.usagePage == kConsumerUsagePage && i.usage == kConsumerUsage;
  });
  const auto config = std::find_if(kb.begin(), kb.end(), [](const HidInterfaceInfo& i) {
    return i.usagePage == kConfigUsagePage && i.usage == kConfigUsage;
  });
  ASSERT_NE(consumer, kb.end());
  ASSERT_NE(config, kb.end());
  EXPECT_EQ(config->path, ConfigNode(DeviceKind::kKeyboard));
  EXPECT_EQ(consumer->path, ConsumerNode(DeviceKind::kKeyboard));
  EXPECT_EQ(Shared(), consumer->path == config->path);
  EXPECT_EQ(consumer->inputReportIds, std::vector<std::uint8_t>{3});
  EXPECT_EQ(config->inputReportIds, std::vector<std::uint8_t>{kConfigReportId});
  EXPECT_EQ(config->outputReportIds, std::vector<std::uint8_t>{kConfigReportId});
  EXPECT_EQ(Listed(hidraw, kMousePadProductId).size(), 1u);
}

// The detection threads find all three devices, synchronise them in full, and the watchers
// open the consumer collection, wherever it lives.
TEST_P(KernelLinkTest, FindsAndSynchronisesEveryDevice) {
  mouse->SetActiveProfile(3);
  threads.Start();
  for (const DeviceKind kind : kAllDeviceKinds) ASSERT_TRUE(WaitConnected(kind)) << KindPrefix(kind);
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, 3 * sim::factory::kKeyboardLedCount);
  for (const DeviceKind kind : kAllDeviceKinds) {
    const auto fw = Device(kind).Snapshot();
    const auto active = fw.ActiveProfile();
    const auto slot = fw.Slot(active);
    CurrentRecord expected{};
    std::copy_n(slot.begin(), expected.size(), expected.begin());
    expected[0] = active;
    EXPECT_EQ(image.Current(kind), expected) << KindPrefix(kind);
    EXPECT_EQ(Device(kind).Commands().back(), Command::kEnd) << KindPrefix(kind);
  }
  EXPECT_EQ(image.Current(DeviceKind::kMouse)[0], 3);
  EXPECT_TRUE(WaitWatching(DeviceKind::kKeyboard));
  EXPECT_TRUE(WaitWatching(DeviceKind::kMouse));
}

// A change made on the device is announced by a consumer report through the kernel and read
// back: a mode change re-reads the active settings, a profile switch synchronises in full.
TEST_P(KernelLinkTest, OnDeviceChangeIsReadBack) {
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse));
  ASSERT_TRUE(WaitWatching(DeviceKind::kKeyboard));
  ASSERT_TRUE(WaitWatching(DeviceKind::kMouse));
  keyboard->UserChangeMode(3);
  ASSERT_TRUE(log.WaitFor("message 0x0B02"));
  ASSERT_TRUE(log.WaitFor("refresh kb", 2));
  EXPECT_EQ(image.Current(DeviceKind::kKeyboard)[sim::factory::record::kMode], 3);
  mouse->UserSwitchProfile(2);
  ASSERT_TRUE(log.WaitFor("message 0x0901"));
  ASSERT_TRUE(log.WaitFor("refresh ms", 2));
  EXPECT_EQ(image.Current(DeviceKind::kMouse)[0], 2);
}

// The keyboard goes in the middle of a chunked read of a full synchronisation: the removal is
// noticed, nothing waits for the lost reply, and the keyboard plugged in again is found and
// synchronised from scratch.
TEST_P(KernelLinkTest, UnplugDuringAChunkedReadAndReplug) {
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  ASSERT_TRUE(WaitWatching(DeviceKind::kKeyboard));
  keyboard->ClearRequests();
  // BEGIN, INFO, then the second chunk of the default key block.
  keyboard->InjectFault({sim::Fault::Action::kUnplug, 3, 1});
  keyboard->UserSwitchProfile(1);
  ASSERT_TRUE(WaitRemoved(DeviceKind::kKeyboard));
  EXPECT_FALSE(Channel(DeviceKind::kKeyboard).connected);
  const auto seen = keyboard->Commands();
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[3], Command::kReadDefaultKeys);
  keyboard->ClearFaults();
  keyboard->ClearRequests();
  keyboard->Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard, 3));  // connect, the sync cut short, again
  EXPECT_TRUE(Channel(DeviceKind::kKeyboard).connected);
  EXPECT_EQ(keyboard->Commands().front(), Command::kBegin);
  EXPECT_EQ(keyboard->Commands().back(), Command::kEnd);
}

// An LED frame spans several reports; the keyboard unplugged between two of them fails the
// frame at once, the node is gone, and the new node of the replugged keyboard takes frames.
TEST_P(KernelLinkTest, UnplugDuringAnAnimationFrame) {
  Open(DeviceKind::kKeyboard);
  DeviceChannel& kb = Channel(DeviceKind::kKeyboard);
  const std::string node = kb.hid.path;
  std::vector<std::uint8_t> frame(3u * sim::factory::kKeyboardLedCount, 0x5A);
  keyboard->InjectFault({sim::Fault::Action::kUnplug, 2, 1});
  EXPECT_NE(kb.WriteLedColours(frame), kResultOk);
  EXPECT_FALSE(kb.hid.ProbePresence(node));
  kb.hid.CloseDevice();
  keyboard->ClearFaults();
  keyboard->Plug();
  Open(DeviceKind::kKeyboard);
  EXPECT_EQ(kb.WriteLedColours(frame), kResultOk);
  EXPECT_EQ(keyboard->Snapshot().ledFrame, frame);
}

// Waits (with a generous bound) until the listener has told of the event.
bool Heard(HotplugListener& listener, std::vector<HotplugEvent>& heard, HotplugAction action,
           const std::string& path) {
  const auto seen = [&] {
    return std::any_of(heard.begin(), heard.end(), [&](const HotplugEvent& e) {
      return e.action == action && e.path == path;
    });
  };
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!seen() && std::chrono::steady_clock::now() < deadline) {
    if (WaitForFd(listener.Fd(), POLLIN, -1, 100ms) != WaitOutcome::kReady) continue;
    for (auto& e : listener.Drain()) heard.push_back(std::move(e));
  }
  return seen();
}

// udevd announces a node coming and going, with the path the enumeration lists: what wakes
// the device threads at once on a desktop.
TEST(KernelHotplugTest, UdevTellsOfNodesComingAndGoing) {
  sim::UhidBus uhid;
  TAVRINEX_NEED(uhid.Available(), "/dev/uhid");
  TAVRINEX_NEED(UdevdRunning(), "udevd");
  UdevHotplugSource source;
  const auto listener = source.Listen();
  ASSERT_NE(listener, nullptr);
  sim::SimulatedDevice pad(uhid, DeviceKind::kMousePad, "uhid:hotplug/pad", "");
  pad.Plug();
  const std::string node = uhid.NodeOf(pad.ConfigPath());
  ASSERT_FALSE(node.empty()) << uhid.LastError();
  std::vector<HotplugEvent> heard;
  EXPECT_TRUE(Heard(*listener, heard, HotplugAction::kAdd, node));
  pad.Unplug();
  EXPECT_TRUE(Heard(*listener, heard, HotplugAction::kRemove, node));
}

}  // namespace
}  // namespace tavrinex::device
