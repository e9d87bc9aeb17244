// An earlier version of a profile brought back while the program runs (tavrinexctl profile
// restore): the file is replaced on the device's own thread, in order with the profile saves
// the editors hand that thread and after the list operations asked for before it, and the
// program's lists and device follow on the UI thread.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "app/instance_socket.h"
#include "device/device_work.h"
#include "profiles/profile_catalogue.h"

namespace tavrinex::app {

class ProfileRestoreService {
 public:
  // UI thread: the profile file `name` + extension of the list was replaced.
  using Restored = std::function<void(device::DeviceKind, profiles::ProfileListKind, const std::string& name)>;
  using PostToUi = std::function<void(std::function<void()>)>;

  ProfileRestoreService(device::DeviceWorkQueue& work, PostToUi post, Restored restored,
                        std::chrono::milliseconds limit = std::chrono::seconds(5));

  // Device thread, before the file is replaced: returns once the work that may touch profile
  // files and was asked for earlier (the lists' renames, removes, imports) is done.
  void WaitFirstFor(std::function<void()> earlierFileWork) { earlierFileWork_ = std::move(earlierFileWork); }

  // The instance server's thread: runs the request and returns the answer for the asker. A
  // request for another documents folder than this copy's is answered kAnswerElsewhere.
  [[nodiscard]] std::string Serve(const ProfileRestoreRequest& request) const;

 private:
  device::DeviceWorkQueue& work_;
  PostToUi post_;
  Restored restored_;
  std::function<void()> earlierFileWork_;
  std::chrono::milliseconds limit_;
};

}  // namespace tavrinex::app
