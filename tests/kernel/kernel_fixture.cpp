#include "kernel_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/device_ids.h"

namespace tavrinex::device {

bool InTestVm() { return std::getenv("TAVRINEX_KERNEL_VM") != nullptr; }
bool UdevdRunning() { return std::filesystem::exists("/run/udev/control"); }

KernelFixture::KernelFixture() {
  for (const DeviceKind kind : kAllDeviceKinds) WireChannel(kind, Channel(kind), context);
  context.backend = &backend;
  context.image = &image;
  WireHooks();
}

void KernelFixture::SetUp() {
  TAVRINEX_NEED(uhid.Available(), "/dev/uhid");
  TAVRINEX_NEED(UdevdRunning(), "udevd");
  // As on a desktop: udevd's events wake the threads, beside their periodic search.
  context.hotplug = &udevHotplug;
  const bool shared = Shared();
  const auto paths = [shared](const std::string& kind) {
    return std::make_pair("uhid:" + kind + "/config",
                          shared ? "uhid:" + kind + "/config" : "uhid:" + kind + "/consumer");
  };
  const auto [kbConfig, kbConsumer] = paths("keyboard");
  const auto [msConfig, msConsumer] = paths("mouse");
  keyboard = std::make_unique<sim::SimulatedDevice>(uhid, DeviceKind::kKeyboard, kbConfig,
                                                    kbConsumer);
  mouse = std::make_unique<sim::SimulatedDevice>(uhid, DeviceKind::kMouse, msConfig, msConsumer);
  mousePad = std::make_unique<sim::SimulatedDevice>(uhid, DeviceKind::kMousePad,
                                                    "uhid:mousepad/config", "");
  for (const DeviceKind kind : kAllDeviceKinds) {
    Device(kind).Plug();
    ASSERT_FALSE(ConfigNode(kind).empty()) << uhid.LastError();
  }
}

sim::SimulatedDevice& KernelFixture::Device(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return *keyboard;
    case DeviceKind::kMouse: return *mouse;
    case DeviceKind::kMousePad: break;
  }
  return *mousePad;
}

void KernelFixture::Open(DeviceKind kind) {
  DeviceChannel& c = Channel(kind);
  c.hid.path = ConfigNode(kind);
  c.hid.openForReading = c.hid.openForWriting = c.hid.overlapped = true;
  ASSERT_TRUE(c.hid.OpenDevice()) << c.hid.path;
  ASSERT_TRUE(c.hid.SelectCollection(kConfigUsagePage, kConfigUsage));
  c.connected = true;
}

bool KernelFixture::WaitConnected(DeviceKind kind, int times) {
  const bool done = log.WaitFor("refresh " + std::string(KindPrefix(kind)), times) &&
                    Eventually([&] { return Channel(kind).connected.load(); });
  DrainUi();
  return done;
}

void KernelFixture::WireHooks() {
  WindowHooks& w = context.window;
  w.post = [this](std::function<void()> step) { ui.Post(std::move(step)); };
  w.send = [this](std::uint32_t message, const core::StopEvent& stop) {
    return ui.Send(
        [this, message] {
          char text[32];
          std::snprintf(text, sizeof text, "message 0x%04X", message);
          log.Add(text);
          HandleDeviceMessage(message, context);
        },
        stop);
  };
  w.setVisible = [this](std::string_view c, bool v) {
    log.Add((v ? "show " : "hide ") + std::string(c));
  };
  w.selectTab = [this](std::string_view c) { log.Add("select " + std::string(c)); };
  w.selectComboItem = [](std::string_view, int) {};
  w.hideWindow = [this] { log.Add("hide window"); };
  w.refreshControls = [this](DeviceKind k) { log.Add("refresh " + std::string(KindPrefix(k))); };
  w.markForUpdate = [](std::string_view) {};
  w.startTimer = [](int, std::chrono::milliseconds) {};
  context.profiles.readSelect = [](DeviceKind, ProfileList list) {
    return list == ProfileList::kLight ? kLightSelect : kKeySelect;
  };
  context.sync.saveSelectedLightProfile = [this](DeviceKind k) {
    log.Add("save light " + std::string(KindPrefix(k)));
    return true;
  };
  context.setPadReactiveTrigger = [] {};
  context.diagnostic = [this](std::string_view line) { log.Add("diag " + std::string(line)); };
}

}  // namespace tavrinex::device
