#include "app/layout_tags.h"

#include <string>

#include "appearance/circle_progress.h"
#include "storage/ignore_case.h"

namespace tavrinex::app {

using profiles::EqualsIgnoringCase;

std::optional<ui::TagExpansion> ExpandLayoutTag(std::string_view tag) {
  for (const LayoutTag& entry : kLayoutTags) {
    if (EqualsIgnoringCase(tag, entry.tag)) return ui::TagExpansion{std::string(entry.layoutFile), {}};
  }
  if (EqualsIgnoringCase(tag, kCircleProgressTag)) {
    return ui::TagExpansion{{}, std::string(appearance::kCircleProgressClass)};
  }
  return std::nullopt;
}

}  // namespace tavrinex::app
