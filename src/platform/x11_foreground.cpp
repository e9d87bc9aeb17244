// The window manager publishes the active window as the root window's _NET_ACTIVE_WINDOW and
// each window's process as _NET_WM_PID. We listen for changes of the root's properties, so a
// focus change reaches us at once and nothing runs while nothing changes.
#include <poll.h>
#include <xcb/xcb.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/stop_event.h"
#include "platform/foreground.h"

namespace tavrinex::platform {

namespace {

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// The first 32-bit item of a property; 0 when it is missing or of another form.
std::uint32_t Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr);
  std::uint32_t value = 0;
  if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
    std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
  }
  std::free(reply);
  return value;
}

class X11Foreground final : public ForegroundSource {
 public:
  X11Foreground(xcb_connection_t* connection, xcb_window_t root)
      : connection_(connection),
        root_(root),
        activeWindow_(Intern(connection, "_NET_ACTIVE_WINDOW")),
        windowPid_(Intern(connection, "_NET_WM_PID")) {}
  ~X11Foreground() override {
    Stop();
    xcb_disconnect(connection_);
  }
  X11Foreground(const X11Foreground&) = delete;
  X11Foreground& operator=(const X11Foreground&) = delete;

  [[nodiscard]] std::string_view Name() const override { return "x11"; }
  [[nodiscard]] bool Knows() const override { return true; }

  void Start(Changed changed) override {
    if (thread_.joinable()) return;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
    thread_ = std::thread([this, changed = std::move(changed)] { Run(changed); });
  }

  void Stop() override {
    if (!thread_.joinable()) return;
    stop_.Set();
    thread_.join();
  }

 private:
  std::string Current() {
    const xcb_window_t window = Property32(connection_, root_, activeWindow_, XCB_ATOM_WINDOW);
    if (window == XCB_WINDOW_NONE) return {};
    return ExecutableOfProcess(static_cast<long>(Property32(connection_, window, windowPid_, XCB_ATOM_CARDINAL)));
  }

  // The replies that Current() waits for can bring a property event along: xcb keeps it in its
  // queue, and poll() would never see it. So the queue is drained before every wait.
  void Run(const Changed& changed) {
    changed(Current());
    std::array<pollfd, 2> fds = {{{xcb_get_file_descriptor(connection_), POLLIN, 0}, {stop_.Fd(), POLLIN, 0}}};
    while (!stop_.IsSet()) {
      const bool activeChanged = DrainEvents();
      if (xcb_connection_has_error(connection_) != 0) {
        changed("");  // the X server went away: nothing is known any more
        break;
      }
      if (activeChanged) {
        if (!stop_.IsSet()) changed(Current());
        continue;
      }
      if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
    }
  }

  // Takes every event read so far; true when the active window changed among them.
  bool DrainEvents() {
    bool activeChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
      if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        activeChanged = activeChanged || (notify->window == root_ && notify->atom == activeWindow_);
      }
      std::free(event);
    }
    return activeChanged;
  }

  xcb_connection_t* connection_;
  xcb_window_t root_;
  xcb_atom_t activeWindow_;
  xcb_atom_t windowPid_;
  core::StopEvent stop_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ForegroundSource> MakeX11ForegroundSource(const std::string& display) {
  if (display.empty()) return nullptr;
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(display.c_str(), &screenNumber);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return nullptr;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) {
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::make_unique<X11Foreground>(connection, it.data->root);
}

}  // namespace tavrinex::platform
