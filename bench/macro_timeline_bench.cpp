// The macro timeline of a 500-action macro on the UI thread: a redraw, an edit (new rows and
// a redraw), and the tip under the pointer. Offscreen, 760 x 70 pixels as on the macro pages.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "appearance/macro_timeline_view.h"
#include "ui/qt/custom_widget.h"

namespace tavrinex::appearance {
namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 70;

// Typing over 20 keys with a mouse click every tenth stroke and a few wheel turns: 500 rows,
// each pause recorded to the millisecond and stored in 10 ms steps.
std::vector<keys::TimelineRow> Typing() {
  std::vector<keys::TimelineRow> rows;
  for (std::uint32_t i = 0; rows.size() < 500; ++i) {
    const std::uint32_t recorded = 37 + (i * 53) % 211;
    const auto units = static_cast<std::uint8_t>(recorded / 10);
    if (i % 10 == 9) {
      rows.push_back({{units, 0, keys::kEventPressBit | keys::kEventMouseButton, 0x01}, "mouse_key_left", recorded});
      rows.push_back({{units, 0, keys::kEventMouseButton, 0x01}, "mouse_key_left", recorded});
    } else if (i % 25 == 24) {
      rows.push_back({{units, 0, keys::kEventWheel, 0}, "", recorded});
    } else {
      const auto key = static_cast<std::uint8_t>(4 + i % 20);
      const std::string name = "keyboard_key_" + std::string(1, static_cast<char>('A' + i % 20));
      rows.push_back({{units, 0, keys::kEventPressBit | keys::kEventKey, key}, name, recorded});
      rows.push_back({{units, 0, keys::kEventKey, key}, name, recorded});
    }
  }
  rows.resize(500);
  return rows;
}

struct Fixture {
  Fixture() {
    auto owned = std::make_unique<CMacroTimelineUI>();
    view = owned.get();
    widget = std::make_unique<ui::qt::CustomWidget>(std::move(owned), QString(), nullptr);
    widget->resize(kWidth, kHeight);
    view->SetRows(rows);
  }
  std::vector<keys::TimelineRow> rows = Typing();
  CMacroTimelineUI* view = nullptr;
  std::unique_ptr<ui::qt::CustomWidget> widget;
  QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

std::unique_ptr<Fixture> gFixture;

void BM_TimelineRedraw500(benchmark::State& state) {
  Fixture& f = *gFixture;
  for (auto _ : state) {
    f.widget->render(&f.image);
    benchmark::DoNotOptimize(f.image.constBits());
  }
}
BENCHMARK(BM_TimelineRedraw500)->Unit(benchmark::kMicrosecond);

void BM_TimelineEditAndRedraw500(benchmark::State& state) {
  Fixture& f = *gFixture;
  for (auto _ : state) {
    f.view->SetRows(f.rows);
    f.widget->render(&f.image);
    benchmark::DoNotOptimize(f.image.constBits());
  }
}
BENCHMARK(BM_TimelineEditAndRedraw500)->Unit(benchmark::kMicrosecond);

void BM_TimelineTip500(benchmark::State& state) {
  Fixture& f = *gFixture;
  int x = 90;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.view->ToolTipAt({x, 40}, {0, 0, kWidth, kHeight}));
    x = x >= kWidth - 10 ? 90 : x + 7;
  }
}
BENCHMARK(BM_TimelineTip500)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavrinex::appearance

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  tavrinex::appearance::gFixture = std::make_unique<tavrinex::appearance::Fixture>();
  benchmark::RunSpecifiedBenchmarks();
  tavrinex::appearance::gFixture.reset();
  benchmark::Shutdown();
  return 0;
}
