// Saves that fail reach the user. Every writer that gives up on a file the user's settings live
// in (profile files, catalogues, macro files) reports it here with the file and the reason; the
// report writes a diagnostic line and hands the failure to the sink the window installs, which
// turns a burst of failures into one notice. Callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace tavrinex::profiles {

enum class SaveFailureReason : std::uint8_t {
  kDiskFull,     // ENOSPC, EDQUOT, EFBIG
  kPermission,   // EACCES, EPERM
  kReadOnly,     // EROFS
  kUnreadable,   // what is in the file's place cannot be read (a folder, a fifo, too large)
  kUndecodable,  // the file holds text that cannot be decoded; writing it would mangle it
  kOther,
};

struct SaveFailure {
  std::filesystem::path file;
  SaveFailureReason reason = SaveFailureReason::kOther;
  int error = 0;  // the errno behind kOther (and the others), 0 when there is none
};

// The reason an errno of a failed write stands for.
[[nodiscard]] SaveFailureReason ReasonOfError(int error);
// English words for the diagnostic line ("disk full", "permission denied", ...).
[[nodiscard]] std::string_view DescribeReason(SaveFailureReason reason);

using SaveFailureSink = std::function<void(const SaveFailure&)>;
// The window's sink; an empty one leaves the diagnostic line alone (tools, tests). Setting it
// waits for a report that is calling the old sink, so the old sink's owner may go afterwards.
void SetSaveFailureSink(SaveFailureSink sink);

// The diagnostic line "save failed: <file>: <reason>", then the sink.
void ReportSaveFailure(const SaveFailure& failure);
void ReportSaveFailure(const std::filesystem::path& file, int error);

}  // namespace tavrinex::profiles
