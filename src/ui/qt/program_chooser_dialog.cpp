#include "ui/qt/program_chooser_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::ui::qt {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr QSize kIconSize{24, 24};

QString Q(const std::string& text) { return QString::fromStdString(text); }

QIcon IconOf(const ProgramEntry& entry) {
  QIcon icon;
  if (!entry.icon.empty()) {
    if (entry.icon.front() != '/') {
      icon = QIcon::fromTheme(Q(entry.icon));
    } else if (QFileInfo::exists(Q(entry.icon))) {
      icon = QIcon(Q(entry.icon));
    }
  }
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

// The window's own colours, so that the chooser looks like a part of it.
constexpr const char* kChooserStyle =
    "QDialog { background-color: #151a21; }"
    "QLabel { color: #8e98a8; }"
    "QLineEdit { background-color: #1c2129; color: #e6ebf2; border: 1px solid #2c3440;"
    " border-radius: 5px; padding: 5px 6px; selection-background-color: #19c3f0; }"
    "QListWidget { background-color: #1c2129; color: #e6ebf2; border: 1px solid #2c3440;"
    " border-radius: 6px; outline: none; }"
    "QListWidget::item { padding: 3px 2px; }"
    "QListWidget::item:selected { background-color: #19c3f0; color: #0f1217; }"
    "QPushButton { background-color: #1c2129; color: #e6ebf2; border: 1px solid #2c3440;"
    " border-radius: 6px; padding: 6px 16px; }"
    "QPushButton:hover { border-color: #19c3f0; }"
    "QPushButton:default { background-color: #19c3f0; color: #0f1217; border: none; font-weight: bold; }"
    "QPushButton:disabled { background-color: #232a35; color: #5c6678; border: none; }";

void AddSection(QListWidget& list, const QString& title, const std::vector<ProgramEntry>& entries,
                bool chinese) {
  auto* header = new QListWidgetItem(title, &list);
  header->setFlags(Qt::ItemIsEnabled);  // shown in full colour, never chosen
  QFont bold = header->font();
  bold.setBold(true);
  header->setFont(bold);
  for (const ProgramEntry& e : entries) {
    const std::string& name = chinese && !e.chineseName.empty() ? e.chineseName : e.name;
    auto* item = new QListWidgetItem(IconOf(e), Q(name), &list);
    item->setToolTip(Q(e.executable));
    item->setData(kPathRole, Q(e.executable));
  }
}

// Entries whose name or path holds the text stay; section titles always do.
void Filter(QListWidget& list, const QString& text) {
  for (int i = 0; i < list.count(); ++i) {
    QListWidgetItem* item = list.item(i);
    if (!item->data(kPathRole).isValid()) continue;
    const bool match = text.isEmpty() || item->text().contains(text, Qt::CaseInsensitive) ||
                       item->data(kPathRole).toString().contains(text, Qt::CaseInsensitive);
    item->setHidden(!match);
  }
}

// Any executable file; its absolute path with symbolic links resolved, as the desktop reports
// the program in front.
QString AskExecutable(QWidget* owner, const QString& title, const QString& filterName) {
  QFileDialog dialog(owner, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // the executable filter needs Qt's own
  dialog.setFilter(QDir::AllDirs | QDir::Executable | QDir::Files | QDir::NoDotAndDotDot);
  dialog.setNameFilter(filterName + QStringLiteral(" (*)"));
  dialog.setDirectory(QStringLiteral("/usr/bin"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QFileInfo file(dialog.selectedFiles().front());
  if (!file.isFile() || !file.isExecutable()) return {};
  return file.canonicalFilePath();
}

}  // namespace

std::optional<std::string> ProgramChooserDialog::Choose(Window* parent) {
  auto* owner = dynamic_cast<QtWindow*>(parent);
  auto tr = [this](std::string_view id) { return Q(ui_.Translate(id)); };
  // On the heap: the owner may go while the dialog runs, and takes it along then.
  QPointer<QDialog> dialog = new QDialog(owner != nullptr ? owner->HostWidget() : nullptr);
  dialog->setWindowTitle(tr("link_chooser_title"));
  dialog->resize(460, 520);
  dialog->setStyleSheet(QString::fromLatin1(kChooserStyle));
  auto* layout = new QVBoxLayout(dialog);
  auto* hint = new QLabel(tr("link_chooser_hint"), dialog);
  hint->setWordWrap(true);
  auto* filter = new QLineEdit(dialog);
  filter->setObjectName(kChooserFilter);
  filter->setPlaceholderText(tr("link_chooser_filter"));
  filter->setClearButtonEnabled(true);
  auto* list = new QListWidget(dialog);
  list->setObjectName(kChooserList);
  list->setIconSize(kIconSize);
  const ProgramOffer offer = offer_ ? offer_() : ProgramOffer{};
  const bool chinese = ui_.LanguageId() != "en";
  AddSection(*list, tr("link_chooser_installed"), offer.installed, chinese);
  AddSection(*list, tr("link_chooser_running"), offer.running, chinese);

  auto* other = new QPushButton(tr("link_chooser_other"), dialog);
  other->setObjectName(kChooserOther);
  auto* ok = new QPushButton(tr("link_chooser_ok"), dialog);
  ok->setObjectName(kChooserOk);
  ok->setDefault(true);
  ok->setEnabled(false);
  auto* cancel = new QPushButton(tr("link_chooser_cancel"), dialog);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(other);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addWidget(hint);
  layout->addWidget(filter);
  layout->addWidget(list);
  layout->addLayout(buttons);

  QString chosen;
  QObject::connect(filter, &QLineEdit::textChanged, list, [list](const QString& t) { Filter(*list, t); });
  QObject::connect(list, &QListWidget::currentItemChanged, ok, [ok, &chosen](QListWidgetItem* item) {
    chosen = item != nullptr ? item->data(kPathRole).toString() : QString();
    ok->setEnabled(!chosen.isEmpty());
  });
  QDialog* const box = dialog.data();
  QObject::connect(list, &QListWidget::itemDoubleClicked, box, [box](QListWidgetItem* item) {
    if (item->data(kPathRole).isValid()) box->accept();
  });
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, box, &QDialog::reject);
  QObject::connect(other, &QPushButton::clicked, box, [&tr, &chosen, box] {
    const QString file = AskExecutable(box, tr("link_chooser_other"), tr("link_chooser_file_filter"));
    if (file.isEmpty()) return;
    chosen = file;
    box->accept();
  });

  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (dialog.isNull()) return std::nullopt;
  delete dialog.data();
  if (!accepted || chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

}  // namespace tavrinex::ui::qt
