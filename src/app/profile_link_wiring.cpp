#include "app/profile_link_wiring.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/stop_event.h"
#include "platform/program_catalog.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_link.h"

namespace tavrinex::app {

using profiles::kAutoSwitchGroups;
using profiles::LinkOutcome;
using profiles::ProfileCatalogue;

namespace {

std::vector<ui::ProgramEntry> EntriesOf(const std::vector<platform::ProgramChoice>& choices) {
  std::vector<ui::ProgramEntry> entries;
  entries.reserve(choices.size());
  for (const platform::ProgramChoice& c : choices) entries.push_back({c.name, c.chineseName, c.icon, c.executable});
  return entries;
}

}  // namespace

ui::ProgramOffer ProgramOfferOfThisUser() {
  const char* path = std::getenv("PATH");
  return {EntriesOf(platform::InstalledPrograms(platform::ApplicationFoldersOfThisUser(),
                                                path != nullptr ? path : "/usr/bin:/bin")),
          EntriesOf(platform::RunningPrograms("/proc", ::getuid()))};
}

ui::ListControl* WindowProfileLists::List(std::size_t group) const {
  return window_.Window().Find<ui::ListControl>(kAutoSwitchGroups[group].listControl);
}

int WindowProfileLists::Count(std::size_t group) const {
  const ui::ListControl* list = List(group);
  return list != nullptr ? list->Count() : 0;
}

int WindowProfileLists::Current(std::size_t group) const {
  const ui::ListControl* list = List(group);
  return list != nullptr ? list->CurrentIndex() : -1;
}

void WindowProfileLists::Select(std::size_t group, int index) {
  lists_.SelectForForeground(plist::kLists[group], index);
}

// The watcher's selection reaches the UI thread after the catalogue writes queued before it,
// so that it reads the user's latest choice.
ProfileLinkWiring::ProfileLinkWiring(CMainWnd& window, ProfileLists& lists, ui::ProgramChooser& chooser,
                                     platform::ForegroundSource& source)
    : window_(window),
      profileLists_(lists),
      chooser_(chooser),
      source_(source),
      lists_(window, lists),
      watcher_(lists_, [&window, &lists](std::function<void()> task) {
        window.UiLayer().Loop().Post([&lists, task = std::move(task)] { lists.RunCatalogueWork({}, task); });
      }) {
  for (std::size_t group = 0; group < kAutoSwitchGroups.size(); ++group) {
    const std::string prefix(kAutoSwitchGroups[group].linkPrefix);
    (void)window.Routes().Register(Table::kSelectLate, prefix + "check",
                                   [this, group](const ui::Notification&) { OnCheck(group); });
    (void)window.Routes().Register(Table::kClick, prefix + "btn",
                                   [this, group](const ui::Notification&) { OnButton(group); });
  }
  // After the lists are filled (a window-init step), and again in a new language (the tips).
  window.Hooks().fillLists = [this, next = window.Hooks().fillLists] {
    if (next) next();
    if (!source_.Knows()) ShowUnavailable();
  };
  window.Hooks().languageChanged = [this, next = window.Hooks().languageChanged] {
    if (next) next();
    if (!source_.Knows()) ShowUnavailable();
  };
  // One thread follows the program in front for all five lists: it waits on its stop event
  // alone (the source tells it nothing; the source's own thread calls the watcher).
  WorkerRegistry& workers = window.Workers();
  workers.Fill(Worker::kKeyboardLightAutoSwitch, [this](const core::StopEvent& stop) {
    Start();
    while (!stop.WaitFor(std::chrono::hours(24))) {
    }
    Stop();
  });
  for (const Worker w : {Worker::kKeyboardKeyAutoSwitch, Worker::kMouseLightAutoSwitch,
                         Worker::kMouseKeyAutoSwitch, Worker::kMousePadLightAutoSwitch}) {
    workers.ServeBy(w, Worker::kKeyboardLightAutoSwitch);
  }
}

ProfileLinkWiring::~ProfileLinkWiring() { Stop(); }

void ProfileLinkWiring::FollowConnects(device::WindowHooks& hooks) {
  hooks.selectComboItem = [this, next = std::move(hooks.selectComboItem)](std::string_view combo, int index) {
    if (next) next(combo, index);
    watcher_.Refresh();
  };
}

void ProfileLinkWiring::Start() {
  if (started_.exchange(true)) return;
  watcher_.Start(source_);
}

void ProfileLinkWiring::Stop() {
  if (!started_.exchange(false)) return;
  watcher_.Stop();
}

ui::Control* ProfileLinkWiring::Find(std::size_t group, std::string_view suffix) {
  return window_.Window().Find(std::string(kAutoSwitchGroups[group].linkPrefix) + std::string(suffix));
}

int ProfileLinkWiring::CurrentEntry(std::size_t group) const { return lists_.Current(group); }

void ProfileLinkWiring::ShowLinked(std::size_t group, std::string_view path) {
  if (ui::Control* edit = Find(group, "edit")) {
    edit->SetResourceText(false);
    edit->SetText(profiles::ProgramFileName(path));
    edit->SetToolTip(path);
  }
  if (auto* check = dynamic_cast<ui::OptionControl*>(Find(group, "check"))) check->Select(true, false);
  if (ui::Control* row = Find(group, "name_hor")) row->SetVisible(true);
}

void ProfileLinkWiring::ShowUnlinked(std::size_t group) {
  if (!source_.Knows()) return;  // the row keeps saying why nothing can be linked
  if (ui::Control* edit = Find(group, "edit")) {
    edit->SetText(profiles::kNoProgram);
    edit->SetToolTip("");
  }
  if (ui::Control* row = Find(group, "name_hor")) row->SetVisible(false);
}

// The check and the button cannot do anything useful: they are disabled, and the link row
// tells why in the current language (resource text follows a language switch).
void ProfileLinkWiring::ShowUnavailable() {
  const std::string tip = window_.UiLayer().Translate(kNoForegroundTip);
  for (std::size_t group = 0; group < kAutoSwitchGroups.size(); ++group) {
    for (const std::string_view suffix : {"check", "btn"}) {
      if (ui::Control* c = Find(group, suffix)) {
        c->SetEnabled(false);
        c->SetToolTip(tip);
      }
    }
    if (ui::Control* edit = Find(group, "edit")) {
      edit->SetResourceText(true);
      edit->SetText(kNoForegroundText);
      edit->SetToolTip(tip);
    }
    if (ui::Control* row = Find(group, "name_hor")) row->SetVisible(true);
  }
}

// The check and the button: the user's choice on the UI thread, the catalogue on the file
// worker, the outcome shown back on the UI thread.
void ProfileLinkWiring::OnCheck(std::size_t group) {
  auto* check = dynamic_cast<ui::OptionControl*>(Find(group, "check"));
  if (check == nullptr) return;
  const int entry = CurrentEntry(group);
  const auto& g = kAutoSwitchGroups[group];
  // No current entry (no device yet): there is nothing to link, and no key "-1" is written.
  if (entry < 0) {
    check->Select(false, false);
    return;
  }
  if (!check->IsSelected()) {
    profileLists_.RunCatalogueWork([g, entry] { profiles::Unlink(ProfileCatalogue(g.kind), g.list, entry); }, {});
    ShowUnlinked(group);
    return;
  }
  const std::optional<std::string> chosen = chooser_.Choose(&window_.Window());
  const int count = lists_.Count(group);
  auto outcome = std::make_shared<LinkOutcome>(LinkOutcome::kUnlinked);
  profileLists_.RunCatalogueWork(
      [g, count, entry, chosen, outcome] {
        *outcome = profiles::LinkByCheck(ProfileCatalogue(g.kind), g.list, count, entry, chosen);
      },
      [this, group, entry, chosen, outcome] { ShowOutcome(group, entry, *outcome, chosen.value_or("")); });
}

void ProfileLinkWiring::OnButton(std::size_t group) {
  const int entry = CurrentEntry(group);
  if (entry < 0) return;
  const auto& g = kAutoSwitchGroups[group];
  const std::optional<std::string> chosen = chooser_.Choose(&window_.Window());
  auto outcome = std::make_shared<LinkOutcome>(LinkOutcome::kUnchanged);
  profileLists_.RunCatalogueWork(
      [g, entry, chosen, outcome] { *outcome = profiles::LinkByButton(ProfileCatalogue(g.kind), g.list, entry, chosen); },
      [this, group, entry, chosen, outcome] { ShowOutcome(group, entry, *outcome, chosen.value_or("")); });
}

void ProfileLinkWiring::ShowOutcome(std::size_t group, int entry, LinkOutcome outcome, const std::string& path) {
  if (outcome == LinkOutcome::kUnchanged || CurrentEntry(group) != entry) return;
  if (outcome == LinkOutcome::kLinked) {
    ShowLinked(group, path);
    return;
  }
  if (outcome == LinkOutcome::kDuplicate) (void)window_.ShowMessage(kLinkDuplicateMessage);
  if (auto* check = dynamic_cast<ui::OptionControl*>(Find(group, "check"))) check->Select(false, true);
  ShowUnlinked(group);
}

}  // namespace tavrinex::app
