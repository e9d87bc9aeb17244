// The cost of the LED pictures: 161 overlays (keyboard 126, mouse 20, mouse pad 15) written
// by a worker into the picture buffers, and what one display frame costs the UI thread:
// taking the snapshots, updating the pictures and painting them (offscreen raster).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <array>
#include <memory>
#include <thread>

#include "ui/led_picture_buffer.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;

struct Device {
  const char* prefix;
  int count;
};
constexpr std::array<Device, 3> kDevices{{{"kb_dkey_", 126}, {"ms_dkey_", 20}, {"mp_dkey_", 15}}};
static_assert(kDevices[0].count + kDevices[1].count + kDevices[2].count == 161);

// A skin with every LED picture of the three devices, 28 pixels apart, 21 to a row.
void WriteSkin(const QString& dir) {
  QFile::copy(TAVRINEX_LED_IMAGE, QDir(dir).filePath("led.png"));
  QFile res(QDir(dir).filePath("res.xml"));
  (void)res.open(QIODevice::WriteOnly);
  QTextStream(&res) << R"(<resources><layout key="XML_MAIN" file="main.ui"/></resources>)";
  QFile ui(QDir(dir).filePath("main.ui"));
  (void)ui.open(QIODevice::WriteOnly);
  QTextStream out(&ui);
  out << R"(<ui version="4.0"><widget class="QWidget" name="root">)"
      << R"(<property name="geometry"><rect><x>0</x><y>0</y><width>600</width>)"
      << R"(<height>260</height></rect></property>)";
  int slot = 0;
  for (const Device& d : kDevices) {
    for (int i = 0; i < d.count; ++i, ++slot) {
      out << "<widget class=\"LedPicture\" name=\"" << d.prefix << i << "\">"
          << "<property name=\"geometry\"><rect><x>" << 4 + (slot % 21) * 28 << "</x><y>"
          << 4 + (slot / 21) * 28 << "</y><width>26</width><height>26</height></rect>"
          << "</property><property name=\"image\" stdset=\"0\"><string>led.png</string>"
          << "</property></widget>";
    }
  }
  out << "</widget></ui>";
}

class NullHandler : public ui::WindowHandler {
 public:
  void Notify(const ui::Notification&) override {}
};

struct Fixture {
  Fixture() {
    WriteSkin(dir.path());
    library = std::make_unique<ui::qt::QtUi>(dir.path().toStdString());
    window = library->CreateWindow({"XML_MAIN", "bench", nullptr, 0, 0}, handler);
    for (std::size_t d = 0; d < kDevices.size(); ++d) {
      for (int i = 0; i < kDevices[d].count; ++i) {
        window->Find(kDevices[d].prefix + std::to_string(i))->SetOverlayMode(true);
      }
      window->AttachLedPictures(kDevices[d].prefix, buffers[d]);
    }
    window->Show();
    QApplication::processEvents();
  }
  // One animation frame of every device: every LED a new colour.
  void DrawFrame(int frame) {
    for (std::size_t d = 0; d < kDevices.size(); ++d) {
      std::array<ui::LedPixel, 126> pixels{};
      for (int i = 0; i < kDevices[d].count; ++i) {
        const auto v = static_cast<std::uint8_t>(frame + i * 3);
        pixels[static_cast<std::size_t>(i)] = {ui::OverlayWord({v, static_cast<std::uint8_t>(255 - v), 128}), 200};
      }
      buffers[d].SetRange(0, std::span(pixels).first(static_cast<std::size_t>(kDevices[d].count)));
    }
  }

  QTemporaryDir dir;
  std::unique_ptr<ui::qt::QtUi> library;
  NullHandler handler;
  std::unique_ptr<ui::Window> window;
  std::array<ui::LedPictureBuffer, 3> buffers{ui::LedPictureBuffer(126), ui::LedPictureBuffer(20),
                                              ui::LedPictureBuffer(15)};
};

// Made and dropped by main, inside the QApplication's life.
std::unique_ptr<Fixture> gFixture;
Fixture& Shared() { return *gFixture; }

// The animation threads' side: 161 overlays into the three buffers, from a worker thread.
void BM_WorkerSets161Overlays(benchmark::State& state) {
  Fixture& f = Shared();
  std::thread worker([&] {
    int frame = 0;
    for (auto _ : state) f.DrawFrame(++frame);
  });
  worker.join();
  state.SetItemsProcessed(state.iterations() * 161);
}
BENCHMARK(BM_WorkerSets161Overlays)->UseRealTime();

// The UI thread's side of one display frame in which all 161 LEDs changed: snapshot, update
// the pictures, then paint what changed and flush it.
void BM_UiFrameOf161Leds(benchmark::State& state) {
  Fixture& f = Shared();
  int frame = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::thread([&] { f.DrawFrame(++frame); }).join();
    state.ResumeTiming();
    const int changed = f.window->ApplyLedPictures();
    QApplication::processEvents();  // the posted update: paint and flush
    benchmark::DoNotOptimize(changed);
  }
}
BENCHMARK(BM_UiFrameOf161Leds)->Unit(benchmark::kMicrosecond);

// The same without painting: the snapshot and picture updates alone.
void BM_UiApplyOnly(benchmark::State& state) {
  Fixture& f = Shared();
  int frame = 0;
  for (auto _ : state) {
    state.PauseTiming();
    f.DrawFrame(++frame);
    state.ResumeTiming();
    benchmark::DoNotOptimize(f.window->ApplyLedPictures());
  }
  QApplication::processEvents();
}
BENCHMARK(BM_UiApplyOnly)->Unit(benchmark::kMicrosecond);

// A frame in which nothing changed: what the display-rate tick costs when idle.
void BM_UiIdleTick(benchmark::State& state) {
  Fixture& f = Shared();
  f.window->ApplyLedPictures();
  for (auto _ : state) benchmark::DoNotOptimize(f.window->ApplyLedPictures());
}
BENCHMARK(BM_UiIdleTick);

// For scale: one forced repaint of the whole window.
void BM_WholeWindowRepaint(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) f.window->Repaint();
}
BENCHMARK(BM_WholeWindowRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  gFixture = std::make_unique<Fixture>();
  benchmark::RunSpecifiedBenchmarks();
  gFixture.reset();
  benchmark::Shutdown();
  return 0;
}
