#include "testutil/TraceCapture.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/TextEncoding.h"

namespace xxj::testing {

TraceCapture::TraceCapture() {
  if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("XDG_RUNTIME_DIR", runtime_.Path().c_str(), 1);
  path_ = runtime_.Path().string() + "/TTraceForm";
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd_ < 0 || path_.size() >= sizeof address.sun_path)
    throw std::runtime_error("trace capture: no socket for " + path_);
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("trace capture: cannot listen at " + path_);
}

TraceCapture::~TraceCapture() {
  if (fd_ >= 0) close(fd_);
  unlink(path_.c_str());
  if (hadPrevious_)
    setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

std::vector<std::string> TraceCapture::Lines() {
  std::vector<std::string> lines;
  char buffer[65536];
  for (;;) {
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) break;
    std::u16string text;
    for (ssize_t i = 0; i + 1 < n; i += 2)
      text += static_cast<char16_t>(static_cast<unsigned char>(buffer[i]) |
                                    static_cast<unsigned char>(buffer[i + 1]) << 8);
    lines.push_back(GbkFromUtf16(text));
  }
  return lines;
}

}  // namespace xxj::testing
