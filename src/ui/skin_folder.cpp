#include <system_error>

#include "ui/ui.h"

namespace tavrinex::ui {

std::filesystem::path FindSkinFolder(const std::filesystem::path& executableDir,
                                     const std::filesystem::path& dataDir) {
  std::error_code ec;
  for (const auto& base : {executableDir, dataDir}) {
    if (base.empty()) continue;
    auto candidate = base / "skin";
    if (std::filesystem::is_directory(candidate, ec)) return candidate;
  }
  return {};
}

}  // namespace tavrinex::ui
