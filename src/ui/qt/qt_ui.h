// ui::Ui and ui::UiLoop over Qt 6 Widgets. Needs a QApplication that lives longer; create it
// on the thread that becomes the UI thread, then this object on the same thread.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ui/qt/control_registry.h"
#include "ui/qt/skin_files.h"
#include "ui/task_queue.h"
#include "ui/ui.h"


namespace tavrinex::ui::qt {

class QtWindow;

// The display-rate repaint of LED pictures: about 60 frames a second.
inline constexpr std::chrono::milliseconds kLedRepaintPeriod{16};

class QtUi final : public Ui, public UiLoop {
 public:
  // The resource index "res.xml" of the skin folder is read here; a missing or malformed
  // one leaves only file names usable as layouts, with a diagnostic.
  explicit QtUi(std::filesystem::path skinFolder);
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  // Ui
  UiLoop& Loop() override { return *this; }
  std::filesystem::path SkinFolder() const override { return skinFolder_; }
  std::unique_ptr<Window> CreateWindow(const WindowSpec& spec, WindowHandler& handler) override;
  bool LoadLanguage(std::string_view file) override;
  void SetLanguageId(std::string_view id) override { languageId_ = id; }
  std::string LanguageId() const override { return languageId_; }
  void ReapplyTexts() override;
  std::string Translate(std::string_view id) const override;
  std::optional<std::filesystem::path> AskOpenFile(Window* parent,
                                                   const OpenFileSpec& spec) override;
  std::optional<std::filesystem::path> AskSaveFile(Window* parent, const OpenFileSpec& spec,
                                                  std::string_view initialName) override;
  std::string ImageProblem(std::string_view image) const override;
  void RegisterControlClass(std::string_view name, ControlFactory factory) override;
  void SetCustomTagHandler(CustomTagHandler handler) override;
  void SetScale(int percent) override;
  int Scale() const override { return scale_; }
  std::unique_ptr<TrayIcon> CreateTrayIcon(Window& owner, std::string_view iconFile,
                                           std::string_view toolTip,
                                           std::uint32_t messageId) override;
  bool ShowPopupMenu(Window& owner, std::string_view menuFile, Point at,
                     std::span<const MenuItem> extraItems) override;

  // UiLoop
  void Post(std::function<void()> task) override { queue_.Post(std::move(task)); }
  bool Send(std::function<void()> task, const core::StopEvent& stop) override;
  bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }
  int Run() override;
  void Quit(int code) override;

  // For the windows.
  [[nodiscard]] QString LayoutFile(const std::string& layout) const;
  [[nodiscard]] const ControlRegistry& Registry() const { return registry_; }
  [[nodiscard]] QString SkinPath() const;
  // The file of an image reference: relative ones are in the skin folder.
  [[nodiscard]] QString ImagePath(std::string_view image) const;
  void Register(QtWindow* window);
  void Unregister(QtWindow* window);
  // Starts or stops the display-rate LED repaint as windows attach and detach buffers.
  void UpdateLedTicker();
  // The display-rate timer that repaints the LED pictures (tests watch its ticks).
  [[nodiscard]] const QTimer& LedTicker() const { return ledTimer_; }
  // The menu shown last (null when none), for tests and for closing it.
  [[nodiscard]] QMenu* CurrentMenu() const { return menu_.data(); }

 private:
  void LedTick();

  std::filesystem::path skinFolder_;
  ResourceIndex index_;
  QObject dispatcher_;  // lives on the UI thread; queued wake-ups run the task queue
  TaskQueue queue_;
  std::thread::id uiThread_;
  std::unordered_map<std::string, std::string> texts_;
  std::string languageId_;
  ControlRegistry registry_;
  int scale_ = 100;
  int baseFontPointSize_ = 0;
  std::vector<QtWindow*> windows_;
  QTimer ledTimer_;
  QPointer<QMenu> menu_;
};

}  // namespace tavrinex::ui::qt
