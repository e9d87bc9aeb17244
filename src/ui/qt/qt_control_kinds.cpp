// The adapters of the control kinds with operations of their own.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariantMap>

#include "ui/qt/color_palette.h"
#include "ui/qt/qt_controls.h"

namespace tavrinex::ui::qt {
namespace {

constexpr int kUserDataRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;
constexpr int kAttributesRole = Qt::UserRole + 3;
constexpr int kHeightRole = Qt::UserRole + 4;

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

// ---- option and check box ----

QtOption::QtOption(QAbstractButton* button, ControlHost& host)
    : QtControl(button, host), button_(button) {}

// An option of a group reports only its selection (the one it displaces stays silent, so a
// switch is one notification); a check box reports both ways.
void QtOption::Connect() {
  QtControl::Connect();
  QObject::connect(button_, &QAbstractButton::toggled, button_, [this](bool checked) {
    if (checked || !Grouped()) Host().Raise(EventType::kSelectChanged, *this);
  });
}

bool QtOption::Grouped() const {
  const QButtonGroup* group = button_->group();
  return button_->autoExclusive() || (group != nullptr && group->exclusive());
}

bool QtOption::IsSelected() const { return button_->isChecked(); }

void QtOption::Select(bool selected, bool notify) {
  if (button_->isChecked() == selected) return;
  // Clearing an option of a group is silent (its group flag is lifted for the moment below).
  if (!selected && Grouped()) notify = false;
  Quietly(
      [&] {
        // An option of an exclusive group cannot be cleared while it is the checked one.
        const bool exclusive = button_->autoExclusive();
        if (!selected) button_->setAutoExclusive(false);
        button_->setChecked(selected);
        button_->setAutoExclusive(exclusive);
      },
      notify);
}

// ---- list and combo ----

QtList::QtList(QComboBox* combo, ControlHost& host) : QtControl(combo, host), combo_(combo) {}
QtList::QtList(QAbstractItemView* view, ControlHost& host) : QtControl(view, host), view_(view) {}

QAbstractItemModel* QtList::Model() const { return combo_ ? combo_->model() : view_->model(); }

void QtList::Connect() {
  QtControl::Connect();
  if (combo_) {
    QObject::connect(combo_, &QComboBox::currentIndexChanged, combo_,
                     [this](int row) { CurrentChanged(row); });
    return;
  }
  QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, view_,
                   [this](const QModelIndex& current) {
                     CurrentChanged(current.isValid() ? current.row() : -1);
                   });
  QObject::connect(view_, &QAbstractItemView::clicked, view_, [this](const QModelIndex& index) {
    Host().Raise(EventType::kItemClick, *this, index.row(), ItemName(index.row()));
  });
}

// Losing the current row (to none) is not a selection: only a new current row is raised.
void QtList::CurrentChanged(int row) {
  if (row >= 0) Host().Raise(EventType::kItemSelect, *this, row, ItemName(row));
}

int QtList::Count() const { return Model()->rowCount(); }

int QtList::CurrentIndex() const {
  if (combo_) return combo_->currentIndex();
  const QModelIndex current = view_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

int QtList::ColumnCount() const { return Model()->columnCount(); }

void QtList::SetCurrent(int index) {
  if (combo_) {
    combo_->setCurrentIndex(index);
  } else if (index < 0) {
    view_->selectionModel()->clear();
  } else {
    view_->setCurrentIndex(Model()->index(index, 0));
  }
}

int QtList::AddItem(std::string_view text, std::string_view userData, int index) {
  const int row = index < 0 || index > Count() ? Count() : index;
  Quietly([&] {
    const int current = CurrentIndex();
    Model()->insertRow(row);
    SetData(row, Qt::DisplayRole, Q(text));
    SetData(row, kUserDataRole, Q(userData));
    // A combo makes its first row current by itself; the current row stays as it was.
    if (current < 0) SetCurrent(-1);
  });
  return row;
}

bool QtList::RemoveAt(int index) {
  if (!Valid(index)) return false;
  Quietly([&] {
    const bool wasCurrent = index == CurrentIndex();
    Model()->removeRow(index);
    if (wasCurrent) SetCurrent(-1);
  });
  return true;
}

void QtList::RemoveAll() {
  Quietly([&] {
    Model()->removeRows(0, Count());
    SetCurrent(-1);
  });
}

bool QtList::SelectItem(int index) {
  if (index < -1 || index >= Count()) return false;
  if (index == CurrentIndex()) return true;
  if (index < 0) {
    Quietly([&] { SetCurrent(-1); });
  } else {
    SetCurrent(index);
  }
  return true;
}

QVariant QtList::Data(int index, int role, int column) const {
  if (!Valid(index) || column < 0 || column >= ColumnCount()) return {};
  return Model()->index(index, column).data(role);
}

void QtList::SetData(int index, int role, const QVariant& value, int column) {
  if (!Valid(index) || column < 0 || column >= ColumnCount()) return;
  Model()->setData(Model()->index(index, column), value, role);
}

std::string QtList::ItemText(int index, int column) const {
  return Data(index, Qt::DisplayRole, column).toString().toStdString();
}
void QtList::SetItemText(int index, int column, std::string_view text) {
  SetData(index, Qt::DisplayRole, Q(text), column);
}
std::string QtList::ItemUserData(int index) const {
  return Data(index, kUserDataRole).toString().toStdString();
}
void QtList::SetItemUserData(int index, std::string_view data) {
  SetData(index, kUserDataRole, Q(data));
}
std::string QtList::ItemName(int index) const {
  return Data(index, kNameRole).toString().toStdString();
}
void QtList::SetItemName(int index, std::string_view name) { SetData(index, kNameRole, Q(name)); }
int QtList::ItemHeight(int index) const { return Data(index, kHeightRole).toInt(); }

void QtList::SetItemHeight(int index, int height) {
  SetData(index, kHeightRole, height);
  for (int c = 0; c < ColumnCount(); ++c) {
    SetData(index, Qt::SizeHintRole, height > 0 ? QVariant(QSize(1, height)) : QVariant(), c);
  }
}

std::string QtList::ItemAttribute(int index, std::string_view name) const {
  return Data(index, kAttributesRole).toMap().value(Q(name)).toString().toStdString();
}

void QtList::SetItemAttribute(int index, std::string_view name, std::string_view value) {
  QVariantMap attributes = Data(index, kAttributesRole).toMap();
  attributes.insert(Q(name), Q(value));
  SetData(index, kAttributesRole, attributes);
}

// ---- tab layout ----

QtTab::QtTab(QWidget* stackOrTabs, ControlHost& host) : QtControl(stackOrTabs, host) {}

int QtTab::PageCount() const {
  if (const auto* stack = qobject_cast<QStackedWidget*>(Widget())) return stack->count();
  return qobject_cast<QTabWidget*>(Widget())->count();
}

int QtTab::CurrentPage() const {
  if (const auto* stack = qobject_cast<QStackedWidget*>(Widget())) return stack->currentIndex();
  return qobject_cast<QTabWidget*>(Widget())->currentIndex();
}

bool QtTab::SelectPage(int index) {
  if (index < 0 || index >= PageCount()) return false;
  if (auto* stack = qobject_cast<QStackedWidget*>(Widget())) {
    stack->setCurrentIndex(index);
  } else {
    qobject_cast<QTabWidget*>(Widget())->setCurrentIndex(index);
  }
  return true;
}

// ---- slider ----

QtSlider::QtSlider(QAbstractSlider* slider, ControlHost& host)
    : QtControl(slider, host), slider_(slider) {}

void QtSlider::Connect() {
  QtControl::Connect();
  // With tracking the value follows the drag, so the release is the one final value.
  slider_->setTracking(true);
  QObject::connect(slider_, &QAbstractSlider::sliderMoved, slider_,
                   [this] { Host().Raise(EventType::kMoveValueChanged, *this); });
  QObject::connect(slider_, &QAbstractSlider::sliderReleased, slider_,
                   [this] { Host().Raise(EventType::kValueChanged, *this); });
  // Keys, wheel and clicks beside the handle change the value without a drag.
  QObject::connect(slider_, &QAbstractSlider::valueChanged, slider_, [this] {
    if (!slider_->isSliderDown()) Host().Raise(EventType::kValueChanged, *this);
  });
}

int QtSlider::Value() const { return slider_->value(); }
void QtSlider::SetValue(int value) {
  Quietly([&] { slider_->setValue(value); });
}
int QtSlider::Minimum() const { return slider_->minimum(); }
void QtSlider::SetMinimum(int value) {
  Quietly([&] { slider_->setMinimum(value); });
}
int QtSlider::Maximum() const { return slider_->maximum(); }
void QtSlider::SetMaximum(int value) {
  Quietly([&] { slider_->setMaximum(value); });
}

// ---- colour palette ----

QtPalette::QtPalette(ColorPalette* palette, ControlHost& host)
    : QtControl(palette, host), palette_(palette) {}

void QtPalette::Connect() {
  QtControl::Connect();
  QObject::connect(palette_, &ColorPalette::ColorPicked, palette_,
                   [this] { Host().Raise(EventType::kColorChanged, *this); });
}

Argb QtPalette::SelectedColor() const { return palette_->Selected().rgba(); }
void QtPalette::SetSelectedColor(Argb color) { palette_->SetSelected(QColor::fromRgba(color)); }

}  // namespace tavrinex::ui::qt
