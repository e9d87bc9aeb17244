// The simulated devices behind uhid, found through the real Linux backend: hidraw nodes made
// by the kernel, listed by libudev, described by sysfs, announced by udevd. Runs where
// /dev/uhid exists (the test VM); elsewhere every test is skipped.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "detection_fixture.h"
#include "device/hotplug.h"
#include "device/linux_hid_backend.h"
#include "sim/simulated_device.h"
#include "sim/uhid_bus.h"

namespace tavrinex::device {

// Where the keyboard's and the mouse's consumer-control collections live.
enum class Layout { kSeparateNodes, kSharedNode };
inline void PrintTo(Layout layout, std::ostream* os) {
  *os << (layout == Layout::kSharedNode ? "shared node" : "separate nodes");
}

// Inside the test VM (scripts/kernel-test) a missing uhid or udevd is a failure; elsewhere
// the tests cannot run and are skipped.
[[nodiscard]] bool InTestVm();
[[nodiscard]] bool UdevdRunning();
#define TAVRINEX_NEED(condition, what)                                  \
  do {                                                                  \
    if (condition) break;                                               \
    if (InTestVm()) FAIL() << what << " is missing in the test VM";     \
    GTEST_SKIP() << "no " << what << " here: these tests run in the test VM"; \
  } while (false)

inline std::string LayoutName(const testing::TestParamInfo<Layout>& info) {
  return info.param == Layout::kSharedNode ? "SharedNode" : "SeparateNodes";
}

class KernelFixture : public testing::TestWithParam<Layout> {
 protected:
  static constexpr int kLightSelect = 2;
  static constexpr int kKeySelect = 1;

  KernelFixture();
  ~KernelFixture() override { threads.Stop(); }

  void SetUp() override;

  [[nodiscard]] bool Shared() const { return GetParam() == Layout::kSharedNode; }
  sim::SimulatedDevice& Device(DeviceKind kind);
  DeviceChannel& Channel(DeviceKind kind) { return *channels[IndexOf(kind)]; }
  // The hidraw node of a simulated device's configuration or consumer interface.
  std::string ConfigNode(DeviceKind kind) { return uhid.NodeOf(Device(kind).ConfigPath()); }
  std::string ConsumerNode(DeviceKind kind) { return uhid.NodeOf(Device(kind).ConsumerPath()); }

  // Opens a kind's configuration collection as detection does on a match.
  void Open(DeviceKind kind);
  // The connect sequence of a kind has run to its end on the UI thread.
  bool WaitConnected(DeviceKind kind, int times = 1);
  bool WaitRemoved(DeviceKind kind, int times = 1) {
    return log.WaitFor("hide " + std::string(ControlsOf(kind).tab), times);
  }
  bool WaitWatching(DeviceKind kind) {
    return Eventually([&] { return backend.Opens(ConsumerNode(kind), false) >= 1; });
  }
  void DrainUi() {
    core::StopEvent never;
    ASSERT_TRUE(ui.Send([] {}, never));
  }

  sim::UhidBus uhid;
  UdevHotplugSource udevHotplug;
  LinuxHidBackend hidraw;
  RecordingBackend backend{hidraw};
  std::unique_ptr<sim::SimulatedDevice> keyboard;
  std::unique_ptr<sim::SimulatedDevice> mouse;
  std::unique_ptr<sim::SimulatedDevice> mousePad;
  std::array<std::unique_ptr<DeviceChannel>, kDeviceKindCount> channels = {
      std::make_unique<DeviceChannel>(backend), std::make_unique<DeviceChannel>(backend),
      std::make_unique<DeviceChannel>(backend)};
  DeviceImage image;
  StepLog log;
  DeviceThreadsContext context;
  TestUiThread ui;                  // joined before the hooks it runs go away
  DeviceThreads threads{context};  // stopped first

 private:
  void WireHooks();
};

}  // namespace tavrinex::device
