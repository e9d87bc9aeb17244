// The per-user local socket on which the running copy listens: its name, the sender that a
// later copy and tavrinexctl use, and the simulator's plug commands ("SIM plug kb"). Plain
// POSIX, no UI, so the command-line tool links it without the application shell.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>

#include <chrono>
#include <cstdint>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_kind.h"

namespace tavrinex::app {

inline constexpr std::string_view kActivationText = "QUARTIKA_001";
inline constexpr std::size_t kMaxSocketMessage = 64;
inline constexpr std::string_view kSimCommandWord = "SIM";
// A request that asks for an answer ("PROFILE ..."): room for a folder path and a name.
inline constexpr std::string_view kProfileCommandWord = "PROFILE";
inline constexpr std::size_t kMaxRequestMessage = 4096;

// The abstract socket name (without its leading NUL): "tavrinex-QUARTIKA_001-<uid>".
[[nodiscard]] std::string InstanceSocketName();

// sockaddr for an abstract name; the length counts the leading NUL and the name only.
socklen_t AbstractAddress(const std::string& name, sockaddr_un& address);

enum class SendOutcome : std::uint8_t {
  kSent,
  kNobody,     // nobody listens, or the send failed
  kOtherUser,  // the name is held by a process of another user: nothing was sent to it
};

// Sends `text` to the running copy, only when the listener runs as `allowedUid` (default: this
// user): the abstract name is open to anyone, so another user may hold it. It never waits
// longer than about `limit`.
[[nodiscard]] SendOutcome SendToInstance(const std::string& name, std::string_view text,
                                         std::chrono::milliseconds limit = std::chrono::milliseconds(500),
                                         std::optional<uid_t> allowedUid = std::nullopt);
// SendToInstance(...) == kSent.
[[nodiscard]] bool SendToRunningInstance(const std::string& name, std::string_view text,
                                         std::chrono::milliseconds limit =
                                             std::chrono::milliseconds(500));

// Sends `request` and waits, at most `limit`, for the one answer the running copy gives on the
// same connection: kSent with no text when it took the request but did not answer in time.
struct InstanceAnswer {
  SendOutcome outcome = SendOutcome::kNobody;
  std::optional<std::string> text;
};
[[nodiscard]] InstanceAnswer AskInstance(const std::string& name, std::string_view request,
                                         std::chrono::milliseconds limit);

// tavrinexctl profile restore, handed to the running copy so that its lists and device follow.
// The device folder says which documents folder the asker means: a copy that uses another one
// answers that it is not the one to ask.
struct ProfileRestoreRequest {
  device::DeviceKind kind = device::DeviceKind::kKeyboard;
  std::string version;
  std::string deviceFolder;
  std::string name;  // may hold spaces
  friend bool operator==(const ProfileRestoreRequest&, const ProfileRestoreRequest&) = default;
};
// "PROFILE restore" and the four fields, each on a line of its own.
[[nodiscard]] std::string FormatProfileRestore(const ProfileRestoreRequest& request);
[[nodiscard]] std::optional<ProfileRestoreRequest> ParseProfileRestore(std::string_view text, std::string* why);

// Answers: "OK <text>", "ERR <text>", or "ELSEWHERE" from a copy with another documents folder.
inline constexpr std::string_view kAnswerElsewhere = "ELSEWHERE";

// An answer as the asker reads it. Whatever came back, it reads as one of the three: an answer
// of another form is an error whose text is the whole answer.
struct ProfileAnswer {
  enum class Kind : std::uint8_t { kOk, kError, kElsewhere };
  Kind kind = Kind::kError;
  std::string text;
  friend bool operator==(const ProfileAnswer&, const ProfileAnswer&) = default;
};
[[nodiscard]] ProfileAnswer ParseProfileAnswer(std::string_view answer);

// Plugs or unplugs every interface of one simulated device in a copy run with --simulate.
struct SimCommand {
  bool plug = true;
  device::DeviceKind kind = device::DeviceKind::kKeyboard;
  friend bool operator==(const SimCommand&, const SimCommand&) = default;
};

// The space-separated words of a message.
[[nodiscard]] std::vector<std::string_view> SocketWords(std::string_view text);

// "SIM plug kb", "SIM unplug mp".
[[nodiscard]] std::string FormatSimCommand(const SimCommand& command);
// nullopt, with the reason in *why, for anything else (case matters, no extra fields).
[[nodiscard]] std::optional<SimCommand> ParseSimCommand(std::string_view text, std::string* why);
// "kb", "ms", "mp".
[[nodiscard]] std::optional<device::DeviceKind> KindOfPrefix(std::string_view prefix);

}  // namespace tavrinex::app
