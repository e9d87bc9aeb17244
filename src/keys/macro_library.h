// A device's macro library, kept in its device folder: the index file names the macros in
// order (a macro's position is the index key slots refer to), and each macro's actions are in
// its own file. The files are the library: every operation reads them afresh, so two views of
// one folder never disagree, and every change replaces a file whole.
//
// The operations report what happened instead of showing anything, so that the macro editor
// can show the matching message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/device_kind.h"
#include "keys/key_code_tables.h"

namespace tavrinex::keys {

inline constexpr std::size_t kMaxMacros = 50;
inline constexpr std::string_view kMacroNamePrefix = "name_";
inline constexpr std::string_view kMessageMacroLimit = "message_text_17";    // filled with 50
inline constexpr std::string_view kMessageDuplicateName = "message_text_5";

enum class MacroOutcome : std::uint8_t {
  kAdded,
  kRenamed,
  kDeleted,
  kSaved,
  kUnchanged,            // rename to the current name, in any letter case
  kRefusedFull,          // add with 50 macros: "message_text_17"
  kRefusedDuplicate,     // rename to another macro's name: "message_text_5"
  kRefusedInvalidName,   // a name that cannot be a file in the folder
  kNoSuchMacro,          // index outside the library
  kWriteFailed,          // a file could not be written or moved; the library is as before
};

struct MacroChange {
  MacroOutcome outcome = MacroOutcome::kUnchanged;
  std::size_t index = 0;
  std::string name;  // added: the new name; renamed: the new name; deleted: the old name
};

struct MacroContents {
  std::vector<std::string> lines;  // the action lines, verbatim
};

class MacroLibrary {
 public:
  // folder: the device folder ("kb" or "ms" of the settings folder).
  MacroLibrary(std::filesystem::path folder, device::DeviceKind kind);

  [[nodiscard]] const std::filesystem::path& Folder() const { return folder_; }
  [[nodiscard]] device::DeviceKind Kind() const { return kind_; }
  [[nodiscard]] std::filesystem::path IndexFile() const;
  // name + ".mac" in the folder; nothing for a name that is no valid file name.
  [[nodiscard]] std::optional<std::filesystem::path> MacroFile(std::string_view name) const;

  // The names in index order.
  [[nodiscard]] std::vector<std::string> LoadMacroIndex() const;
  // The action lines of a macro; empty when its file is missing or its name is invalid.
  [[nodiscard]] MacroContents LoadMacro(std::string_view name) const;

  // Writes "count" = N and the last name to the index, then "count" = L and the lines to the
  // macro's file. A line that a file cannot hold (a line break) refuses the whole save.
  MacroChange SaveMacro(std::size_t index, std::span<const std::string> lines);
  // Appends "name_" + k, the first k from N + 1 that no macro has in any letter case.
  MacroChange AddMacro();
  // Writes `lines` (the editor's rows) into the old file and moves it to the new name.
  MacroChange RenameMacro(std::size_t index, std::string_view newName,
                          std::span<const std::string> lines);
  // Deletes the macro's file and writes the index anew without it. Key slots are the caller's:
  // RemoveMacroReferences keeps them consistent.
  MacroChange DeleteMacro(std::size_t index);

 private:
  bool WriteIndex(const std::vector<std::string>& names) const;
  [[nodiscard]] bool SharedFile(const std::vector<std::string>& names, std::size_t index) const;

  std::filesystem::path folder_;
  device::DeviceKind kind_;
  std::mutex mutex_;  // one change at a time: each reads the index and writes it back
};

// The names of an index, for naming the macro keys (FunctionNameId).
class MacroNameList final : public MacroNames {
 public:
  explicit MacroNameList(std::vector<std::string> names) : names_(std::move(names)) {}
  [[nodiscard]] std::optional<std::string_view> MacroName(std::uint8_t index) const override {
    if (index >= names_.size()) return std::nullopt;
    return names_[index];
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace tavrinex::keys
