// What the page tests over the real window share: a documents folder of their own (with a
// selected light profile "Mine" on every device where they need one), the window over the
// shipped skin, the user's clicks and typing through Qt, and the key pages' window with the
// simulated devices plugged in.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/device_wiring.h"
#include "app/key_editor_wiring.h"
#include "app/main_wnd.h"
#include "app/routing_types.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app::test {

// A fresh folder named by the documents override while it lives: the profiles, catalogues
// and macros the program writes land there and go with it.
class TemporaryDocuments {
 public:
  TemporaryDocuments();
  ~TemporaryDocuments();
  TemporaryDocuments(const TemporaryDocuments&) = delete;
  TemporaryDocuments& operator=(const TemporaryDocuments&) = delete;

  [[nodiscard]] const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// The temporary documents with a selected light profile "Mine" on every device.
class LightProfileDocuments : public TemporaryDocuments {
 public:
  LightProfileDocuments();

  // The body of the device's "Mine.led" (empty while it does not exist).
  static std::string Body(device::DeviceKind kind);
};

// The user's hand on the window's widgets; `wnd` is the window under test.
class PageDriver {
 public:
  static void Pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  // Pumps until `done` holds; false after `limit`, which only ends a failing test, so it is
  // far beyond what a loaded machine under a sanitizer needs.
  template <class F>
  static bool PumpUntil(F done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  QWidget* Host() { return dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget(); }
  template <class T = QWidget>
  T& Widget(std::string_view name) {
    auto* w = Host()->findChild<T*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (w == nullptr) throw std::runtime_error("no widget " + std::string(name));
    return *w;
  }
  template <class T = ui::Control>
  T& Get(std::string_view name) {
    T* control = wnd->Window().Find<T>(name);
    if (control == nullptr) throw std::runtime_error("no control " + std::string(name));
    return *control;
  }
  // A click on a button or check box.
  void Click(std::string_view name) {
    auto& button = Widget<QAbstractButton>(name);
    button.window()->show();
    QTest::mouseClick(&button, Qt::LeftButton);
    Pump();
  }
  // Typing into an edit, replacing what it holds.
  void Type(std::string_view name, const char* text) {
    auto& edit = Widget<QLineEdit>(name);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, text);
    Pump();
  }
  // A choice in a drop-down list.
  void Choose(std::string_view combo, int index) {
    Widget<QComboBox>(combo).setCurrentIndex(index);
    Pump();
  }

  std::unique_ptr<CMainWnd> wnd;
};

// The window over the shipped skin and `bus`: quiet, without the UI thread's sleeps, and every
// message box it opens recorded in `boxes` and closed with `answer`.
class PageWindow : public PageDriver {
 public:
  // `ui` and `wnd`, the window not yet created (wirings that must see its creation come first).
  void MakeWindow();
  // The once-a-second flush takes the dirty mark of every device (connected or not) on a device
  // thread, at any pump once the window runs: tests that check the mark an edit leaves stop it
  // after the window's creation, and a test of the flush itself starts it again.
  void StopFlushTimer() { wnd->Window().KillTimer(timer::kFlush); }
  void StartFlushTimer() { wnd->Window().SetTimer(timer::kFlush, kFlushPeriod); }
  // After the wirings that use them are gone.
  void DropWindow() {
    wnd.reset();
    ui.reset();
  }

  std::vector<std::string> boxes;
  int answer = 1;
  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
};

// The window with every simulated device plugged in (none connected yet), the device wiring
// and the key pages, over documents of its own.
class KeyWindow : public testing::Test, public PageWindow {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the simulated device and reads it in full, off the UI thread, as a connect does.
  void Connect(device::DeviceKind kind);
  // The device thread's turn: the work the UI thread queued, then its reply to the UI thread.
  void RunDeviceThread(device::DeviceKind kind);
  // The device's tab, then its page tab `tab` ("key_Op_tab", "macro_Op_tab").
  void OpenPage(device::DeviceKind kind, std::string_view tab);
  // A key as the window system delivers it: to the grabber, else the focus widget; an
  // auto-repeat while `repeat` is set.
  void SendKey(std::uint32_t evdev, bool press = true);

  bool repeat = false;
  std::unique_ptr<TemporaryDocuments> documents;
  sim::SimulatedDevices devices{bus};
  std::unique_ptr<DeviceWiring> wiring;
  std::unique_ptr<KeyEditorWiring> keyPages;
};

}  // namespace tavrinex::app::test
