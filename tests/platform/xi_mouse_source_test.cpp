// System-wide mouse recording on X11 against a private X server (ctest runs it under
// xvfb-run): XTest plays buttons, wheel notches and motion as a user would, and the source must
// report the buttons and notches, in order, and never the motion. Without X11 it must not start.
// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/xi_mouse_source.h"

namespace tavrinex::platform {
namespace {

struct Seen {
  std::uint32_t message;
  std::uint32_t mouseData;
  friend bool operator==(const Seen&, const Seen&) = default;
};

std::uint32_t High(int v) { return static_cast<std::uint32_t>(static_cast<std::uint16_t>(v)) << 16; }

TEST(XiMouseTranslation, ButtonsSideButtonsAndWheel) {
  struct Case {
    int button;
    bool pressed;
    std::optional<Seen> seen;
  };
  const Case cases[] = {
      {1, true, Seen{kLeftButtonDown, 0}},   {1, false, Seen{kLeftButtonUp, 0}},
      {2, true, Seen{kMiddleButtonDown, 0}}, {3, false, Seen{kRightButtonUp, 0}},
      {8, true, Seen{kSideButtonDown, High(kSideButtonBack)}},
      {9, false, Seen{kSideButtonUp, High(kSideButtonForward)}},
      {4, true, Seen{kMouseWheel, High(120)}}, {5, true, Seen{kMouseWheel, High(-120)}},
      {6, true, Seen{kMouseHorizontalWheel, High(-120)}},
      {7, true, Seen{kMouseHorizontalWheel, High(120)}},
      {4, false, std::nullopt},  // the release of a notch is no second event
      {0, true, std::nullopt},   {10, true, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto m = TranslateXButton(c.button, c.pressed);
    ASSERT_EQ(m.has_value(), c.seen.has_value()) << c.button;
    if (m) {
      EXPECT_EQ((Seen{m->message, m->mouseData}), *c.seen) << c.button;
      EXPECT_EQ(m->SecondSideButton(), c.button == 9);
    }
  }
}

TEST(XiMouseWithoutX11, DoesNotStartAndSaysWhy) {
  struct Case {
    const char* display;
    const char* wayland;
    const char* session;
  };
  for (const Case& c : {Case{nullptr, nullptr, nullptr}, Case{"", nullptr, "x11"},
                        Case{":0", "wayland-0", nullptr}, Case{":0", nullptr, "wayland"}}) {
    std::vector<std::string> said;
    XiMouseSource source([&](std::string_view line) { said.emplace_back(line); },
                         [&](const char* name) -> const char* {
                           if (std::strcmp(name, "DISPLAY") == 0) return c.display;
                           if (std::strcmp(name, "WAYLAND_DISPLAY") == 0) return c.wayland;
                           if (std::strcmp(name, "XDG_SESSION_TYPE") == 0) return c.session;
                           return nullptr;
                         });
    EXPECT_EQ(source.Start([](const XiMouseEvent&) { ADD_FAILURE(); }), XiStart::kNotX11);
    EXPECT_FALSE(source.Running());
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("only clicks on the window"), std::string::npos);
    source.Stop();  // harmless
  }
}

class XiMouseSourceTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || (player_ = XOpenDisplay(name)) == nullptr) GTEST_SKIP() << "no X server";
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(player_, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTest";
  }
  void TearDown() override {
    source_.Stop();
    if (player_ != nullptr) XCloseDisplay(player_);
  }
  XiStart Start() {
    return source_.Start([this](const XiMouseEvent& m) {
      std::lock_guard lock(mutex_);
      seen_.push_back({m.message, m.mouseData});
      positions_.emplace_back(m.x, m.y);
      arrived_.notify_all();
    });
  }
  void Click(unsigned button, bool pressed) {
    XTestFakeButtonEvent(player_, button, pressed ? True : False, CurrentTime);
  }
  void Move(int x, int y) { XTestFakeMotionEvent(player_, -1, x, y, CurrentTime); }
  // Waits for `count` events (the source's thread delivers them), then a moment for extras.
  std::vector<Seen> WaitFor(std::size_t count) {
    XSync(player_, False);
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return seen_.size() >= count; });
    return seen_;
  }

  Display* player_ = nullptr;
  XiMouseSource source_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Seen> seen_;
  std::vector<std::pair<int, int>> positions_;
};

TEST_F(XiMouseSourceTest, ButtonsAndNotchesInOrderAndNeverMotion) {
  ASSERT_EQ(Start(), XiStart::kStarted);
  EXPECT_EQ(Start(), XiStart::kAlreadyOn);
  Move(10, 10);
  Click(1, true);
  // The position is the pointer's when the source takes the event: let it take this one.
  ASSERT_EQ(WaitFor(1).size(), 1u);
  Move(200, 150);  // a drag: still no motion reported
  Click(1, false);
  Click(3, true);
  Click(3, false);
  for (int notch = 0; notch < 3; ++notch) {
    Click(5, true);
    Click(5, false);
  }
  Click(8, true);
  Click(8, false);
  Click(9, true);
  Click(9, false);
  Move(300, 300);
  Click(2, true);  // the last one: once it is in, nothing before it can still come
  Click(2, false);
  const std::vector<Seen> expected = {
      {kLeftButtonDown, 0}, {kLeftButtonUp, 0}, {kRightButtonDown, 0}, {kRightButtonUp, 0},
      {kMouseWheel, High(-120)}, {kMouseWheel, High(-120)}, {kMouseWheel, High(-120)},
      {kSideButtonDown, High(kSideButtonBack)}, {kSideButtonUp, High(kSideButtonBack)},
      {kSideButtonDown, High(kSideButtonForward)}, {kSideButtonUp, High(kSideButtonForward)},
      {kMiddleButtonDown, 0}, {kMiddleButtonUp, 0}};
  EXPECT_EQ(WaitFor(expected.size()), expected);
  std::lock_guard lock(mutex_);
  EXPECT_EQ(positions_.front(), std::make_pair(10, 10));
  EXPECT_EQ(positions_.back(), std::make_pair(300, 300));
}

// Over a window of this process the window's own events report the clicks: none comes twice.
TEST_F(XiMouseSourceTest, ClicksOnOurOwnWindowAreLeftToIt) {
  const Window own = XCreateSimpleWindow(player_, DefaultRootWindow(player_), 100, 100, 200, 100, 0, 0, 0);
  const long pid = getpid();
  XChangeProperty(player_, own, XInternAtom(player_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  XMapWindow(player_, own);
  XSync(player_, False);
  ASSERT_EQ(Start(), XiStart::kStarted);
  Move(150, 150);  // over it
  Click(1, true);
  Click(1, false);
  // Where the pointer is counts when the source takes the event: let it take both first.
  XSync(player_, False);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (source_.EventsSeen() < 2 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(source_.EventsSeen(), 2u);
  Move(500, 500);  // over no window of ours
  Click(3, true);
  const std::vector<Seen> expected = {{kRightButtonDown, 0}};
  EXPECT_EQ(WaitFor(1), expected);
  Click(3, false);
  XDestroyWindow(player_, own);
}

TEST_F(XiMouseSourceTest, NothingAfterStopAndAgainAfterARestart) {
  ASSERT_EQ(Start(), XiStart::kStarted);
  Click(1, true);
  Click(1, false);
  EXPECT_EQ(WaitFor(2).size(), 2u);
  source_.Stop();
  EXPECT_FALSE(source_.Running());
  Click(3, true);
  Click(3, false);
  XSync(player_, False);
  ASSERT_EQ(Start(), XiStart::kStarted);
  Click(2, true);
  const std::vector<Seen> expected = {{kLeftButtonDown, 0}, {kLeftButtonUp, 0}, {kMiddleButtonDown, 0}};
  EXPECT_EQ(WaitFor(3), expected);  // the right click while stopped never arrives
  Click(2, false);
}

}  // namespace
}  // namespace tavrinex::platform
