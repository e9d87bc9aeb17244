// The event loop across threads: post, send with its stop event, timers, window messages,
// modal runs, the tray icon, the popup menu and the LED picture buffers.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <atomic>
#include <future>
#include <latch>
#include <thread>

#include "core/stop_event.h"
#include "ui/qt/led_picture.h"
#include "ui_fixture.h"

namespace tavrinex::ui::test {
namespace {

using namespace std::chrono_literals;

// A bound on waits that only ends a failing test: far beyond a loaded machine under TSan.
constexpr int kWaitMs = 20000;

TEST_F(UiTest, PostFromAWorkerRunsOnTheUiThreadInOrder) {
  std::vector<int> order;  // touched on the UI thread only
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      ui->Loop().Post([&, i] {
        EXPECT_TRUE(ui->Loop().IsUiThread());
        order.push_back(i);
      });
    }
  });
  worker.join();
  EXPECT_FALSE(order.size() == 100U);  // nothing runs before the loop does
  EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 100U; }, kWaitMs));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST_F(UiTest, SendFromAWorkerIsHandledWhileTheUiThreadRuns) {
  const core::StopEvent stop;
  std::atomic<bool> done = false;
  bool handled = false;
  std::int64_t result = 0;
  std::thread worker([&] {
    handled = window->SendMessage({0x0901, 21, 0, {}}, stop, &result);
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, kWaitMs));
  worker.join();
  EXPECT_TRUE(handled);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(handler.messages.size(), 1U);
  EXPECT_EQ(handler.messages[0].id, 0x0901U);
}

TEST_F(UiTest, SendIsReleasedByTheStopEventWhileTheUiThreadIsBlocked) {
  const core::StopEvent stop;
  std::latch sending(1);
  bool ran = false;
  auto worker = std::async(std::launch::async, [&] {
    sending.count_down();
    return ui->Loop().Send([&] { ran = true; }, stop);
  });
  sending.wait();
  std::this_thread::sleep_for(20ms);
  stop.Set();
  // The UI thread is blocked right here, in get(): only the stop event can release it.
  EXPECT_FALSE(worker.get());
  QApplication::processEvents();
  EXPECT_FALSE(ran) << "a released send never runs later";
}

TEST_F(UiTest, SendOnTheUiThreadRunsAtOnce) {
  const core::StopEvent stop;
  std::int64_t result = 0;
  EXPECT_TRUE(window->SendMessage({0x0A01, 5, 0, {}}, stop, &result));
  EXPECT_EQ(result, 10);
}

TEST_F(UiTest, PostedMessagesArriveWithTheirPayload) {
  std::thread([&] { window->PostMessage({0x0B01, 1, -7, std::string("x")}); }).join();
  window->PostMessage({0x0B02, 2, 0, {}});
  EXPECT_TRUE(handler.messages.empty());  // a post never runs inside its sender
  EXPECT_TRUE(QTest::qWaitFor([&] { return handler.messages.size() == 2U; }, kWaitMs));
  EXPECT_EQ(handler.messages[0].lparam, -7);
  EXPECT_EQ(std::any_cast<std::string>(handler.messages[0].payload), "x");
  EXPECT_EQ(handler.messages[1].id, 0x0B02U);
}

TEST_F(UiTest, TimersFireByIdAndStop) {
  window->SetTimer(3, 10ms);
  std::thread([&] { window->SetTimer(2, 15ms); }).join();
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return std::count(handler.timers.begin(), handler.timers.end(), 3) >= 3 &&
           std::count(handler.timers.begin(), handler.timers.end(), 2) >= 2;
  }, kWaitMs));
  window->KillTimer(3);
  std::thread([&] { window->KillTimer(2); }).join();
  QApplication::processEvents();  // the worker's kill is posted
  const auto count = handler.timers.size();
  QTest::qWait(60);
  EXPECT_EQ(handler.timers.size(), count);
  // A one-shot use: the handler stops its own timer from inside the timer call.
  handler.timers.clear();
  handler.onTimer = [&](int id) { window->KillTimer(id); };
  window->SetTimer(1, 5ms);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !handler.timers.empty(); }, kWaitMs));
  QTest::qWait(30);
  EXPECT_EQ(handler.timers, std::vector<int>{1});
}

// The message box's click handling, as the shell does it.
class BoxHandler : public RecordingHandler {
 public:
  void Notify(const Notification& n) override {
    RecordingHandler::Notify(n);
    if (n.type != EventType::kClick || window == nullptr) return;
    if (n.senderName == "confirm_btn") window->Close(1);
    if (n.senderName == "cancel_btn") window->Close(0);
  }
  Window* window = nullptr;
};

TEST_F(UiTest, ModalRunReturnsTheCloseResult) {
  for (const auto& [button, expected] : {std::pair{"confirm_btn", 1}, {"cancel_btn", 0}}) {
    BoxHandler box;
    auto msg = ui->CreateWindow({"XML_MSG", "", window.get(), 0, 0}, box);
    box.window = msg.get();
    msg->Find("MessageText")->SetResourceText(true);
    msg->Find("MessageText")->SetText("message_text_1");
    msg->Centre();
    auto* target = qobject_cast<QPushButton*>(
        dynamic_cast<qt::QtControl*>(msg->Find(button))->Widget());
    ui->Loop().Post([target] { QTest::mouseClick(target, Qt::LeftButton); });
    EXPECT_EQ(msg->RunModal(), expected) << button;
    EXPECT_FALSE(msg->IsVisible());
    EXPECT_EQ(box.closes, std::vector<int>{expected});
    EXPECT_EQ(box.Of(EventType::kWindowInit).size(), 1U);
  }
}

TEST_F(UiTest, TheWindowSystemsCloseClosesWithZero) {
  Host()->close();
  EXPECT_EQ(handler.closes, std::vector<int>{0});
  EXPECT_FALSE(window->IsVisible());
}

TEST_F(UiTest, TrayActivationsArriveAsTheCallbackMessage) {
  auto tray = ui->CreateTrayIcon(*window, "led.png", "ZEPHA keyboard", kTrayMessage);
  auto* icon = Host()->findChild<QSystemTrayIcon*>();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->toolTip(), "ZEPHA keyboard");
  emit icon->activated(QSystemTrayIcon::Trigger);
  emit icon->activated(QSystemTrayIcon::Context);
  EXPECT_TRUE(QTest::qWaitFor([&] { return handler.messages.size() == 2U; }, kWaitMs));
  EXPECT_EQ(handler.messages[0].id, kTrayMessage);
  EXPECT_EQ(handler.messages[0].lparam, kMouseLeftUp);
  EXPECT_EQ(handler.messages[1].lparam, kMouseRightUp);
}

TEST_F(UiTest, MenuItemsFromFileAndCodeReportTheirClick) {
  ASSERT_TRUE(ui->LoadLanguage("lan_cn.xml"));
  const std::vector<MenuItem> extra{{"exit", "", "退出"}};
  ASSERT_TRUE(ui->ShowPopupMenu(*window, "menu.xml", {100, 100}, extra));
  QMenu* menu = ui->CurrentMenu();
  ASSERT_NE(menu, nullptr);
  const auto actions = menu->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), "English");  // the item text is a language id
  EXPECT_EQ(actions[2]->text(), "退出");
  actions[1]->trigger();
  actions[2]->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return handler.messages.size() == 2U; }, kWaitMs));
  EXPECT_EQ(handler.messages[0].id, kMenuClickMessage);
  const auto first = std::any_cast<MenuItem>(handler.messages[0].payload);
  EXPECT_EQ(first.name, "qianting");
  EXPECT_EQ(first.userData, "7");
  EXPECT_EQ(first.text, "qianting");
  EXPECT_EQ(std::any_cast<MenuItem>(handler.messages[1].payload).name, "exit");
  // A missing menu file with code items still shows them; with none there is no menu.
  DiagnosticCapture diagnostics;
  EXPECT_TRUE(ui->ShowPopupMenu(*window, "no_menu.xml", {0, 0}, extra));
  EXPECT_EQ(ui->CurrentMenu()->actions().size(), 1);
  EXPECT_TRUE(diagnostics.Contains("no_menu.xml"));
  EXPECT_FALSE(ui->ShowPopupMenu(*window, "no_menu.xml", {0, 0}, {}));
}

TEST_F(UiTest, LedPicturesFollowTheirBufferFromAWorker) {
  LedPictureBuffer buffer(5);  // the layout holds kb_dkey_0 ... kb_dkey_3 only
  for (int i = 0; i < 4; ++i) window->Find("kb_dkey_" + std::to_string(i))->SetOverlayMode(true);
  window->AttachLedPictures("kb_dkey_", buffer);
  EXPECT_EQ(window->ApplyLedPictures(), 0);  // all dark, as the pictures are
  std::thread([&] {
    const std::array<LedPixel, 5> frame{{{OverlayWord({1, 2, 3}), 10},
                                         {OverlayWord({4, 5, 6}), 20},
                                         {0, 0},
                                         {OverlayWord({7, 8, 9}), 255},
                                         {OverlayWord({9, 9, 9}), 99}}};
    buffer.SetRange(0, frame);
  }).join();
  EXPECT_EQ(window->ApplyLedPictures(), 3);
  EXPECT_EQ(window->ApplyLedPictures(), 0);  // nothing new
  EXPECT_EQ(window->Find("kb_dkey_1")->OverlayColor(), OverlayWord({4, 5, 6}));
  EXPECT_EQ(window->Find("kb_dkey_3")->OverlayOpacity(), 255);
  // The display-rate repaint applies changes by itself.
  std::thread([&] { buffer.Set(0, {OverlayWord({0xFF, 0, 0}), 200}); }).join();
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return window->Find("kb_dkey_0")->OverlayOpacity() == 200; }, kWaitMs));
  window->DetachLedPictures(buffer);
  buffer.Set(0, {0, 1});
  EXPECT_EQ(window->ApplyLedPictures(), 0);
}

TEST(TaskQueueTest, RunsTasksInOrderAndWakesOncePerBatch) {
  int wakes = 0;
  ui::TaskQueue queue([&] { ++wakes; });
  std::vector<int> ran;
  queue.Post([&] { ran.push_back(1); });
  queue.Post([&] { ran.push_back(2); });
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(queue.RunPending(), 2);
  queue.Post([&] { ran.push_back(3); });
  EXPECT_EQ(wakes, 2);
  queue.Clear();
  EXPECT_EQ(queue.RunPending(), 0);
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(TaskQueueTest, ASendThatStartedIsAwaitedEvenAfterTheStop) {
  std::atomic<bool> posted = false;
  ui::TaskQueue queue([&] { posted = true; });
  const core::StopEvent stop;
  std::atomic<bool> started = false;
  int value = 0;
  auto sender = std::async(std::launch::async, [&] {
    return queue.Send(
        [&] {
          started = true;
          std::this_thread::sleep_for(30ms);
          value = 7;
        },
        stop);
  });
  while (!posted) std::this_thread::yield();
  std::thread runner([&] { queue.RunPending(); });
  while (!started) std::this_thread::yield();
  stop.Set();
  EXPECT_TRUE(sender.get());
  EXPECT_EQ(value, 7);
  runner.join();
}

TEST(StopEventTest, WaitsUntilSetAndStaysSetUntilReset) {
  const core::StopEvent stop;
  EXPECT_FALSE(stop.IsSet());
  EXPECT_FALSE(stop.WaitFor(5ms));
  std::thread setter([&] {
    std::this_thread::sleep_for(10ms);
    stop.Set();
  });
  EXPECT_TRUE(stop.WaitFor(10s));
  setter.join();
  EXPECT_TRUE(stop.IsSet());
  stop.Set();
  stop.Reset();
  EXPECT_FALSE(stop.IsSet());
}

}  // namespace
}  // namespace tavrinex::ui::test
