// The consumer-control watchers against the simulated devices: which reports become which
// window message, the mouse's trigger for the pad, reports that are ignored, a keyboard
// without the interface, and a send that the stop event releases.
#include "device/input_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "detection_fixture.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

class InputWatcherTest : public DetectionFixture {
 protected:
  void StartWithAllDevices() {
    devices.PlugAll();
    threads.Start();
    for (const DeviceKind k : kAllDeviceKinds) ASSERT_TRUE(WaitConnected(k));
    ASSERT_TRUE(WaitWatching(devices.keyboard));
    ASSERT_TRUE(WaitWatching(devices.mouse));
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& l : log.Lines()) {
      if (l.rfind("message ", 0) == 0) out.push_back(l);
    }
    return out;
  }
};

// The user changes something on the device: the watcher's message makes the UI thread read
// the change back (the active settings, or everything) and refresh the device's controls.
TEST_F(InputWatcherTest, DeviceChangesAreReadBackOnTheUiThread) {
  struct Case {
    DeviceKind kind;
    bool full;  // profile switch (0x0402) rather than mode change (0x0401)
    const char* message;
  };
  const Case cases[] = {
      {DeviceKind::kKeyboard, false, "message 0x0B02"},
      {DeviceKind::kKeyboard, true, "message 0x0B01"},
      {DeviceKind::kMouse, false, "message 0x0902"},
      {DeviceKind::kMouse, true, "message 0x0901"},
  };
  StartWithAllDevices();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    sim::SimulatedDevice& device = devices.Of(c.kind);
    const std::string refresh = "refresh " + std::string(KindPrefix(c.kind));
    const int refreshes = log.Count(refresh);
    device.ClearRequests();
    if (c.full) {
      device.UserSwitchProfile(3);
    } else {
      device.UserChangeMode(2);
    }
    ASSERT_TRUE(log.WaitFor(c.message));
    ASSERT_TRUE(log.WaitFor(refresh, refreshes + 1));
    const auto commands = device.Commands();
    ASSERT_FALSE(commands.empty());
    if (c.full) {
      EXPECT_EQ(commands.front(), Command::kBegin);
      EXPECT_EQ(commands.back(), Command::kEnd);
      EXPECT_EQ(image.Current(c.kind)[0], 3);  // the profile switched to on the device
    } else {
      EXPECT_EQ(commands, std::vector<Command>(2, Command::kReadSettings));
      EXPECT_EQ(image.Current(c.kind)[0], 0);  // read back as profile 0
    }
  }
  EXPECT_FALSE(padTrigger);
}

// Raw reports on the consumer interfaces. Each is followed by a keyboard mode report, whose
// message shows that everything before it has been handled.
TEST_F(InputWatcherTest, ReportsBecomeMessagesOrAreIgnored) {
  struct Case {
    DeviceKind kind;
    std::vector<std::uint8_t> report;
    std::vector<std::string> messages;
    bool trigger;
  };
  const Case cases[] = {
      {DeviceKind::kKeyboard, {3, 0x01, 0x04}, {"message 0x0B02"}, false},
      {DeviceKind::kKeyboard, {3, 0x02, 0x04}, {"message 0x0B01"}, false},
      {DeviceKind::kKeyboard, {3, 0x03, 0x04}, {}, false},  // the keyboard's 0x0403: nothing
      {DeviceKind::kKeyboard, {3, 0x00, 0x00}, {}, false},  // released: no usage
      {DeviceKind::kKeyboard, {3, 0x02}, {}, false},        // shorter than the descriptor says
      {DeviceKind::kMouse, {3, 0x01, 0x04}, {"message 0x0902"}, false},
      {DeviceKind::kMouse, {3, 0x02, 0x04}, {"message 0x0901"}, false},
      {DeviceKind::kMouse, {3, 0x05, 0x04}, {}, false},     // not announced
      {DeviceKind::kMouse, {3, 0x03, 0x04}, {}, true},      // the pad's trigger, no message
      {DeviceKind::kMouse, {7, 0x01, 0x04}, {}, false},     // another report id
  };
  StartWithAllDevices();
  const std::vector<std::uint8_t> sentinel = {3, 0x01, 0x04};
  for (const Case& c : cases) {
    log.Clear();
    padTrigger = false;
    bus.SendInput(devices.Of(c.kind).ConsumerPath(), c.report);
    // The sentinel goes to the same watcher, so that its reports are taken in order.
    const std::string sentinelMessage =
        c.kind == DeviceKind::kMouse ? "message 0x0902" : "message 0x0B02";
    bus.SendInput(devices.Of(c.kind).ConsumerPath(), sentinel);
    auto expected = c.messages;
    expected.push_back(sentinelMessage);
    const auto times = std::count(expected.begin(), expected.end(), sentinelMessage);
    ASSERT_TRUE(log.WaitFor(sentinelMessage, static_cast<int>(times)));
    EXPECT_EQ(Messages(), expected) << "case " << &c - cases;
    EXPECT_EQ(padTrigger.load(), c.trigger) << "case " << &c - cases;
  }
}

// The mouse's 0x0403 sets the pad's trigger even with no mouse pad connected.
TEST_F(InputWatcherTest, MouseEventSetsThePadTriggerWithoutAPad) {
  devices.mouse.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse));
  ASSERT_TRUE(WaitWatching(devices.mouse));
  devices.mouse.UserButtonEvent();
  ASSERT_TRUE(Eventually([&] { return padTrigger.load(); }));
  EXPECT_FALSE(Connected(DeviceKind::kMousePad));
  devices.mouse.UserChangeMode(1);  // a message afterwards: the trigger sent none
  ASSERT_TRUE(log.WaitFor("message 0x0902"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"message 0x0902"});
}

// A keyboard whose consumer interface is missing is configured as usual; the watcher opens
// and rejects its configuration interface and keeps searching.
TEST_F(InputWatcherTest, KeyboardWithoutConsumerInterfaceIsConfigured) {
  sim::SimulatedDevice keyboard(bus, DeviceKind::kKeyboard, "sim:kb2/config", "");
  keyboard.Plug();
  threads.Start();
  ASSERT_TRUE(WaitConnected(DeviceKind::kKeyboard));
  EXPECT_EQ(image.Info(DeviceKind::kKeyboard), keyboard.Snapshot().info);
  ASSERT_TRUE(Eventually([&] { return backend.Opens("sim:kb2/config", false) >= 1; }));
  ASSERT_TRUE(Eventually([&] { return bus.OpenCount("sim:kb2/config") == 1; }));  // detection's
  keyboard.UserSwitchProfile(2);  // announced nowhere: nothing to read back
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(Messages().empty());
  threads.Stop();
}

// The watcher follows its device through an unplug and a replug.
TEST_F(InputWatcherTest, WatcherReopensAfterReplug) {
  StartWithAllDevices();
  devices.mouse.Unplug();
  ASSERT_TRUE(WaitRemoved(DeviceKind::kMouse));
  devices.mouse.Plug();
  ASSERT_TRUE(WaitConnected(DeviceKind::kMouse, 2));
  ASSERT_TRUE(WaitWatching(devices.mouse, 2));
  devices.mouse.UserChangeMode(4);
  ASSERT_TRUE(log.WaitFor("message 0x0902"));
}

// A watcher blocked in its send while the UI thread is busy is released by its stop event.
TEST_F(InputWatcherTest, StopReleasesABlockedSend) {
  StartWithAllDevices();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> busy;
  ui.Post([released, &busy] {
    busy.set_value();
    released.wait();
  });
  busy.get_future().wait();
  devices.keyboard.UserChangeMode(1);  // its message waits behind the busy UI thread
  std::this_thread::sleep_for(50ms);
  threads.Stop();  // returns although the message was never handled
  release.set_value();
  EXPECT_EQ(log.Count("message 0x0B02"), 0);
}

}  // namespace
}  // namespace tavrinex::device
