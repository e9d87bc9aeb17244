#include "ui/events.h"

namespace tavrinex::ui {

std::optional<EventType> ParseEventType(std::string_view name) {
  for (std::size_t i = 0; i < kEventTypeNames.size(); ++i) {
    if (kEventTypeNames[i] == name) return static_cast<EventType>(i);
  }
  return std::nullopt;
}

}  // namespace tavrinex::ui
