#include "keys/macro_library.h"

#include <system_error>
#include <utility>

#include "keys/macro_files.h"
#include "storage/ignore_case.h"
#include "storage/settings_folder.h"

namespace tavrinex::keys {
namespace {

using profiles::EqualsIgnoringCase;

MacroChange Result(MacroOutcome outcome, std::size_t index = 0, std::string name = {}) {
  return {outcome, index, std::move(name)};
}

// "count" = L and the lines as keys "0" ... L-1, in one write.
bool WriteActions(const std::filesystem::path& file, std::span<const std::string> lines,
                  bool fresh) {
  std::vector<std::string> keys;  // the values below refer to these names
  keys.reserve(lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) keys.push_back(std::to_string(k));
  std::vector<IniValue> values = {{kActionCountSection, kCountKey, std::to_string(lines.size())}};
  for (std::size_t k = 0; k < lines.size(); ++k) values.push_back({kActionSection, keys[k], lines[k]});
  return WriteIniValues(file, values, fresh);
}

}  // namespace

MacroLibrary::MacroLibrary(std::filesystem::path folder, device::DeviceKind kind)
    : folder_(std::move(folder)), kind_(kind) {}

std::filesystem::path MacroLibrary::IndexFile() const {
  return folder_ / std::string(MacroIndexFileName(kind_));
}

std::optional<std::filesystem::path> MacroLibrary::MacroFile(std::string_view name) const {
  if (!IsValidMacroName(name)) return std::nullopt;
  return folder_ / (std::string(name) + std::string(kMacroFileExtension));
}

std::vector<std::string> MacroLibrary::LoadMacroIndex() const {
  if (MacroIndexFileName(kind_).empty()) return {};
  return IndexNames(ReadIniDocument(IndexFile()));
}

MacroContents MacroLibrary::LoadMacro(std::string_view name) const {
  const auto file = MacroFile(name);
  if (!file) return {};
  return {ActionLines(ReadIniDocument(*file))};
}

bool MacroLibrary::WriteIndex(const std::vector<std::string>& names) const {
  std::vector<std::string> keys;
  keys.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) keys.push_back(std::to_string(i));
  std::vector<IniValue> values = {{kMacroCountSection, kCountKey, std::to_string(names.size())}};
  for (std::size_t i = 0; i < names.size(); ++i) values.push_back({kMacroNameSection, keys[i], names[i]});
  return WriteIniValues(IndexFile(), values, /*fresh=*/true);
}

bool MacroLibrary::SharedFile(const std::vector<std::string>& names, std::size_t index) const {
  for (std::size_t j = 0; j < names.size(); ++j) {
    if (j != index && EqualsIgnoringCase(names[j], names[index])) return true;
  }
  return false;
}

MacroChange MacroLibrary::SaveMacro(std::size_t index, std::span<const std::string> lines) {
  std::lock_guard lock(mutex_);
  const std::vector<std::string> names = LoadMacroIndex();
  if (index >= names.size()) return Result(MacroOutcome::kNoSuchMacro, index);
  const auto file = MacroFile(names[index]);
  if (!file) return Result(MacroOutcome::kRefusedInvalidName, index, names[index]);
  for (const auto& line : lines) {
    if (!profiles::IsWritableValue(line)) return Result(MacroOutcome::kWriteFailed, index, names[index]);
  }
  const std::string last = std::to_string(names.size() - 1);
  const bool indexWritten = WriteIniValues(
      IndexFile(),
      {{kMacroCountSection, kCountKey, std::to_string(names.size())},
       {kMacroNameSection, last, names.back()}},
      /*fresh=*/false);
  if (!indexWritten || !WriteActions(*file, lines, /*fresh=*/false)) {
    return Result(MacroOutcome::kWriteFailed, index, names[index]);
  }
  return Result(MacroOutcome::kSaved, index, names[index]);
}

MacroChange MacroLibrary::AddMacro() {
  std::lock_guard lock(mutex_);
  if (MacroIndexFileName(kind_).empty()) return Result(MacroOutcome::kWriteFailed);
  const std::vector<std::string> names = LoadMacroIndex();
  if (names.size() >= kMaxMacros) return Result(MacroOutcome::kRefusedFull, names.size());
  std::size_t k = names.size() + 1;
  std::string candidate;
  for (;; ++k) {
    candidate = std::string(kMacroNamePrefix) + std::to_string(k);
    bool taken = false;
    for (const auto& n : names) taken = taken || EqualsIgnoringCase(n, candidate);
    if (!taken) break;
  }
  const std::size_t index = names.size();
  const std::string key = std::to_string(index);
  if (!WriteIniValues(IndexFile(),
                      {{kMacroCountSection, kCountKey, std::to_string(index + 1)},
                       {kMacroNameSection, key, candidate}},
                      /*fresh=*/false)) {
    return Result(MacroOutcome::kWriteFailed, index, candidate);
  }
  return Result(MacroOutcome::kAdded, index, candidate);
}

MacroChange MacroLibrary::RenameMacro(std::size_t index, std::string_view newName,
                                      std::span<const std::string> lines) {
  std::lock_guard lock(mutex_);
  const std::vector<std::string> names = LoadMacroIndex();
  if (index >= names.size()) return Result(MacroOutcome::kNoSuchMacro, index);
  if (EqualsIgnoringCase(newName, names[index])) return Result(MacroOutcome::kUnchanged, index, names[index]);
  for (std::size_t j = 0; j < names.size(); ++j) {
    if (j != index && EqualsIgnoringCase(newName, names[j])) {
      return Result(MacroOutcome::kRefusedDuplicate, index, names[index]);
    }
  }
  const auto newFile = MacroFile(newName);
  if (!newFile) return Result(MacroOutcome::kRefusedInvalidName, index, names[index]);

  const auto oldFile = MacroFile(names[index]);
  const std::filesystem::path target = profiles::ResolveIgnoringCase(*newFile);
  std::optional<std::filesystem::path> moved;  // where the old file was, when it was moved
  if (oldFile && !SharedFile(names, index)) {
    if (!WriteActions(*oldFile, lines, /*fresh=*/false)) return Result(MacroOutcome::kWriteFailed, index, names[index]);
    const std::filesystem::path source = profiles::ResolveIgnoringCase(*oldFile);
    std::error_code error;
    std::filesystem::rename(source, target, error);
    if (error) return Result(MacroOutcome::kWriteFailed, index, names[index]);
    moved = source;
  } else if (!WriteActions(target, lines, /*fresh=*/true)) {
    // Another macro still uses the old file (or it has no valid name): the new one gets its own.
    return Result(MacroOutcome::kWriteFailed, index, names[index]);
  }
  if (!WriteIniValues(IndexFile(), {{kMacroNameSection, std::to_string(index), std::string(newName)}},
                      /*fresh=*/false)) {
    std::error_code error;
    if (moved) std::filesystem::rename(target, *moved, error);  // back as it was
    return Result(MacroOutcome::kWriteFailed, index, names[index]);
  }
  return Result(MacroOutcome::kRenamed, index, std::string(newName));
}

MacroChange MacroLibrary::DeleteMacro(std::size_t index) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names = LoadMacroIndex();
  if (index >= names.size()) return Result(MacroOutcome::kNoSuchMacro, index);
  const std::string name = names[index];
  const bool shared = SharedFile(names, index);
  names.erase(names.begin() + static_cast<std::ptrdiff_t>(index));
  // The index first: a failure after it leaves at worst a file no macro names.
  if (!WriteIndex(names)) return Result(MacroOutcome::kWriteFailed, index, name);
  if (const auto file = MacroFile(name); file && !shared) {
    std::error_code error;
    std::filesystem::remove(profiles::ResolveIgnoringCase(*file), error);
  }
  return Result(MacroOutcome::kDeleted, index, name);
}

}  // namespace tavrinex::keys
