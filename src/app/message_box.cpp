#include "app/message_box.h"

#include <algorithm>
#include <memory>

#include "app/router.h"

namespace tavrinex::app {

CMsgWnd::CMsgWnd(ui::Ui& ui, ui::Window& owner) : ui_(ui), owner_(owner) {}

void CMsgWnd::InitWindow() { closeButton_ = window_ ? window_->Find("closebtn") : nullptr; }

int CMsgWnd::Show(std::string_view text, bool resourceText) {
  window_ = ui_.CreateWindow({std::string(kMessageLayout), std::string(kMessageTitle), &owner_, 0, 0}, *this);
  if (closeButton_ == nullptr) closeButton_ = window_->Find("closebtn");
  if (ui::Control* title = window_->Find("MessageTitle")) title->SetText("");
  if (!text.empty()) {
    if (ui::Control* body = window_->Find("MessageText")) {
      body->SetResourceText(resourceText);
      body->SetText(text);
    }
  }
  window_->Centre();
  const int result = window_->RunModal();
  window_.reset();
  return result;
}

void CMsgWnd::Notify(const ui::Notification& n) {
  if (n.type != ui::EventType::kClick || !window_) return;
  if (n.sender != nullptr && n.sender == closeButton_) {
    window_->Close(0);
    return;
  }
  const std::string name = Lower(n.senderName);
  if (name == "confirm_btn") {
    window_->Close(1);
  } else if (name == "cancel_btn") {
    window_->Close(0);
  }
}

int ShowMessage(ui::Ui& ui, ui::Window& owner, std::string_view text, bool resourceText,
                const MessageObserver& observer) {
  CMsgWnd box(ui, owner);
  auto open = std::make_shared<bool>(true);
  if (observer) {
    // Runs inside the modal loop, once the box exists; never after this call returned.
    ui.Loop().Post([&box, observer, open, id = std::string(text)] {
      if (*open && box.WindowOf() != nullptr) observer(box, id);
    });
  }
  const int result = box.Show(text, resourceText);
  *open = false;
  return result;
}

std::string TranslateThroughLabel(ui::Window& owner, std::string_view id) {
  ui::Control* label = owner.Find(kTranslationLabel);
  if (label == nullptr) return std::string(id);
  label->SetResourceText(true);
  label->SetText(id);
  return label->Text();
}

}  // namespace tavrinex::app
