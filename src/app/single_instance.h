// One copy per user: an flock on a per-user lock file decides which copy runs; the running
// copy listens on a per-user local socket (abstract namespace) on which a later copy sends
// the activation message "QUARTIKA_001" before it ends. The same socket carries the window
// messages that the main window accepts from outside. Only peers of the same user are heard.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/instance_socket.h"
#include "app/worker_registry.h"
#include "core/stop_event.h"
#include "ui/events.h"

namespace tavrinex::app {

inline constexpr std::string_view kInstanceName = "VORLIXDRVER";

// $XDG_RUNTIME_DIR/VORLIXDRVER.lock, else /tmp/tavrinex-<uid>/VORLIXDRVER.lock: in a folder of
// the user's own, so that no other user can create the lock first.
[[nodiscard]] std::filesystem::path InstanceLockPath();

// Holds the lock file exclusively while it lives.
class InstanceLock {
 public:
  // Acquired: this copy is the first. Not acquired: another copy holds it. The lock's folder is
  // created (0700) when missing. A lock that another user could have put there (the folder or
  // the file belongs to someone else, the folder is open to all without the sticky bit, the
  // file is a symbolic link or no regular file) is not used, nor one that cannot be opened at
  // all: this copy then runs as the first, and a diagnostic line says why.
  explicit InstanceLock(const std::filesystem::path& path, const Diagnostic& diagnostic);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  [[nodiscard]] bool Acquired() const { return acquired_; }

 private:
  int fd_ = -1;
  bool acquired_ = false;
};

// A message as it travels on the socket: "QUARTIKA_001", or "MSG <id> <wparam> <lparam>"
// with the id in hexadecimal ("0x0A03") and the parameters in decimal. Only the activation
// and the messages nothing inside the program sends are accepted; anything else gives
// nullopt and the reason in *why.
[[nodiscard]] std::optional<ui::Message> ParseSocketMessage(std::string_view text,
                                                            std::string* why);
[[nodiscard]] std::string FormatSocketMessage(const ui::Message& message);

// The running copy's end. Each accepted connection may carry one message.
class InstanceServer {
 public:
  using Receiver = std::function<void(const ui::Message&)>;
  using SimReceiver = std::function<void(const SimCommand&)>;
  // Returns the answer sent back to the asker.
  using ProfileReceiver = std::function<std::string(const ProfileRestoreRequest&)>;
  InstanceServer(std::string name, Receiver receiver, Diagnostic diagnostic);
  ~InstanceServer();  // Stop()
  InstanceServer(const InstanceServer&) = delete;
  InstanceServer& operator=(const InstanceServer&) = delete;

  // Before Start, in a copy run with --simulate: the simulator commands go to `receiver` (on
  // the server's thread). Without it they are ignored with a diagnostic line.
  void AcceptSimCommands(SimReceiver receiver);
  // Before Start: "PROFILE restore" requests go to `receiver` (on the server's thread, which
  // waits for its answer). Without it they are answered with an error.
  void AcceptProfileRequests(ProfileReceiver receiver);
  // False (with a diagnostic) when the name cannot be bound (another copy listens).
  [[nodiscard]] bool Start();
  // Stops listening: a later copy's connect fails at once from here on.
  void Stop();

  // Tests: the user id a peer must have (default: ours).
  void SetAllowedUid(uid_t uid) { allowedUid_ = uid; }

 private:
  void Run();
  void Serve(int connection);
  void ServeSimCommand(std::string_view text);
  void ServeProfileRequest(int connection, std::string_view text);

  std::string name_;
  Receiver receiver_;
  SimReceiver simReceiver_;
  ProfileReceiver profileReceiver_;
  Diagnostic diagnostic_;
  uid_t allowedUid_;
  int listenFd_ = -1;
  core::StopEvent stop_;
  std::thread thread_;
};

}  // namespace tavrinex::app
