#include "app/macro_timeline_panel.h"

#include <array>

namespace tavrinex::app {
namespace {

std::string Prefix(device::DeviceKind kind) {
  return kind == device::DeviceKind::kMouse ? "ms_" : "kb_";
}

}  // namespace

MacroTimelinePanel::MacroTimelinePanel(ui::Window& window, device::DeviceKind kind,
                                       Translate translate)
    : translate_(std::move(translate)) {
  if (ui::Control* c = window.Find(TimelineName(kind)); c != nullptr) {
    timeline_ = dynamic_cast<appearance::CMacroTimelineUI*>(c->OwnControl());
  }
  capacity_ = window.Find(CapacityName(kind));
  if (timeline_ != nullptr) timeline_->SetTranslator(translate_);
}

std::string MacroTimelinePanel::TimelineName(device::DeviceKind kind) {
  return Prefix(kind) + "macro_timeline";
}

std::string MacroTimelinePanel::CapacityName(device::DeviceKind kind) {
  return Prefix(kind) + "macro_capacity_text";
}

void MacroTimelinePanel::Show(std::span<const keys::TimelineRow> rows) {
  if (timeline_ != nullptr) timeline_->SetRows(rows);
}

void MacroTimelinePanel::ShowCapacity(std::size_t usedBytes, std::size_t capacityBytes) {
  shown_ = Shown{usedBytes, capacityBytes};
  ShowText(*shown_);
}

void MacroTimelinePanel::ShowCapacityUnknown(std::size_t usedBytes) {
  shown_ = Shown{usedBytes, std::nullopt};
  ShowText(*shown_);
}

void MacroTimelinePanel::Relabel() {
  if (shown_) ShowText(*shown_);
}

void MacroTimelinePanel::ShowText(const Shown& shown) {
  if (capacity_ == nullptr) return;
  const auto tr = [this](std::string_view id) { return translate_ ? translate_(id) : std::string(id); };
  std::string text;
  if (!shown.capacity) {
    const std::array<std::string, 1> v = {std::to_string(shown.used)};
    text = appearance::timeline::Fill(tr(kCapacityUnknown), v);
  } else if (*shown.capacity == 0) {
    text = tr(kCapacityNone);
  } else {
    const std::array<std::string, 2> v = {std::to_string(shown.used), std::to_string(*shown.capacity)};
    text = appearance::timeline::Fill(tr(shown.used > *shown.capacity ? kCapacityOver : kCapacityText), v);
  }
  capacity_->SetResourceText(false);
  capacity_->SetText(text);
}

}  // namespace tavrinex::app
