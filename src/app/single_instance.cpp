#include "app/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "app/routing_types.h"

namespace tavrinex::app {
namespace {

template <class T>
bool ParseNumber(std::string_view token, T& value, int base) {
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value, base);
  return ec == std::errc() && end == token.data() + token.size();
}

}  // namespace

std::filesystem::path InstanceLockPath() {
  const std::string file = std::string(kInstanceName) + ".lock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime) / file;
  return std::filesystem::path("/tmp") / ("tavrinex-" + std::to_string(getuid())) / file;
}

namespace {

// Nobody but this user (or root) can have put anything into the folder: it is no symbolic link,
// belongs to this user or root, and is not writable by others unless sticky (as /tmp is).
std::optional<std::string> UntrustedFolder(const std::filesystem::path& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return std::string("cannot look at its folder: ") + std::strerror(errno);
  if (!S_ISDIR(info.st_mode)) return std::string("its folder is no folder");
  if (info.st_uid != ::getuid() && info.st_uid != 0) return std::string("its folder belongs to another user");
  if ((info.st_mode & 022) != 0 && (info.st_mode & S_ISVTX) == 0) {
    return std::string("its folder is writable by other users");
  }
  return std::nullopt;
}

std::optional<std::string> UntrustedFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::string("cannot look at it: ") + std::strerror(errno);
  if (!S_ISREG(info.st_mode)) return std::string("it is no regular file");
  if (info.st_uid != ::getuid()) return std::string("it belongs to another user");
  return std::nullopt;
}

}  // namespace

InstanceLock::InstanceLock(const std::filesystem::path& path, const Diagnostic& diagnostic) {
  const auto runAlone = [&](const std::string& why) {
    diagnostic("single instance: not using " + path.string() + ": " + why +
               "; running as the first copy");
    acquired_ = true;
  };
  (void)::mkdir(path.parent_path().c_str(), 0700);  // the per-user folder; may exist
  if (const auto why = UntrustedFolder(path.parent_path())) {
    runAlone(*why);
    return;
  }
  // O_NOFOLLOW: a symbolic link planted in the lock's place is not followed.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    runAlone(std::strerror(errno));
    return;
  }
  if (const auto why = UntrustedFile(fd_)) {
    ::close(std::exchange(fd_, -1));
    runAlone(*why);
    return;
  }
  acquired_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::optional<ui::Message> ParseSocketMessage(std::string_view text, std::string* why) {
  auto fail = [&](std::string reason) -> std::optional<ui::Message> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  if (text.size() > kMaxSocketMessage) return fail("oversized message");
  if (text == kActivationText) return ui::Message{msg::kActivate, 0, 0, {}};
  const auto tokens = SocketWords(text);
  if (tokens.empty() || tokens[0] != "MSG") return fail("unknown message");
  if (tokens.size() < 4) return fail("truncated message");
  if (tokens.size() > 4) return fail("malformed message (extra fields)");
  std::string_view idText = tokens[1];
  if (idText.starts_with("0x") || idText.starts_with("0X")) idText.remove_prefix(2);
  ui::Message message;
  if (!ParseNumber(idText, message.id, 16)) return fail("malformed message id");
  if (!ParseNumber(tokens[2], message.wparam, 10) || !ParseNumber(tokens[3], message.lparam, 10)) {
    return fail("malformed message parameters");
  }
  if (std::ranges::find(kOutsideMessages, message.id) == kOutsideMessages.end()) {
    return fail("message id not accepted from outside");
  }
  return message;
}

std::string FormatSocketMessage(const ui::Message& message) {
  if (message.id == msg::kActivate) return std::string(kActivationText);
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "MSG 0x%04X %llu %lld", message.id,
                static_cast<unsigned long long>(message.wparam),
                static_cast<long long>(message.lparam));
  return buffer;
}

InstanceServer::InstanceServer(std::string name, Receiver receiver, Diagnostic diagnostic)
    : name_(std::move(name)),
      receiver_(std::move(receiver)),
      diagnostic_(std::move(diagnostic)),
      allowedUid_(getuid()) {}

InstanceServer::~InstanceServer() { Stop(); }

void InstanceServer::AcceptSimCommands(SimReceiver receiver) { simReceiver_ = std::move(receiver); }

void InstanceServer::AcceptProfileRequests(ProfileReceiver receiver) {
  profileReceiver_ = std::move(receiver);
}

void InstanceServer::ServeProfileRequest(int connection, std::string_view text) {
  std::string why;
  const auto request = ParseProfileRestore(text, &why);
  std::string answer;
  if (!request) {
    diagnostic_("single instance: ignored a profile request: " + why);
    answer = "ERR " + why;
  } else if (!profileReceiver_) {
    answer = "ERR this copy does not take profile requests";
  } else {
    answer = profileReceiver_(*request);
  }
  (void)::send(connection, answer.data(), std::min(answer.size(), kMaxRequestMessage), MSG_NOSIGNAL);
}

void InstanceServer::ServeSimCommand(std::string_view text) {
  auto ignored = [&](std::string_view why) {
    diagnostic_("single instance: ignored \"" + std::string(text) + "\": " + std::string(why));
  };
  if (!simReceiver_) return ignored("simulator commands need a copy run with --simulate");
  std::string why;
  const auto command = ParseSimCommand(text, &why);
  if (!command) return ignored(why);
  simReceiver_(*command);
}

bool InstanceServer::Start() {
  listenFd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0) {
    diagnostic_(std::string("single instance: socket: ") + std::strerror(errno));
    return false;
  }
  sockaddr_un address{};
  const socklen_t length = AbstractAddress(name_, address);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listenFd_, 8) != 0) {
    diagnostic_(std::string("single instance: cannot listen: ") + std::strerror(errno));
    ::close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void InstanceServer::Stop() {
  stop_.Set();
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
  }
}

void InstanceServer::Run() {
  while (true) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) return;
    const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Serve(connection);
    ::close(connection);
  }
}

void InstanceServer::Serve(int connection) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
      peer.uid != allowedUid_) {
    diagnostic_("single instance: ignored a connection of user " + std::to_string(peer.uid));
    return;
  }
  // One message per connection; wait for it briefly, so a silent peer cannot hold us.
  pollfd fd{connection, POLLIN, 0};
  if (::poll(&fd, 1, 1000) <= 0) return;
  char buffer[kMaxRequestMessage + 1];
  const ssize_t n = ::recv(connection, buffer, sizeof buffer, MSG_TRUNC | MSG_DONTWAIT);
  if (n <= 0) return;
  std::string why;
  const auto received = static_cast<std::size_t>(n);
  const std::string_view text(buffer, std::min(received, sizeof buffer));
  if (received <= kMaxRequestMessage && text.starts_with(kProfileCommandWord)) {
    ServeProfileRequest(connection, text);
    return;
  }
  if (received > kMaxSocketMessage) {
    diagnostic_("single instance: ignored an oversized message (" + std::to_string(n) +
                " bytes)");
    return;
  }
  if (text.starts_with(kSimCommandWord)) {
    ServeSimCommand(text);
    return;
  }
  const auto message = ParseSocketMessage(text, &why);
  if (!message) {
    diagnostic_("single instance: ignored \"" + std::string(text) + "\": " + why);
    return;
  }
  receiver_(*message);
}

}  // namespace tavrinex::app
