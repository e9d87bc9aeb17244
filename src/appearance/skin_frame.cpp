#include "appearance/skin_frame.h"

#include <algorithm>

#include "storage/ignore_case.h"

namespace tavrinex::appearance {
namespace {

// Control names compare without regard to case, as look-ups by name do.
bool Is(std::string_view name, std::string_view expected) {
  return profiles::EqualsIgnoringCase(name, expected);
}

}  // namespace

const ui::OpenFileSpec& CustomFileSpec() {
  static const ui::OpenFileSpec spec{{{"", "*.png"}, {"", "*"}}, "png"};
  return spec;
}

// ---- the popup ----

CSkinFrame::CSkinFrame(SkinChooser& chooser, ui::Ui& ui, ui::Window& mainWindow,
                       std::string anchor)
    : chooser_(chooser), ui_(ui), mainWindow_(mainWindow), anchor_(std::move(anchor)) {
  ui::WindowSpec spec;
  spec.layout = std::string(kSkinLayout);
  spec.title = std::string(kSkinFrameTitle);
  spec.parent = &mainWindow_;
  spec.popup = true;
  window_ = ui_.CreateWindow(spec, *this);
  PlaceUnderAnchor();
  window_->Show();
}

CSkinFrame::~CSkinFrame() = default;

// Right-aligned under the anchor: (anchor right - popup width, anchor bottom), in the main
// window's client coordinates turned into screen coordinates; the size is the layout's own.
void CSkinFrame::PlaceUnderAnchor() {
  const auto anchor = mainWindow_.ControlRect(anchor_);
  if (!anchor) return;
  const ui::Rect own = window_->Geometry();
  window_->MoveTo(mainWindow_.ClientToScreen(
      {anchor->x + anchor->width - own.width, anchor->y + anchor->height}));
}

void CSkinFrame::ShowPage(int page) {
  if (auto* tab = window_->Find<ui::TabControl>(kSkinTab)) (void)tab->SelectPage(page);
}

void CSkinFrame::Notify(const ui::Notification& n) {
  if (n.type != ui::EventType::kClick) return;
  const std::string_view name = n.senderName;
  if (Is(name, kImagePageButton)) {
    ShowPage(kImagePage);
  } else if (Is(name, kColourPageButton)) {
    ShowPage(kColourPage);
  } else if (Is(name, kImageButton) && n.sender != nullptr) {
    const std::string image = n.sender->UserData();
    chooser_.Choose({false, 0, image});
    chooser_.Remember(image, true);
  } else if (Is(name, kColourButton) && n.sender != nullptr) {
    chooser_.Choose({true, n.sender->BackgroundColor(), {}});
  } else if (Is(name, kResetButton)) {
    chooser_.Choose({false, 0, std::string(kResetImage)});
    chooser_.Remember(kResetImage, false);
  } else if (Is(name, kCustomButton)) {
    // The dialog takes the focus, which closes the popup; the question is asked after this
    // notification, by the chooser, so nothing of the popup is in use while it is open.
    window_->Close(0);
    chooser_.AskCustomFile();
  }
}

void CSkinFrame::OnClose(int /*result*/) {
  if (!open_) return;
  open_ = false;
  chooser_.Closed(*this);
}

// ---- the chooser ----

SkinChooser::SkinChooser(ui::Ui& ui, ui::Window& mainWindow) : ui_(ui), mainWindow_(mainWindow) {}

SkinChooser::~SkinChooser() {
  alive_.reset();
  frames_.clear();
}

CSkinFrame& SkinChooser::Open(std::string_view anchor) {
  frames_.push_back(std::make_unique<CSkinFrame>(*this, ui_, mainWindow_, std::string(anchor)));
  return *frames_.back();
}

std::vector<CSkinFrame*> SkinChooser::Frames() const {
  std::vector<CSkinFrame*> out;
  for (const auto& f : frames_) out.push_back(f.get());
  return out;
}

void SkinChooser::Choose(const SkinChangedParam& param) { (void)SkinObserver().Publish(param); }

void SkinChooser::AskCustomFile() {
  ui_.Loop().Post([this, alive = std::weak_ptr<char>(alive_)] {
    if (alive.expired()) return;
    const auto file = ui_.AskOpenFile(&mainWindow_, CustomFileSpec());
    if (alive.expired() || !file) return;  // cancelled: the background stays
    Choose({false, 0, file->string()});
  });
}

// The popup is freed later, once none of its own code runs any more.
void SkinChooser::Closed(CSkinFrame& frame) {
  ui_.Loop().Post([this, alive = std::weak_ptr<char>(alive_), closed = &frame] {
    if (alive.expired()) return;
    std::erase_if(frames_, [&](const auto& f) { return f.get() == closed; });
  });
}

}  // namespace tavrinex::appearance
