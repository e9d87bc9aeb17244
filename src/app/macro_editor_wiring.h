// Wires the macro pages of the keyboard and the mouse into the main window: their routes, the
// recording messages of the input capture, the row clicks, and the key pages' labels and
// macro choices after a library change.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/key_editor_wiring.h"
#include "app/macro_timeline_panel.h"
#include "app/main_wnd.h"
#include "keys/macro_editor.h"

namespace tavrinex::app {

// Milliseconds of the monotonic clock (tests inject their own).
using MonotonicClock = std::function<std::uint64_t()>;
[[nodiscard]] std::uint64_t SteadyMilliseconds();

class MacroEditorWiring {
 public:
  // keyPages may be null (no key pages to keep in step).
  MacroEditorWiring(CMainWnd& window, KeyEditorWiring* keyPages,
                    MonotonicClock clock = SteadyMilliseconds);
  ~MacroEditorWiring();
  MacroEditorWiring(const MacroEditorWiring&) = delete;
  MacroEditorWiring& operator=(const MacroEditorWiring&) = delete;

  [[nodiscard]] keys::MacroEditor& Editor(device::DeviceKind kind) {
    return kind == device::DeviceKind::kMouse ? mouse_ : keyboard_;
  }
  [[nodiscard]] MacroTimelinePanel& Timeline(device::DeviceKind kind) {
    return kind == device::DeviceKind::kMouse ? mousePanel_ : keyboardPanel_;
  }

 // The macro memory line follows the device: its area is known once it was read.
  void FollowConnects(device::WindowHooks& hooks);

 private:
  keys::MacroEditorContext Context(device::DeviceKind kind);
  void RegisterRoutes(keys::MacroEditor& editor, device::DeviceKind kind);
  void ChainShellHooks();
  // The timeline and the macro memory line follow the rows as they are, saved or not.
  void ShowTimeline(device::DeviceKind kind, std::span<const keys::TimelineRow> rows);

  CMainWnd& window_;
  KeyEditorWiring* keyPages_;
  MonotonicClock clock_;
  keys::MacroEditor keyboard_;
  keys::MacroEditor mouse_;
  MacroTimelinePanel keyboardPanel_;
  MacroTimelinePanel mousePanel_;
  // The library's macros as saved, read again whenever the rows are the saved ones.
  std::vector<keys::MacroActions> keyboardLibrary_;
  std::vector<keys::MacroActions> mouseLibrary_;
  // Expires with this object: the shell's hook chains outlive it.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tavrinex::app
