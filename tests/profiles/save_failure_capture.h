// The save failures reported while it lives, in place of the window's notice.
#pragma once

#include <mutex>
#include <vector>

#include "storage/save_failure.h"

namespace tavrinex::profiles::testing {

class CapturedSaveFailures {
 public:
  CapturedSaveFailures() {
    SetSaveFailureSink([this](const SaveFailure& failure) {
      const std::lock_guard lock(mutex_);
      failures_.push_back(failure);
    });
  }
  ~CapturedSaveFailures() { SetSaveFailureSink({}); }
  CapturedSaveFailures(const CapturedSaveFailures&) = delete;
  CapturedSaveFailures& operator=(const CapturedSaveFailures&) = delete;

  // What was reported since the last call.
  std::vector<SaveFailure> Take() {
    const std::lock_guard lock(mutex_);
    return std::exchange(failures_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<SaveFailure> failures_;
};

}  // namespace tavrinex::profiles::testing
