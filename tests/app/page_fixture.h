// What the page tests over the real window share: a documents folder of their own with a
// selected light profile "Mine" on every device, and the user's clicks and typing through Qt.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/main_wnd.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app::test {

class LightProfileDocuments {
 public:
  LightProfileDocuments() {
    std::string folder = (std::filesystem::temp_directory_path() / "tavrinex-page-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp");
    root_ = folder;
    ::setenv(profiles::kDocumentsOverrideVariable, (folder + "/Documents").c_str(), 1);
    for (const device::DeviceKind kind : device::kAllDeviceKinds) {
      const profiles::ProfileCatalogue catalogue(kind);
      (void)catalogue.SetCount(profiles::ProfileListKind::kLight, 1);
      (void)catalogue.SetName(profiles::ProfileListKind::kLight, 0, "Mine");
      (void)catalogue.SetSelect(profiles::ProfileListKind::kLight, 0);
    }
  }
  ~LightProfileDocuments() {
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  LightProfileDocuments(const LightProfileDocuments&) = delete;
  LightProfileDocuments& operator=(const LightProfileDocuments&) = delete;

  // The body of the device's "Mine.led" (empty while it does not exist).
  static std::string Body(device::DeviceKind kind) {
    std::ifstream in(profiles::GetDeviceFolder(kind) + "Mine.led", std::ios::binary);
    in.seekg(static_cast<std::streamoff>(profiles::kProfileHeaderSize));
    std::string bytes(4096, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
  }

 private:
  std::filesystem::path root_;
};

// The user's hand on the window's widgets; `wnd` is the window under test.
class PageDriver {
 public:
  void Pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  template <class T = QWidget>
  T& Widget(std::string_view name) {
    auto* w = dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget()->findChild<T*>(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
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

  std::unique_ptr<CMainWnd> wnd;
};

}  // namespace tavrinex::app::test
