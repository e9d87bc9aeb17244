// The LED pictures of the shipped skin in the real window, offscreen through the real Qt
// layer: every picture exists in overlay mode and lies on its device; an animation frame
// reaches them at the next display tick; a click or a drag on the keyboard's key pictures
// paints keys or starts ripples, and the light profile is saved on the keyboard's device
// thread, once per click or drag.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/animation_wiring.h"
#include "app/key_picture_wiring.h"
#include "app/main_wnd.h"
#include "device/detection.h"
#include "lighting/animation_state.h"
#include "lighting/lighting_store.h"
#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_selection.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "storage/settings_folder.h"
#include "ui/qt/led_picture.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
using lighting::LightingMode;
namespace rec = lighting::rec;

constexpr ui::Rgb kPaint{0x12, 0xC0, 0x7F};
constexpr std::array<std::pair<DeviceKind, const char*>, 3> kPaths = {{
    {DeviceKind::kKeyboard, sim::SimulatedDevices::kKeyboardConfig},
    {DeviceKind::kMouse, sim::SimulatedDevices::kMouseConfig},
    {DeviceKind::kMousePad, sim::SimulatedDevices::kMousePadConfig},
}};

class LedPicturesTest : public testing::Test {
 protected:
  void SetUp() override {
    folder = (std::filesystem::temp_directory_path() / "tavrinex-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ::setenv(profiles::kDocumentsOverrideVariable, (folder + "/Documents").c_str(), 1);
    const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
    ASSERT_TRUE(catalogue.SetCount(profiles::ProfileListKind::kLight, 1));
    ASSERT_TRUE(catalogue.SetName(profiles::ProfileListKind::kLight, 0, "Paint"));
    ASSERT_TRUE(catalogue.SetSelect(profiles::ProfileListKind::kLight, 0));

    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    env.sleep = [](std::chrono::milliseconds) {};
    wnd = std::make_unique<CMainWnd>(*ui, bus, env);
    wnd->Create();
    // Wired after the window started its workers: the animation threads stay unstarted, and
    // the tests run their iterations on threads of their own, one caller per loop.
    animation = std::make_unique<AnimationWiring>(*wnd);
    keyPictures = std::make_unique<KeyPictureWiring>(
        *wnd,
        [this](DeviceKind kind) {
          work.Post(kind, device::DeviceTask::kSaveLightProfile,
                    [this, kind] { (void)profiles::SaveSelectedLightProfile(wnd->Profiles(), kind); });
        },
        animation->Engine());
    animation->AttachPictures();
    QApplication::processEvents();
  }
  void TearDown() override {
    wnd->Destroy(false);
    keyPictures.reset();
    animation.reset();
    wnd.reset();
    ui.reset();
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::filesystem::remove_all(folder);
  }

  ui::qt::LedPicture& Picture(const std::string& name) {
    auto* control = dynamic_cast<ui::qt::QtControl*>(wnd->Window().Find(name));
    ui::qt::LedPicture* led = control != nullptr ? control->Led() : nullptr;
    if (led == nullptr) throw std::runtime_error("no LED picture " + name);
    return *led;
  }
  ui::qt::LedPicture& Key(std::size_t position) { return Picture("kb_dkey_" + std::to_string(position)); }
  // A point in the middle of the key, in the coordinates of `in`.
  QPoint KeyCentre(std::size_t position, const QWidget& in) {
    ui::qt::LedPicture& key = Key(position);
    return in.mapFrom(key.parentWidget(), key.pos() + key.KeyRect().center());
  }
  void SelectTab(std::string_view name) {
    auto* tab = wnd->Window().Find<ui::OptionControl>(name);
    if (tab == nullptr) throw std::runtime_error("no tab " + std::string(name));
    tab->Select(true, true);
  }
  void SetKeyboardMode(LightingMode mode) {
    wnd->Image().Update(DeviceKind::kKeyboard, [mode](device::DeviceBlocks& b) {
      b.current[rec::kMode] = lighting::Code(mode);
    });
    wnd->Store().UpdateCustom([](lighting::CustomColours& c) { c.customColour = kPaint; });
  }
  // What the pointer does on the window: the press, moves and release all reach the picture
  // pressed, as with the window system's implicit grab.
  void Mouse(QWidget& grabber, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const QPointF global = grabber.mapToGlobal(QPointF(at));
    QMouseEvent event(type, QPointF(at), global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&grabber, &event);
  }
  void Click(std::size_t position) {
    ui::qt::LedPicture& key = Key(position);
    Mouse(key, QEvent::MouseButtonPress, KeyCentre(position, key), Qt::LeftButton);
    Mouse(key, QEvent::MouseButtonRelease, KeyCentre(position, key), Qt::NoButton);
  }
  [[nodiscard]] ui::Rgb Painted(std::size_t position) const {
    const lighting::CustomColours c = wnd->Store().Custom();
    return c.Triple(c.customSet, lighting::kKeyLedMap[position]);
  }
  // The keyboard's device thread: runs the work the window handed over.
  void RunKeyboardThread() {
    device::DeviceThreadsContext context;
    context.channels = {&wnd->Channel(DeviceKind::kKeyboard), &wnd->Channel(DeviceKind::kMouse),
                        &wnd->Channel(DeviceKind::kMousePad)};
    context.work = std::shared_ptr<device::DeviceWorkQueue>(&work, [](auto*) {});
    std::thread([&] { (void)device::RunDeviceWork(DeviceKind::kKeyboard, context); }).join();
  }
  // The three simulated devices, plugged and connected, with each record set by `record`.
  void ConnectSimulated(sim::SimulatedDevices& devices,
                        const std::function<void(DeviceKind, device::CurrentRecord&)>& record) {
    devices.PlugAll();
    for (const auto& [kind, path] : kPaths) {
      device::DeviceChannel& channel = wnd->Channel(kind);
      channel.hid.path = path;
      channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
      ASSERT_TRUE(channel.hid.OpenDevice()) << path;
      channel.connected = true;
      wnd->Image().Update(kind, [&, kind = kind](device::DeviceBlocks& b) { record(kind, b.current); });
    }
  }
  void Disconnect() {
    for (const auto& entry : kPaths) {
      wnd->Channel(entry.first).connected = false;
      wnd->Channel(entry.first).hid.CloseDevice();
    }
  }
  // `frames` frames of every device, on a thread of their own as the animation threads run.
  void Animate(int frames) {
    const lighting::Wait noWait = [](std::chrono::milliseconds) { return true; };
    lighting::AnimationEngine& engine = animation->Engine();
    std::thread([&] {
      for (int i = 0; i < frames; ++i) {
        EXPECT_TRUE(engine.KeyboardIteration(noWait));
        EXPECT_TRUE(engine.MouseIteration(noWait));
        EXPECT_TRUE(engine.MousePadIteration(noWait));
      }
    }).join();
  }
  // The custom colours as the saved light profile holds them.
  lighting::CustomColours Saved() {
    device::DeviceImage image;
    lighting::LightingStore store;
    profiles::PointerSettings pointer;
    profiles::ProfileState state{image, store, pointer};
    EXPECT_EQ(profiles::LoadLightProfile(state, DeviceKind::kKeyboard, 0), profiles::ProfileReadResult::kRead);
    return store.Custom();
  }

  std::string folder;
  sim::SimBus bus;
  device::DeviceWorkQueue work;
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<CMainWnd> wnd;
  std::unique_ptr<AnimationWiring> animation;
  std::unique_ptr<KeyPictureWiring> keyPictures;
};

// Every LED picture of the three devices exists, is switched to overlay mode with nothing lit,
// and lies on its device's picture, drawn at its control's size; every key position with an
// LED has a key to show it on.
TEST_F(LedPicturesTest, All161PicturesExistInOverlayModeOnTheirDevicePictures) {
  struct Device {
    const char* prefix;
    int count;
    const char* picture;
  };
  int found = 0;
  for (const Device& d : {Device{"kb_dkey_", 126, "kb_picture"}, Device{"ms_dkey_", 20, "ms_picture"},
                          Device{"mp_dkey_", 15, "mp_picture"}}) {
    auto* picture = dynamic_cast<ui::qt::QtControl*>(wnd->Window().Find(d.picture));
    ASSERT_NE(picture, nullptr) << d.picture;
    const QRect area = picture->Widget()->geometry();
    // The image fills its control exactly, so the LED positions drawn on it are where the
    // pictures lie (a smaller image would be centred and shifted).
    const auto* label = qobject_cast<const QLabel*>(picture->Widget());
    ASSERT_NE(label, nullptr) << d.picture;
    EXPECT_EQ(label->pixmap().size(), area.size()) << d.picture;
    for (int i = 0; i < d.count; ++i) {
      const std::string name = d.prefix + std::to_string(i);
      ui::qt::LedPicture& led = Picture(name);
      ++found;
      EXPECT_TRUE(led.OverlayMode()) << name;
      EXPECT_EQ(led.OverlayOpacity(), 0) << name;
      EXPECT_EQ(led.parentWidget(), picture->Widget()->parentWidget()) << name << ": a child of the stage";
      const bool hasLed = d.count != 126 || lighting::kKeyLedMap[static_cast<std::size_t>(i)] != lighting::kNone;
      if (!hasLed) continue;
      EXPECT_FALSE(led.isHidden()) << name;
      EXPECT_TRUE(area.contains(led.KeyRect().translated(led.pos()))) << name << " lies off its device";
    }
  }
  EXPECT_EQ(found, 161);
}

// An animation frame of each device, computed on a thread of its own as the animation threads
// do, is on the device's pictures after the window's next display tick (one display frame).
TEST_F(LedPicturesTest, AnAnimationFrameReachesThePicturesAtTheNextDisplayTick) {
  sim::SimulatedDevices devices(bus);
  ConnectSimulated(devices, [](DeviceKind, device::CurrentRecord& r) {
    r[rec::kMode] = lighting::Code(LightingMode::kStatic);
    r[rec::kBrightness] = lighting::kMaxLevel;
    r[rec::kRed] = 0xF0;
    r[rec::kGreen] = 0x30;
    r[rec::kBlue] = 0x10;
  });
  const QTimer& ticker = ui->LedTicker();
  ASSERT_TRUE(ticker.isActive());
  EXPECT_EQ(std::chrono::milliseconds(ticker.interval()), ui::qt::kLedRepaintPeriod);
  Animate(1);
  QSignalSpy tick(&ticker, &QTimer::timeout);
  ASSERT_TRUE(tick.wait(1000));
  const std::uint32_t lit = ui::OverlayWord({0xF0, 0x30, 0x10});
  for (const auto& [prefix, kind, last] : {std::tuple{"kb_dkey_", DeviceKind::kKeyboard, 125},
                                           std::tuple{"ms_dkey_", DeviceKind::kMouse, 19},
                                           std::tuple{"mp_dkey_", DeviceKind::kMousePad, 14}}) {
    for (const int i : {0, last}) {
      const ui::LedPixel frame = animation->Pictures(kind).Get(static_cast<std::size_t>(i));
      ui::qt::LedPicture& led = Picture(prefix + std::to_string(i));
      EXPECT_EQ(frame.overlayWord, lit) << prefix << i;
      EXPECT_NE(frame.opacity, 0) << prefix << i;
      EXPECT_EQ(led.OverlayWord(), frame.overlayWord) << prefix << i;
      EXPECT_EQ(led.OverlayOpacity(), frame.opacity) << prefix << i;
    }
  }
  Disconnect();
}

// A click on a key picture, by the keyboard's mode: custom mode paints the key and saves the
// light profile (on the keyboard's device thread, never in the window's loop); reactive mode
// starts a ripple at the key and saves nothing; any other mode does nothing.
TEST_F(LedPicturesTest, AKeyPictureClickPaintsInCustomModeAndStartsARippleInReactiveMode) {
  constexpr std::size_t kKey = 44;  // a letter key of the middle row
  ASSERT_NE(lighting::kKeyLedMap[kKey], lighting::kNone);
  lighting::KeyboardAnimation seeded;
  lighting::SeedReactive(seeded, kKey);
  struct Case {
    LightingMode mode;
    bool paints;
    bool ripples;
  };
  for (const Case c : {Case{LightingMode::kKbCustom, true, false}, Case{LightingMode::kKbReactive, false, true},
                       Case{LightingMode::kWave, false, false}}) {
    const int code = lighting::Code(c.mode);
    wnd->Store().UpdateCustom([](lighting::CustomColours& s) { s.sets.fill(0); });
    animation->Engine().ResetAnimation(DeviceKind::kKeyboard);
    SetKeyboardMode(c.mode);
    Click(kKey);
    EXPECT_EQ(Painted(kKey) == kPaint, c.paints) << code;
    EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), c.paints ? 1U : 0U) << code << ": one save";
    const bool rippled = animation->Engine().WithKeyboardState(
        [&](const lighting::KeyboardAnimation& s) { return s.spreadMaps == seeded.spreadMaps; });
    EXPECT_EQ(rippled, c.ripples) << code;
    RunKeyboardThread();
  }
  EXPECT_EQ(Saved().Triple(0, lighting::kKeyLedMap[kKey]), kPaint);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0U);
}

// A drag in custom mode, as one quick stroke from the first key to the fourth of a row (one
// pointer move): the two keys between are passed over and painted too, nothing else is, and
// the light profile is saved once, after the release.
TEST_F(LedPicturesTest, ADragPaintsEveryKeyPassedAndSavesOnceAtTheEnd) {
  constexpr std::array<std::size_t, 4> kStroke = {43, 44, 45, 46};
  for (const std::size_t k : kStroke) ASSERT_NE(lighting::kKeyLedMap[k], lighting::kNone) << k;
  SetKeyboardMode(LightingMode::kKbCustom);
  ui::qt::LedPicture& first = Key(kStroke.front());
  Mouse(first, QEvent::MouseButtonPress, KeyCentre(kStroke.front(), first), Qt::LeftButton);
  Mouse(first, QEvent::MouseMove, KeyCentre(kStroke.back(), first), Qt::LeftButton);
  for (const std::size_t k : kStroke) EXPECT_EQ(Painted(k), kPaint) << k;
  EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), 0U) << "no save while the button is held";
  Mouse(first, QEvent::MouseButtonRelease, KeyCentre(kStroke.back(), first), Qt::NoButton);
  EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), 1U);
  const lighting::CustomColours now = wnd->Store().Custom();
  int painted = 0;
  for (std::size_t led = 0; led < lighting::kKeyPositions; ++led) painted += now.Triple(0, led) == kPaint ? 1 : 0;
  EXPECT_EQ(painted, 4) << "only the keys of the stroke";
  RunKeyboardThread();
  const lighting::CustomColours saved = Saved();
  for (const std::size_t k : kStroke) EXPECT_EQ(saved.Triple(0, lighting::kKeyLedMap[k]), kPaint) << k;

  // A press and release on one key stays a click: painted and saved at once.
  Click(kStroke.front());
  EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), 1U);
  RunKeyboardThread();

  // A drag cut short, the page left before the release, still saves what it painted.
  wnd->Store().UpdateCustom([](lighting::CustomColours& c) { c.customColour = {1, 2, 3}; });
  Mouse(first, QEvent::MouseButtonPress, KeyCentre(kStroke[0], first), Qt::LeftButton);
  Mouse(first, QEvent::MouseMove, KeyCentre(kStroke[1], first), Qt::LeftButton);
  EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), 0U);
  SelectTab("ms_tab");
  QApplication::processEvents();
  EXPECT_EQ(work.Pending(DeviceKind::kKeyboard), 1U);
  RunKeyboardThread();
  EXPECT_EQ(Saved().Triple(0, lighting::kKeyLedMap[kStroke[1]]), (ui::Rgb{1, 2, 3}));
}

// Not a check: with TAVRINEX_SCREENSHOTS set to a folder, saves the three device pages while
// they animate, in both languages: a rainbow effect of each device, then the keyboard's custom
// mode with keys painted by clicks and drags beside the mouse and pad in single colours (run
// under Xvfb for real window-system drawing).
TEST_F(LedPicturesTest, ScreenshotsOfTheDevicePagesWhileAnimating) {
  const QString shots = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (shots.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(shots.toStdString());
  QWidget* host = dynamic_cast<ui::qt::QtWindow&>(wnd->Window()).HostWidget();
  sim::SimulatedDevices devices(bus);
  const auto shootPages = [&](const std::string& what, const char* language) {
    for (const char* tab : {"kb_tab", "ms_tab", "mp_tab"}) {
      SelectTab(tab);
      QSignalSpy tick(&ui->LedTicker(), &QTimer::timeout);
      ASSERT_TRUE(tick.wait(1000));
      QApplication::processEvents();
      ASSERT_TRUE(host->grab().save(shots + "/led_" + tab + "_" + what.c_str() + "_" + language + ".png"));
    }
  };
  // Rainbows: the keyboard's per-key rainbow, the mouse's wave, the pad's column wave.
  ConnectSimulated(devices, [](DeviceKind kind, device::CurrentRecord& r) {
    const LightingMode mode = kind == DeviceKind::kKeyboard ? LightingMode::kKbKeyRainbow
                              : kind == DeviceKind::kMouse  ? LightingMode::kWave
                                                            : LightingMode::kPadColumnWave;
    r[rec::kMode] = lighting::Code(mode);
    r[rec::kBrightness] = lighting::kMaxLevel;
    r[rec::kMultiColour] = 1;
    r[rec::kDirection] = 1;
  });
  animation->Engine().SetKeyRainbowStart();
  for (const char* language : {"cn", "en"}) {
    Animate(12);
    shootPages("rainbow", language);
    wnd->SwitchLanguage();
  }
  // The custom mode: a stroke along the number row, WASD and the arrows painted in three colours.
  wnd->Store().UpdateCustom([](lighting::CustomColours& c) { c.sets.fill(0); });
  SetKeyboardMode(LightingMode::kKbCustom);
  SelectTab("kb_tab");  // keys are clicked where seen
  QApplication::processEvents();
  const auto paint = [&](ui::Rgb colour, std::initializer_list<std::size_t> keys, bool stroke) {
    wnd->Store().UpdateCustom([colour](lighting::CustomColours& c) { c.customColour = colour; });
    if (!stroke) {
      for (const std::size_t k : keys) Click(k);
      return;
    }
    ui::qt::LedPicture& first = Key(*keys.begin());
    Mouse(first, QEvent::MouseButtonPress, KeyCentre(*keys.begin(), first), Qt::LeftButton);
    for (const std::size_t k : keys) Mouse(first, QEvent::MouseMove, KeyCentre(k, first), Qt::LeftButton);
    Mouse(first, QEvent::MouseButtonRelease, KeyCentre(*(keys.end() - 1), first), Qt::NoButton);
  };
  paint({0xFF, 0x40, 0x20}, {22, 33}, true);
  paint({0x20, 0xA0, 0xFF}, {44, 64, 65, 66}, false);
  paint({0xFF, 0xD0, 0x10}, {96, 113, 114, 115}, false);
  paint({0x30, 0xFF, 0x70}, {105, 112}, true);
  for (const DeviceKind kind : {DeviceKind::kMouse, DeviceKind::kMousePad}) {
    wnd->Image().Update(kind, [](device::DeviceBlocks& b) {
      b.current[rec::kMode] = lighting::Code(LightingMode::kStatic);
      b.current[rec::kRed] = 0x20;
      b.current[rec::kGreen] = 0xA0;
      b.current[rec::kBlue] = 0xFF;
    });
  }
  for (const char* language : {"cn", "en"}) {
    Animate(2);
    shootPages("custom", language);
    wnd->SwitchLanguage();
  }
  Disconnect();
}

}  // namespace
}  // namespace tavrinex::app
