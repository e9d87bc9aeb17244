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
