// A macro as the device will play it, on a time axis: each action starts when the pauses of
// the actions before it have passed (a pause follows its action, in stored 10 ms units), presses
// and releases of the same key or button pair into bars, one lane per key or button, and
// movements and wheel turns are instants. Where the editor still knows how long a recorded
// pause really was, the rounding to 10 ms is kept beside it, so it can be shown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "keys/macro_action.h"

namespace tavrinex::keys {

struct TimelineRow {
  MacroAction action;
  std::string name;                         // what the action list shows
  std::optional<std::uint32_t> recordedMs;  // the pause as recorded, before rounding
};

struct TimelineBar {
  std::size_t lane = 0;
  std::uint32_t startMs = 0;
  std::uint32_t endMs = 0;
  std::size_t pressRow = 0;
  std::optional<std::size_t> releaseRow;  // none: held to the end of the macro
};

struct TimelineInstant {
  std::size_t lane = 0;
  std::uint32_t atMs = 0;
  std::size_t row = 0;
  bool unpairedRelease = false;  // a release with no press before it
};

struct TimelinePause {
  std::size_t row = 0;
  std::uint32_t storedMs = 0;
  std::optional<std::uint32_t> recordedMs;  // differs from storedMs by the rounding
};

struct MacroTimeline {
  std::vector<std::string> lanes;  // in order of first appearance
  std::vector<TimelineBar> bars;
  std::vector<TimelineInstant> instants;
  std::vector<std::uint32_t> rowStartMs;
  std::vector<TimelinePause> pauses;
  std::uint32_t totalMs = 0;
};

[[nodiscard]] MacroTimeline BuildTimeline(std::span<const TimelineRow> rows);

}  // namespace tavrinex::keys
