// The UI library as the program uses it: windows from layouts, the language, the control
// factory, the tray icon, popup menus and the UI scale. One instance, owned by the process
// entry, used on the UI thread (Loop() is usable from any thread).
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/custom_control.h"
#include "ui/window.h"

namespace tavrinex::ui {

struct WindowSpec {
  std::string layout;  // a key of the resource index ("XML_MAIN") or a file name ("skin.xml")
  std::string title;
  Window* parent = nullptr;  // a parent makes a dialog that stays over it
  int width = 0;             // 0: the layout's own size
  int height = 0;
  // A popup: borderless, over every other window, shown without taking the activation from
  // the parent; a click outside it closes it (OnClose(0)), as the loss of its focus.
  bool popup = false;
};

// One entry of a file dialog's type list: a description (may be empty) with "*.png".
struct FileFilter {
  std::string description;
  std::string pattern;
};
struct OpenFileSpec {
  std::vector<FileFilter> filters;
  std::string defaultSuffix;  // added to a typed name without one
};

// What a custom layout tag stands for: the controls of another layout file (loaded in its
// place), or a registered control class.
struct TagExpansion {
  std::string layoutFile;
  std::string controlClass;
};
// Asked for every layout tag that is neither a known control kind nor a registered class;
// nullopt leaves a plain container and a diagnostic.
using CustomTagHandler = std::function<std::optional<TagExpansion>(std::string_view tag)>;

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual void SetToolTip(std::string_view tip) = 0;
  [[nodiscard]] virtual bool IsAvailable() const = 0;  // a tray host exists
};

class Ui {
 public:
  virtual ~Ui() = default;

  [[nodiscard]] virtual UiLoop& Loop() = 0;
  [[nodiscard]] virtual std::filesystem::path SkinFolder() const = 0;

  // A window built from the layout. A missing or malformed layout gives an empty window and
  // a diagnostic line, never a failure.
  [[nodiscard]] virtual std::unique_ptr<Window> CreateWindow(const WindowSpec& spec,
                                                             WindowHandler& handler) = 0;

  // Language: the texts of the file replace the current ones (false and a diagnostic when
  // the file is missing or malformed; the texts then stay as they were).
  [[nodiscard]] virtual bool LoadLanguage(std::string_view file) = 0;
  virtual void SetLanguageId(std::string_view id) = 0;
  [[nodiscard]] virtual std::string LanguageId() const = 0;
  // Every control in resource-text mode, in every window, shows the current text of its id.
  virtual void ReapplyTexts() = 0;
  [[nodiscard]] virtual std::string Translate(std::string_view id) const = 0;

  // Asks the user for an existing file to open, in a modal dialog over `parent` (may be null);
  // nothing when the user cancels.
  [[nodiscard]] virtual std::optional<std::filesystem::path> AskOpenFile(
      Window* parent, const OpenFileSpec& spec) = 0;
  // Asks for a file to save, starting with `initialName` (may be empty) and asking before an
  // existing file is replaced; nothing when the user cancels.
  [[nodiscard]] virtual std::optional<std::filesystem::path> AskSaveFile(
      Window* parent, const OpenFileSpec& spec, std::string_view initialName) = 0;
  // Why an image reference (relative to the skin folder, or absolute) cannot be shown: empty
  // when it can.
  [[nodiscard]] virtual std::string ImageProblem(std::string_view image) const = 0;

  // Control factory.
  virtual void RegisterControlClass(std::string_view name, ControlFactory factory) = 0;
  virtual void SetCustomTagHandler(CustomTagHandler handler) = 0;

  // UI scale in percent (100 = as designed): fonts and window sizes follow, images are
  // reloaded at the new size, and every window is laid out again.
  virtual void SetScale(int percent) = 0;
  [[nodiscard]] virtual int Scale() const = 0;

  // The tray icon posts kTrayMessage (lparam = kMouseLeftUp, kMouseRightUp, ...) to the owner.
  [[nodiscard]] virtual std::unique_ptr<TrayIcon> CreateTrayIcon(Window& owner,
                                                                 std::string_view iconFile,
                                                                 std::string_view toolTip,
                                                                 std::uint32_t messageId) = 0;
  // Shows the menu of the menu file at `at` (screen coordinates, left-top aligned), followed
  // by `extraItems`; a click posts kMenuClickMessage with the MenuItem to the owner. A new
  // menu replaces the one shown before. False when the file gives no menu and there are no
  // extra items.
  virtual bool ShowPopupMenu(Window& owner, std::string_view menuFile, Point at,
                             std::span<const MenuItem> extraItems) = 0;
};

}  // namespace tavrinex::ui
