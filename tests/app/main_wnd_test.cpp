// The main window controller on the real Qt layer, offscreen, with the shipped skin: second
// instance, tray, menu, language, routing through the window, timers and the skin's names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <memory>
#include <stdexcept>
#include <mutex>
#include <string>
#include <vector>

#include "app/device_wiring.h"
#include "app/main_wnd.h"
#include "app/routing_tables.h"
#include "app/save_failure_notice.h"
#include "device/detection.h"
#include "device/device_ids.h"
#include "page_fixture.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_selection.h"
#include "storage/save_failure.h"
#include "storage/settings_folder.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;

struct Box {
  std::string id;
  std::string shown;  // the text the box showed
};

class MainWndTest : public testing::Test {
 protected:
  void SetUp() override {
    // Everything the window reads or writes between runs stays in a folder of this test's own,
    // never the user's documents that other tests running at the same time share.
    documents = std::make_unique<test::TemporaryDocuments>();
    ui = std::make_unique<ui::qt::QtUi>(SkinFolder());
    MainWndEnvironment env;
    env.diagnostic = [this](std::string_view l) {
      const std::lock_guard lock(mutex);
      lines.emplace_back(l);
    };
    env.sleep = [](std::chrono::milliseconds) {};
    env.cursorPosition = [] { return ui::Point{300, 300}; };
    env.messageObserver = [this](CMsgWnd& box, const std::string& id) {
      ui::Control* text = box.WindowOf()->Find("MessageText");
      boxes.push_back({id, text != nullptr ? text->Text() : ""});
      if (duringBox) duringBox();
      box.WindowOf()->Close(1);
    };
    Customize(env);
    wnd = std::make_unique<CMainWnd>(*ui, bus, env);
    wnd->Create();
    QApplication::processEvents();
  }
  void TearDown() override {
    wnd.reset();
    ui.reset();
    documents.reset();
  }

  [[nodiscard]] virtual const char* SkinFolder() const { return TAVRINEX_SKIN; }
  virtual void Customize(MainWndEnvironment& /*env*/) {}

  void Post(std::uint32_t id, std::int64_t lparam = 0) {
    wnd->Window().PostMessage({id, 0, lparam, {}});
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  static bool PumpUntil(const std::function<bool()>& done) { return test::PageDriver::PumpUntil(done); }
  bool Logged(const std::string& part) {
    const std::lock_guard lock(mutex);
    for (const auto& l : lines) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }
  static ui::Notification Event(ui::EventType type, std::string name) {
    ui::Notification n;
    n.type = type;
    n.senderName = std::move(name);
    return n;
  }
  template <class T>
  T& Get(std::string_view name) {
    T* control = wnd->Window().Find<T>(name);
    if (control == nullptr) throw std::runtime_error("no control " + std::string(name));
    return *control;
  }
  void Connect(DeviceKind kind) { wnd->Channel(kind).connected = true; }

  std::mutex mutex;
  std::vector<std::string> lines;
  std::vector<Box> boxes;
  std::function<void()> duringBox;
  std::unique_ptr<test::TemporaryDocuments> documents;
  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<CMainWnd> wnd;
};

TEST_F(MainWndTest, WindowIsBuiltFromTheShippedSkinWithItsTitleSizeAndIdentities) {
  EXPECT_EQ(dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget()->windowTitle(),
            "Tavrinex Driver");
  // Created at the program's size, then sized by the skin's own layout.
  EXPECT_EQ(dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget()->size(), QSize(1000, 740));
  for (const std::string_view name : kTitleBarControls) {
    EXPECT_NE(wnd->Window().Find(name), nullptr) << name;
  }
  for (const std::string_view name :
       {"kb_tab", "ms_tab", "mp_tab", "str_test", "setting_progress"}) {
    EXPECT_NE(wnd->Window().Find(name), nullptr) << name;
  }
  EXPECT_EQ(Get<ui::TabControl>("tab_switch").PageCount(), 5);
  EXPECT_EQ(Get<ui::TabControl>("kb_tab_switch").PageCount(), 4);
  EXPECT_EQ(Get<ui::TabControl>("ms_tab_switch").PageCount(), 4);
  EXPECT_EQ(wnd->Window().Find("kb_tab")->Text(), "键盘");  // Chinese at start
  const device::DeviceChannel& mouse = wnd->Channel(DeviceKind::kMouse);
  EXPECT_EQ(mouse.expectedVendorId, device::kVendorId);
  EXPECT_EQ(mouse.expectedProductId, device::kMouseProductId);
  EXPECT_EQ(mouse.expectedUsagePage, 0xFF1C);
  EXPECT_EQ(mouse.expectedUsage, 0x0092);
  EXPECT_EQ(wnd->Channel(DeviceKind::kMousePad).expectedProductId, device::kMousePadProductId);
  // Offscreen there is no tray host: the window stays shown instead of hiding.
  EXPECT_FALSE(wnd->TrayAvailable());
  EXPECT_TRUE(wnd->Window().IsVisible());
  EXPECT_TRUE(Logged("not started: its owner (profile auto-switch) is not built yet"));
}

TEST_F(MainWndTest, SecondInstanceWithoutDeviceShowsOneBoxEvenWhenSignalledAgain) {
  duringBox = [this] {
    Post(msg::kActivate);  // signalled again while the box is open
    Pump();
  };
  Post(msg::kActivate);
  Pump();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].id, "message_text_1");
  EXPECT_EQ(boxes[0].shown, "未连接设备。请插入键盘、鼠标或鼠标垫。");
  duringBox = nullptr;
  Post(msg::kActivate);  // once the box is closed, a new signal shows it again
  Pump();
  EXPECT_EQ(boxes.size(), 2u);
}

// Saves that fail on worker threads, three in a row, show one notice in the current language
// that names the file and the reason; the diagnostic line names each of them.
TEST_F(MainWndTest, ABurstOfSaveFailuresShowsOneNoticeNamingTheFileAndTheReason) {
  std::vector<std::thread> writers;
  for (const char* file : {"/x/a.led", "/x/b.led", "/x/c.led"}) {
    writers.emplace_back([file] { profiles::ReportSaveFailure(file, ENOSPC); });
  }
  for (auto& w : writers) w.join();
  Pump();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].shown.find("/x/"), std::string::npos) << boxes[0].shown;
  EXPECT_NE(boxes[0].shown.find(ui->Translate("save_reason_disk_full")), std::string::npos)
      << boxes[0].shown;
  EXPECT_EQ(boxes[0].shown.find("%s"), std::string::npos) << boxes[0].shown;
}

TEST_F(MainWndTest, SecondInstanceWithDeviceRestoresTheMinimisedWindow) {
  Connect(DeviceKind::kMousePad);
  wnd->Window().Minimize();
  Pump();
  Post(msg::kActivate);
  Pump();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(wnd->Window().IsVisible());
  EXPECT_FALSE(wnd->Window().IsMinimized());
}

TEST_F(MainWndTest, TwoTrayLeftClicksWithoutDeviceGiveOneBox) {
  duringBox = [this] {
    Post(ui::kTrayMessage, ui::kMouseLeftUp);
    Pump();
  };
  Post(ui::kTrayMessage, ui::kMouseLeftUp);
  Pump();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].id, "message_text_1");
}

TEST_F(MainWndTest, TrayClickRestoresAMinimisedWindowAndHidesAShownOne) {
  Connect(DeviceKind::kKeyboard);
  wnd->Window().Minimize();
  Pump();
  Post(ui::kTrayMessage, ui::kMouseLeftUp);
  Pump();
  EXPECT_TRUE(wnd->Window().IsVisible());
  EXPECT_FALSE(wnd->Window().IsMinimized());
  Post(ui::kTrayMessage, ui::kMouseLeftUp);
  Pump();
  EXPECT_FALSE(wnd->Window().IsVisible());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWndTest, TrayRightClickShowsTheMenuWithExitAppended) {
  Post(ui::kTrayMessage, ui::kMouseRightUp);
  Pump();
  QMenu* menu = ui->CurrentMenu();
  ASSERT_NE(menu, nullptr);
  const auto actions = menu->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->objectName(), "lan");
  EXPECT_EQ(actions[1]->objectName(), "exit");
  EXPECT_EQ(actions[1]->text(), "退出");
}

// "Start with the session": the item shows the entry's state; a click asks for the opposite,
// and only a failed write says so.
class MainWndAutostartTest : public MainWndTest {
 protected:
  void Customize(MainWndEnvironment& env) override {
    env.autostartEnabled = [this] { return autostartOn; };
    env.setAutostart = [this](bool on, std::function<void(bool)> done) {
      requests.push_back(on);
      done(writeSucceeds);
    };
  }
  bool autostartOn = false;
  bool writeSucceeds = true;
  std::vector<bool> requests;
};

TEST_F(MainWndAutostartTest, TrayMenuOptionShowsTheStateAndSwitchesIt) {
  for (const bool on : {false, true}) {
    autostartOn = on;
    Post(ui::kTrayMessage, ui::kMouseRightUp);
    Pump();
    QMenu* menu = ui->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[1]->objectName(), "autostart");
    EXPECT_EQ(actions[1]->text(), "登录时自动启动");
    EXPECT_TRUE(actions[1]->isCheckable());
    EXPECT_EQ(actions[1]->isChecked(), on);
    EXPECT_EQ(actions[2]->objectName(), "exit");
    actions[1]->trigger();
    Pump();
  }
  EXPECT_EQ(requests, (std::vector<bool>{true, false}));
  EXPECT_TRUE(boxes.empty());
  writeSucceeds = false;
  wnd->OnMenuClick({"autostart", "", "menu_autostart", true, false});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].id, "message_autostart_failed");
}

TEST_F(MainWndTest, MenuLanguageTwiceReturnsToChinese) {
  wnd->OnMenuClick({"lan", "", "menu_lan"});
  EXPECT_TRUE(wnd->English());
  EXPECT_EQ(ui->LanguageId(), "en");
  EXPECT_EQ(wnd->Window().Find("kb_tab")->Text(), "Keyboard");
  EXPECT_EQ(wnd->Window().Find("kb_key_Op_tab")->Text(), "Keys");
  wnd->OnMenuClick({"lan", "", "menu_lan"});
  EXPECT_FALSE(wnd->English());
  EXPECT_EQ(ui->LanguageId(), "cn_zh");
  EXPECT_EQ(wnd->Window().Find("kb_tab")->Text(), "键盘");
}

TEST_F(MainWndTest, UnknownMenuItemShowsABoxWithItsTextAndQuietItemsDoNothing) {
  wnd->Window().PostMessage({ui::kMenuClickMessage, 0, 0, ui::MenuItem{"what", "", "message_text_12"}});
  Pump();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].id, "message_text_12");
  EXPECT_EQ(boxes[0].shown, "删除此配置吗？");
  wnd->OnMenuClick({"qianting", "7", "qianting"});
  wnd->OnMenuClick({"Menu_Import", "", "x"});
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(MainWndTest, MenuExitShutsDownAndQuitsTheLoop) {
  int code = -1;
  QTimer::singleShot(0, [this] { wnd->OnMenuClick({"exit", "", "menu_exit"}); });
  code = ui->Loop().Run();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(wnd->Window().IsVisible());
  EXPECT_TRUE(Logged("shutdown: 0 worker(s) ended"));
}

TEST_F(MainWndTest, ClicksThroughTheWindowReachTheirHandlers) {
  std::vector<std::string> calls;
  ASSERT_TRUE(wnd->Routes().RegisterPrefix(
      "ms_DPI_color_btn_", [&](int i, const ui::Notification&) { calls.push_back("dpi:" + std::to_string(i)); }));
  ASSERT_TRUE(wnd->Routes().Register(Table::kClick, "kb_key_butt_prosave",
                                     [&](const ui::Notification&) { calls.push_back("prosave"); }));
  wnd->Notify(Event(ui::EventType::kClick, "ms_DPI_color_btn_2"));
  wnd->Notify(Event(ui::EventType::kClick, "kb_key_butt_prosave"));
  EXPECT_EQ(calls, (std::vector<std::string>{"dpi:2", "prosave"}));
  // A real button of the skin raises its click through the Qt layer.
  auto* maxbtn = qobject_cast<QPushButton*>(
      dynamic_cast<ui::qt::QtControl*>(wnd->Window().Find("skinbtn"))->Widget());
  ASSERT_NE(maxbtn, nullptr);
  QTest::mouseClick(maxbtn, Qt::LeftButton);
  Pump();
  EXPECT_EQ(wnd->Chooser().Frames().size(), 1u) << "the skin chooser opens";
}

TEST_F(MainWndTest, DeviceAndPageTabsSelectTheirPages) {
  Get<ui::OptionControl>("ms_tab").Select(true, true);
  Pump();
  EXPECT_EQ(Get<ui::TabControl>("tab_switch").CurrentPage(), 1);
  Get<ui::OptionControl>("ms_key_Op_tab").Select(true, true);
  Pump();
  EXPECT_EQ(Get<ui::TabControl>("ms_tab_switch").CurrentPage(), 2);
  EXPECT_TRUE(Logged("profile list operations"));
}

TEST_F(MainWndTest, ProgressMessagesShowTheControlUntilTimerOne) {
  ui::Control* progress = wnd->Window().Find(kProgressControl);
  Post(msg::kProgressShow);
  Post(msg::kProgressDone);
  Pump();
  EXPECT_TRUE(progress->IsVisible());
  wnd->OnTimer(timer::kProgress);
  EXPECT_FALSE(progress->IsVisible());
}

TEST_F(MainWndTest, LedMessagesFromOutsideSetTheKeyOverlayOrAreIgnored) {
  Post(0x0A03, 0x00FF00);
  Pump();
  Post(msg::kLedAlpha, 0);
  wnd->Window().PostMessage({msg::kLedColour, 500, 1, {}});
  wnd->Window().PostMessage({0x0777, 0, 0, {}});
  Pump();
  EXPECT_TRUE(Logged("LED control 500 does not exist"));
  EXPECT_TRUE(Logged("message 0x0777 is unknown"));
}

// Timer 2 only hands the flush to the mouse's device thread (played here by a thread of the
// test): nothing reaches the device from the UI thread, a burst of edits gives one write, and
// a write the device refuses stays dirty and goes again at the next tick.
TEST_F(MainWndTest, ChangesWithinASecondGiveOneSettingsWriteAtTimerTwoOnTheDeviceThread) {
  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  DeviceWiring wiring(*wnd, bus, nullptr);
  device::DeviceChannel& mouse = wnd->Channel(DeviceKind::kMouse);
  mouse.hid.path = sim::SimulatedDevices::kMouseConfig;
  mouse.hid.openForReading = mouse.hid.openForWriting = mouse.hid.overlapped = true;
  ASSERT_TRUE(mouse.hid.OpenDevice());
  mouse.connected = true;
  devices.mouse.ClearRequests();
  const auto runDeviceThread = [&] {
    std::thread([&] { (void)device::RunDeviceWork(DeviceKind::kMouse, wiring.Context()); }).join();
  };
  for (int edit = 0; edit < 3; ++edit) wnd->Store().MarkDirty(DeviceKind::kMouse);
  wnd->OnTimer(timer::kFlush);
  wnd->OnTimer(timer::kFlush);  // the first is still waiting: it is not queued twice
  EXPECT_EQ(devices.mouse.RequestCount(), 0u);
  runDeviceThread();
  EXPECT_EQ(devices.mouse.Commands(), std::vector<device::Command>{device::Command::kWriteSettings});
  wnd->OnTimer(timer::kFlush);  // nothing new: nothing sent
  runDeviceThread();
  EXPECT_EQ(devices.mouse.RequestCount(), 1u);

  devices.mouse.InjectFault({sim::Fault::Action::kStatusBusy, 0, 1});
  wnd->Store().MarkDirty(DeviceKind::kMouse);
  wnd->OnTimer(timer::kFlush);
  runDeviceThread();
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMouse)) << "a busy answer is sent again";
  wnd->OnTimer(timer::kFlush);
  runDeviceThread();
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kMouse));
  EXPECT_EQ(devices.mouse.RequestCount(), 3u);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u);
  mouse.hid.CloseDevice();
}

// The wiring's profile hooks on a simulated connect: the mouse loads its selected light profile
// first (so the pointer settings the device does not hold survive), then the synchronisation
// saves what it read into that same file.
TEST_F(MainWndTest, MouseConnectLoadsThenSavesTheSelectedLightProfile) {
  const profiles::ProfileCatalogue catalogue(DeviceKind::kMouse);
  ASSERT_TRUE(catalogue.SetCount(profiles::ProfileListKind::kLight, 2));
  ASSERT_TRUE(catalogue.SetName(profiles::ProfileListKind::kLight, 0, "Work"));
  ASSERT_TRUE(catalogue.SetName(profiles::ProfileListKind::kLight, 1, "Game"));
  ASSERT_TRUE(catalogue.SetSelect(profiles::ProfileListKind::kLight, 1));
  constexpr char kEarlier = '\xEE';  // the earlier light state, which the device's replaces
  {  // "Game" as saved earlier, with pointer speed 17 and 7 wheel lines
    device::DeviceImage image;
    image.Update(DeviceKind::kMouse, [](device::DeviceBlocks& b) {
      b.current.fill(0xEE);
      b.settings[0].fill(0xEE);
    });
    lighting::LightingStore store;
    profiles::PointerSettings pointer;
    pointer.SetSpeed(17);
    pointer.SetWheelLines(7);
    profiles::ProfileState earlier{image, store, pointer};
    ASSERT_TRUE(profiles::SaveSelectedLightProfile(earlier, DeviceKind::kMouse));
  }
  const std::filesystem::path file =
      profiles::GetDeviceFolder(DeviceKind::kMouse) + std::string("Game.led");
  const auto body = [&file] {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(profiles::kProfileHeaderSize));
    std::string bytes(profiles::kSlotLightBodySize + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
  };
  const auto fromDevice = [](const std::string& b) {
    return b.size() == profiles::kSlotLightBodySize &&
           b.find_first_not_of(kEarlier) < profiles::body::kPointerSpeed;
  };
  ASSERT_FALSE(fromDevice(body()));

  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  DeviceWiring wiring(*wnd, bus, nullptr);
  core::StopEvent stop;
  std::thread detection([&] { (void)device::RunDetection(DeviceKind::kMouse, wiring.Context(), stop); });
  // Bounded wait for the synchronisation's save (the UI steps it posts need the loop).
  std::string saved;
  PumpUntil([&] {
    saved = body();
    return fromDevice(saved);
  });
  stop.Set();
  detection.join();
  Pump();
  wnd->Channel(DeviceKind::kMouse).hid.CloseDevice();

  ASSERT_TRUE(fromDevice(saved));  // written by the synchronisation with what it read
  EXPECT_EQ(wnd->Profiles().pointer.Speed(), 17);  // loaded before the synchronisation
  EXPECT_EQ(saved[profiles::body::kPointerSpeed], 17);
  EXPECT_EQ(saved[profiles::body::kWheelLines], 7);
}

TEST(ShippedSkin, LanguageFilesHoldTheSameIdsAndEveryMessage) {
  ui::qt::QtUi ui(TAVRINEX_SKIN);
  for (const char* file : {"lan_cn.xml", "lan_en.xml"}) {
    ASSERT_TRUE(ui.LoadLanguage(file)) << file;
    for (int i = 1; i <= 17; ++i) {
      if (i == 10) continue;
      const std::string id = "message_text_" + std::to_string(i);
      EXPECT_NE(ui.Translate(id), id) << file << " " << id;
    }
    EXPECT_NE(ui.Translate("message_text_16").find("%d"), std::string::npos) << file;
    EXPECT_NE(ui.Translate("message_text_17").find("%d"), std::string::npos) << file;
    const std::string notice = ui.Translate(kSaveFailedMessage);
    const auto first = notice.find("%s");  // the file, then the reason
    EXPECT_TRUE(first != std::string::npos && notice.find("%s", first + 2) != std::string::npos)
        << file;
    for (const auto reason : {profiles::SaveFailureReason::kDiskFull, profiles::SaveFailureReason::kPermission,
                              profiles::SaveFailureReason::kReadOnly, profiles::SaveFailureReason::kUnreadable,
                              profiles::SaveFailureReason::kUndecodable, profiles::SaveFailureReason::kOther}) {
      const std::string_view id = ReasonTextId(reason);
      EXPECT_NE(ui.Translate(id), id) << file << " " << id;
    }
    EXPECT_NE(ui.Translate("menu_exit"), "menu_exit");
  }
}

// A keyboard connect rebuilds the map from keyboard view positions to key slots, which the
// key editor reads; then message 0x0B03 saves the keyboard's default key file.
TEST_F(MainWndTest, KeyboardConnectRebuildsTheKeyPositionMapAndTheDefaultKeyFileCanBeSaved) {
  const auto mapped = [this] {
    const auto entries = wnd->KeyPositions().Entries();
    return std::count_if(entries.begin(), entries.end(),
                         [](std::uint8_t slot) { return slot != keys::kNoSlot; });
  };
  ASSERT_EQ(mapped(), 0);

  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  DeviceWiring wiring(*wnd, bus, nullptr);
  core::StopEvent stop;
  std::thread detection(
      [&] { (void)device::RunDetection(DeviceKind::kKeyboard, wiring.Context(), stop); });
  PumpUntil([&] { return mapped() != 0; });  // bounded wait for the synchronisation
  // The message that saves the default key file: into the keyboard's folder, not beside the
  // program, by the keyboard's device thread.
  const auto saved = documents->Root() / "Documents" / "Zepha QX19" / "kb" / "defaults" /
                     "kbkeydefault.pro";
  Post(msg::kSaveDefaultKeys);
  PumpUntil([&] { return std::filesystem::exists(saved); });  // written whole, by a rename
  stop.Set();
  detection.join();
  Pump();
  std::error_code error;
  const auto savedSize = std::filesystem::file_size(saved, error);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u);
  wnd->Channel(DeviceKind::kKeyboard).hid.CloseDevice();

  EXPECT_EQ(mapped(), 106);  // every key of the reference layout finds its slot
  EXPECT_FALSE(error) << error.message();
  EXPECT_EQ(savedSize, 16u + 512u);
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// Not a check: with TAVRINEX_SCREENSHOTS set to a folder, saves the main window on each
// device page, in both languages (run under Xvfb for real window-system drawing).
TEST_F(MainWndTest, ScreenshotsOfEachDevicePage) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());  // a new folder is made, not refused
  QWidget* host = dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget();
  for (const char* language : {"cn", "en"}) {
    for (const char* tab : {"kb_tab", "ms_tab", "mp_tab"}) {
      Get<ui::OptionControl>(tab).Select(true, true);
      Pump();
      ASSERT_TRUE(host->grab().save(folder + "/" + tab + "_" + language + ".png"));
    }
    wnd->SwitchLanguage();
  }
  Get<ui::OptionControl>("kb_macro_Op_tab").Select(true, true);
  Pump();
  ASSERT_TRUE(host->grab().save(folder + "/kb_macro_page.png"));
  duringBox = [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w != host && w->isVisible()) (void)w->grab().save(folder + "/message_box.png");
    }
  };
  (void)wnd->ShowMessage("message_text_1");
  // The notice of a failed save, in both languages (a new burst needs a pause of its own).
  for (const char* language : {"cn", "en"}) {
    duringBox = [&, language] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != host && w->isVisible()) {
          (void)w->grab().save(folder + "/save_failure_" + language + ".png");
        }
      }
    };
    profiles::ReportSaveFailure("/home/user/Documents/Zepha QX19/ms/Game.led", ENOSPC);
    Pump();
    wnd->SwitchLanguage();
    std::this_thread::sleep_for(std::chrono::milliseconds(5200));
  }
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// The message box answered by clicking its buttons: confirm gives 1, cancel and close 0.
TEST(MessageBox, ButtonsGiveTheirResults) {
  ui::qt::QtUi ui(TAVRINEX_SKIN);
  struct Owner : ui::WindowHandler {
    void Notify(const ui::Notification&) override {}
  } owner;
  auto window = ui.CreateWindow({"XML_MAIN", "owner", nullptr, 0, 0}, owner);
  ASSERT_TRUE(ui.LoadLanguage("lan_en.xml"));
  for (const auto& [button, expected] :
       std::vector<std::pair<std::string, int>>{{"confirm_btn", 1}, {"cancel_btn", 0}, {"closebtn", 0}}) {
    std::string shown;
    const MessageObserver click = [&, name = button](CMsgWnd& box, const std::string&) {
      shown = box.WindowOf()->Find("MessageText")->Text();
      auto* control = dynamic_cast<ui::qt::QtControl*>(box.WindowOf()->Find(name));
      ASSERT_NE(control, nullptr) << name;
      QTest::mouseClick(control->Widget(), Qt::LeftButton);
    };
    EXPECT_EQ(ShowMessage(ui, *window, "message_text_5", true, click), expected) << button;
    EXPECT_EQ(shown, "Another macro already has this name.");
  }
  // A finished text (the flag clear) is shown as it is, e.g. a filled-in format.
  std::string shown;
  const std::string format = TranslateThroughLabel(*window, "message_text_17");
  EXPECT_EQ(format, "You can keep at most %d macros.");
  (void)ShowMessage(ui, *window, "You can keep at most 50 macros.", false,
                    [&](CMsgWnd& box, const std::string&) {
                      shown = box.WindowOf()->Find("MessageText")->Text();
                      box.WindowOf()->Close(0);
                    });
  EXPECT_EQ(shown, "You can keep at most 50 macros.");
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// While the keyboard macro editor holds unsaved changes, leaving it is refused: the macro
// page and the keyboard tab are selected again and "message_text_3" is shown.
TEST_F(MainWndTest, LeavingAnUnsavedKeyboardMacroIsRefused) {
  Get<ui::OptionControl>("kb_macro_Op_tab").Select(true, true);
  Pump();
  ui::Control& bar = Get<ui::Control>("kb_macro_tab_saveorcancel");
  bar.SetVisible(true);
  for (const char* option : {"ms_tab", "kb_key_Op_tab"}) {
    boxes.clear();
    Get<ui::OptionControl>(option).Select(true, true);
    Pump();
    ASSERT_EQ(boxes.size(), 1u) << option;
    EXPECT_EQ(boxes[0].id, "message_text_3");
    EXPECT_TRUE(Get<ui::OptionControl>("kb_tab").IsSelected()) << option;
    EXPECT_TRUE(Get<ui::OptionControl>("kb_macro_Op_tab").IsSelected()) << option;
    EXPECT_EQ(Get<ui::TabControl>("tab_switch").CurrentPage(), 0) << option;
    EXPECT_EQ(Get<ui::TabControl>("kb_tab_switch").CurrentPage(), 1) << option;
  }
  bar.SetVisible(false);  // saved: leaving is allowed again
  boxes.clear();
  Get<ui::OptionControl>("ms_tab").Select(true, true);
  Pump();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Get<ui::TabControl>("tab_switch").CurrentPage(), 1);
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

TEST_F(MainWndTest, DpiButtonSetsTheScaleFromItsUserData) {
  // The skin holds no "dpi_btn"; any control stands in as the sender.
  ui::Control& sender = Get<ui::Control>("setting_progress");
  ui::Notification n = Event(ui::EventType::kClick, "dpi_btn");
  n.sender = &sender;
  sender.SetUserData("125");
  wnd->Notify(n);
  EXPECT_EQ(ui->Scale(), 125);
  sender.SetUserData("0");  // unusable: refused, the scale stays
  wnd->Notify(n);
  EXPECT_EQ(ui->Scale(), 125);
  EXPECT_TRUE(Logged("dpi_btn: no usable scale"));
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// Every device tab and page tab of the window with the page it opens (the skin has no "ani_tab"
// and "split_tab" buttons; their notifications are raised directly). Each layout first shows
// another page, so a tab that opens nothing fails as well as one that opens the wrong page.
TEST_F(MainWndTest, EveryDeviceAndPageTabOpensItsPage) {
  struct Case {
    const char* option;
    const char* layout;
    int page;
  };
  const Case cases[] = {
      {"kb_tab", "tab_switch", 0},           {"ms_tab", "tab_switch", 1},
      {"mp_tab", "tab_switch", 2},           {"ani_tab", "tab_switch", 3},
      {"split_tab", "tab_switch", 4},        {"kb_deng_Op_tab", "kb_tab_switch", 0},
      {"kb_macro_Op_tab", "kb_tab_switch", 1}, {"kb_key_Op_tab", "kb_tab_switch", 2},
      {"kb_rich_Op_tab", "kb_tab_switch", 3},  {"ms_deng_Op_tab", "ms_tab_switch", 0},
      {"ms_macro_Op_tab", "ms_tab_switch", 1}, {"ms_key_Op_tab", "ms_tab_switch", 2},
      {"ms_rich_Op_tab", "ms_tab_switch", 3},
  };
  for (const Case& c : cases) {
    auto& layout = Get<ui::TabControl>(c.layout);
    ASSERT_TRUE(layout.SelectPage((c.page + 1) % layout.PageCount()));
    if (auto* option = wnd->Window().Find<ui::OptionControl>(c.option)) {
      option->Select(false, false);
      option->Select(true, true);
    } else {
      wnd->Notify(Event(ui::EventType::kSelectChanged, c.option));
    }
    Pump();
    EXPECT_EQ(layout.CurrentPage(), c.page) << c.option;
  }
}

// Every title-bar button with the state it leaves the window in.
TEST_F(MainWndTest, EveryTitleBarButtonLeavesItsWindowState) {
  QWidget* host = dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget();
  int skinChooserOpened = 0;
  wnd->Hooks().openSkinChooser = [&] { ++skinChooserOpened; };
  enum class State { kNormal, kMinimised, kMaximised, kClosed };
  const auto state = [&] {
    if (!wnd->Window().IsVisible()) return State::kClosed;
    if (host->isMinimized()) return State::kMinimised;
    if (host->isMaximized()) return State::kMaximised;
    return State::kNormal;
  };
  struct Case {
    const char* button;
    State from;
    State to;
  };
  const Case cases[] = {
      {"minbtn", State::kNormal, State::kMinimised},
      {"maxbtn", State::kNormal, State::kMaximised},
      {"restorebtn", State::kMaximised, State::kNormal},
      {"restorebtn", State::kMinimised, State::kNormal},
      {"skinbtn", State::kNormal, State::kNormal},
      {"closebtn", State::kNormal, State::kClosed},  // last: the window is gone
  };
  for (const Case& c : cases) {
    host->showNormal();
    if (c.from == State::kMaximised) host->showMaximized();
    if (c.from == State::kMinimised) host->showMinimized();
    Pump();
    ASSERT_EQ(state(), c.from) << c.button;
    ui::Notification n = Event(ui::EventType::kClick, c.button);
    n.sender = wnd->Window().Find(c.button);
    ASSERT_NE(n.sender, nullptr) << c.button;
    if (c.to == State::kClosed) {
      // Closing ends the program's loop; a guard ends it otherwise, so a fault cannot hang.
      QTimer guard;
      guard.setSingleShot(true);
      QObject::connect(&guard, &QTimer::timeout, [this] { ui->Loop().Quit(2); });
      guard.start(20000);
      QTimer::singleShot(0, [&] { wnd->Notify(n); });
      EXPECT_EQ(ui->Loop().Run(), 0) << c.button;
    } else {
      wnd->Notify(n);
      Pump();
    }
    EXPECT_EQ(state(), c.to) << c.button;
  }
  EXPECT_EQ(skinChooserOpened, 1);
  EXPECT_TRUE(Logged("shutdown: 0 worker(s) ended"));
}

// Each window message that reads a device back, sent through the window to the simulated
// devices. Synchronisation reads the info block (a re-read
// never does); a re-read reads the active record. The handling may finish later than the
// message: each effect is awaited.
TEST_F(MainWndTest, EachDeviceMessageReadsItsDeviceBack) {
  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  DeviceWiring wiring(*wnd, bus, nullptr);
  const std::array<std::pair<DeviceKind, const char*>, 3> paths = {{
      {DeviceKind::kKeyboard, sim::SimulatedDevices::kKeyboardConfig},
      {DeviceKind::kMouse, sim::SimulatedDevices::kMouseConfig},
      {DeviceKind::kMousePad, sim::SimulatedDevices::kMousePadConfig},
  }};
  for (const auto& [kind, path] : paths) {
    device::DeviceChannel& channel = wnd->Channel(kind);
    channel.hid.path = path;
    channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
    ASSERT_TRUE(channel.hid.OpenDevice()) << path;
    channel.connected = true;
  }
  // The device threads' part: the work the window hands over runs here, never in its loop.
  core::StopEvent stop;
  std::thread deviceThread([&] {
    const core::StopScope scope(stop);
    while (!stop.WaitFor(std::chrono::milliseconds(2))) {
      for (const auto& entry : paths) (void)device::RunDeviceWork(entry.first, wiring.Context());
    }
  });
  constexpr std::size_t kFirmwareByte = 1;  // an info byte nothing else depends on
  constexpr std::size_t kModeByte = 1;      // of the active record
  struct Case {
    std::uint32_t sync;
    std::uint32_t reread;
    DeviceKind kind;
  };
  const Case cases[] = {
      {0x0901, 0x0902, DeviceKind::kMouse},
      {0x0A01, 0x0A02, DeviceKind::kMousePad},
      {0x0B01, 0x0B02, DeviceKind::kKeyboard},
  };
  std::uint8_t marker = 0xA0;
  for (const Case& c : cases) {
    sim::SimulatedDevice& dev = devices.Of(c.kind);
    const std::uint8_t firmware = ++marker;
    const std::uint8_t mode = ++marker;
    dev.WithFirmware([&](sim::Firmware& f) {
      f.State().info[kFirmwareByte] = firmware;
      f.State().settings[kModeByte] = mode;  // slot 0, the active profile's
    });
    wnd->Window().PostMessage({c.reread, 0, 0, {}});
    EXPECT_TRUE(PumpUntil([&] { return wnd->Image().Current(c.kind)[kModeByte] == mode; }))
        << std::hex << c.reread;
    EXPECT_NE(wnd->Image().Info(c.kind)[kFirmwareByte], firmware) << std::hex << c.reread;
    wnd->Window().PostMessage({c.sync, 0, 0, {}});
    EXPECT_TRUE(PumpUntil([&] { return wnd->Image().Info(c.kind)[kFirmwareByte] == firmware; }))
        << std::hex << c.sync;
  }
  stop.Set();
  deviceThread.join();
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "a device exchange ran in the window's loop";
  for (const auto& entry : paths) wnd->Channel(entry.first).hid.CloseDevice();
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// The test skin's main layout holds keyboard LED pictures, which the shipped skin's pages do
// not have yet.
class MainWndOnTestSkinTest : public MainWndTest {
 protected:
  [[nodiscard]] const char* SkinFolder() const override { return TAVRINEX_TEST_SKIN; }
};

// The LED messages from outside set the overlay of the keyboard LED picture they number.
TEST_F(MainWndOnTestSkinTest, LedMessagesSetTheNumberedKeyboardPicture) {
  ui::Control& led = Get<ui::Control>("kb_dkey_2");
  ui::Control& other = Get<ui::Control>("kb_dkey_3");
  const std::uint32_t otherColour = other.OverlayColor();
  wnd->Window().PostMessage({0x0A03, 2, 0x123456, {}});
  wnd->Window().PostMessage({0x0A04, 2, 77, {}});
  Pump();
  EXPECT_EQ(led.OverlayColor(), 0x123456u);
  EXPECT_EQ(led.OverlayOpacity(), 77);
  EXPECT_EQ(other.OverlayColor(), otherColour);
}

}  // namespace
}  // namespace tavrinex::app
