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
#include "device/detection.h"
#include "app/profile_lists.h"
#include "platform/foreground.h"
#include "profiles/auto_switch.h"
#include "profiles/profile_link.h"
#include "ui/program_chooser.h"

namespace tavrinex::app {

inline constexpr std::string_view kLinkDuplicateMessage = "message_text_13";
// Where the desktop does not tell which window is in front: the check's and the button's tip,
// and the text of the link row.
inline constexpr std::string_view kNoForegroundTip = "link_no_foreground";
inline constexpr std::string_view kNoForegroundText = "link_no_foreground_short";

// What the program chooser offers: this user's installed applications and running programs.
[[nodiscard]] ui::ProgramOffer ProgramOfferOfThisUser();

// The window's profile lists: found by their names in the skin, selected through the profile
// lists' own selection (which keeps the user's choice stored).
class WindowProfileLists final : public profiles::ProfileListAccess {
 public:
  WindowProfileLists(CMainWnd& window, ProfileLists& lists) : window_(window), lists_(lists) {}
  int Count(std::size_t group) const override;
  int Current(std::size_t group) const override;
  void Select(std::size_t group, int index) override;

 private:
  ui::ListControl* List(std::size_t group) const;
  CMainWnd& window_;
  ProfileLists& lists_;
};

class ProfileLinkWiring {
 public:
  // Before window.Create(), as the lists (its window-init steps show the controls' state and
  // start the watcher's worker). The window, the lists, the chooser and the source must
  // outlive this object. Catalogue writes run on the lists' file worker, in order with theirs.
  ProfileLinkWiring(CMainWnd& window, ProfileLists& lists, ui::ProgramChooser& chooser,
                    platform::ForegroundSource& source);
  ~ProfileLinkWiring();
  ProfileLinkWiring(const ProfileLinkWiring&) = delete;
  ProfileLinkWiring& operator=(const ProfileLinkWiring&) = delete;

  // Starts following the program in front; Stop ends it (within about 100 ms). The window's
  // worker registry does both (its auto-switch thread), so the watcher ends with the workers.
  void Start();
  void Stop();
  [[nodiscard]] profiles::AutoSwitchWatcher& Watcher() { return watcher_; }
  // A device connect makes the remembered items current; the program in front then has its
  // say again.
  void FollowConnects(device::WindowHooks& hooks);

  // Says on the link controls that this desktop cannot tell the program in front.
  void ShowUnavailable();

 private:
  void OnCheck(std::size_t group);
  void OnButton(std::size_t group);
  void ShowLinked(std::size_t group, std::string_view path);
  void ShowUnlinked(std::size_t group);
  [[nodiscard]] ui::Control* Find(std::size_t group, std::string_view suffix);
  [[nodiscard]] int CurrentEntry(std::size_t group) const;

  void ShowOutcome(std::size_t group, int entry, profiles::LinkOutcome outcome, const std::string& path);

  CMainWnd& window_;
  ProfileLists& profileLists_;
  ui::ProgramChooser& chooser_;
  platform::ForegroundSource& source_;
  WindowProfileLists lists_;
  profiles::AutoSwitchWatcher watcher_;
  std::atomic<bool> started_{false};
};

}  // namespace tavrinex::app
