// Which program owns the window in front. A source watches the desktop and reports the full
// path of the foreground program's executable whenever the active window changes; it never
// polls, so an idle desktop costs nothing. Desktops that do not tell programs which window is
// in front get a source that knows nothing (no profile then matches).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop_session.h"

namespace tavrinex::platform {

// The executable of a process ("/proc/PID/exe"); empty when the process has gone or belongs to
// someone whose executable we may not read.
[[nodiscard]] std::string ExecutableOfProcess(long pid);

class ForegroundSource {
 public:
  // Called on the source's own thread with the foreground executable ("" when unknown): once
  // after Start, then after every change of the active window.
  using Changed = std::function<void(const std::string& executable)>;

  virtual ~ForegroundSource() = default;
  // For the diagnostic line at start ("x11", "kwin", "none").
  [[nodiscard]] virtual std::string_view Name() const = 0;
  // False when this desktop does not tell programs which window is in front.
  [[nodiscard]] virtual bool Knows() const = 0;
  virtual void Start(Changed changed) = 0;
  // Ends the watching thread; returns within about 100 ms.
  virtual void Stop() = 0;
};

// X11 (_NET_ACTIVE_WINDOW of the root window, watched for changes); nothing when there is no
// X server or its window manager does not publish the active window.
[[nodiscard]] std::unique_ptr<ForegroundSource> MakeX11ForegroundSource(const std::string& display);

// KDE Plasma on Wayland: a KWin script reports the active window's process id to us over the
// session bus. `busAddress` empty: the session bus.
[[nodiscard]] std::unique_ptr<ForegroundSource> MakeKWinForegroundSource(const std::string& busAddress = {});

[[nodiscard]] std::unique_ptr<ForegroundSource> MakeUnknownForegroundSource();

// X11 sessions use X11; Plasma on Wayland uses KWin; other Wayland desktops are unknown.
[[nodiscard]] std::unique_ptr<ForegroundSource> ChooseForegroundSource(const DesktopSession& session);

}  // namespace tavrinex::platform
