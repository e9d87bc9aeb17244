// The link controls of the five profile lists (check, edit, name row, button) and the
// automatic switch that follows the program in front. UI thread only, except the watcher's
// reading of the catalogues, which runs on the foreground source's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "app/main_wnd.h"
#include "platform/foreground.h"
#include "profiles/auto_switch.h"
#include "ui/program_chooser.h"

namespace tavrinex::app {

inline constexpr std::string_view kLinkDuplicateMessage = "message_text_13";
// Where the desktop does not tell which window is in front: the check's and the button's tip,
// and the text of the link row.
inline constexpr std::string_view kNoForegroundTip = "link_no_foreground";
inline constexpr std::string_view kNoForegroundText = "link_no_foreground_short";

// What the program chooser offers: this user's installed applications and running programs.
[[nodiscard]] ui::ProgramOffer ProgramOfferOfThisUser();

// The window's profile lists, by their names in the skin.
class WindowProfileLists final : public profiles::ProfileListAccess {
 public:
  explicit WindowProfileLists(ui::Window& window) : window_(window) {}
  int Count(std::size_t group) const override;
  int Current(std::size_t group) const override;
  void Select(std::size_t group, int index) override;

 private:
  ui::ListControl* List(std::size_t group) const;
  ui::Window& window_;
};

class ProfileLinkWiring {
 public:
  // After window.Create(). The window, the chooser and the source must outlive this object.
  ProfileLinkWiring(CMainWnd& window, ui::ProgramChooser& chooser, platform::ForegroundSource& source);
  ~ProfileLinkWiring();
  ProfileLinkWiring(const ProfileLinkWiring&) = delete;
  ProfileLinkWiring& operator=(const ProfileLinkWiring&) = delete;

  // Starts following the program in front; Stop ends it (within about 100 ms). The window's
  // worker registry does both (its auto-switch thread), so the watcher ends with the workers.
  void Start();
  void Stop();
  [[nodiscard]] profiles::AutoSwitchWatcher& Watcher() { return watcher_; }

  // The link controls of a group for entry `entry`'s link (what selecting an entry shows).
  void ShowLink(std::size_t group, int entry);
  // Says on the link controls that this desktop cannot tell the program in front.
  void ShowUnavailable();

 private:
  void OnCheck(std::size_t group);
  void OnButton(std::size_t group);
  void ShowLinked(std::size_t group, std::string_view path);
  void ShowUnlinked(std::size_t group);
  [[nodiscard]] ui::Control* Find(std::size_t group, std::string_view suffix);
  [[nodiscard]] int CurrentEntry(std::size_t group) const;

  CMainWnd& window_;
  ui::ProgramChooser& chooser_;
  platform::ForegroundSource& source_;
  WindowProfileLists lists_;
  profiles::AutoSwitchWatcher watcher_;
  std::atomic<bool> started_{false};
};

}  // namespace tavrinex::app
