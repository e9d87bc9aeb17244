// A QtUi over the test skin, a window of it and a handler that records what arrives.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::ui::test {

inline std::filesystem::path TestSkin() { return TAVRINEX_TEST_SKIN; }

struct Seen {
  EventType type;
  std::string sender;
  int itemIndex;
  friend bool operator==(const Seen&, const Seen&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << EventTypeName(s.type) << "(" << s.sender << "," << s.itemIndex << ")";
}

class RecordingHandler : public WindowHandler {
 public:
  void InitWindow() override { ++inits; }
  void Notify(const Notification& n) override {
    seen.push_back({n.type, n.senderName, n.itemIndex});
    if (onNotify) onNotify(n);
  }
  std::int64_t HandleMessage(const Message& m) override {
    messages.push_back(m);
    return static_cast<std::int64_t>(m.wparam) * 2;
  }
  void OnTimer(int id) override {
    timers.push_back(id);
    if (onTimer) onTimer(id);
  }
  void OnClose(int result) override { closes.push_back(result); }

  // The notifications of one type, in order.
  [[nodiscard]] std::vector<Seen> Of(EventType type) const {
    std::vector<Seen> out;
    for (const Seen& s : seen) {
      if (s.type == type) out.push_back(s);
    }
    return out;
  }

  int inits = 0;
  std::vector<Seen> seen;
  std::vector<Message> messages;
  std::vector<int> timers;
  std::vector<int> closes;
  std::function<void(const Notification&)> onNotify;
  std::function<void(int)> onTimer;
};

// Collects the diagnostic lines Qt's message handler receives while it lives.
class DiagnosticCapture {
 public:
  DiagnosticCapture() { previous_ = qInstallMessageHandler(&DiagnosticCapture::Handle); }
  ~DiagnosticCapture() {
    qInstallMessageHandler(previous_);
    const std::lock_guard lock(Mutex());
    Lines().clear();
  }
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

  [[nodiscard]] bool Contains(const std::string& part) const {
    const std::lock_guard lock(Mutex());
    for (const auto& line : Lines()) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }
  [[nodiscard]] std::string All() const {
    const std::lock_guard lock(Mutex());
    std::string all;
    for (const auto& line : Lines()) all += line + "\n";
    return all;
  }

 private:
  // Qt may log from its own threads too.
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static void Handle(QtMsgType, const QMessageLogContext&, const QString& text) {
    const std::lock_guard lock(Mutex());
    Lines().push_back(text.toStdString());
  }
  QtMessageHandler previous_ = nullptr;
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui = std::make_unique<qt::QtUi>(TestSkin());
    window = ui->CreateWindow({"XML_MAIN", "test", nullptr, 0, 0}, handler);
    window->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Host(), 20000));  // bounds a failure only
    QApplication::processEvents();  // "windowinit" is posted
  }
  void TearDown() override {
    window.reset();
    ui.reset();
  }

  [[nodiscard]] QWidget* Host() const {
    return dynamic_cast<qt::QtWindow&>(*window).HostWidget();
  }
  // The widget behind a control, for simulated user actions.
  template <class W = QWidget>
  [[nodiscard]] W* Widget(std::string_view name) {
    auto* control = dynamic_cast<qt::QtControl*>(window->Find(name));
    EXPECT_NE(control, nullptr) << name;
    return control != nullptr ? qobject_cast<W*>(control->Widget()) : nullptr;
  }
  template <class T>
  [[nodiscard]] T& Get(std::string_view name) {
    T* control = window->Find<T>(name);
    EXPECT_NE(control, nullptr) << name;
    if (control == nullptr) throw std::runtime_error("no control " + std::string(name));
    return *control;
  }

  RecordingHandler handler;
  std::unique_ptr<qt::QtUi> ui;
  std::unique_ptr<Window> window;
};

}  // namespace tavrinex::ui::test
