// Process entry of the tavrinex window: one copy per user, the UI layer over Qt, the main
// window controller, and the device link (the real HID devices, or with --simulate the
// simulated keyboard, mouse and mouse pad).
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QSocketNotifier>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "app/animation_wiring.h"
#include "app/device_wiring.h"
#include "app/key_editor_wiring.h"
#include "app/macro_editor_wiring.h"
#include "app/key_picture_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "app/performance_page.h"
#include "app/profile_link_wiring.h"
#include "app/profile_lists.h"
#include "app/profile_restore.h"
#include "app/sim_commands.h"
#include "app/single_instance.h"
#include "device/hotplug.h"
#include "core/serial_worker.h"
#include "device/linux_hid_backend.h"
#include "platform/autostart.h"
#include "platform/data_folders.h"
#include "platform/foreground.h"
#include "platform/pointer_settings_worker.h"
#include "platform/xi_mouse_source.h"
#include "profiles/profile_file.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "ui/qt/program_chooser_dialog.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;

void Line(std::string_view line) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

struct Options {
  bool simulate = false;
  bool paths = false;
  bool help = false;
  bool bad = false;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--simulate") {
      o.simulate = true;
    } else if (arg == "--paths") {
      o.paths = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (!arg.starts_with("-platform") && !arg.starts_with("-style")) {
      // Qt's own options pass through; anything else is a mistake.
      o.bad = true;
    }
  }
  return o;
}

// A later copy: hand the activation to the running one. It may still be binding its socket,
// or already shutting down; either way this copy ends without a window.
int SignalRunningCopy() {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const auto outcome = app::SendToInstance(app::InstanceSocketName(), app::kActivationText);
    if (outcome == app::SendOutcome::kSent) return 0;
    if (outcome == app::SendOutcome::kOtherUser) {
      Line("tavrinex: another user's program holds the instance socket; the running copy "
           "cannot be brought forward; exiting");
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Line("tavrinex: another copy holds the instance lock but does not answer; exiting");
  return 0;
}

// The device link: either the hidraw backend with udev hot-plug, or the simulator.
struct DeviceLink {
  explicit DeviceLink(bool simulate) {
    if (simulate) {
      bus = std::make_unique<sim::SimBus>();
      devices = std::make_unique<sim::SimulatedDevices>(*bus);
      devices->PlugAll();
      backend = bus.get();
    } else {
      hidraw = std::make_unique<device::LinuxHidBackend>();
      udev = std::make_unique<device::UdevHotplugSource>();
      backend = hidraw.get();
      hotplug = udev.get();
    }
  }
  std::unique_ptr<sim::SimBus> bus;
  std::unique_ptr<sim::SimulatedDevices> devices;
  std::unique_ptr<device::LinuxHidBackend> hidraw;
  std::unique_ptr<device::UdevHotplugSource> udev;
  device::HidBackend* backend = nullptr;
  device::HotplugSource* hotplug = nullptr;
};

// SIGTERM and SIGINT end the program like the menu's "exit": blocked in every thread (the
// mask is inherited), read from a signalfd on the UI thread.
sigset_t QuitSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

int Run(int argc, char** argv, const Options& options) {
  const app::InstanceLock lock(app::InstanceLockPath(), Line);
  if (!lock.Acquired()) return SignalRunningCopy();

  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // Lets the desktop (Wayland compositors above all) match the window to its desktop entry and
  // show the entry's icon.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(platform::kApplicationId.data(),
                                                          static_cast<qsizetype>(platform::kApplicationId.size())));
  const auto dataFolders = platform::DataFoldersOfThisProgram();
  const auto skin = platform::FindDataSubfolder(dataFolders, "skin");
  if (skin.empty()) Line("tavrinex: no skin folder found; the window will be empty");
  // The task bar's icon: the installed theme icon, else the skin's tray picture.
  QApplication::setWindowIcon(QIcon::fromTheme(
      QGuiApplication::desktopFileName(), QIcon(QString::fromStdString((skin / "images/tray.png").string()))));
  ui::qt::QtUi ui(skin);

  DeviceLink link(options.simulate);
  app::MainWndEnvironment env;
  env.diagnostic = Line;
  env.cursorPosition = [] {
    const QPoint p = QCursor::pos();
    return ui::Point{p.x(), p.y()};
  };
  // The autostart entry is flushed to disk on its own worker; the outcome comes back to the UI
  // thread. The worker ends (its last write done) right after the window is destroyed.
  auto fileWorker = std::make_unique<core::SerialWorker>();
  const auto autostartEntry = platform::AutostartEntryPathOfThisUser();
  env.autostartEnabled = [autostartEntry] { return platform::AutostartEnabled(autostartEntry); };
  env.setAutostart = [worker = fileWorker.get(), &ui, autostartEntry](bool on,
                                                                       std::function<void(bool)> done) {
    worker->Post([&ui, autostartEntry, on, done = std::move(done)] {
      int error = 0;
      const bool ok = platform::SetAutostart(autostartEntry, on,
                                             platform::ExecutableDir() / "tavrinex", &error);
      if (!ok) {
        Line("tavrinex: autostart entry " + autostartEntry.string() + ": " +
             std::generic_category().message(error));
      }
      ui.Loop().Post([done, ok] { done(ok); });
    });
  };
  // The desktop's pointer speed and wheel lines: one worker, set only on a user's change.
  platform::PointerSettingsWorker pointerSettings(
      platform::ChoosePointerSettingsBackend(platform::DesktopSessionOfThisProcess()));
  Line("pointer settings: " + std::string(pointerSettings.Backend().Name()));
  // The program in front, for the profiles linked to programs.
  const auto foreground = platform::ChooseForegroundSource(platform::DesktopSessionOfThisProcess());
  Line("foreground program: " + std::string(foreground->Name()) +
       (foreground->Knows() ? "" : " (this desktop does not tell which window is in front)"));
  // Macro recording hears clicks in other programs too, where X11 lets it (declared before the
  // window: it outlives the window's input capture).
  platform::XiSystemMouse systemMouse([](std::string_view line) { Line(line); });
  app::CMainWnd window(ui, *link.backend, env);
  window.Hook().SetSystemMouseSource(&systemMouse);
  app::DeviceWiring wiring(window, *link.backend, link.hotplug);
  app::AnimationWiring animation(window);
  // The mouse's consumer reports cue the pad's reactive effect.
  wiring.Context().setPadReactiveTrigger = [&animation] { animation.Engine().OnMouseEvent(); };
  // The default profile files: the keyboard's saved factory keys first, then the program's data.
  std::vector<std::filesystem::path> defaultFolders = {profiles::SavedDefaultsFolder()};
  if (const auto shipped = platform::FindDataSubfolder(dataFolders, "defaults"); !shipped.empty()) {
    defaultFolders.push_back(shipped);
  }
  // Before the window: its init steps fill the lists and start the workers.
  app::ProfileLists profileLists(window, wiring, std::move(defaultFolders), nullptr, &pointerSettings);
  // Follows the program in front on the window's auto-switch worker: stops with the workers.
  ui::qt::ProgramChooserDialog programChooser(ui, app::ProgramOfferOfThisUser);
  app::ProfileLinkWiring links(window, profileLists, programChooser, *foreground);
  links.FollowConnects(wiring.Context().window);
  window.Create();
  app::KeyEditorWiring keyEditors(window, wiring);
  profileLists.SetKeyEditors(&keyEditors);
  app::MacroEditorWiring macroEditors(window, &keyEditors);
  animation.AttachPictures();
  app::LightingWiring lighting(window, wiring, &animation.Engine());
  macroEditors.FollowConnects(wiring.Context().window);  // after the lighting took the hook
  app::PerformancePage performance(window, wiring, lighting, &pointerSettings);
  const app::KeyPictureWiring keyPictures(
      window, [&lighting](device::DeviceKind kind) { lighting.SaveLightProfile(kind); }, animation.Engine());

  app::InstanceServer server(
      app::InstanceSocketName(),
      [&window](const ui::Message& message) { window.Window().PostMessage(message); }, Line);
  if (link.devices) {
    // `tavrinexctl sim plug|unplug kb|ms|mp`: on the server's thread; the simulator guards itself.
    server.AcceptSimCommands([devices = link.devices.get()](const app::SimCommand& command) {
      app::ApplySimCommand(*devices, command);
    });
  }
  // `tavrinexctl profile restore`: the file is replaced on the device's thread, the lists follow.
  app::ProfileRestoreService restore(
      *wiring.Context().work, [&ui](std::function<void()> task) { ui.Loop().Post(std::move(task)); },
      [&profileLists](device::DeviceKind kind, profiles::ProfileListKind list, const std::string& name) {
        Line("profile restored: " + std::string(device::KindPrefix(kind)) + " " + name);
        profileLists.ProfileRestored(kind, list == profiles::ProfileListKind::kLight, name);
      });
  restore.WaitFirstFor([&profileLists] { profileLists.WaitForFiles(); });
  server.AcceptProfileRequests([&restore](const app::ProfileRestoreRequest& request) {
    return restore.Serve(request);
  });
  // Another user may hold the socket's name: this copy runs all the same, unreachable.
  if (!server.Start()) Line("tavrinex: running without the instance socket; a later copy will not reach this one");
  // From the first step of closing on, a later copy finds nobody listening and ends at once
  // (it never waits for this one's workers to stop).
  window.onShutdown = [&server] { server.Stop(); };

  const sigset_t quitSignals = QuitSignals();
  const int signalFd = signalfd(-1, &quitSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  QSocketNotifier onSignal(signalFd, QSocketNotifier::Read);
  QObject::connect(&onSignal, &QSocketNotifier::activated, [&window, signalFd] {
    signalfd_siginfo info{};
    (void)!read(signalFd, &info, sizeof info);
    window.Destroy();
  });

  (void)ui.Loop().Run();
  ::close(signalFd);
  window.Destroy();  // stops the workers before the wiring they use goes
  fileWorker.reset();
  window.onShutdown = nullptr;
  return 0;
}

// `--paths`: where this copy finds its data, for checking an installation.
int PrintPaths() {
  const auto folders = platform::DataFoldersOfThisProgram();
  int missing = 0;
  for (const std::string_view name : {"skin", "defaults"}) {
    const auto found = platform::FindDataSubfolder(folders, name);
    std::printf("%.*s: %s\n", static_cast<int>(name.size()), name.data(),
                found.empty() ? "(not found)" : found.c_str());
    missing += found.empty() ? 1 : 0;
  }
  return missing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (options.help || options.bad) {
    std::fprintf(options.bad ? stderr : stdout,
                 "usage: tavrinex [--simulate] | --paths\n"
                 "  --simulate  run against a simulated keyboard, mouse and mouse pad\n"
                 "  --paths     print the skin and default-profile folders in use\n");
    return options.bad ? 2 : 0;
  }
  if (options.paths) return PrintPaths();
  const sigset_t quitSignals = QuitSignals();
  pthread_sigmask(SIG_BLOCK, &quitSignals, nullptr);
  return Run(argc, argv, options);
}
