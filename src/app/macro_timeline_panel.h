// The macro page's timeline and the macro memory line under the action list: finds the
// timeline control ("kb_macro_timeline" / "ms_macro_timeline", of class "MacroTimeline") and the
// capacity label ("kb_macro_capacity_text" / "ms_macro_capacity_text") in the window, and shows
// what the editor hands it. A skin without them leaves the panel doing nothing. UI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "appearance/macro_timeline_view.h"
#include "device/device_kind.h"
#include "keys/macro_capacity.h"
#include "keys/macro_timeline.h"
#include "ui/window.h"

namespace tavrinex::app {

inline constexpr std::string_view kCapacityText = "macro_capacity_text";        // used, capacity
inline constexpr std::string_view kCapacityOver = "macro_capacity_over";        // used, capacity
inline constexpr std::string_view kCapacityNone = "macro_capacity_none";
inline constexpr std::string_view kCapacityUnknown = "macro_capacity_unknown";  // used

class MacroTimelinePanel {
 public:
  using Translate = std::function<std::string(std::string_view)>;
  MacroTimelinePanel(ui::Window& window, device::DeviceKind kind, Translate translate);

  [[nodiscard]] static std::string TimelineName(device::DeviceKind kind);
  [[nodiscard]] static std::string CapacityName(device::DeviceKind kind);

  // The rows of the action list, at once (the editor calls it after every change of them).
  void Show(std::span<const keys::TimelineRow> rows);
  // The library's bytes in the device's macro area (capacity 0: the device has none).
  void ShowCapacity(std::size_t usedBytes, std::size_t capacityBytes);
  // The same before the device was read: its macro area is not known yet.
  void ShowCapacityUnknown(std::size_t usedBytes);
  // After a language switch: the texts composed here, anew (the timeline repaints itself).
  void Relabel();

  [[nodiscard]] bool HasTimeline() const { return timeline_ != nullptr; }
  [[nodiscard]] bool HasCapacity() const { return capacity_ != nullptr; }

 private:
  struct Shown {
    std::size_t used = 0;
    std::optional<std::size_t> capacity;
  };
  void ShowText(const Shown& shown);

  appearance::CMacroTimelineUI* timeline_ = nullptr;
  ui::Control* capacity_ = nullptr;
  Translate translate_;
  std::optional<Shown> shown_;
};

}  // namespace tavrinex::app
