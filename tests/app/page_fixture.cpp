#include "page_fixture.h"

#include <stdlib.h>

#include <QKeyEvent>
#include <algorithm>
#include <fstream>

#include "device/detection.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "storage/settings_folder.h"

namespace tavrinex::app::test {

TemporaryDocuments::TemporaryDocuments() {
  std::string folder = (std::filesystem::temp_directory_path() / "tavrinex-page-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp");
  root_ = folder;
  ::setenv(profiles::kDocumentsOverrideVariable, (folder + "/Documents").c_str(), 1);
}

TemporaryDocuments::~TemporaryDocuments() {
  ::unsetenv(profiles::kDocumentsOverrideVariable);
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

LightProfileDocuments::LightProfileDocuments() {
  for (const device::DeviceKind kind : device::kAllDeviceKinds) {
    const profiles::ProfileCatalogue catalogue(kind);
    (void)catalogue.SetCount(profiles::ProfileListKind::kLight, 1);
    (void)catalogue.SetName(profiles::ProfileListKind::kLight, 0, "Mine");
    (void)catalogue.SetSelect(profiles::ProfileListKind::kLight, 0);
  }
}

std::string LightProfileDocuments::Body(device::DeviceKind kind) {
  std::ifstream in(profiles::GetDeviceFolder(kind) + "Mine.led", std::ios::binary);
  in.seekg(static_cast<std::streamoff>(profiles::kProfileHeaderSize));
  std::string bytes(4096, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

void PageWindow::MakeWindow() {
  ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
  MainWndEnvironment env;
  env.diagnostic = [](std::string_view) {};
  env.sleep = [](std::chrono::milliseconds) {};
  env.messageObserver = [this](CMsgWnd& box, const std::string& id) {
    boxes.push_back(id);
    box.WindowOf()->Close(answer);
  };
  wnd = std::make_unique<CMainWnd>(*ui, bus, env);
}

void KeyWindow::SetUp() {
  documents = std::make_unique<TemporaryDocuments>();
  MakeWindow();
  wnd->Create();
  devices.PlugAll();
  wiring = std::make_unique<DeviceWiring>(*wnd, bus, nullptr);
  keyPages = std::make_unique<KeyEditorWiring>(*wnd, *wiring);
  Pump();
}

void KeyWindow::TearDown() {
  keyPages.reset();
  if (wnd) {
    wnd->Destroy(false);
    for (const device::DeviceKind kind : device::kAllDeviceKinds) wnd->Channel(kind).hid.CloseDevice();
  }
  wiring.reset();
  DropWindow();
  documents.reset();
}

void KeyWindow::Connect(device::DeviceKind kind) {
  device::DeviceChannel& channel = wnd->Channel(kind);
  channel.hid.path = kind == device::DeviceKind::kKeyboard ? sim::SimulatedDevices::kKeyboardConfig
                     : kind == device::DeviceKind::kMouse  ? sim::SimulatedDevices::kMouseConfig
                                                           : sim::SimulatedDevices::kMousePadConfig;
  channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
  ASSERT_TRUE(channel.hid.OpenDevice());
  channel.connected = true;
  std::thread([&] {
    (void)device::DeviceSync(kind, channel, wnd->Image(), wiring->Context().sync);
  }).join();
  Pump();
}

void KeyWindow::RunDeviceThread(device::DeviceKind kind) {
  std::thread([&] { (void)device::RunDeviceWork(kind, wiring->Context()); }).join();
  Pump();
}

void KeyWindow::OpenPage(device::DeviceKind kind, std::string_view tab) {
  const std::string p = kind == device::DeviceKind::kMouse ? "ms_" : "kb_";
  Get<ui::OptionControl>(p + "tab").Select(true, true);
  Get<ui::OptionControl>(p + std::string(tab)).Select(true, true);
  Pump();
}

void KeyWindow::SendKey(std::uint32_t evdev, bool press) {
  QWidget* receiver = QWidget::keyboardGrabber();
  if (receiver == nullptr) receiver = QApplication::focusWidget();
  if (receiver == nullptr) receiver = Host();
  QKeyEvent key(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, evdev + 8, 0, 0,
                "x", press && repeat);
  QApplication::sendEvent(receiver, &key);
  Pump();
}

}  // namespace tavrinex::app::test
