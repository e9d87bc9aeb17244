#include "storage/save_failure.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "storage/diagnostic.h"

namespace tavrinex::profiles {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

SaveFailureSink& Sink() {
  static SaveFailureSink sink;
  return sink;
}

}  // namespace

SaveFailureReason ReasonOfError(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return SaveFailureReason::kDiskFull;
    case EACCES:
    case EPERM: return SaveFailureReason::kPermission;
    case EROFS: return SaveFailureReason::kReadOnly;
    default: return SaveFailureReason::kOther;
  }
}

std::string_view DescribeReason(SaveFailureReason reason) {
  switch (reason) {
    case SaveFailureReason::kDiskFull: return "disk full";
    case SaveFailureReason::kPermission: return "permission denied";
    case SaveFailureReason::kReadOnly: return "read-only folder";
    case SaveFailureReason::kUnreadable: return "what is in its place cannot be read";
    case SaveFailureReason::kUndecodable: return "its text cannot be decoded";
    case SaveFailureReason::kOther: break;
  }
  return "error";
}

void SetSaveFailureSink(SaveFailureSink sink) {
  const std::lock_guard lock(SinkMutex());
  Sink() = std::move(sink);
}

void ReportSaveFailure(const SaveFailure& failure) {
  std::string line = "save failed: " + failure.file.string() + ": " +
                     std::string(DescribeReason(failure.reason));
  if (failure.reason == SaveFailureReason::kOther && failure.error != 0) {
    line += std::string(" (") + std::strerror(failure.error) + ")";
  }
  WriteDiagnostic(line);
  // Held over the call: the sink only posts, and its owner may not go while it runs.
  const std::lock_guard lock(SinkMutex());
  if (Sink()) Sink()(failure);
}

void ReportSaveFailure(const std::filesystem::path& file, int error) {
  ReportSaveFailure({file, ReasonOfError(error), error});
}

}  // namespace tavrinex::profiles
