#include "ui/qt/qt_ui.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QImageReader>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>
#include <cstdio>

#include "ui/qt/led_picture.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::ui::qt {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Lower(std::string_view s) { return Q(s).toLower().toStdString(); }

class QtTrayIcon final : public TrayIcon {
 public:
  QtTrayIcon(QtWindow& owner, const QString& iconPath, const QString& tip,
             std::uint32_t messageId)
      : icon_(new QSystemTrayIcon(QIcon(iconPath), owner.HostWidget())) {
    icon_->setToolTip(tip);
    QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                     [&owner, alive = owner.AliveToken(),
                      messageId](QSystemTrayIcon::ActivationReason reason) {
                       if (!alive.expired()) {
                         owner.PostMessage({messageId, 0, MouseMessage(reason), {}});
                       }
                     });
    if (QSystemTrayIcon::isSystemTrayAvailable()) icon_->show();
  }
  ~QtTrayIcon() override { delete icon_.data(); }
  QtTrayIcon(const QtTrayIcon&) = delete;
  QtTrayIcon& operator=(const QtTrayIcon&) = delete;

  void SetToolTip(std::string_view tip) override {
    if (icon_) icon_->setToolTip(Q(tip));
  }
  bool IsAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

 private:
  // Tray activations as the mouse messages the shell expects.
  static std::int64_t MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
      case QSystemTrayIcon::Trigger: return kMouseLeftUp;
      case QSystemTrayIcon::Context: return kMouseRightUp;
      case QSystemTrayIcon::DoubleClick: return kMouseLeftDoubleClick;
      default: return 0;
    }
  }

  QPointer<QSystemTrayIcon> icon_;  // owned here, unless the owner window went first
};

}  // namespace

QtUi::QtUi(std::filesystem::path skinFolder)
    : skinFolder_(std::move(skinFolder)),
      queue_([this] {
        QMetaObject::invokeMethod(&dispatcher_, [this] { queue_.RunPending(); },
                                  Qt::QueuedConnection);
      }),
      uiThread_(std::this_thread::get_id()) {
  if (QApplication::instance() == nullptr) {
    std::fputs("ui: no QApplication exists; create it before the UI library\n", stderr);
    std::abort();
  }
  // Style sheets of the layouts name their images as "skin:images/...".
  QDir::setSearchPaths("skin", {SkinPath()});
  const auto parsed = ReadResourceIndex(SkinPath() + "/res.xml");
  if (parsed.value) {
    index_ = *parsed.value;
  } else {
    qWarning("ui: resource index: %s", parsed.error.message.c_str());
  }
  ledTimer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ledTimer_, &QTimer::timeout, &ledTimer_, [this] { LedTick(); });
}

QtUi::~QtUi() {
  ledTimer_.stop();
  queue_.Clear();
  delete menu_.data();
}

QString QtUi::SkinPath() const { return QString::fromStdString(skinFolder_.string()); }

QString QtUi::LayoutFile(const std::string& layout) const {
  const auto it = index_.find(layout);
  if (it != index_.end()) return QString::fromStdString(it->second);
  if (QFileInfo::exists(QDir(SkinPath()).filePath(QString::fromStdString(layout)))) {
    return QString::fromStdString(layout);
  }
  return {};
}

std::unique_ptr<Window> QtUi::CreateWindow(const WindowSpec& spec, WindowHandler& handler) {
  return std::make_unique<QtWindow>(*this, spec, handler);
}

void QtUi::Register(QtWindow* window) { windows_.push_back(window); }

void QtUi::Unregister(QtWindow* window) {
  std::erase(windows_, window);
  UpdateLedTicker();
}

bool QtUi::LoadLanguage(std::string_view file) {
  const auto parsed = ReadLanguageFile(QDir(SkinPath()).filePath(Q(file)));
  if (!parsed.value) {
    qWarning("ui: language: %s", parsed.error.message.c_str());
    return false;
  }
  texts_ = parsed.value->texts;
  // Texts follow the loaded file at once, as if they were looked up when drawn.
  ReapplyTexts();
  return true;
}

void QtUi::ReapplyTexts() {
  for (QtWindow* w : windows_) w->ReapplyTexts();
}

std::string QtUi::Translate(std::string_view id) const {
  const auto it = texts_.find(std::string(id));
  return it == texts_.end() ? std::string(id) : it->second;
}

QString QtUi::ImagePath(std::string_view image) const {
  const QString name = Q(image);
  return QDir::isAbsolutePath(name) ? name : QDir(SkinPath()).filePath(name);
}

std::string QtUi::ImageProblem(std::string_view image) const {
  if (image.empty()) return "no image named";
  const QString path = ImagePath(image);
  const QFileInfo info(path);
  if (!info.exists()) return "no such file: " + path.toStdString();
  if (!info.isFile()) return "not a file: " + path.toStdString();
  // The whole image is decoded: a file that only starts like an image is refused too.
  QImageReader reader(path);
  if (reader.read().isNull()) {
    return "not an image that can be read: " + path.toStdString() + " (" +
           reader.errorString().toStdString() + ")";
  }
  return {};
}

namespace {

// A file dialog over the owner window; Qt uses the desktop's own dialog (the XDG portal in a
// sandbox) where the platform offers one.
std::optional<std::filesystem::path> AskFile(Window* parent, const OpenFileSpec& spec, bool save,
                                             std::string_view initialName = {}) {
  auto* owner = dynamic_cast<QtWindow*>(parent);
  QStringList filters;
  for (const FileFilter& f : spec.filters) {
    filters << (f.description.empty() ? QString() : Q(f.description) + " ") + "(" +
                   Q(f.pattern) + ")";
  }
  // On the heap: the owner window may go while the dialog runs, and takes it along then.
  QPointer<QFileDialog> dialog = new QFileDialog(owner != nullptr ? owner->HostWidget() : nullptr);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(Q(spec.defaultSuffix));
  if (!initialName.empty()) dialog->selectFile(Q(initialName));
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (dialog.isNull()) return std::nullopt;
  const QStringList files = dialog->selectedFiles();
  delete dialog.data();
  if (!accepted || files.isEmpty()) return std::nullopt;
  return std::filesystem::path(files.front().toStdString());
}

}  // namespace

std::optional<std::filesystem::path> QtUi::AskOpenFile(Window* parent,
                                                       const OpenFileSpec& spec) {
  return AskFile(parent, spec, false);
}

std::optional<std::filesystem::path> QtUi::AskSaveFile(Window* parent, const OpenFileSpec& spec,
                                                       std::string_view initialName) {
  return AskFile(parent, spec, true, initialName);
}

void QtUi::RegisterControlClass(std::string_view name, ControlFactory factory) {
  registry_.factories[Lower(name)] = std::move(factory);
}

void QtUi::SetCustomTagHandler(CustomTagHandler handler) {
  registry_.tagHandler = std::move(handler);
}

void QtUi::SetScale(int percent) {
  scale_ = std::clamp(percent, 50, 400);
  QFont font = QApplication::font();
  if (baseFontPointSize_ == 0) baseFontPointSize_ = std::max(1, font.pointSize());
  font.setPointSize(std::max(1, baseFontPointSize_ * scale_ / 100));
  QApplication::setFont(font);
  for (QtWindow* w : windows_) w->ApplyScale(scale_);
}

std::unique_ptr<TrayIcon> QtUi::CreateTrayIcon(Window& owner, std::string_view iconFile,
                                               std::string_view toolTip,
                                               std::uint32_t messageId) {
  auto& window = dynamic_cast<QtWindow&>(owner);
  return std::make_unique<QtTrayIcon>(window, QDir(SkinPath()).filePath(Q(iconFile)),
                                      Q(toolTip), messageId);
}

bool QtUi::ShowPopupMenu(Window& owner, std::string_view menuFile, Point at,
                         std::span<const MenuItem> extraItems) {
  MenuItems items;
  if (!menuFile.empty()) {
    auto parsed = ReadMenuFile(QDir(SkinPath()).filePath(Q(menuFile)));
    if (parsed.value) {
      items = std::move(*parsed.value);
    } else {
      qWarning("ui: menu: %s", parsed.error.message.c_str());
    }
  }
  items.insert(items.end(), extraItems.begin(), extraItems.end());
  delete menu_.data();
  if (items.empty()) return false;
  auto& window = dynamic_cast<QtWindow&>(owner);
  menu_ = new QMenu(window.HostWidget());
  for (const MenuItem& item : items) {
    QAction* action = menu_->addAction(Q(Translate(item.text)));
    action->setObjectName(Q(item.name));
    action->setCheckable(item.checkable);
    action->setChecked(item.checked);
    QObject::connect(action, &QAction::triggered, action,
                     [&window, alive = window.AliveToken(), item] {
                       if (!alive.expired()) window.PostMessage({kMenuClickMessage, 0, 0, item});
                     });
  }
  menu_->popup(QPoint(at.x, at.y));
  return true;
}

bool QtUi::Send(std::function<void()> task, const core::StopEvent& stop) {
  if (IsUiThread()) {
    task();
    return true;
  }
  return queue_.Send(std::move(task), stop);
}

int QtUi::Run() { return QApplication::exec(); }

void QtUi::Quit(int code) {
  if (IsUiThread()) {
    QCoreApplication::exit(code);
  } else {
    Post([code] { QCoreApplication::exit(code); });
  }
}

void QtUi::UpdateLedTicker() {
  const bool any = std::any_of(windows_.begin(), windows_.end(),
                               [](const QtWindow* w) { return w->HasLedPictures(); });
  if (any && !ledTimer_.isActive()) ledTimer_.start(kLedRepaintPeriod);
  if (!any) ledTimer_.stop();
}

void QtUi::LedTick() {
  for (QtWindow* w : windows_) w->ApplyLedPictures();
}

}  // namespace tavrinex::ui::qt
