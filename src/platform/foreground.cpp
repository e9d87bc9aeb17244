#include "platform/foreground.h"

#include <unistd.h>

#include <array>


namespace tavrinex::platform {

namespace {

class UnknownForeground final : public ForegroundSource {
 public:
  [[nodiscard]] std::string_view Name() const override { return "none"; }
  [[nodiscard]] bool Knows() const override { return false; }
  void Start(Changed changed) override { changed(""); }
  void Stop() override {}
};

}  // namespace

std::string ExecutableOfProcess(long pid) {
  if (pid <= 0) return {};
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  std::array<char, 4096> target{};
  const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};
  std::string path(target.data(), static_cast<std::size_t>(n));
  // An executable replaced or removed while running reads as "PATH (deleted)".
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
  return path;
}

std::unique_ptr<ForegroundSource> MakeUnknownForegroundSource() {
  return std::make_unique<UnknownForeground>();
}

std::unique_ptr<ForegroundSource> ChooseForegroundSource(const DesktopSession& session) {
  if (session.sessionType == "wayland") {
    if (DesktopListHas(session.currentDesktop, "KDE")) return MakeKWinForegroundSource();
    return MakeUnknownForegroundSource();  // Xwayland's windows are not all of the desktop's
  }
  if (auto x11 = MakeX11ForegroundSource(session.display)) return x11;
  return MakeUnknownForegroundSource();
}

}  // namespace tavrinex::platform
