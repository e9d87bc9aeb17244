#include "app/layout_tags.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "appearance/circle_progress.h"

namespace tavrinex::app {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::optional<ui::TagExpansion> ExpandLayoutTag(std::string_view tag) {
  for (const LayoutTag& entry : kLayoutTags) {
    if (SameIgnoringCase(tag, entry.tag)) return ui::TagExpansion{std::string(entry.layoutFile), {}};
  }
  if (SameIgnoringCase(tag, kCircleProgressTag)) {
    return ui::TagExpansion{{}, std::string(appearance::kCircleProgressClass)};
  }
  return std::nullopt;
}

}  // namespace tavrinex::app
