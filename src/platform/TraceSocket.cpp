#include "platform/TraceSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/Errors.h"

namespace xxj {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address, socklen_t& length) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return true;
}

bool SomeoneListens(const sockaddr_un& address, socklen_t length) {
  const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool listening = connect(probe, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(probe);
  return listening;
}

}  // namespace

std::string TraceSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder = (runtime != nullptr && *runtime != '\0') ? runtime : "/tmp";
  return folder + "/TTraceForm";
}

TraceListener::TraceListener() : path_(TraceSocketPath()) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!MakeAddress(path_, address, length)) {
    throw Exception("The trace socket path is too long: " + path_);
  }
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw Exception("Cannot create the trace socket: " + std::string(strerror(errno)));
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  if (bind(fd_, raw, length) == 0) return;
  if (errno == EADDRINUSE) {
    if (SomeoneListens(address, length)) {
      close(fd_);
      throw Exception("Another trace viewer already listens on " + path_);
    }
    unlink(path_.c_str());  // left by a viewer that ended
    if (bind(fd_, raw, length) == 0) return;
  }
  const std::string reason = strerror(errno);
  close(fd_);
  throw Exception("Cannot listen on " + path_ + ": " + reason);
}

TraceListener::~TraceListener() {
  close(fd_);
  unlink(path_.c_str());
}

std::optional<std::u16string> TraceListener::Receive(int timeoutMs) {
  pollfd waiting{fd_, POLLIN, 0};
  if (poll(&waiting, 1, timeoutMs) <= 0) return std::nullopt;
  // Peek first so a line of any length arrives whole.
  const ssize_t size = recv(fd_, nullptr, 0, MSG_PEEK | MSG_TRUNC);
  if (size < 0) return std::nullopt;
  std::vector<char> bytes(static_cast<size_t>(size) + 1);
  const ssize_t n = recv(fd_, bytes.data(), bytes.size(), 0);
  if (n < 0) return std::nullopt;
  std::u16string line;
  for (ssize_t i = 0; i + 1 < n; i += 2) {
    line += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return line;
}

}  // namespace xxj
