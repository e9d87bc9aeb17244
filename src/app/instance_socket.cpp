#include "app/instance_socket.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavrinex::app {

std::vector<std::string_view> SocketWords(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t begin = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > begin) out.push_back(text.substr(begin, i - begin));
  }
  return out;
}

std::string InstanceSocketName() {
  return "tavrinex-" + std::string(kActivationText) + "-" + std::to_string(getuid());
}

socklen_t AbstractAddress(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::size_t n = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), n);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

SendOutcome SendToInstance(const std::string& name, std::string_view text,
                           std::chrono::milliseconds limit, std::optional<uid_t> allowedUid) {
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return SendOutcome::kNobody;
  timeval timeout{};
  timeout.tv_sec = static_cast<time_t>(limit.count() / 1000);
  timeout.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
  (void)::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_un address{};
  const socklen_t length = AbstractAddress(name, address);
  SendOutcome outcome = SendOutcome::kNobody;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool ours = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                      peer.uid == allowedUid.value_or(::getuid());
    if (!ours) {
      outcome = SendOutcome::kOtherUser;
    } else if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size())) {
      outcome = SendOutcome::kSent;
    }
  }
  ::close(fd);
  return outcome;
}

InstanceAnswer AskInstance(const std::string& name, std::string_view request, std::chrono::milliseconds limit) {
  InstanceAnswer answer;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return answer;
  timeval timeout{};
  timeout.tv_sec = static_cast<time_t>(limit.count() / 1000);
  timeout.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
  (void)::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  (void)::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_un address{};
  const socklen_t length = AbstractAddress(name, address);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid()) {
      answer.outcome = SendOutcome::kOtherUser;
    } else if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(request.size())) {
      answer.outcome = SendOutcome::kSent;
      std::string buffer(kMaxRequestMessage, '\0');
      const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
      if (n > 0) answer.text = buffer.substr(0, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return answer;
}

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text.find('\n', begin);
    out.push_back(text.substr(begin, end - begin));
    if (end == std::string_view::npos) return out;
    begin = end + 1;
  }
}

}  // namespace

std::string FormatProfileRestore(const ProfileRestoreRequest& request) {
  return std::string(kProfileCommandWord) + " restore\n" + std::string(device::KindPrefix(request.kind)) + "\n" +
         request.version + "\n" + request.deviceFolder + "\n" + request.name;
}

std::optional<ProfileRestoreRequest> ParseProfileRestore(std::string_view text, std::string* why) {
  auto fail = [&](std::string reason) -> std::optional<ProfileRestoreRequest> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  if (text.size() > kMaxRequestMessage) return fail("oversized request");
  const auto lines = Lines(text);
  if (lines.size() != 5 || lines[0] != std::string(kProfileCommandWord) + " restore") {
    return fail("malformed profile request");
  }
  const auto kind = KindOfPrefix(lines[1]);
  if (!kind) return fail("unknown device in profile request");
  if (lines[2].empty() || lines[3].empty() || lines[4].empty()) return fail("empty field in profile request");
  return ProfileRestoreRequest{*kind, std::string(lines[2]), std::string(lines[3]), std::string(lines[4])};
}

ProfileAnswer ParseProfileAnswer(std::string_view answer) {
  using Kind = ProfileAnswer::Kind;
  if (answer == kAnswerElsewhere) return {Kind::kElsewhere, {}};
  if (answer.starts_with("OK ")) return {Kind::kOk, std::string(answer.substr(3))};
  if (answer.starts_with("ERR ")) answer.remove_prefix(4);
  return {Kind::kError, std::string(answer)};
}

bool SendToRunningInstance(const std::string& name, std::string_view text,
                           std::chrono::milliseconds limit) {
  return SendToInstance(name, text, limit) == SendOutcome::kSent;
}

std::optional<device::DeviceKind> KindOfPrefix(std::string_view prefix) {
  for (const device::DeviceKind kind : device::kAllDeviceKinds) {
    if (device::KindPrefix(kind) == prefix) return kind;
  }
  return std::nullopt;
}

std::string FormatSimCommand(const SimCommand& command) {
  return std::string(kSimCommandWord) + (command.plug ? " plug " : " unplug ") +
         std::string(device::KindPrefix(command.kind));
}

std::optional<SimCommand> ParseSimCommand(std::string_view text, std::string* why) {
  auto fail = [&](std::string reason) -> std::optional<SimCommand> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  const auto words = SocketWords(text);
  if (words.empty() || words[0] != kSimCommandWord) return fail("unknown message");
  if (words.size() != 3) return fail("malformed simulator command (SIM plug|unplug kb|ms|mp)");
  SimCommand command;
  if (words[1] == "plug") {
    command.plug = true;
  } else if (words[1] == "unplug") {
    command.plug = false;
  } else {
    return fail("unknown simulator action");
  }
  const auto kind = KindOfPrefix(words[2]);
  if (!kind) return fail("unknown simulated device");
  command.kind = *kind;
  return command;
}

}  // namespace tavrinex::app
