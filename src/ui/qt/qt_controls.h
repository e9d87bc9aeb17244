// The Qt side of ui::Control: one adapter per named widget of a window, keeping what the
// widget itself has no place for (the language id of a resource text, user data, overlay,
// the background and text settings that become the widget's style sheet).
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "ui/control.h"
#include "ui/events.h"

class QAbstractButton;
class QAbstractItemModel;
class QAbstractItemView;
class QAbstractSlider;
class QComboBox;
class QVariant;

namespace tavrinex::ui::qt {

class ColorPalette;
class LedPicture;

// What an adapter needs from its window.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  [[nodiscard]] virtual std::string Translate(std::string_view id) const = 0;
  // The file of an image reference: relative ones are in the skin folder.
  [[nodiscard]] virtual QString ImagePath(std::string_view image) const = 0;
  // Raises a notification unless the window mutes notifications (a change made from code).
  virtual void Raise(EventType type, Control& sender, int itemIndex = -1,
                     std::string itemName = {}) = 0;
  [[nodiscard]] virtual bool Muted() const = 0;
  virtual void Mute(bool on) = 0;
};

class QtControl : public virtual Control {
 public:
  QtControl(QWidget* widget, ControlHost& host);
  ~QtControl() override;
  QtControl(const QtControl&) = delete;
  QtControl& operator=(const QtControl&) = delete;

  // Connects the widget's signals to notifications; called once the adapter is complete.
  virtual void Connect();
  [[nodiscard]] QWidget* Widget() const { return widget_; }
  // Shows the current translation again (language switch).
  void ReapplyText();
  void ShowPlaceholder();
  [[nodiscard]] LedPicture* Led() const;

  std::string Name() const override;
  std::string ClassName() const override;
  std::string Text() const override;
  void SetText(std::string_view text) override;
  bool ResourceText() const override { return resourceText_; }
  void SetResourceText(bool on) override;
  std::string UserData() const override { return userData_; }
  void SetUserData(std::string_view data) override { userData_ = data; }
  bool IsVisible() const override;
  void SetVisible(bool visible) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;
  Argb BackgroundColor() const override { return background_; }
  void SetBackgroundColor(Argb color) override;
  std::string BackgroundImage() const override { return backgroundImage_; }
  void SetBackgroundImage(std::string_view image) override;
  int FixedHeight() const override { return fixedHeight_; }
  void SetFixedHeight(int height) override;
  std::string ToolTip() const override;
  void SetToolTip(std::string_view tip) override;
  std::string Attribute(std::string_view name) const override;
  void SetAttribute(std::string_view name, std::string_view value) override;
  Argb TextColor() const override { return textColor_; }
  void SetTextColor(Argb color) override;
  Padding TextPadding() const override { return padding_; }
  void SetTextPadding(Padding padding) override;
  bool OverlayMode() const override;
  void SetOverlayMode(bool on) override;
  std::uint32_t OverlayColor() const override;
  void SetOverlayColor(std::uint32_t overlayWord) override;
  std::uint8_t OverlayOpacity() const override;
  void SetOverlayOpacity(std::uint8_t opacity) override;
  CustomControl* OwnControl() override;

 protected:
  ControlHost& Host() const { return host_; }
  // Runs `change` with this window's notifications muted (unless `notify`).
  template <class F>
  void Quietly(F&& change, bool notify = false) {
    const bool was = host_.Muted();
    host_.Mute(!notify);
    change();
    host_.Mute(was);
  }

 private:
  [[nodiscard]] QString WidgetText() const;
  void ShowText(const QString& text);
  void TranslateItems(QComboBox& combo);
  void UpdateStyleSheet();
  void UpdateOverlay();

  QWidget* widget_;
  ControlHost& host_;
  std::string rawText_;
  bool resourceText_ = false;
  std::string userData_;
  Argb background_ = 0;
  std::string backgroundImage_;
  Argb textColor_ = 0;
  Padding padding_;
  int fixedHeight_ = 0;
  QString layoutStyleSheet_;
  bool overlayMode_ = false;
  std::uint32_t overlayWord_ = 0;
  std::uint8_t overlayOpacity_ = 0;
  QPointer<QWidget> overlay_;  // the overlay of widgets other than LED pictures
};

class QtOption final : public QtControl, public OptionControl {
 public:
  QtOption(QAbstractButton* button, ControlHost& host);
  void Connect() override;
  bool IsSelected() const override;
  void Select(bool selected, bool notify) override;

 private:
  [[nodiscard]] bool Grouped() const;
  QAbstractButton* button_;
};

class QtList final : public QtControl, public ListControl {
 public:
  QtList(QComboBox* combo, ControlHost& host);
  QtList(QAbstractItemView* view, ControlHost& host);
  void Connect() override;
  int Count() const override;
  int CurrentIndex() const override;
  int ColumnCount() const override;
  int AddItem(std::string_view text, std::string_view userData, int index) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  bool SelectItem(int index) override;
  std::string ItemText(int index, int column) const override;
  void SetItemText(int index, int column, std::string_view text) override;
  std::string ItemUserData(int index) const override;
  void SetItemUserData(int index, std::string_view data) override;
  std::string ItemName(int index) const override;
  void SetItemName(int index, std::string_view name) override;
  int ItemHeight(int index) const override;
  void SetItemHeight(int index, int height) override;
  std::string ItemAttribute(int index, std::string_view name) const override;
  void SetItemAttribute(int index, std::string_view name, std::string_view value) override;

 private:
  [[nodiscard]] QAbstractItemModel* Model() const;
  [[nodiscard]] bool Valid(int index) const { return index >= 0 && index < Count(); }
  void SetCurrent(int index);
  void CurrentChanged(int row);
  [[nodiscard]] QVariant Data(int index, int role, int column = 0) const;
  void SetData(int index, int role, const QVariant& value, int column = 0);

  QComboBox* combo_ = nullptr;
  QAbstractItemView* view_ = nullptr;
};

class QtTab final : public QtControl, public TabControl {
 public:
  QtTab(QWidget* stackOrTabs, ControlHost& host);
  int PageCount() const override;
  int CurrentPage() const override;
  bool SelectPage(int index) override;
};

class QtSlider final : public QtControl, public SliderControl {
 public:
  QtSlider(QAbstractSlider* slider, ControlHost& host);
  void Connect() override;
  int Value() const override;
  void SetValue(int value) override;
  int Minimum() const override;
  void SetMinimum(int value) override;
  int Maximum() const override;
  void SetMaximum(int value) override;

 private:
  QAbstractSlider* slider_;
};

class QtPalette final : public QtControl, public PaletteControl {
 public:
  QtPalette(ColorPalette* palette, ControlHost& host);
  void Connect() override;
  Argb SelectedColor() const override;
  void SetSelectedColor(Argb color) override;

 private:
  ColorPalette* palette_;
};

}  // namespace tavrinex::ui::qt
