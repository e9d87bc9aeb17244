// Controls as the feature code sees them: found by name in a window, driven through these
// operations on the UI thread only. The kinds with operations of their own (option, list and
// combo, tab layout, slider, colour palette) extend Control; Window::Find<T> picks the kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/color.h"

namespace tavrinex::ui {

class CustomControl;

struct Padding {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Padding&, const Padding&) = default;
};

class Control {
 public:
  virtual ~Control() = default;

  [[nodiscard]] virtual std::string Name() const = 0;
  // The control's kind as the layout named it ("QPushButton", "LedPicture", ...).
  [[nodiscard]] virtual std::string ClassName() const = 0;

  // In resource-text mode the text set is a language id: the control shows (and Text returns)
  // its translation, and follows a language switch. An unknown id shows the id itself.
  [[nodiscard]] virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;
  [[nodiscard]] virtual bool ResourceText() const = 0;
  virtual void SetResourceText(bool on) = 0;

  [[nodiscard]] virtual std::string UserData() const = 0;
  virtual void SetUserData(std::string_view data) = 0;
  [[nodiscard]] virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  [[nodiscard]] virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;

  // Background colour 0 means none; an empty image means none. Image paths are relative to
  // the skin folder.
  [[nodiscard]] virtual Argb BackgroundColor() const = 0;
  virtual void SetBackgroundColor(Argb color) = 0;
  [[nodiscard]] virtual std::string BackgroundImage() const = 0;
  virtual void SetBackgroundImage(std::string_view image) = 0;
  [[nodiscard]] virtual int FixedHeight() const = 0;  // 0 when not fixed
  virtual void SetFixedHeight(int height) = 0;
  [[nodiscard]] virtual std::string ToolTip() const = 0;
  virtual void SetToolTip(std::string_view tip) = 0;
  // Named attributes: "style" selects a style class of the skin; other names are kept and
  // handed to custom controls.
  [[nodiscard]] virtual std::string Attribute(std::string_view name) const = 0;
  virtual void SetAttribute(std::string_view name, std::string_view value) = 0;

  // Text colour and padding of controls that show a text (labels, buttons, options).
  [[nodiscard]] virtual Argb TextColor() const = 0;
  virtual void SetTextColor(Argb color) = 0;
  [[nodiscard]] virtual Padding TextPadding() const = 0;
  virtual void SetTextPadding(Padding padding) = 0;

  // The overlay: a colour (OverlayWord order) laid over the control at an opacity 0-255,
  // drawn only while overlay mode is on.
  [[nodiscard]] virtual bool OverlayMode() const = 0;
  virtual void SetOverlayMode(bool on) = 0;
  [[nodiscard]] virtual std::uint32_t OverlayColor() const = 0;
  virtual void SetOverlayColor(std::uint32_t overlayWord) = 0;
  [[nodiscard]] virtual std::uint8_t OverlayOpacity() const = 0;
  virtual void SetOverlayOpacity(std::uint8_t opacity) = 0;

  // The object of a control of the program's own class (custom_control.h), for handing it
  // data that attributes cannot carry; null for every other control.
  [[nodiscard]] virtual CustomControl* OwnControl() { return nullptr; }
};

// Option buttons and check boxes. An option of a group raises "selectchanged" when it becomes
// selected (the option it displaces raises nothing); a check box raises it both ways.
class OptionControl : public virtual Control {
 public:
  [[nodiscard]] virtual bool IsSelected() const = 0;
  // Raises "selectchanged" only when `notify` is set and the state actually changes (as
  // above: clearing an option of a group raises nothing).
  virtual void Select(bool selected, bool notify = true) = 0;
};

// Lists (several text columns per row) and combo boxes (one column). Rows are addressed by
// index; every row has a name, column texts, user data, a height and named attributes.
class ListControl : public virtual Control {
 public:
  [[nodiscard]] virtual int Count() const = 0;
  [[nodiscard]] virtual int CurrentIndex() const = 0;  // -1 when none
  [[nodiscard]] virtual int ColumnCount() const = 0;
  // Appends (index -1 or past the end) or inserts a row; returns its index. Never raises
  // "itemselect", and the current row stays the same row.
  virtual int AddItem(std::string_view text, std::string_view userData = {}, int index = -1) = 0;
  // False for an index out of range. Removing the current row leaves no current row;
  // nothing is raised.
  virtual bool RemoveAt(int index) = 0;
  virtual void RemoveAll() = 0;
  // Makes `index` current (-1: none). Raises "itemselect" exactly when the current row
  // changes; false for an index out of range.
  virtual bool SelectItem(int index) = 0;

  [[nodiscard]] virtual std::string ItemText(int index, int column = 0) const = 0;
  virtual void SetItemText(int index, int column, std::string_view text) = 0;
  [[nodiscard]] virtual std::string ItemUserData(int index) const = 0;
  virtual void SetItemUserData(int index, std::string_view data) = 0;
  [[nodiscard]] virtual std::string ItemName(int index) const = 0;
  virtual void SetItemName(int index, std::string_view name) = 0;
  [[nodiscard]] virtual int ItemHeight(int index) const = 0;  // 0 when not fixed
  virtual void SetItemHeight(int index, int height) = 0;
  [[nodiscard]] virtual std::string ItemAttribute(int index, std::string_view name) const = 0;
  virtual void SetItemAttribute(int index, std::string_view name, std::string_view value) = 0;
};

// A stack of pages of which one shows.
class TabControl : public virtual Control {
 public:
  [[nodiscard]] virtual int PageCount() const = 0;
  [[nodiscard]] virtual int CurrentPage() const = 0;
  virtual bool SelectPage(int index) = 0;  // false for an index out of range
};

// Setting the value from code raises nothing.
class SliderControl : public virtual Control {
 public:
  [[nodiscard]] virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
  [[nodiscard]] virtual int Minimum() const = 0;
  virtual void SetMinimum(int value) = 0;
  [[nodiscard]] virtual int Maximum() const = 0;
  virtual void SetMaximum(int value) = 0;
};

// Setting the colour from code raises nothing; a user's pick raises "colorchanged".
class PaletteControl : public virtual Control {
 public:
  [[nodiscard]] virtual Argb SelectedColor() const = 0;
  virtual void SetSelectedColor(Argb color) = 0;
};

}  // namespace tavrinex::ui
