#include "appearance/macro_timeline_view.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tavrinex::appearance {

using keys::MacroAction;

namespace timeline {

std::uint32_t TickStepMs(std::uint32_t totalMs, int pixels) {
  constexpr std::array<std::uint32_t, 3> kMantissas = {1, 2, 5};
  const auto most = static_cast<std::uint64_t>(std::max(pixels / kTickSpacing, 1));  // ticks that fit
  for (std::uint64_t decade = 10;; decade *= 10) {
    for (const std::uint32_t m : kMantissas) {
      const std::uint64_t step = m * decade;
      if (totalMs / step <= most || step >= 1'000'000'000) return static_cast<std::uint32_t>(step);
    }
  }
}

std::string Fill(std::string format, std::span<const std::string> values) {
  std::size_t from = 0;
  for (const std::string& v : values) {
    std::size_t at = format.find('%', from);
    while (at != std::string::npos && at + 1 < format.size() && format[at + 1] != 'd' &&
           format[at + 1] != 's') {
      at = format.find('%', at + 1);
    }
    if (at == std::string::npos || at + 1 >= format.size()) break;
    format.replace(at, 2, v);
    from = at + v.size();
  }
  return format;
}

std::string FormatDuration(std::uint32_t ms,
                           const std::function<std::string(std::string_view)>& tr) {
  const auto text = [&](std::string_view id) { return tr ? tr(id) : std::string(id); };
  if (ms < 1000) {
    const std::array<std::string, 1> v = {std::to_string(ms)};
    return Fill(text(kMilliseconds), v);
  }
  // Seconds with the hundredths that are not zero: 1.5 s, 1.23 s, 12 s.
  std::string s = std::to_string(ms / 1000);
  if (const std::uint32_t hundredths = (ms % 1000) / 10; hundredths != 0) {
    s += '.';
    s += static_cast<char>('0' + hundredths / 10);
    if (hundredths % 10 != 0) s += static_cast<char>('0' + hundredths % 10);
  }
  const std::array<std::string, 1> v = {s};
  return Fill(text(kSeconds), v);
}

}  // namespace timeline

namespace {

using namespace timeline;

int Top(ui::Rect b) { return b.y + 1; }
int AxisY(ui::Rect b) { return b.y + b.height - kAxisHeight; }

}  // namespace

void CMacroTimelineUI::SetRows(std::span<const keys::TimelineRow> rows) {
  timeline_ = keys::BuildTimeline(rows);
  rowNames_.clear();
  std::vector<MacroAction> actions;
  for (const auto& r : rows) {
    rowNames_.push_back(r.name);
    actions.push_back(r.action);
  }
  laneKinds_.assign(timeline_.lanes.size(), LaneKind::kKey);
  const auto kindOf = [](MacroAction a) {
    if (a.eventCode == keys::kEventWheel) return LaneKind::kWheel;
    const std::uint8_t code = a.eventCode & 0x7F;
    if (code == keys::kEventMoveX) return LaneKind::kMoveX;
    if (code == keys::kEventMoveY) return LaneKind::kMoveY;
    return keys::IsMouseAction(a) ? LaneKind::kButton : LaneKind::kKey;
  };
  for (const auto& bar : timeline_.bars) laneKinds_[bar.lane] = kindOf(actions[bar.pressRow]);
  for (const auto& in : timeline_.instants) laneKinds_[in.lane] = kindOf(actions[in.row]);
  RequestRepaint();
}

void CMacroTimelineUI::SetTranslator(Translate translate) {
  translate_ = std::move(translate);
  RequestRepaint();
}

std::string CMacroTimelineUI::Tr(std::string_view id) const {
  return translate_ ? translate_(id) : std::string(id);
}

std::string CMacroTimelineUI::Ms(std::uint32_t ms) const { return FormatDuration(ms, translate_); }

std::string CMacroTimelineUI::LaneName(std::size_t lane) const {
  switch (laneKinds_.at(lane)) {
    case LaneKind::kWheel: return Tr(kWheel);
    case LaneKind::kMoveX: return Tr(kMoveX);
    case LaneKind::kMoveY: return Tr(kMoveY);
    default: return Tr(timeline_.lanes[lane]);
  }
}

std::string CMacroTimelineUI::RowName(std::size_t row) const {
  return rowNames_[row].empty() ? Tr(kWheel) : Tr(rowNames_[row]);
}

ui::Argb CMacroTimelineUI::BarColour(std::size_t lane) const {
  return laneKinds_[lane] == LaneKind::kKey ? kKeyBar : kButtonBar;
}

int CMacroTimelineUI::XOf(std::uint32_t ms, ui::Rect b) const {
  const int x0 = b.x + kNameWidth;
  const int width = std::max(b.width - kNameWidth - kRightMargin, 1);
  if (timeline_.totalMs == 0) return x0;
  return x0 + static_cast<int>(static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(width) /
                               timeline_.totalMs);
}

int CMacroTimelineUI::LaneHeight(ui::Rect b) const {
  const int room = AxisY(b) - Top(b);
  const int lanes = std::max(static_cast<int>(timeline_.lanes.size()), 1);
  return std::clamp(room / lanes, kMinLaneHeight, kMaxLaneHeight);
}

// Lanes that do not fit leave their last row to a "+N" line.
std::size_t CMacroTimelineUI::LanesShown(ui::Rect b) const {
  const std::size_t rows = static_cast<std::size_t>(std::max((AxisY(b) - Top(b)) / LaneHeight(b), 1));
  return timeline_.lanes.size() <= rows ? timeline_.lanes.size() : rows - 1;
}

void CMacroTimelineUI::Paint(ui::Painter& p, ui::Rect b) {
  p.FillRect(b, kBackground);
  p.SetTextPixels(kTextPixels);
  if (timeline_.rowStartMs.empty()) {
    p.DrawLabel(b, Tr(kEmpty), kMutedText, ui::TextAlign::kCentre, false);
    p.SetTextPixels(0);
    return;
  }
  PaintLanes(p, b);
  PaintAxis(p, b);
  p.SetTextPixels(0);
}

void CMacroTimelineUI::PaintLanes(ui::Painter& p, ui::Rect b) const {
  const int h = LaneHeight(b);
  const std::size_t shown = LanesShown(b);
  const int right = b.x + b.width - kRightMargin;
  const auto laneTop = [&](std::size_t lane) { return Top(b) + static_cast<int>(lane) * h; };
  p.SetTextPixels(std::min(kTextPixels, h + 1));
  for (std::size_t lane = 0; lane < shown; ++lane) {
    if (lane % 2 == 1) p.FillRect({b.x, laneTop(lane), right - b.x, h}, kStripe);
  }
  // Some room above and below: glyphs of a crowded lane may reach into its neighbours.
  for (std::size_t lane = 0; lane < shown && h >= kMinNamedLane; ++lane) {
    p.DrawLabel({b.x + 4, laneTop(lane) - 2, kNameWidth - 8, h + 4}, LaneName(lane), kMutedText,
                ui::TextAlign::kLeft, false);
  }
  if (shown < timeline_.lanes.size()) {
    const std::array<std::string, 1> more = {std::to_string(timeline_.lanes.size() - shown)};
    p.DrawLabel({b.x + 4, laneTop(shown), kNameWidth - 8, h}, Fill("+%d", more), kMutedText,
                ui::TextAlign::kLeft, false);
  }
  const int inset = h >= 10 ? 2 : 1;
  for (const auto& bar : timeline_.bars) {
    if (bar.lane >= shown) continue;
    const int x = XOf(bar.startMs, b);
    const int w = std::max(XOf(bar.endMs, b) - x, 2);
    const ui::Argb colour = bar.releaseRow ? BarColour(bar.lane) : kHeldBar;
    p.FillRect({x, laneTop(bar.lane) + inset, w, h - 2 * inset}, colour);
  }
  for (const auto& in : timeline_.instants) {
    if (in.lane >= shown) continue;
    const int x = XOf(in.atMs, b);
    const ui::Argb colour = in.unpairedRelease ? kUnpaired
                            : laneKinds_[in.lane] == LaneKind::kWheel ? kButtonBar
                                                                      : kInstant;
    p.DrawLine(x, laneTop(in.lane) + 1, x, laneTop(in.lane) + h - 2, colour, 2);
  }
}

void CMacroTimelineUI::PaintAxis(ui::Painter& p, ui::Rect b) const {
  const int y = AxisY(b);
  const int left = b.x + kNameWidth;
  const int right = b.x + b.width - kRightMargin;
  p.SetTextPixels(kTextPixels);
  p.DrawLine(left, y, right, y, kAxis, 1);
  const std::uint32_t step = TickStepMs(timeline_.totalMs, right - left);
  for (std::uint64_t t = 0; t <= timeline_.totalMs; t += step) {
    const int x = XOf(static_cast<std::uint32_t>(t), b);
    p.DrawLine(x, y, x, y + 3, kAxis, 1);
    // The first label starts at its tick; the others are centred, kept inside the control.
    const int labelLeft = t == 0 ? x : std::min(x - kTickSpacing / 2, right - kTickSpacing);
    const auto align = t == 0 ? ui::TextAlign::kLeft : ui::TextAlign::kCentre;
    if (t != 0 && x - kTickSpacing / 2 < left + kTickSpacing / 2) continue;
    p.DrawLabel({labelLeft, y + 3, kTickSpacing, kAxisHeight - 3},
                t == 0 ? std::string("0") : Ms(static_cast<std::uint32_t>(t)), kMutedText, align,
                false);
  }
  // Every action starts with a short tick; a pause the device's steps rounded gets a mark.
  for (const std::uint32_t start : timeline_.rowStartMs) {
    const int x = XOf(start, b);
    p.DrawLine(x, y - 3, x, y, kAxis, 1);
  }
  for (const auto& pause : timeline_.pauses) {
    if (!pause.recordedMs || *pause.recordedMs == pause.storedMs) continue;
    const int x = XOf(timeline_.rowStartMs[pause.row] + pause.storedMs, b);
    p.FillRect({x - 2, y - 5, 4, 5}, kRounded);
  }
  const std::array<std::string, 1> total = {Ms(timeline_.totalMs)};
  p.DrawLabel({b.x + 4, y, kNameWidth - 6, kAxisHeight}, Fill(Tr(kTotal), total), kText,
              ui::TextAlign::kLeft, false);
}

std::string CMacroTimelineUI::ToolTipAt(ui::Point at, ui::Rect size) const {
  if (timeline_.rowStartMs.empty()) return {};
  if (at.y >= AxisY(size) - 5) return AxisTip(at.x, size);
  const int h = LaneHeight(size);
  if (at.y < Top(size)) return {};
  const auto lane = static_cast<std::size_t>((at.y - Top(size)) / h);
  if (lane >= LanesShown(size)) return {};
  if (at.x < size.x + kNameWidth) return LaneName(lane);
  return LaneTip(lane, at.x, size);
}

std::string CMacroTimelineUI::LaneTip(std::size_t lane, int x, ui::Rect size) const {
  for (const auto& in : timeline_.instants) {
    if (in.lane != lane || std::abs(XOf(in.atMs, size) - x) > kHitSlack) continue;
    const std::array<std::string, 2> v = {RowName(in.row), Ms(in.atMs)};
    return Fill(Tr(in.unpairedRelease ? kUnpairedTip : kInstantTip), v);
  }
  for (const auto& bar : timeline_.bars) {
    if (bar.lane != lane) continue;
    const int from = XOf(bar.startMs, size);
    const int to = std::max(XOf(bar.endMs, size), from + 2);
    if (x < from - kHitSlack || x > to + kHitSlack) continue;
    if (!bar.releaseRow) {
      const std::array<std::string, 2> v = {RowName(bar.pressRow), Ms(bar.startMs)};
      return Fill(Tr(kHeldTip), v);
    }
    const std::array<std::string, 3> v = {RowName(bar.pressRow), Ms(bar.startMs), Ms(bar.endMs)};
    return Fill(Tr(kBarTip), v);
  }
  return {};
}

// The rounded pause nearest the pointer first, else the pause whose span holds it.
std::string CMacroTimelineUI::AxisTip(int x, ui::Rect size) const {
  const keys::TimelinePause* found = nullptr;
  for (const auto& pause : timeline_.pauses) {
    if (!pause.recordedMs || *pause.recordedMs == pause.storedMs) continue;
    const int markX = XOf(timeline_.rowStartMs[pause.row] + pause.storedMs, size);
    if (std::abs(markX - x) <= kHitSlack) {
      found = &pause;
      break;
    }
  }
  for (std::size_t i = 0; found == nullptr && i < timeline_.pauses.size(); ++i) {
    const auto& pause = timeline_.pauses[i];
    const std::uint32_t start = timeline_.rowStartMs[pause.row];
    if (pause.storedMs != 0 && x >= XOf(start, size) && x < XOf(start + pause.storedMs, size)) {
      found = &pause;
    }
  }
  if (found == nullptr) return {};
  if (found->recordedMs && *found->recordedMs != found->storedMs) {
    // In whole milliseconds: in seconds, 1234 and 1230 would both read 1.23.
    const std::array<std::string, 3> v = {RowName(found->row), std::to_string(*found->recordedMs),
                                          std::to_string(found->storedMs)};
    return Fill(Tr(kRoundedTip), v);
  }
  const std::array<std::string, 2> v = {RowName(found->row), std::to_string(found->storedMs)};
  return Fill(Tr(kPauseTip), v);
}

}  // namespace tavrinex::appearance
