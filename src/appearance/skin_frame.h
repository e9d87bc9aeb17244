// The skin chooser: a popup built from "skin.xml" under the main window's skin button, with
// a page of background images and a page of colours, a reset and a free choice of a PNG
// file. Choices go to the main window through SkinObserver(); image choices and the reset are
// remembered for the next start. The popup stays open after a choice and closes when it
// loses the focus (a click outside it).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "appearance/background_store.h"
#include "appearance/skin_background.h"
#include "ui/ui.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kSkinLayout = "skin.xml";
inline constexpr std::string_view kSkinFrameTitle = "skinframe";
inline constexpr std::string_view kSkinTab = "skin_tab";
// Click handling, by control name.
inline constexpr std::string_view kImagePageButton = "skin_image";
inline constexpr std::string_view kColourPageButton = "skin_color";
inline constexpr std::string_view kImageButton = "skin_image_btn";  // user data: the image
inline constexpr std::string_view kColourButton = "skin_color_btn";  // background: the colour
inline constexpr std::string_view kResetButton = "skin_reset";
inline constexpr std::string_view kCustomButton = "skin_Custom";
inline constexpr int kImagePage = 0;
inline constexpr int kColourPage = 1;

// The custom file: "(*.png)" first, "(*)" (any file) second, as patterns without words to
// translate; a file that is no image is refused when applied. A typed name without an
// extension gets ".png".
[[nodiscard]] const ui::OpenFileSpec& CustomFileSpec();

class SkinChooser;

// One open popup. It belongs to the chooser, which frees it once it has closed.
class CSkinFrame final : public ui::WindowHandler {
 public:
  CSkinFrame(SkinChooser& chooser, ui::Ui& ui, ui::Window& mainWindow, std::string anchor);
  ~CSkinFrame() override;
  CSkinFrame(const CSkinFrame&) = delete;
  CSkinFrame& operator=(const CSkinFrame&) = delete;

  [[nodiscard]] ui::Window& WindowOf() { return *window_; }
  [[nodiscard]] bool IsOpen() const { return open_; }

  void Notify(const ui::Notification& n) override;
  void OnClose(int result) override;

 private:
  void PlaceUnderAnchor();
  void ShowPage(int page);

  SkinChooser& chooser_;
  ui::Ui& ui_;
  ui::Window& mainWindow_;
  std::string anchor_;
  std::unique_ptr<ui::Window> window_;
  bool open_ = true;
};

class SkinChooser {
 public:
  SkinChooser(ui::Ui& ui, ui::Window& mainWindow);
  ~SkinChooser();
  SkinChooser(const SkinChooser&) = delete;
  SkinChooser& operator=(const SkinChooser&) = delete;

  // Each call opens another popup under the control `anchor` of the main window.
  CSkinFrame& Open(std::string_view anchor);
  // The popups not freed yet, oldest first.
  [[nodiscard]] std::vector<CSkinFrame*> Frames() const;
  [[nodiscard]] BackgroundStore& Store() { return store_; }

  // From the popups.
  void Choose(const SkinChangedParam& param);
  void Remember(std::string_view image, bool applyAtStart) { store_.Remember(image, applyAtStart); }
  void AskCustomFile();
  void Closed(CSkinFrame& frame);

 private:
  ui::Ui& ui_;
  ui::Window& mainWindow_;
  std::vector<std::unique_ptr<CSkinFrame>> frames_;
  BackgroundStore store_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tavrinex::appearance
