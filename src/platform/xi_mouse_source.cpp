#include "platform/xi_mouse_source.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace tavrinex::platform {
namespace {

struct ButtonMessages {
  std::uint32_t down;
  std::uint32_t up;
  std::uint16_t sideButton;
};

// X buttons 1-3 and 8-9 (index = button - 1; 4-7 are the wheel, handled apart).
constexpr std::array<std::optional<ButtonMessages>, 9> kButtons = {{
    ButtonMessages{kLeftButtonDown, kLeftButtonUp, 0},
    ButtonMessages{kMiddleButtonDown, kMiddleButtonUp, 0},
    ButtonMessages{kRightButtonDown, kRightButtonUp, 0},
    std::nullopt, std::nullopt, std::nullopt, std::nullopt,
    ButtonMessages{kSideButtonDown, kSideButtonUp, kSideButtonBack},
    ButtonMessages{kSideButtonDown, kSideButtonUp, kSideButtonForward},
}};

std::uint32_t HighWord(std::int32_t value) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(value)) << 16;
}

}  // namespace

std::optional<XiMouseEvent> TranslateXButton(int button, bool pressed) {
  if (button >= 4 && button <= 7) {
    if (!pressed) return std::nullopt;  // a notch is one press and release: report it once
    const bool vertical = button <= 5;
    const bool away = button == 4 || button == 7;  // up, or right
    return XiMouseEvent{vertical ? kMouseWheel : kMouseHorizontalWheel,
                        HighWord(away ? kWheelDelta : -kWheelDelta)};
  }
  if (button < 1 || button > static_cast<int>(kButtons.size())) return std::nullopt;
  const auto& b = kButtons[static_cast<std::size_t>(button - 1)];
  if (!b) return std::nullopt;
  return XiMouseEvent{pressed ? b->down : b->up, HighWord(b->sideButton)};
}

struct XiMouseSource::Run {
  Display* display = nullptr;
  int opcode = 0;  // of XInputExtension
  int stopFd = -1;
  std::thread thread;

  ~Run() {
    if (thread.joinable()) {
      const std::uint64_t one = 1;
      (void)!write(stopFd, &one, sizeof one);
      thread.join();
    }
    if (display != nullptr) XCloseDisplay(display);
    if (stopFd >= 0) close(stopFd);
  }
  void Loop(const Deliver& deliver) const;
  void Drain(const Deliver& deliver) const;
  [[nodiscard]] long OwnerPid(Window top) const;

  Atom pidAtom = 0;
  long ownPid = 0;
  std::atomic<std::uint64_t>* seen = nullptr;
};

// The process of a top-level window: its _NET_WM_PID, or that of a window inside it (a window
// manager's frame holds the client window); 0 when none says.
long XiMouseSource::Run::OwnerPid(Window top) const {
  std::vector<Window> level = {top};
  for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
    std::vector<Window> next;
    for (const Window w : level) {
      Atom type = 0;
      int format = 0;
      unsigned long items = 0;
      unsigned long after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                             &after, &data) == Success && data != nullptr) {
        long pid = 0;
        if (format == 32 && items == 1) std::memcpy(&pid, data, sizeof pid);  // Xlib's 32: a long
        XFree(data);
        if (pid != 0) return pid;
      }
      Window root = 0;
      Window parent = 0;
      Window* children = nullptr;
      unsigned count = 0;
      if (XQueryTree(display, w, &root, &parent, &children, &count) && children != nullptr) {
        next.insert(next.end(), children, children + count);
        XFree(children);
      }
    }
    level = std::move(next);
  }
  return 0;
}

// Sleeps until the X connection has something or the stop signal comes.
void XiMouseSource::Run::Loop(const Deliver& deliver) const {
  std::array<pollfd, 2> fds = {{{ConnectionNumber(display), POLLIN, 0}, {stopFd, POLLIN, 0}}};
  for (;;) {
    Drain(deliver);
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) return;  // the X server went away
  }
}

void XiMouseSource::Run::Drain(const Deliver& deliver) const {
  while (XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
    XGenericEventCookie* cookie = &e.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != opcode || !XGetEventData(display, cookie)) {
      continue;
    }
    if (cookie->evtype == XI_RawButtonPress || cookie->evtype == XI_RawButtonRelease) {
      const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
      if (auto m = TranslateXButton(raw->detail, cookie->evtype == XI_RawButtonPress)) {
        // Raw events carry no position: ask where the pointer is now, and over whose window.
        Window root = 0;
        Window child = 0;
        int wx = 0;
        int wy = 0;
        unsigned mask = 0;
        if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &m->x, &m->y, &wx,
                          &wy, &mask) &&
            child != 0 && OwnerPid(child) == ownPid) {
          seen->fetch_add(1);
          XFreeEventData(display, cookie);
          continue;
        }
        deliver(*m);
        seen->fetch_add(1);
      }
    }
    XFreeEventData(display, cookie);
  }
}

XiMouseSource::XiMouseSource(Diagnostic diagnostic, Environment environment)
    : diagnostic_(std::move(diagnostic)), environment_(std::move(environment)) {
  if (!environment_) environment_ = [](const char* name) { return std::getenv(name); };
}

XiMouseSource::~XiMouseSource() { Stop(); }

bool XiMouseSource::Running() const { return run_ != nullptr; }

XiStart XiMouseSource::Start(Deliver deliver) {
  if (run_) return XiStart::kAlreadyOn;
  const auto say = [this](std::string_view line) {
    if (diagnostic_) diagnostic_(line);
  };
  const char* session = environment_("XDG_SESSION_TYPE");
  const char* wayland = environment_("WAYLAND_DISPLAY");
  const char* displayName = environment_("DISPLAY");
  if ((wayland != nullptr && *wayland != '\0') || (session != nullptr && std::strcmp(session, "wayland") == 0) ||
      displayName == nullptr || *displayName == '\0') {
    say("mouse recording: no X11 session; only clicks on the window are recorded");
    return XiStart::kNotX11;
  }
  auto run = std::make_unique<Run>();
  run->display = XOpenDisplay(displayName);
  if (run->display == nullptr) {
    say("mouse recording: cannot open the X display; only clicks on the window are recorded");
    return XiStart::kNotX11;
  }
  int event = 0;
  int error = 0;
  int major = 2;
  int minor = 0;
  if (!XQueryExtension(run->display, "XInputExtension", &run->opcode, &event, &error) ||
      XIQueryVersion(run->display, &major, &minor) != Success) {
    say("mouse recording: the X server has no XInput 2; only clicks on the window are recorded");
    return XiStart::kNoXInput2;
  }
  std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
  XISetMask(bits.data(), XI_RawButtonPress);
  XISetMask(bits.data(), XI_RawButtonRelease);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
  XISelectEvents(run->display, DefaultRootWindow(run->display), &mask, 1);
  XSync(run->display, False);
  run->pidAtom = XInternAtom(run->display, "_NET_WM_PID", False);
  run->ownPid = static_cast<long>(getpid());
  run->seen = &seen_;
  run->stopFd = eventfd(0, EFD_CLOEXEC);
  if (run->stopFd < 0) {
    say("mouse recording: no eventfd for the X11 source");
    return XiStart::kNotX11;
  }
  Run* r = run.get();
  run->thread = std::thread([r, deliver = std::move(deliver)] { r->Loop(deliver); });
  run_ = std::move(run);
  return XiStart::kStarted;
}

void XiMouseSource::Stop() { run_.reset(); }

bool XiSystemMouse::Start(std::function<void(const MouseHookEvent&)> deliver) {
  return source_.Start([deliver = std::move(deliver)](const XiMouseEvent& e) {
    if (e.message != kMouseHorizontalWheel) deliver({e.message, e.SecondSideButton(), {}});
  }) == XiStart::kStarted;
}

}  // namespace tavrinex::platform
