#include "lighting/lighting_editor.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

namespace tavrinex::lighting {
namespace {

using device::DeviceBlocks;

constexpr std::uint8_t kCustomMode = Code(LightingMode::kKbCustom);
constexpr int kPadLastShownMode = Code(LightingMode::kPadMouseFlash);  // the pad's refresh shows 0-8
constexpr std::size_t kPresetCount = kPresetColours.size();

void Enable(ui::Window& w, std::string_view name, Group group) {
  if (group == Group::kUnchanged) return;
  if (ui::Control* c = w.Find(name)) c->SetEnabled(group == Group::kOn);
}

void Show(ui::Window& w, std::string_view name, bool visible) {
  if (ui::Control* c = w.Find(name)) c->SetVisible(visible);
}

void Check(ui::Window& w, std::string_view name, bool selected) {
  if (auto* o = w.Find<ui::OptionControl>(name)) o->Select(selected, false);
}

std::uint8_t Component(ui::Rgb c, std::size_t i) { return i == 0 ? c.r : i == 1 ? c.g : c.b; }

ui::Rgb WithComponent(ui::Rgb c, std::size_t i, std::uint8_t v) {
  (i == 0 ? c.r : i == 1 ? c.g : c.b) = v;
  return c;
}

}  // namespace

TypedComponent ParseComponent(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = std::min(value * 10 + (text[i] - '0'), 1000L);  // saturates long before overflow
  }
  if (negative && value > 0) return {0, "0"};
  if (value > 255) return {255, "255"};
  return {static_cast<std::uint8_t>(value), {}};
}

LightingEditor::LightingEditor(ui::Window& window, device::DeviceImage& image, LightingStore& store,
                               const Channels& channels, EditorHooks hooks)
    : window_(window), image_(image), store_(store), channels_(channels), hooks_(std::move(hooks)) {}

// ---- display refresh ----

void LightingEditor::Refresh(DeviceKind kind) {
  const PageControls& page = PageOf(kind);
  const std::uint8_t mode = image_.Current(kind)[rec::kMode];
  // A code the list does not offer leaves the list (and so the groups) as they were.
  if (auto* list = window_.Find<ui::ListControl>(page.modeList)) (void)list->SelectItem(mode);
  const int shown = CurrentMode(kind);
  if (kind != DeviceKind::kMousePad || shown <= kPadLastShownMode) {
    ApplyGroups(kind, shown);
    SeedModeStart(kind, shown);
  }
  if (kind == DeviceKind::kMouse && hooks_.refreshPerformance) hooks_.refreshPerformance();
  // Read again: the mode selection that the list ran may have changed the record.
  const CurrentRecord record = image_.Current(kind);
  ShowCommon(kind, record);
  if (kind == DeviceKind::kKeyboard) {
    const std::uint8_t set = store_.Custom().customSet;
    if (auto* list = window_.Find<ui::ListControl>(kb_custom::kSetList)) (void)list->SelectItem(set);
  }
  ShowOnboardProfile(kind, record[rec::kProfileIndex]);
  if (kind != DeviceKind::kMousePad && hooks_.redrawKeyLabels) {
    hooks_.redrawKeyLabels(kind, record[rec::kProfileIndex]);
  }
}

// The list's selection raises its event; the switch it asks for is the profile in use already,
// which the wiring does not send again.
void LightingEditor::ShowOnboardProfile(DeviceKind kind, std::uint8_t index) {
  if (kind == DeviceKind::kMousePad) {
    if (auto* list = window_.Find<ui::ListControl>(kPadOnboardList)) (void)list->SelectItem(index);
  } else if (kind == DeviceKind::kMouse) {
    for (std::uint8_t i = 0; i < device::kProfileCount; ++i) {
      ui::Control* button = window_.Find(std::string(kMouseOnboardPrefix) + std::to_string(i));
      if (button != nullptr) button->SetAttribute("style", i == index ? "active" : "");
    }
  }
}

// Sliders, palette, colour display (not storing), multi-colour check and direction pair.
void LightingEditor::ShowCommon(DeviceKind kind, const CurrentRecord& record) {
  const PageControls& page = PageOf(kind);
  if (auto* s = window_.Find<ui::SliderControl>(page.lightSlider)) {
    s->SetValue(ClampLevel(record[rec::kBrightness]));
  }
  if (auto* s = window_.Find<ui::SliderControl>(page.speedSlider)) {
    s->SetValue(SliderFromSpeed(record[rec::kSpeed]));
  }
  ShowSliderValues(kind);
  const bool custom = kind == DeviceKind::kKeyboard && record[rec::kMode] == kCustomMode;
  const ui::Rgb colour = custom ? store_.Custom().customColour : RecordColour(record);
  if (auto* p = window_.Find<ui::PaletteControl>(page.palette)) p->SetSelectedColor(ui::ToArgb(colour));
  SetColour(kind, ui::ToArgb(colour), false);
  Check(window_, page.multiCheck, record[rec::kMultiColour] != 0);
  ShowDirection(kind, record[rec::kDirection]);
}

void LightingEditor::ShowDirection(DeviceKind kind, std::uint8_t direction) {
  Check(window_, PageOf(kind).fxlCheck, direction != 0);
  Check(window_, PageOf(kind).fxrCheck, direction == 0);
}

// The groups of a mode, with the keyboard's swap of its custom-mode groups.
void LightingEditor::ApplyGroups(DeviceKind kind, int mode) {
  if (mode < 0) return;
  const PageControls& page = PageOf(kind);
  if (kind == DeviceKind::kKeyboard) {
    const bool custom = mode == kCustomMode;
    for (const std::string_view g : kb_custom::kOrdinaryGroups) Show(window_, g, !custom);
    for (const std::string_view g : kb_custom::kCustomGroups) Show(window_, g, custom);
  }
  const ModeGroups groups = GroupsOf(kind, static_cast<std::uint8_t>(mode));
  Enable(window_, page.fxGroup, groups.direction);
  Enable(window_, page.colourGroup, groups.colour);
  Enable(window_, page.multiGroup, groups.multiColour);
  Enable(window_, page.speedGroup, groups.speed);
  Enable(window_, page.share, groups.share);
}

// The start states some effects take when their mode is chosen.
void LightingEditor::SeedModeStart(DeviceKind kind, int mode) {
  switch (kind) {
    case DeviceKind::kKeyboard:
      if (mode == Code(LightingMode::kKbKeyRainbow) && hooks_.setKeyRainbowStart) hooks_.setKeyRainbowStart();
      if (mode == Code(LightingMode::kKbRipple) && hooks_.setRippleSource) hooks_.setRippleSource();
      break;
    case DeviceKind::kMouse:
      if (mode == Code(LightingMode::kMsChase) && hooks_.setMouseChaseStart) {
        hooks_.setMouseChaseStart(image_.Current(kind)[rec::kDirection]);
      }
      break;
    case DeviceKind::kMousePad:
      if (mode == Code(LightingMode::kPadChase) && hooks_.setPadChaseStart) hooks_.setPadChaseStart();
      break;
  }
}

// ---- handlers ----

void LightingEditor::SelectMode(DeviceKind kind, int mode) {
  if (mode < 0 || mode >= ModeCount(kind)) return;  // not a mode of this device
  if (hooks_.resetAnimation) hooks_.resetAnimation(kind);
  ApplyGroups(kind, mode);
  SeedModeStart(kind, mode);
  if (kind == DeviceKind::kKeyboard) {
    const ui::Rgb colour =
        mode == kCustomMode ? store_.Custom().customColour : RecordColour(image_.Current(kind));
    if (auto* p = window_.Find<ui::PaletteControl>(PageOf(kind).palette)) {
      p->SetSelectedColor(ui::ToArgb(colour));
    }
    SetColour(kind, ui::ToArgb(colour), false);
  }
  SetRecord(kind, rec::kMode, static_cast<std::uint8_t>(mode));
  Edited(kind);
}

void LightingEditor::ShowSliderValues(DeviceKind kind) {
  const PageControls& page = PageOf(kind);
  for (const auto& [slider, label] : {std::pair{page.lightSlider, page.lightValue},
                                      std::pair{page.speedSlider, page.speedValue}}) {
    const auto* s = window_.Find<ui::SliderControl>(slider);
    ui::Control* l = window_.Find(label);
    if (s != nullptr && l != nullptr) l->SetText(std::to_string(s->Value()));
  }
}

void LightingEditor::SetBrightness(DeviceKind kind, int sliderValue) {
  ShowSliderValues(kind);
  SetRecord(kind, rec::kBrightness, static_cast<std::uint8_t>(std::clamp<int>(sliderValue, 0, kMaxLevel)));
  Edited(kind);
}

void LightingEditor::SetSpeed(DeviceKind kind, int sliderValue) {
  ShowSliderValues(kind);
  SetRecord(kind, rec::kSpeed, SpeedFromSlider(sliderValue));
  Edited(kind);
}

void LightingEditor::PickPaletteColour(DeviceKind kind) {
  if (auto* p = window_.Find<ui::PaletteControl>(PageOf(kind).palette)) {
    SetColour(kind, p->SelectedColor(), true);
  }
}

void LightingEditor::PickPreset(DeviceKind kind, int number) {
  if (number < 0 || static_cast<std::size_t>(number) >= kPresetCount) return;
  const ui::Argb colour = kPresetColours[static_cast<std::size_t>(number)];
  // The palette follows, so a later typed component starts from the picked colour.
  if (auto* p = window_.Find<ui::PaletteControl>(PageOf(kind).palette)) p->SetSelectedColor(colour);
  SetColour(kind, colour, true);
}

// Shows the colour and, when storing, makes it the record's single colour (or, in the
// keyboard's custom mode, the paint colour).
void LightingEditor::SetColour(DeviceKind kind, ui::Argb colour, bool storing) {
  const PageControls& page = PageOf(kind);
  const ui::Rgb c = RgbFromArgb(colour);
  for (std::size_t i = 0; i < page.edits.size(); ++i) {
    ui::Control* e = window_.Find(page.edits[i]);
    const std::string text = std::to_string(Component(c, i));
    if (e != nullptr && e->Text() != text) e->SetText(text);
  }
  const bool custom = kind == DeviceKind::kKeyboard && CustomShown();
  if (ui::Control* b = window_.Find(custom ? kb_custom::kColourButton : page.colourButton)) {
    // A new style sheet repolishes the button: only when something changes.
    if (!b->BackgroundImage().empty()) b->SetBackgroundImage({});
    if (b->BackgroundColor() != ui::ToArgb(c)) b->SetBackgroundColor(ui::ToArgb(c));
  }
  if (!storing) return;
  if (custom) {
    lighting::SetPaintColour(c, store_, OpsHooks());
    return;
  }
  Check(window_, page.multiCheck, false);
  image_.Update(kind, [&](DeviceBlocks& b) {
    SetRecordColour(b.current, c);
    b.current[rec::kMultiColour] = 0;
  });
  Edited(kind);
}

void LightingEditor::TypeComponent(DeviceKind kind, std::size_t component) {
  const PageControls& page = PageOf(kind);
  if (component >= page.edits.size()) return;
  ui::Control* edit = window_.Find(page.edits[component]);
  if (edit == nullptr) return;
  const TypedComponent typed = ParseComponent(edit->Text());
  if (!typed.rewrite.empty()) edit->SetText(typed.rewrite);
  const bool custom = kind == DeviceKind::kKeyboard && CustomShown();
  if (ui::Control* b = window_.Find(custom ? kb_custom::kColourButton : page.colourButton)) {
    const ui::Argb shown = ui::ToArgb(WithComponent(RgbFromArgb(b->BackgroundColor()), component, typed.value));
    b->SetBackgroundColor(shown);
    if (auto* p = window_.Find<ui::PaletteControl>(page.palette)) p->SetSelectedColor(shown);
  }
  if (custom) {
    const ui::Rgb paint = WithComponent(store_.Custom().customColour, component, typed.value);
    lighting::SetPaintColour(paint, store_, OpsHooks());
    return;
  }
  Check(window_, page.multiCheck, false);
  image_.Update(kind, [&](DeviceBlocks& b) {
    b.current[rec::kRed + component] = typed.value;
    b.current[rec::kMultiColour] = 0;
  });
  Edited(kind);
}

void LightingEditor::ToggleMultiColour(DeviceKind kind) {
  const auto* check = window_.Find<ui::OptionControl>(PageOf(kind).multiCheck);
  SetRecord(kind, rec::kMultiColour, check != nullptr && check->IsSelected() ? 1 : 0);
  Edited(kind);
}

// The pair acts as two radio buttons: clicking the selected one keeps it selected.
void LightingEditor::ChooseDirection(DeviceKind kind, bool left) {
  const std::uint8_t direction = left ? 1 : 0;
  ShowDirection(kind, direction);
  SetRecord(kind, rec::kDirection, direction);
  if (kind == DeviceKind::kMouse) {
    if (hooks_.resetAnimation) hooks_.resetAnimation(kind);
    if (hooks_.setMouseChaseStart) hooks_.setMouseChaseStart(direction);
  }
  Edited(kind);
}

// The mouse's buttons set the direction opposite to the check boxes of the same names.
void LightingEditor::MouseDirectionButton(std::uint8_t direction) {
  SetRecord(DeviceKind::kMouse, rec::kDirection, direction);
  ShowDirection(DeviceKind::kMouse, direction);
  Edited(DeviceKind::kMouse);
}

void LightingEditor::ShareLighting(DeviceKind source) {
  // Only the modes every device has can be shared (the button is disabled for the others).
  if (image_.Current(source)[rec::kMode] > Code(LightingMode::kStatic)) return;
  lighting::ApplySharedLighting(source, store_, image_, channels_, OpsHooks());
}

void LightingEditor::ChooseCustomSet(int set) {
  if (set < 0) return;
  lighting::ChooseCustomSet(static_cast<std::size_t>(set), store_, OpsHooks());
}

void LightingEditor::ClearCustomSet() { lighting::ClearCustomSet(store_, OpsHooks()); }
void LightingEditor::FillUnsetKeys() { lighting::FillUnsetKeys(store_, OpsHooks()); }

// ---- helpers ----

void LightingEditor::Edited(DeviceKind kind) {
  store_.MarkDirty(kind);
  Save(kind);
}

void LightingEditor::Save(DeviceKind kind) {
  if (hooks_.saveLightProfile) hooks_.saveLightProfile(kind);
}

bool LightingEditor::CustomShown() { return CurrentMode(DeviceKind::kKeyboard) == kCustomMode; }

int LightingEditor::CurrentMode(DeviceKind kind) {
  const auto* list = window_.Find<ui::ListControl>(PageOf(kind).modeList);
  return list != nullptr ? list->CurrentIndex() : -1;
}

void LightingEditor::SetRecord(DeviceKind kind, std::size_t byte, std::uint8_t value) {
  image_.Update(kind, [&](DeviceBlocks& b) { b.current[byte] = value; });
}

LightingHooks LightingEditor::OpsHooks() {
  LightingHooks hooks;
  hooks.refreshLightingDisplay = [this](DeviceKind kind) { Refresh(kind); };
  hooks.saveSelectedLightProfile = [this](DeviceKind kind) { Save(kind); };
  return hooks;
}

}  // namespace tavrinex::lighting
