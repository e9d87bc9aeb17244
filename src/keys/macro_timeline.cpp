#include "keys/macro_timeline.h"

#include <map>
#include <utility>

namespace tavrinex::keys {

namespace {

// What a lane stands for: the event without its press bit, and its value (key usage, modifier
// mask, button mask, or the direction of a movement).
using LaneKey = std::pair<std::uint8_t, std::uint8_t>;

bool IsInstant(MacroAction a) {
  const std::uint8_t code = a.eventCode & 0x7F;
  return a.eventCode == kEventWheel || code == kEventMoveX || code == kEventMoveY;
}

}  // namespace

MacroTimeline BuildTimeline(std::span<const TimelineRow> rows) {
  MacroTimeline timeline;
  std::map<LaneKey, std::size_t> laneOf;
  std::map<std::size_t, std::size_t> openBar;  // lane -> index in bars of its unreleased press
  std::uint32_t now = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MacroAction a = rows[i].action;
    timeline.rowStartMs.push_back(now);
    // Movements share a lane per axis; keys and buttons get one each.
    const LaneKey key = IsInstant(a) ? LaneKey{a.eventCode == kEventWheel ? kEventWheel : a.eventCode & 0x7F, 0}
                                     : LaneKey{a.eventCode & 0x7F, a.eventValue};
    auto [it, added] = laneOf.try_emplace(key, timeline.lanes.size());
    if (added) timeline.lanes.push_back(rows[i].name);
    const std::size_t lane = it->second;
    if (IsInstant(a)) {
      timeline.instants.push_back({lane, now, i, false});
    } else if (IsPressed(a)) {
      if (auto open = openBar.find(lane); open != openBar.end()) {  // pressed again unreleased
        timeline.bars[open->second].endMs = now;
      }
      openBar[lane] = timeline.bars.size();
      timeline.bars.push_back({lane, now, now, i, std::nullopt});
    } else if (auto open = openBar.find(lane); open != openBar.end()) {
      timeline.bars[open->second].endMs = now;
      timeline.bars[open->second].releaseRow = i;
      openBar.erase(open);
    } else {
      timeline.instants.push_back({lane, now, i, true});
    }
    const std::uint32_t stored = 10u * DelayUnits(a);
    timeline.pauses.push_back({i, stored, rows[i].recordedMs});
    now += stored;
  }
  timeline.totalMs = now;
  for (const auto& [lane, bar] : openBar) timeline.bars[bar].endMs = now;
  return timeline;
}

}  // namespace tavrinex::keys
