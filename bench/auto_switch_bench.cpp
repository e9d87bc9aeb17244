// The automatic profile switch over the X11 source (run under an X server:
// xvfb-run -n <display> build/default/bench/bench_auto_switch):
// - from the change of _NET_ACTIVE_WINDOW to the linked profile applied on the "UI thread";
// - what the watcher costs while nothing changes: CPU time and thread wake-ups over an idle
//   window (TAVRINEX_IDLE_SECONDS, default 10; the counters give the rate per 60 s), and how
//   long it takes to stop.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/foreground.h"
#include "profiles/auto_switch.h"
#include "profiles/profile_link.h"
#include "storage/settings_folder.h"

namespace {

using namespace tavrinex;

// The UI thread: runs posted closures in order.
class UiThread {
 public:
  UiThread() : thread_([this] { Run(); }) {}
  ~UiThread() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Post(std::function<void()> task) {
    {
      const std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return done_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool done_ = false;
  std::thread thread_;
};

// Lists of four items that tell the bench which item was applied.
class AppliedLists final : public profiles::ProfileListAccess {
 public:
  int Count(std::size_t) const override { return 4; }
  int Current(std::size_t group) const override {
    const std::lock_guard lock(mutex_);
    return current_[group];
  }
  void Select(std::size_t group, int index) override {
    {
      const std::lock_guard lock(mutex_);
      current_[group] = index;
    }
    applied_.notify_all();
  }
  void WaitFor(std::size_t group, int index) {
    std::unique_lock lock(mutex_);
    applied_.wait(lock, [&] { return current_[group] == index; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable applied_;
  std::array<int, 5> current_{1, 1, 1, 1, 1};
};

std::string ExecutableOf(pid_t pid) {
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ignored).string();
}

// An X connection with two windows: one owned by this process, one by a `sleep` child.
struct Desktop {
  Desktop() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return;
    c = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(c) != 0) return;
    child = ::fork();
    if (child == 0) {
      ::execlp("sleep", "sleep", "600", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    while (ExecutableOf(child) == ExecutableOf(::getpid())) ::usleep(1000);
    root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    active = Atom("_NET_ACTIVE_WINDOW");
    const xcb_atom_t pidAtom = Atom("_NET_WM_PID");
    const std::uint32_t pids[2] = {static_cast<std::uint32_t>(::getpid()), static_cast<std::uint32_t>(child)};
    for (int i = 0; i < 2; ++i) {
      windows[i] = xcb_generate_id(c);
      xcb_create_window(c, XCB_COPY_FROM_PARENT, windows[i], root, 0, 0, 10, 10, 0,
                        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, windows[i], pidAtom, XCB_ATOM_CARDINAL, 32, 1, &pids[i]);
    }
    Activate(1);
    ok = true;
  }
  ~Desktop() {
    if (child > 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
    if (c != nullptr) xcb_disconnect(c);
  }
  xcb_atom_t Atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r->atom;
    std::free(r);
    return a;
  }
  void Activate(int i) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &windows[i]);
    xcb_flush(c);
  }
  xcb_connection_t* c = nullptr;
  pid_t child = -1;
  xcb_window_t root = 0;
  xcb_atom_t active = 0;
  xcb_window_t windows[2] = {};
  bool ok = false;
};

// A documents folder of its own, with the keyboard's light entry 2 linked to this program.
struct Documents {
  Documents() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrinex-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    ::setenv(profiles::kDocumentsOverrideVariable, folder.c_str(), 1);
    for (const auto& g : profiles::kAutoSwitchGroups) {
      const profiles::ProfileCatalogue c(g.kind);
      (void)c.SetCount(g.list, 4);
      (void)c.SetSelect(g.list, 1);
    }
    profiles::Link(profiles::ProfileCatalogue(device::DeviceKind::kKeyboard), profiles::ProfileListKind::kLight, 2,
                   ExecutableOf(::getpid()));
  }
  ~Documents() {
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::filesystem::path folder;
};

void BM_ActiveWindowToProfileApplied(benchmark::State& state) {
  const Documents documents;
  Desktop desktop;
  if (!desktop.ok) {
    state.SkipWithError("no X server (run under xvfb-run)");
    return;
  }
  AppliedLists lists;
  auto source = platform::MakeX11ForegroundSource(std::getenv("DISPLAY"));
  {
    UiThread ui;
    profiles::AutoSwitchWatcher watcher(lists, [&ui](std::function<void()> task) { ui.Post(std::move(task)); });
    watcher.Start(*source);
    int front = 1;
    for (auto _ : state) {
      front ^= 1;
      desktop.Activate(front);
      lists.WaitFor(0, front == 0 ? 2 : 1);  // this program: the linked entry; `sleep`: the user's
    }
    watcher.Stop();
  }
}
BENCHMARK(BM_ActiveWindowToProfileApplied)->Unit(benchmark::kMillisecond)->UseRealTime();

// Context switches of every thread of this process but the calling one.
long OtherThreadsSwitches() {
  const long self = ::syscall(SYS_gettid);
  long total = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == std::to_string(self)) continue;
    std::ifstream status(task.path() / "status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.find("ctxt_switches:") != std::string::npos) total += std::atol(line.substr(line.find(':') + 1).c_str());
    }
  }
  return total;
}

double ProcessCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void BM_IdleWatcher(benchmark::State& state) {
  const Documents documents;
  Desktop desktop;
  if (!desktop.ok) {
    state.SkipWithError("no X server (run under xvfb-run)");
    return;
  }
  const char* secondsText = std::getenv("TAVRINEX_IDLE_SECONDS");
  const int seconds = secondsText != nullptr ? std::max(1, std::atoi(secondsText)) : 10;
  AppliedLists lists;
  auto source = platform::MakeX11ForegroundSource(std::getenv("DISPLAY"));
  UiThread ui;
  profiles::AutoSwitchWatcher watcher(lists, [&ui](std::function<void()> task) { ui.Post(std::move(task)); });
  watcher.Start(*source);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the first report settles
  for (auto _ : state) {
    const long switches = OtherThreadsSwitches();
    const double cpu = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double perMinute = 60.0 / seconds;
    state.counters["wakeups_per_60s"] = static_cast<double>(OtherThreadsSwitches() - switches) * perMinute;
    state.counters["cpu_ms_per_60s"] = (ProcessCpuMs() - cpu) * perMinute;
    state.counters["idle_s"] = seconds;
  }
  const auto stopping = std::chrono::steady_clock::now();
  watcher.Stop();
  state.counters["stop_ms"] =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopping).count();
}
BENCHMARK(BM_IdleWatcher)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
