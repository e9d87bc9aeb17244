// The key buttons' labels: what each key does now, against what it did from the factory.
#include "keys/key_editor.h"
#include "keys/macro_library.h"

namespace tavrinex::keys {
namespace {

constexpr std::string_view kHoverImageAttribute = "hotimage";

KeyFunction SlotOf(const KeyBlock& block, std::size_t slot) {
  const std::size_t at = kKeySlotSize * slot;
  return {block[at], block[at + 1], block[at + 2]};
}

bool IsMacro(KeyFunction fn) { return fn.kind == 0x70 || fn.kind == 0x71; }

// Setting a style costs the UI thread far more than comparing: only what changed is set.
void SetToolTip(ui::Control& c, const std::string& tip) {
  if (c.ToolTip() != tip) c.SetToolTip(tip);
}
void SetImage(ui::Control& c, const std::string& image) {
  if (c.BackgroundImage() != image) c.SetBackgroundImage(image);
}

}  // namespace

void KeyEditor::RedrawKeyLabels() {
  const auto page = ActivePage(*ctx_.image, kind_);
  if (!page) return;
  struct Blocks {
    KeyBlock page;
    KeyBlock defaults;
    std::size_t slots;
  };
  const Blocks blocks = ctx_.image->Read(kind_, [this, p = *page](const device::DeviceBlocks& b) {
    return Blocks{b.keyPages[p], b.defaultKeys, SlotCount(kind_, b)};
  });
  // Macro names come from the index file, read only when a slot names a macro.
  bool anyMacro = false;
  for (std::size_t s = 0; s < blocks.slots && !anyMacro; ++s) anyMacro = IsMacro(SlotOf(blocks.page, s));
  const MacroNameList macros(anyMacro ? MacroNamesNow() : std::vector<std::string>{});
  for (std::size_t s = 0; s < blocks.slots; ++s) {
    const auto name = FunctionNameId(SlotOf(blocks.page, s), &macros);
    if (name) SetKeyLabel(s, *name, SlotOf(blocks.defaults, s));
  }
}

void KeyEditor::SetKeyLabel(std::size_t slot, const FunctionName& name,
                            KeyFunction factoryDefault) {
  const auto translate = [this](std::string_view id) {
    return ctx_.translate ? ctx_.translate(id) : std::string(id);
  };
  if (kind_ == DeviceKind::kMouse) {
    ui::Control* button = slot < keyButtons_.size() ? keyButtons_[slot] : nullptr;
    if (button == nullptr) return;
    const bool resource = name.source == FunctionName::Source::kLanguageId;
    const std::string text(name.text);
    if (button->ResourceText() != resource) button->SetResourceText(resource);
    button->SetText(text);
    SetToolTip(*button, resource ? translate(text) : text);
    return;
  }
  const auto position = ctx_.positions != nullptr ? ctx_.positions->PositionOfSlot(slot)
                                                  : std::nullopt;
  if (!position || *position >= keyButtons_.size() || keyButtons_[*position] == nullptr) return;
  ui::Control& button = *keyButtons_[*position];
  const KeyLabel label = ComposeKeyLabel(name, factoryDefault, translate);
  SetToolTip(button, label.tooltip);
  SetImage(button, label.reassigned ? button.Attribute(kHoverImageAttribute) : button.UserData());
}

}  // namespace tavrinex::keys
