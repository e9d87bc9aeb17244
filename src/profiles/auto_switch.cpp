#include "profiles/auto_switch.h"

#include <algorithm>

#include "platform/foreground.h"
#include "storage/ignore_case.h"

namespace tavrinex::profiles {

bool SameProgram(std::string_view linked, std::string_view executable) {
  return linked.starts_with('/') && EqualsIgnoringCase(linked, executable);
}

int LinkedEntry(const ProfileCatalogue& catalogue, ProfileListKind list, std::string_view executable) {
  if (!executable.starts_with('/')) return -1;  // unknown: nothing to read
  const int count = std::min(catalogue.Count(list), kMaxListEntries);
  for (int i = 0; i < count; ++i) {
    if (catalogue.LinkFlag(list, i) == 1 && SameProgram(catalogue.Program(list, i), executable)) return i;
  }
  return -1;
}

// What the posted closures share with the watcher: they run on the UI thread and may still be
// queued when the watcher stops.
struct AutoSwitchWatcher::Shared {
  explicit Shared(ProfileListAccess& l) : lists(l) {}
  ProfileListAccess& lists;
  std::atomic<bool> stopped{false};
};

AutoSwitchWatcher::AutoSwitchWatcher(ProfileListAccess& lists, UiPoster post)
    : shared_(std::make_shared<Shared>(lists)), post_(std::move(post)) {}

AutoSwitchWatcher::~AutoSwitchWatcher() { Stop(); }

void AutoSwitchWatcher::Start(platform::ForegroundSource& source) {
  source_ = &source;
  shared_->stopped = false;
  source.Start([this](const std::string& executable) { OnForeground(executable); });
}

void AutoSwitchWatcher::Stop() {
  shared_->stopped = true;
  if (source_ != nullptr) source_->Stop();
  source_ = nullptr;
}

std::string AutoSwitchWatcher::LastForeground() const {
  const std::lock_guard lock(mutex_);
  return last_;
}

void AutoSwitchWatcher::OnForeground(const std::string& executable) {
  {
    const std::lock_guard lock(mutex_);
    last_ = executable;
  }
  // The links are read here, off the UI thread; the selection itself is the UI thread's.
  for (std::size_t group = 0; group < kAutoSwitchGroups.size(); ++group) {
    const AutoSwitchGroup& g = kAutoSwitchGroups[group];
    const int linked = LinkedEntry(ProfileCatalogue(g.kind), g.list, executable);
    post_([shared = shared_, group, linked] {
      if (!shared->stopped) ApplyOnUi(*shared, group, linked);
    });
  }
}

void AutoSwitchWatcher::Refresh() { OnForeground(LastForeground()); }

// The linked entry, else the user's own choice, becomes current; the list loads it only when
// the current item changes, and leaves the user's choice stored.
void AutoSwitchWatcher::ApplyOnUi(Shared& shared, std::size_t group, int linked) {
  const AutoSwitchGroup& g = kAutoSwitchGroups[group];
  const int user = ProfileCatalogue(g.kind).Select(g.list);
  const int target = linked >= 0 ? linked : user;
  const int current = shared.lists.Current(group);
  // No current item: the device has not connected; its connect makes the user's item current.
  if (current < 0 || current == target) return;
  if (target < 0 || target >= shared.lists.Count(group)) return;
  shared.lists.Select(group, target);
}

}  // namespace tavrinex::profiles
