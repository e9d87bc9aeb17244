// The automatic profile switch: while a program linked to a profile owns the foreground window,
// that profile is the current item of its list, exactly as if the user had picked it; when
// the program leaves the front, the item the user picked comes back.
//
// One watcher serves the five profile lists. It is fed by a foreground source, which calls
// it on the source's own thread once per change of the active window; it reads the links from
// the catalogues there and posts the selection to the UI thread, where the list raises its
// item-select (and so loads and applies the profile) only when the current item changes.
// The catalogue's "select" keeps the user's own choice: a selection made for the program in
// front is not stored as the user's, so the watcher writes nothing at all.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "device/device_kind.h"
#include "profiles/profile_catalogue.h"

namespace tavrinex::platform {
class ForegroundSource;
}

namespace tavrinex::profiles {

struct AutoSwitchGroup {
  device::DeviceKind kind;
  ProfileListKind list;
  std::string_view listControl;  // the profile list in the skin
  std::string_view linkPrefix;   // its link controls: + "check", "edit", "name_hor", "btn"
};

inline constexpr std::array<AutoSwitchGroup, 5> kAutoSwitchGroups = {{
    {device::DeviceKind::kKeyboard, ProfileListKind::kLight, "kb_deng_profile_combo", "kb_deng_profile_link_"},
    {device::DeviceKind::kKeyboard, ProfileListKind::kKey, "kb_key_profile_combo", "kb_key_profile_link_"},
    {device::DeviceKind::kMouse, ProfileListKind::kLight, "ms_deng_profile_combo", "ms_deng_profile_link_"},
    {device::DeviceKind::kMouse, ProfileListKind::kKey, "ms_key_profile_combo", "ms_key_profile_link_"},
    {device::DeviceKind::kMousePad, ProfileListKind::kLight, "mp_deng_profile_combo", "mp_deng_profile_link_"},
}};

// Whether the program a link names is `executable`: the whole absolute path, ignoring the
// case of letters. A linked value that is not an absolute path (a Windows path from a copied
// settings folder, the "0" of a missing key, " " after an unlink) never matches, nor does an
// unknown foreground program ("").
[[nodiscard]] bool SameProgram(std::string_view linked, std::string_view executable);

// The lowest entry of the list linked to `executable`; -1 when none is.
[[nodiscard]] int LinkedEntry(const ProfileCatalogue& catalogue, ProfileListKind list,
                              std::string_view executable);

// The profile lists as the watcher drives them, on the UI thread only. Groups are indexes
// into kAutoSwitchGroups.
class ProfileListAccess {
 public:
  virtual ~ProfileListAccess() = default;
  [[nodiscard]] virtual int Count(std::size_t group) const = 0;  // 0 when the list does not exist
  [[nodiscard]] virtual int Current(std::size_t group) const = 0;  // -1 when no item is current
  // Makes the item current for the program in front: the list raises its item-select exactly
  // when the current item changes, as for a user's pick, but the catalogue's "select" keeps
  // the user's own choice.
  virtual void Select(std::size_t group, int index) = 0;
};

// Runs a closure on the UI thread (posted, never waited for).
using UiPoster = std::function<void(std::function<void()>)>;

class AutoSwitchWatcher {
 public:
  // `lists` must outlive the watcher and every closure it posted that still runs.
  AutoSwitchWatcher(ProfileListAccess& lists, UiPoster post);
  ~AutoSwitchWatcher();
  AutoSwitchWatcher(const AutoSwitchWatcher&) = delete;
  AutoSwitchWatcher& operator=(const AutoSwitchWatcher&) = delete;

  // Follows the source from now on (the source reports the current program at once).
  void Start(platform::ForegroundSource& source);
  // Stops the source (within its own limit, about 100 ms); closures still queued do nothing.
  // Safe to call more than once.
  void Stop();

  // The program in front changed ("" when unknown). Any thread.
  void OnForeground(const std::string& executable);
  // Takes the last program in front again: for when the lists' current items were set by
  // someone else (a device connect makes the remembered items current). Lists without a
  // current item (no device yet) are left alone.
  void Refresh();
  [[nodiscard]] std::string LastForeground() const;

 private:
  struct Shared;
  static void ApplyOnUi(Shared& shared, std::size_t group, int linked);

  std::shared_ptr<Shared> shared_;
  UiPoster post_;
  platform::ForegroundSource* source_ = nullptr;
  mutable std::mutex mutex_;
  std::string last_;
};

}  // namespace tavrinex::profiles
