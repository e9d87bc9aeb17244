#include "profiles/profile_catalogue.h"

#include <algorithm>

#include "storage/ini_file.h"
#include "storage/settings_folder.h"

namespace tavrinex::profiles {
namespace {

std::string IndexKey(int index) { return std::to_string(index); }  // the "%d" form

}  // namespace

std::string CataloguePath(device::DeviceKind kind) {
  return GetDeviceFolder(kind) + std::string(CatalogueFileName(kind));
}

std::filesystem::path ProfileCatalogue::Path() const {
  return file_ ? *file_ : std::filesystem::path(CataloguePath(kind_));
}

int ProfileCatalogue::Count(ProfileListKind list) const {
  return ReadIniInt(Path(), SectionsOf(list).count, kCountKey);
}

bool ProfileCatalogue::SetCount(ProfileListKind list, int count) const {
  return WriteIniInt(Path(), SectionsOf(list).count, kCountKey, count);
}

std::string ProfileCatalogue::Name(ProfileListKind list, int index) const {
  return ReadIniString(Path(), SectionsOf(list).name, IndexKey(index));
}

bool ProfileCatalogue::SetName(ProfileListKind list, int index, std::string_view name) const {
  return WriteIniString(Path(), SectionsOf(list).name, IndexKey(index), name);
}

int ProfileCatalogue::LinkFlag(ProfileListKind list, int index) const {
  return ReadIniInt(Path(), SectionsOf(list).linkFlag, IndexKey(index));
}

bool ProfileCatalogue::SetLinkFlag(ProfileListKind list, int index, bool linked) const {
  return WriteIniString(Path(), SectionsOf(list).linkFlag, IndexKey(index), linked ? "1" : "0");
}

std::string ProfileCatalogue::Program(ProfileListKind list, int index) const {
  return ReadIniString(Path(), SectionsOf(list).program, IndexKey(index));
}

bool ProfileCatalogue::SetProgram(ProfileListKind list, int index,
                                  std::string_view program) const {
  return WriteIniString(Path(), SectionsOf(list).program, IndexKey(index), program);
}

int ProfileCatalogue::Select(ProfileListKind list) const {
  return ReadIniInt(Path(), SectionsOf(list).select, kSelectKey);
}

bool ProfileCatalogue::SetSelect(ProfileListKind list, int index) const {
  return WriteIniInt(Path(), SectionsOf(list).select, kSelectKey, index);
}

ProfileListContents ProfileCatalogue::ReadList(ProfileListKind list) const {
  const IniSnapshot snapshot = IniSnapshot::Read(Path());
  const CatalogueSections& sections = SectionsOf(list);
  ProfileListContents contents;
  contents.count = snapshot.GetInt(sections.count, kCountKey);
  const int entries = std::min(contents.count, kMaxListEntries);
  for (int i = 0; i < entries; ++i) contents.names.push_back(snapshot.Get(sections.name, IndexKey(i)));
  return contents;
}

std::string MainIniPath() { return GetSettingsFolder() + std::string(kMainIniFileName); }

std::optional<std::string> SavedBackgroundImage() {
  const std::string file = MainIniPath();
  if (ReadIniInt(file, kSkinImageSection, kSkinFlagsKey) != 1) return std::nullopt;
  return ReadIniString(file, kSkinImageSection, kSkinImageKey);
}

bool SaveBackgroundImage(std::string_view image) {
  const std::string file = MainIniPath();
  const bool flagged = WriteIniString(file, kSkinImageSection, kSkinFlagsKey, "1");
  return WriteIniString(file, kSkinImageSection, kSkinImageKey, image) && flagged;
}

}  // namespace tavrinex::profiles
