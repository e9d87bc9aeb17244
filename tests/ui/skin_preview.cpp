// Shows a layout of a skin as the program would, for looking at it (screenshots under Xvfb):
//   ui_skin_preview SKIN_FOLDER LAYOUT [LANGUAGE_FILE] [SECONDS]
// The LED pictures named kb_dkey_N run a colour wheel from a worker thread, through the
// picture buffer, as the animation threads will.
#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "appearance/custom_controls.h"
#include "core/stop_event.h"
#include "ui/led_picture_buffer.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;

class PreviewHandler : public ui::WindowHandler {
 public:
  void Notify(const ui::Notification& n) override {
    std::printf("%s %s\n", std::string(ui::EventTypeName(n.type)).c_str(), n.senderName.c_str());
  }
};

ui::Rgb Wheel(int step) {
  const auto s = static_cast<std::uint8_t>(step % 256);
  switch ((step / 256) % 3) {
    case 0: return {static_cast<std::uint8_t>(255 - s), s, 0};
    case 1: return {0, static_cast<std::uint8_t>(255 - s), s};
    default: return {s, 0, static_cast<std::uint8_t>(255 - s)};
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: ui_skin_preview SKIN_FOLDER LAYOUT [LANGUAGE_FILE] [SECONDS]\n", stderr);
    return 2;
  }
  QApplication app(argc, argv);
  ui::qt::QtUi library(argv[1]);
  appearance::RegisterCustomControls(library);  // the skin's own control classes, as the program has them
  PreviewHandler handler;
  auto window = library.CreateWindow({argv[2], "Tavrinex preview", nullptr, 0, 0}, handler);
  if (argc > 3 && !library.LoadLanguage(argv[3])) return 1;
  constexpr std::size_t kLeds = 4;
  for (std::size_t i = 0; i < kLeds; ++i) {
    if (auto* c = window->Find("kb_dkey_" + std::to_string(i))) c->SetOverlayMode(true);
  }
  ui::LedPictureBuffer buffer(kLeds);
  window->AttachLedPictures("kb_dkey_", buffer);
  const core::StopEvent stop;
  std::thread animation([&] {
    for (int step = 0; !stop.WaitFor(std::chrono::milliseconds(20)); step += 8) {
      for (std::size_t i = 0; i < kLeds; ++i) {
        buffer.Set(i, {ui::OverlayWord(Wheel(step + static_cast<int>(i) * 90)), 200});
      }
    }
  });
  window->Show();
  window->Centre();
  const int seconds = argc > 4 ? std::stoi(argv[4]) : 0;
  if (seconds > 0) QTimer::singleShot(seconds * 1000, [&] { library.Quit(0); });
  const int code = library.Run();
  stop.Set();
  animation.join();
  window->DetachLedPictures(buffer);
  return code;
}
