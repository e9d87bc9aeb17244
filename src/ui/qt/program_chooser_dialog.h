// The program chooser over Qt Widgets: one list with the installed applications and the
// running programs (a search field filters both), and "Other program..." for a file dialog.
// Texts are language ids of the skin's language files.
#pragma once

#include <optional>
#include <string>

#include "ui/program_chooser.h"

namespace tavrinex::ui::qt {

class QtUi;

// Object names, for tests.
inline constexpr const char* kChooserList = "link_chooser_list";
inline constexpr const char* kChooserFilter = "link_chooser_filter_edit";
inline constexpr const char* kChooserOther = "link_chooser_other_btn";
inline constexpr const char* kChooserOk = "link_chooser_ok_btn";

class ProgramChooserDialog final : public ProgramChooser {
 public:
  ProgramChooserDialog(QtUi& ui, ProgramOfferSource offer) : ui_(ui), offer_(std::move(offer)) {}
  std::optional<std::string> Choose(Window* parent) override;

 private:
  QtUi& ui_;
  ProgramOfferSource offer_;
};

}  // namespace tavrinex::ui::qt
