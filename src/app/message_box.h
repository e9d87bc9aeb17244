// The modal message box: one text, by its language id (or a finished text), over the main
// window; "confirm_btn" answers 1, "cancel_btn" and "closebtn" answer 0.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/ui.h"

namespace tavrinex::app {

inline constexpr std::string_view kMessageLayout = "XML_MSG";  // its root is "msgwnd"
inline constexpr std::string_view kMessageTitle = "Tavrinex Driver";
// The hidden label through which callers translate a format id before filling a number in.
inline constexpr std::string_view kTranslationLabel = "str_test";

class CMsgWnd final : public ui::WindowHandler {
 public:
  CMsgWnd(ui::Ui& ui, ui::Window& owner);
  // Shows the box modally; `resourceText` set: `text` is a language id.
  [[nodiscard]] int Show(std::string_view text, bool resourceText);
  // The box's window while Show runs (null otherwise), for the test hook.
  [[nodiscard]] ui::Window* WindowOf() const { return window_.get(); }

  void InitWindow() override;
  void Notify(const ui::Notification& n) override;

 private:
  ui::Ui& ui_;
  ui::Window& owner_;
  std::unique_ptr<ui::Window> window_;
  ui::Control* closeButton_ = nullptr;
};

// Called while a box is open (posted to the loop once it runs), with the box and its id;
// tests answer the box from here.
using MessageObserver = std::function<void(CMsgWnd& box, const std::string& id)>;

// ShowMessage: returns 1 for "confirm_btn", 0 otherwise.
int ShowMessage(ui::Ui& ui, ui::Window& owner, std::string_view text, bool resourceText,
                const MessageObserver& observer = {});

// The id translated through the hidden label of the owner window (the language's text, or
// the id itself when the label is missing or the id unknown).
[[nodiscard]] std::string TranslateThroughLabel(ui::Window& owner, std::string_view id);

}  // namespace tavrinex::app
