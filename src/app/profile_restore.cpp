#include "app/profile_restore.h"

#include <filesystem>
#include <future>
#include <memory>

#include "profiles/profile_file.h"
#include "profiles/profile_history.h"
#include "storage/ignore_case.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {
namespace {

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ea;
  std::error_code eb;
  const auto ca = std::filesystem::weakly_canonical(a, ea);
  const auto cb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && ca.lexically_normal() == cb.lexically_normal();
}

// The list a restored file belongs to, and the profile name without its extension.
std::pair<profiles::ProfileListKind, std::string> ListAndName(const std::string& file) {
  using profiles::ProfileListKind;
  const std::string_view light = profiles::ExtensionOf(ProfileListKind::kLight);
  const bool isLight = file.size() > light.size() &&
                       profiles::EqualsIgnoringCase(std::string_view(file).substr(file.size() - light.size()), light);
  const std::size_t extension = isLight ? light.size() : profiles::ExtensionOf(ProfileListKind::kKey).size();
  return {isLight ? ProfileListKind::kLight : ProfileListKind::kKey, file.substr(0, file.size() - extension)};
}

}  // namespace

ProfileRestoreService::ProfileRestoreService(device::DeviceWorkQueue& work, PostToUi post, Restored restored,
                                             std::chrono::milliseconds limit)
    : work_(work), post_(std::move(post)), restored_(std::move(restored)), limit_(limit) {}

std::string ProfileRestoreService::Serve(const ProfileRestoreRequest& request) const {
  const std::filesystem::path folder = profiles::GetDeviceFolder(request.kind);
  if (!SameFolder(folder, request.deviceFolder)) return std::string(kAnswerElsewhere);
  auto answer = std::make_shared<std::promise<std::string>>();
  auto future = answer->get_future();
  work_.Post(request.kind, device::DeviceTask::kRestoreProfile,
             [post = post_, restored = restored_, earlier = earlierFileWork_, request, folder, answer] {
    if (earlier) earlier();
    const auto report = profiles::RestoreProfileByName(profiles::ProfileHistory(folder), request.name,
                                                       request.version);
    if (report.restored) {
      const auto [list, name] = ListAndName(report.file);
      post([restored, kind = request.kind, list, name] {
        if (restored) restored(kind, list, name);
      });
    }
    answer->set_value((report.restored ? "OK " : "ERR ") + report.text);
  });
  try {
    if (future.wait_for(limit_) != std::future_status::ready) {
      return "ERR the program is busy with this device; the restore may still happen (see: profile history)";
    }
    return future.get();
  } catch (const std::future_error&) {  // a newer restore request took this one's place
    return "ERR another restore for this device came first; nothing was changed by this one";
  }
}

}  // namespace tavrinex::app
