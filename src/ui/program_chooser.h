// The dialog that picks a program to link a profile to: the installed applications with
// their names and icons, the user's running programs, and a file dialog for any executable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrinex::ui {

class Window;

struct ProgramEntry {
  std::string name;
  std::string chineseName;  // shown in the Chinese language when set
  std::string icon;         // a theme icon name or an absolute image path; empty: a generic one
  std::string executable;   // absolute
};
struct ProgramOffer {
  std::vector<ProgramEntry> installed;
  std::vector<ProgramEntry> running;
};
// Gathers the offer when the dialog opens.
using ProgramOfferSource = std::function<ProgramOffer()>;

class ProgramChooser {
 public:
  virtual ~ProgramChooser() = default;
  // Modal over `parent` (may be null): the chosen program's executable, an absolute path;
  // nothing when the user cancels.
  [[nodiscard]] virtual std::optional<std::string> Choose(Window* parent) = 0;
};

}  // namespace tavrinex::ui
