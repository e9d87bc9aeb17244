// Hot-plug events and the waits of the device threads: what wakes a thread, and the
// simulator's plug notices.
#include "device/hotplug.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sim/simulated_device.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

TEST(HotplugHubTest, EveryListenerGetsEveryLaterEvent) {
  HotplugHub hub;
  hub.Publish({HotplugAction::kAdd, "before"});  // nobody listens yet
  auto a = hub.Listen();
  auto b = hub.Listen();
  hub.Publish({HotplugAction::kAdd, "x"});
  hub.Publish({HotplugAction::kRemove, "x"});
  for (auto* l : {a.get(), b.get()}) {
    const auto events = l->Drain();
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].action, HotplugAction::kAdd);
    EXPECT_EQ(events[1].action, HotplugAction::kRemove);
    EXPECT_EQ(events[1].path, "x");
    EXPECT_TRUE(l->Drain().empty());
  }
  b.reset();  // a listener that goes away is no longer published to
  hub.Publish({HotplugAction::kAdd, "y"});
  EXPECT_EQ(a->Drain().size(), 1U);
}

// A listener whose thread has ended keeps only the newest events.
TEST(HotplugHubTest, AnUndrainedListenerStaysBounded) {
  HotplugHub hub;
  auto l = hub.Listen();
  for (int i = 0; i < 1000; ++i) hub.Publish({HotplugAction::kAdd, std::to_string(i)});
  const auto events = l->Drain();
  ASSERT_FALSE(events.empty());
  EXPECT_LT(events.size(), 1000U);
  EXPECT_EQ(events.back().path, "999");
}

class WaitForWakeTest : public testing::Test {
 protected:
  void SetUp() override {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    host.Reset(ends[0]);
    device.Reset(ends[1]);
  }
  core::StopEvent stop;
  HotplugHub hub;
  std::unique_ptr<HotplugListener> listener = hub.Listen();
  UniqueFd host;
  UniqueFd device;
};

TEST_F(WaitForWakeTest, TellsWhatWokeIt) {
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), true, 1ms), Wake::kTimeout);

  hub.Publish({HotplugAction::kAdd, "p"});
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), false, 1000ms), Wake::kHotplug);
  EXPECT_TRUE(listener->Drain().empty());  // drained by the wait

  const char byte = 1;
  ASSERT_EQ(::send(device.Get(), &byte, 1, 0), 1);
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), true, 1000ms), Wake::kInput);
  // Input is not what a detection thread waits for.
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), false, 1ms), Wake::kTimeout);

  EXPECT_FALSE(HasHungUp(host.Get()));
  device.Reset();
  EXPECT_TRUE(HasHungUp(host.Get()));
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), false, 1000ms), Wake::kHangup);

  stop.Set();  // wins over everything else that is ready
  hub.Publish({HotplugAction::kRemove, "p"});
  EXPECT_EQ(WaitForWake(stop, listener.get(), host.Get(), true, 1000ms), Wake::kStop);
  EXPECT_EQ(WaitForWake(stop, nullptr, -1, false, 1000ms), Wake::kStop);
}

TEST(SimBusPlugObserverTest, ReportsPlugsAndUnplugsOfEveryInterface) {
  sim::SimBus bus;
  std::vector<std::string> seen;
  std::mutex mutex;
  bus.SetPlugObserver([&](const std::string& path, bool plugged) {
    std::lock_guard lock(mutex);
    seen.push_back((plugged ? "+" : "-") + path);
  });
  {
    sim::SimulatedDevices devices(bus);
    devices.keyboard.Plug();
    devices.keyboard.Unplug();
    devices.mousePad.Plug();
  }  // the pad unplugs as it goes
  std::lock_guard lock(mutex);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "+sim:keyboard/config", "+sim:keyboard/consumer", "-sim:keyboard/consumer",
                      "-sim:keyboard/config", "+sim:mousepad/config", "-sim:mousepad/config"}));
}

// The udev monitor needs a netlink socket, which a sandbox may refuse: then the threads run
// on their periodic search and probe alone.
TEST(UdevHotplugTest, ListenerIsReadyOrAbsent) {
  UdevHotplugSource source;
  auto listener = source.Listen();
  if (!listener) GTEST_SKIP() << "no udev monitor here";
  EXPECT_GE(listener->Fd(), 0);
  core::StopEvent stop;
  const Wake wake = WaitForWake(stop, listener.get(), -1, false, 1ms);
  EXPECT_TRUE(wake == Wake::kTimeout || wake == Wake::kHotplug);
}

}  // namespace
}  // namespace tavrinex::device
