// What recording costs the UI thread, offscreen with the shipped skin: one recorded key event
// appended to a macro that already holds 500 rows (the row, the pause stored into the row
// before it, both shown in the action list, and the rows handed to the timeline hook).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/macro_editor_wiring.h"
#include "app/main_wnd.h"
#include "keys/macro_library.h"
#include "sim/sim_bus.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;

struct Session {
  std::string folder = (std::filesystem::temp_directory_path() / "tavrinex-macro-bench-XXXXXX").string();
  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<app::CMainWnd> window;
  std::unique_ptr<app::MacroEditorWiring> macros;
  std::uint64_t now = 0;

  explicit Session(std::size_t rows) {
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    ::setenv(profiles::kDocumentsOverrideVariable, (folder + "/Documents").c_str(), 1);
    keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
    (void)library.AddMacro();
    const std::vector<std::string> lines(rows, "5,0,138,4,1,keyboard_key_A");
    (void)library.SaveMacro(0, lines);
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    app::MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    env.sleep = [](std::chrono::milliseconds) {};
    window = std::make_unique<app::CMainWnd>(*ui, bus, env);
    window->Create();
    macros = std::make_unique<app::MacroEditorWiring>(*window, nullptr, [this] { return now; });
    QApplication::processEvents();
  }
  ~Session() {
    macros.reset();
    window->Destroy(false);
    window.reset();
    ui.reset();
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::filesystem::remove_all(folder);
  }
};

void BM_AppendRecordedKeyTo500Rows(benchmark::State& state) {
  Session s(500);
  keys::MacroEditor& editor = s.macros->Editor(DeviceKind::kKeyboard);
  std::vector<keys::TimelineRow> seen;
  editor.onRowsChanged = [&seen](std::span<const keys::TimelineRow> rows) { seen.assign(rows.begin(), rows.end()); };
  editor.StartStopRecording();
  bool down = true;
  for (auto _ : state) {
    s.now += 37;
    editor.RecordKeyEvent(down ? 0x100 : 0x101, 0x41, 0);
    down = !down;
  }
  state.counters["rows"] = static_cast<double>(editor.Rows().Size());
}
// 200 appends: the macro grows from 500 to 700 rows while measured.
BENCHMARK(BM_AppendRecordedKeyTo500Rows)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
