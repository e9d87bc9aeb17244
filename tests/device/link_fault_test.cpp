// The device link as real hardware treats it: one node carrying the consumer-control and the
// configuration collections (read by the channel and the watcher at once), replies that come
// late or twice, syncs that can be stopped half-way, and the saves that only follow reads
// that arrived.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "detection_fixture.h"
#include "sim/factory_defaults.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSharedMouse = "sim:mouse/shared";
constexpr const char* kSharedKeyboard = "sim:keyboard/shared";

class LinkFaultTest : public DetectionFixture {
 protected:
  // The mouse's interface as the link sees it once detection matched it.
  void OpenMouse(const std::string& path) {
    DeviceChannel& c = Channel(DeviceKind::kMouse);
    c.hid.path = path;
    c.hid.openForReading = c.hid.openForWriting = c.hid.overlapped = true;
    ASSERT_TRUE(c.hid.OpenDevice());
    ASSERT_TRUE(c.hid.SelectCollection(kConfigUsagePage, kConfigUsage));
    c.connected = true;
  }
  std::vector<std::uint8_t> ReadDefaultKeys() {
    std::vector<std::uint8_t> block(kDefaultBlockLength);
    EXPECT_EQ(Channel(DeviceKind::kMouse).ReadDefaultKeys(block), kResultOk);
    return block;
  }
  static std::vector<std::uint8_t> FirmwareDefaultKeys(sim::SimulatedDevice& device) {
    const auto fw = device.Snapshot();
    return {fw.defaultKeys.begin(), fw.defaultKeys.begin() + kDefaultBlockLength};
  }
};

TEST(CollectionSelectionTest, APicksItsCollectionAmongSeveralOnOneNode) {
  sim::SimBus bus;
  sim::SimulatedDevice keyboard(bus, DeviceKind::kKeyboard, kSharedKeyboard, kSharedKeyboard);
  keyboard.Plug();
  HidDevice hid(bus);
  hid.path = kSharedKeyboard;
  hid.openForReading = true;
  ASSERT_TRUE(hid.OpenDevice());
  // The node describes the consumer collection first: it is what an open states at first.
  EXPECT_EQ(hid.Capabilities().usagePage, kConsumerUsagePage);
  ASSERT_TRUE(hid.SelectCollection(kConfigUsagePage, kConfigUsage));
  EXPECT_EQ(hid.Capabilities().usage, kConfigUsage);
  EXPECT_EQ(hid.Capabilities().inputReportLength, 64);
  ASSERT_TRUE(hid.SelectCollection(kConsumerUsagePage, kConsumerUsage));
  EXPECT_EQ(hid.Capabilities().inputReportLength, 3);
  EXPECT_FALSE(hid.SelectCollection(0xFF00, 0x0001));
  EXPECT_EQ(hid.Capabilities().usagePage, kConsumerUsagePage) << "a failed pick changes nothing";
}

// A keyboard whose configuration and consumer collections share a node is found by both its
// detection thread and its watcher, and the watcher still hears the device's announcements
// while every reply of the configuration link reaches it too.
TEST_F(LinkFaultTest, SharedNodeIsDetectedAndWatched) {
  sim::SimulatedDevice keyboard(bus, DeviceKind::kKeyboard, kSharedKeyboard, kSharedKeyboard);
  keyboard.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  ASSERT_TRUE(WaitWatching(keyboard));
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, 3 * sim::factory::kKeyboardLedCount);
  keyboard.UserChangeMode(3);
  ASSERT_TRUE(log.WaitFor("message 0x0B02"));
  ASSERT_TRUE(log.WaitFor("refresh kb", 2));
  EXPECT_EQ(image.Current(DeviceKind::kKeyboard)[sim::factory::record::kMode], 3);
}

// Consumer reports arriving on the node during a 512-byte chunked read are neither replies
// nor failures: the data is right and no request is sent twice.
TEST_F(LinkFaultTest, ConsumerReportsDuringAChunkedReadAreSkipped) {
  sim::SimulatedDevice mouse(bus, DeviceKind::kMouse, kSharedMouse, kSharedMouse);
  mouse.Plug();
  OpenMouse(kSharedMouse);
  mouse.SetConsumerChatter(true);
  mouse.ClearRequests();
  EXPECT_EQ(ReadDefaultKeys(), FirmwareDefaultKeys(mouse));
  EXPECT_EQ(mouse.RequestCount(), 10u);
  Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// Replies that turn up after their reader gave up, or twice, answer an earlier request: they
// are dropped when the next exchange begins, so no chunk is shifted by one.
TEST_F(LinkFaultTest, LateAndDoubledRepliesDoNotShiftTheNextRead) {
  struct Case {
    const char* name;
    sim::Fault fault;
    std::size_t requests;  // of the first exchange
  };
  // Late by half an attempt's wait more than the attempt waits: it misses attempt 1 however late
  // the reader starts waiting on a loaded machine, and follows attempt 2's prompt answer.
  sim::Fault late{sim::Fault::Action::kLateReply, 0, 1};
  late.late = kReplyTimeout + kReplyTimeout / 2;
  const Case cases[] = {
      {"late by 450 ms", late, 2},  // attempt 2 is answered at once; attempt 1's reply follows
      {"answered twice", {sim::Fault::Action::kDoubleReply, 0, 1}, 1},
  };
  devices.mouse.Plug();
  OpenMouse(devices.mouse.ConfigPath());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devices.mouse.ClearFaults();
    devices.mouse.ClearRequests();
    devices.mouse.InjectFault(c.fault);
    std::array<std::uint8_t, kSettingsTransferSize> slot{};
    EXPECT_EQ(Channel(DeviceKind::kMouse).ReadSettings(64, slot), kResultOk);
    EXPECT_EQ(devices.mouse.RequestCount(), c.requests);
    // Until the reply to the earlier request is surely waiting (with a wide margin).
    const bool lateReply = c.fault.action == sim::Fault::Action::kLateReply;
    std::this_thread::sleep_for(lateReply ? 2 * kReplyTimeout : 100ms);
    EXPECT_EQ(ReadDefaultKeys(), FirmwareDefaultKeys(devices.mouse));
    EXPECT_EQ(devices.mouse.RequestCount(), c.requests + 10);
  }
  Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// A slow device: its reply to attempt 1 arrives while attempt 2 waits, and it answers the same
// request, so the exchange succeeds; the reply to attempt 2 that follows is dropped later.
TEST_F(LinkFaultTest, ASlowReplyDuringTheNextAttemptCounts) {
  devices.mouse.Plug();
  OpenMouse(devices.mouse.ConfigPath());
  const auto fw = devices.mouse.Snapshot();
  devices.mouse.ClearRequests();
  // Half an attempt's wait on either side: past attempt 1's end and before attempt 2's, whatever
  // the scheduling of a loaded machine adds.
  devices.mouse.SetReplyDelay(kReplyTimeout + kReplyTimeout / 2);
  std::array<std::uint8_t, kSettingsTransferSize> slot{};
  EXPECT_EQ(Channel(DeviceKind::kMouse).ReadSettings(64, slot), kResultOk);
  EXPECT_TRUE(std::equal(slot.begin(), slot.end(), fw.settings.begin() + 64));
  devices.mouse.SetReplyDelay(0ms);
  // The second reply, answered after the same delay, surely arrives meanwhile.
  std::this_thread::sleep_for(3 * kReplyTimeout);
  EXPECT_EQ(devices.mouse.RequestCount(), 2u) << "the request was sent twice";
  EXPECT_EQ(ReadDefaultKeys(), FirmwareDefaultKeys(devices.mouse));
  Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// A reply of another length is no reply: that attempt is sent again. A device that falls
// silent half-way through a chunked read leaves the chunks that came, and nothing shifted.
TEST_F(LinkFaultTest, ShortRepliesAndSilenceFailCleanly) {
  devices.mouse.Plug();
  OpenMouse(devices.mouse.ConfigPath());
  const auto expected = FirmwareDefaultKeys(devices.mouse);
  devices.mouse.ClearRequests();
  devices.mouse.InjectFault({sim::Fault::Action::kShortReply, 2, 1});
  EXPECT_EQ(ReadDefaultKeys(), expected);
  EXPECT_EQ(devices.mouse.RequestCount(), 11u);
  devices.mouse.ClearFaults();
  devices.mouse.InjectFault({sim::Fault::Action::kNoReply, 3, sim::Fault::kEvery});
  std::vector<std::uint8_t> block(kDefaultBlockLength, 0xAA);
  EXPECT_EQ(Channel(DeviceKind::kMouse).ReadDefaultKeys(block), kResultNoReply);
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + 168, expected.begin()));
  EXPECT_TRUE(std::all_of(block.begin() + 168, block.end(), [](std::uint8_t b) { return b == 0xAA; }));
  devices.mouse.ClearFaults();
  EXPECT_EQ(ReadDefaultKeys(), expected) << "the next read starts clean";
  Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// Shutdown while a device has gone silent in the middle of its synchronisation: the detection
// thread leaves its transfer at once, saves nothing and is joined (no thread is left behind).
TEST_F(LinkFaultTest, StopEndsASyncWithASilentDeviceWithoutSavingIt) {
  devices.mouse.InjectFault({sim::Fault::Action::kNoReply, 6, sim::Fault::kEvery});
  devices.mouse.Plug();
  threads.Start();
  ASSERT_TRUE(Eventually([&] { return devices.mouse.RequestCount() >= 8; }));
  threads.Stop();
  EXPECT_EQ(log.Count("save light ms"), 0);
  EXPECT_LT(devices.mouse.RequestCount(), 10u) << "no attempt after the stop";
}

// The saves after a synchronisation follow what arrived: a failed settings read keeps the
// light profile as it was, a failed key read the key profile.
TEST_F(LinkFaultTest, OnlyWhatArrivedIsSaved) {
  struct Case {
    const char* name;
    std::size_t failAt;  // the mouse's request that is refused
    bool light;
    bool key;
  };
  // BEGIN 0, INFO 1, default keys 2-11, then per profile a settings read and ten key chunks.
  const Case cases[] = {
      {"settings slot 0", 12, false, true},
      {"key page 0", 14, true, false},
      {"active index", 2 + 10 + 5 * 11, false, true},
      {"nothing", 1000, true, true},
  };
  devices.mouse.Plug();
  OpenMouse(devices.mouse.ConfigPath());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> saves;
    SyncHooks hooks;
    hooks.saveSelectedLightProfile = [&](DeviceKind) {
      saves.push_back("light");
      return true;
    };
    hooks.saveSelectedKeyProfile = [&](DeviceKind) {
      saves.push_back("key");
      return true;
    };
    devices.mouse.ClearFaults();
    devices.mouse.ClearRequests();
    devices.mouse.InjectFault({sim::Fault::Action::kStatusError, c.failAt, 1});
    const SyncResult r = DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, hooks);
    EXPECT_EQ(r.settingsRead, c.light);
    EXPECT_EQ(r.keysRead, c.key);
    std::vector<std::string> expected;
    if (c.light) expected.emplace_back("light");
    if (c.key) expected.emplace_back("key");
    EXPECT_EQ(saves, expected);
  }
  Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// The UI thread only hands a device message over: the re-read runs on the detection thread,
// the refresh comes back posted.
TEST_F(LinkFaultTest, DeviceMessagesRunOnTheDetectionThread) {
  std::atomic<std::thread::id> ranOn{};
  context.sync.saveSelectedLightProfile = [&](DeviceKind) {
    ranOn = std::this_thread::get_id();
    return true;
  };
  devices.mouse.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse));
  const std::thread::id caller = std::this_thread::get_id();
  ranOn = std::thread::id();
  ForbidDeviceIoOnThisThread();
  const std::size_t before = ExchangesOnForbiddenThread();
  devices.mouse.WithFirmware([](sim::Firmware& f) { f.State().settings[1] = 9; });
  ASSERT_TRUE(HandleDeviceMessage(0x0902, context));
  AllowDeviceIoAgain();
  ASSERT_TRUE(log.WaitFor("refresh ms", 2));
  EXPECT_NE(ranOn.load(), caller);
  EXPECT_NE(ranOn.load(), std::thread::id());
  EXPECT_EQ(ExchangesOnForbiddenThread(), before);
  EXPECT_EQ(image.Current(DeviceKind::kMouse)[1], 9);
}

}  // namespace
}  // namespace tavrinex::device
