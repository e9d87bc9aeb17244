#include "profiles/profile_selection.h"

#include <optional>
#include <system_error>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/diagnostic.h"
#include "profiles/profile_history.h"
#include "profiles/profile_catalogue.h"
#include "storage/settings_folder.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;

constexpr std::string_view kBadNameDiagnostic = "profile name refused, it cannot be a file in the device folder";

// The file of catalogue entry `index`, when its name can be one.
std::optional<std::filesystem::path> EntryFile(DeviceKind kind, ProfileListKind list, int index,
                                               std::string_view extension) {
  const std::string name = ProfileCatalogue(kind).Name(list, index);
  if (!IsValidProfileName(name)) {
    WriteDiagnostic(std::string(kBadNameDiagnostic) + ": " + name);
    return std::nullopt;
  }
  return GetDeviceFolder(kind) + name + std::string(extension);
}

ProfileReadResult Load(DeviceKind kind, ProfileListKind list, int index, std::string_view extension,
                       std::span<std::uint8_t> body) {
  const auto file = EntryFile(kind, list, index, extension);
  const ProfileReadResult result = file ? ReadProfileFile(*file, body) : ProfileReadResult::kMissing;
  if (result == ProfileReadResult::kMissing) WriteDiagnostic(kProfileMissingDiagnostic);
  if (result == ProfileReadResult::kNotProfile) WriteDiagnostic(kProfileFormatDiagnostic);
  return result;
}

std::optional<std::filesystem::path> SelectedFile(DeviceKind kind, ProfileListKind list) {
  const int selected = ProfileCatalogue(kind).Select(list);
  return EntryFile(kind, list, selected, ExtensionOf(list));
}

}  // namespace

ProfileReadResult LoadLightProfile(ProfileState& state, DeviceKind kind, int index) {
  std::vector<std::uint8_t> body(BodySizeOf(kind, ProfileListKind::kLight), 0);
  const ProfileReadResult result =
      Load(kind, ProfileListKind::kLight, index, kLightProfileExtension, body);
  if (result == ProfileReadResult::kRead) PlaceLightBody(state, kind, body);
  return result;
}

ProfileReadResult LoadKeyProfile(ProfileState& state, DeviceKind kind, int index) {
  if (!HasList(kind, ProfileListKind::kKey)) return ProfileReadResult::kMissing;
  std::array<std::uint8_t, kKeyProfileBodySize> body{};
  const ProfileReadResult result =
      Load(kind, ProfileListKind::kKey, index, kKeyProfileLoadExtension, body);
  if (result == ProfileReadResult::kRead) PlaceKeyBody(state.image, kind, body);
  return result;
}

bool SaveSelectedLightProfile(ProfileState& state, DeviceKind kind) {
  const auto save = PrepareSelectedLightSave(state, kind);
  return save && WritePreparedLightSave(*save);
}

std::optional<PreparedLightSave> PrepareSelectedLightSave(ProfileState& state, DeviceKind kind) {
  auto file = SelectedFile(kind, ProfileListKind::kLight);
  if (!file) return std::nullopt;
  return PreparedLightSave{std::move(*file), DeviceTagOf(kind), AssembleLightBody(state, kind)};
}

bool WritePreparedLightSave(const PreparedLightSave& save) {
  return WriteProfileFile(save.file, save.deviceTag, save.body);
}

bool SaveSelectedKeyProfile(ProfileState& state, DeviceKind kind) {
  if (!HasList(kind, ProfileListKind::kKey)) return false;
  const auto file = SelectedFile(kind, ProfileListKind::kKey);
  if (!file) return false;
  const device::KeyPage body = AssembleKeyBody(state.image, kind);
  return WriteProfileFile(*file, DeviceTagOf(kind), body);
}

bool WriteProfileKeepingPrevious(const std::filesystem::path& file, std::uint16_t deviceTag,
                                 std::span<const std::uint8_t> body) {
  const auto header = MakeProfileHeader(deviceTag);
  std::string bytes(header.begin(), header.end());
  bytes.append(body.begin(), body.end());
  const auto current = ReadWholeFile(ResolveIgnoringCase(file));
  if (current.status == ReadStatus::kRead && current.bytes != bytes) {
    int error = 0;
    if (!ProfileHistory(file.parent_path()).Keep(file.filename().string(), &error)) {
      WriteDiagnostic("profile history: could not keep " + file.filename().string() + ": " +
                      std::generic_category().message(error));
    }
  }
  return WriteProfileFile(file, deviceTag, body);
}

void ConnectProfileSaves(device::SyncHooks& hooks, ProfileState& state) {
  hooks.saveSelectedLightProfile = [&state](DeviceKind kind) {
    const auto save = PrepareSelectedLightSave(state, kind);
    return save && WriteProfileKeepingPrevious(save->file, save->deviceTag, save->body);
  };
  hooks.saveSelectedKeyProfile = [&state](DeviceKind kind) {
    if (!HasList(kind, ProfileListKind::kKey)) return false;
    const auto file = SelectedFile(kind, ProfileListKind::kKey);
    const device::KeyPage body = AssembleKeyBody(state.image, kind);
    return file && WriteProfileKeepingPrevious(*file, DeviceTagOf(kind), body);
  };
  hooks.writeProfileFile = [](const std::filesystem::path& path, std::uint16_t deviceTag,
                              std::span<const std::uint8_t> body) {
    return WriteProfileFile(path, deviceTag, body);
  };
}

}  // namespace tavrinex::profiles
