// The X11 source against a private X server (ctest runs it under xvfb-run): the test plays the
// window manager, publishing _NET_ACTIVE_WINDOW and each window's _NET_WM_PID.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "foreground_test_support.h"
#include "platform/foreground.h"

namespace tavrinex::platform {
namespace {

class X11ForegroundTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr) GTEST_SKIP() << "no X server";
    display_ = name;
    c_ = xcb_connect(name, nullptr);
    if (xcb_connection_has_error(c_) != 0) GTEST_SKIP() << "no X server";
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    active_ = Atom("_NET_ACTIVE_WINDOW");
    pidAtom_ = Atom("_NET_WM_PID");
  }
  void TearDown() override {
    if (c_ != nullptr) xcb_disconnect(c_);
  }

  xcb_atom_t Atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r->atom;
    std::free(r);
    return atom;
  }
  // A window owned by process `pid` (0: a window without _NET_WM_PID).
  xcb_window_t Window(std::uint32_t pid) {
    const xcb_window_t w = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (pid != 0) xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, pidAtom_, XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_flush(c_);
    return w;
  }
  void Activate(xcb_window_t w) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, active_, XCB_ATOM_WINDOW, 32, 1, &w);
    xcb_flush(c_);
  }

  std::string display_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = 0;
  xcb_atom_t active_ = 0;
  xcb_atom_t pidAtom_ = 0;
};

TEST_F(X11ForegroundTest, EveryActiveWindowChangeReportsItsProgram) {
  test::SleepingChild sleeper;
  const xcb_window_t mine = Window(static_cast<std::uint32_t>(::getpid()));
  const xcb_window_t theirs = Window(static_cast<std::uint32_t>(sleeper.Pid()));
  const xcb_window_t anonymous = Window(0);
  Activate(mine);

  auto source = MakeX11ForegroundSource(display_);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->Name(), "x11");
  test::Reports reports;
  source->Start([&reports](const std::string& path) { reports.Add(path); });
  EXPECT_EQ(reports.WaitFor(1).back(), test::SelfExecutable()) << "the program in front at start";
  Activate(theirs);
  const auto afterSwitch = reports.WaitFor(2);
  ASSERT_EQ(afterSwitch.size(), 2U);
  EXPECT_TRUE(afterSwitch[1].ends_with("/sleep")) << afterSwitch[1];
  Activate(anonymous);
  EXPECT_EQ(reports.WaitFor(3).at(2), "") << "a window without _NET_WM_PID names no program";
  source->Stop();
}

// The source reads the window in front right after it starts listening: a change that arrives
// while it waits for those replies must still be reported.
TEST_F(X11ForegroundTest, AChangeDuringTheFirstReadingIsNotLost) {
  test::SleepingChild sleeper;
  const xcb_window_t mine = Window(static_cast<std::uint32_t>(::getpid()));
  const xcb_window_t theirs = Window(static_cast<std::uint32_t>(sleeper.Pid()));
  for (int round = 0; round < 20; ++round) {
    Activate(mine);
    auto source = MakeX11ForegroundSource(display_);
    ASSERT_NE(source, nullptr);
    test::Reports reports;
    source->Start([&reports](const std::string& path) { reports.Add(path); });
    Activate(theirs);
    const std::string first = reports.WaitFor(1).front();
    const std::string last = first.ends_with("/sleep") ? first : reports.WaitFor(2).back();
    EXPECT_TRUE(last.ends_with("/sleep")) << "round " << round << ": " << last;
    source->Stop();
  }
}

TEST_F(X11ForegroundTest, NoDisplayNoSource) {
  EXPECT_EQ(MakeX11ForegroundSource(""), nullptr);
  EXPECT_EQ(MakeX11ForegroundSource(":4711"), nullptr);
}

TEST(ExecutableOfProcessTest, OwnProcessAndGoneProcesses) {
  EXPECT_EQ(ExecutableOfProcess(::getpid()), test::SelfExecutable());
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(ExecutableOfProcess(child), "");
  EXPECT_EQ(ExecutableOfProcess(0), "");
  EXPECT_EQ(ExecutableOfProcess(-5), "");
}

}  // namespace
}  // namespace tavrinex::platform
