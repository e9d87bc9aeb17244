// The timeline of a macro as the device will play it: a time axis with ticks, one lane per key
// or button (names at the left) with its presses and releases as bars, wheel turns and moves
// as instants, a mark under every pause whose recorded length the 10 ms steps of the device
// rounded, and the total duration. Tips name what lies under the pointer. The texts are
// language ids, translated when drawn, so a language switch only needs a repaint.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/macro_timeline.h"
#include "ui/custom_control.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kMacroTimelineClass = "MacroTimeline";

namespace timeline {
// Language ids.
inline constexpr std::string_view kEmpty = "macro_timeline_empty";
inline constexpr std::string_view kTotal = "macro_timeline_total";             // "%s"
inline constexpr std::string_view kMilliseconds = "macro_timeline_ms";         // "%d"
inline constexpr std::string_view kSeconds = "macro_timeline_s";               // "%s"
inline constexpr std::string_view kWheel = "macro_timeline_wheel";
inline constexpr std::string_view kMoveX = "macro_timeline_move_x";
inline constexpr std::string_view kMoveY = "macro_timeline_move_y";
inline constexpr std::string_view kBarTip = "macro_timeline_bar_tip";          // name, from, to
inline constexpr std::string_view kHeldTip = "macro_timeline_held_tip";        // name, from
inline constexpr std::string_view kInstantTip = "macro_timeline_instant_tip";  // name, at
inline constexpr std::string_view kUnpairedTip = "macro_timeline_unpaired_tip";  // name, at
inline constexpr std::string_view kPauseTip = "macro_timeline_pause_tip";      // name, stored ms (%d)
inline constexpr std::string_view kRoundedTip = "macro_timeline_rounded_tip";  // name, recorded, stored ms

// Colours of the skin: the panel, its lines, the texts, the accent of the keys.
inline constexpr ui::Argb kBackground = 0xFF171B22;
inline constexpr ui::Argb kStripe = 0xFF1E242D;  // every other lane, to follow a lane by eye
inline constexpr ui::Argb kAxis = 0xFF3C4452;
inline constexpr ui::Argb kText = 0xFFD7DDE8;
inline constexpr ui::Argb kMutedText = 0xFF8E98A8;
inline constexpr ui::Argb kKeyBar = 0xFF19C3F0;
inline constexpr ui::Argb kButtonBar = 0xFF9D90FC;
inline constexpr ui::Argb kHeldBar = 0x8019C3F0;
inline constexpr ui::Argb kInstant = 0xFFE6EBF2;
inline constexpr ui::Argb kUnpaired = 0xFFFF5A5A;
inline constexpr ui::Argb kRounded = 0xFFF4C471;

// Geometry in pixels.
inline constexpr int kNameWidth = 84;
inline constexpr int kAxisHeight = 14;
inline constexpr int kRightMargin = 8;
inline constexpr int kMaxLaneHeight = 16;
inline constexpr int kMinLaneHeight = 7;
inline constexpr int kMinNamedLane = 8;  // lanes lower than this show no name
inline constexpr int kTickSpacing = 70;  // the least room between labelled ticks
inline constexpr int kTextPixels = 10;
inline constexpr int kHitSlack = 3;

// The step between labelled ticks: the smallest of 10, 20, 50, 100, ... ms that keeps ticks
// at least kTickSpacing pixels apart over `pixels` for `totalMs`.
[[nodiscard]] std::uint32_t TickStepMs(std::uint32_t totalMs, int pixels);
// "850 ms", "1.5 s", "12 s" through the language's formats.
[[nodiscard]] std::string FormatDuration(std::uint32_t ms,
                                         const std::function<std::string(std::string_view)>& tr);
// Replaces each "%d" or "%s" of `format`, in order, with the next value.
[[nodiscard]] std::string Fill(std::string format, std::span<const std::string> values);
}  // namespace timeline

class CMacroTimelineUI final : public ui::CustomControl {
 public:
  using Translate = std::function<std::string(std::string_view)>;

  // The rows as the action list holds them; the timeline is drawn anew at once.
  void SetRows(std::span<const keys::TimelineRow> rows);
  // Language ids (texts and lane names) go through this when drawn; unset: shown as they are.
  void SetTranslator(Translate translate);
  [[nodiscard]] const keys::MacroTimeline& Timeline() const { return timeline_; }
  // What lane `lane` is called (translated).
  [[nodiscard]] std::string LaneName(std::size_t lane) const;

  // The x of a time, and the lanes drawn, for a control of `size`.
  [[nodiscard]] int XOf(std::uint32_t ms, ui::Rect size) const;
  [[nodiscard]] int LaneHeight(ui::Rect size) const;
  [[nodiscard]] std::size_t LanesShown(ui::Rect size) const;

  [[nodiscard]] std::string ClassName() const override { return std::string(kMacroTimelineClass); }
  void Paint(ui::Painter& painter, ui::Rect bounds) override;
  [[nodiscard]] std::string ToolTipAt(ui::Point at, ui::Rect size) const override;

 private:
  enum class LaneKind : std::uint8_t { kKey, kButton, kWheel, kMoveX, kMoveY };
  [[nodiscard]] std::string Tr(std::string_view id) const;
  [[nodiscard]] std::string Ms(std::uint32_t ms) const;
  [[nodiscard]] std::string RowName(std::size_t row) const;
  [[nodiscard]] ui::Argb BarColour(std::size_t lane) const;
  void PaintAxis(ui::Painter& p, ui::Rect b) const;
  void PaintLanes(ui::Painter& p, ui::Rect b) const;
  [[nodiscard]] std::string LaneTip(std::size_t lane, int x, ui::Rect size) const;
  [[nodiscard]] std::string AxisTip(int x, ui::Rect size) const;

  keys::MacroTimeline timeline_;
  std::vector<std::string> rowNames_;
  std::vector<LaneKind> laneKinds_;
  Translate translate_;
};

}  // namespace tavrinex::appearance
