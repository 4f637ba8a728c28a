#pragma once
// The trace viewer's mailbox: a Unix datagram socket named "TTraceForm" in
// $XDG_RUNTIME_DIR (else /tmp). Each datagram is one trace line as UTF-16LE
// bytes; lines sent while no viewer listens are lost, as trace lines are.

#include <optional>
#include <string>

namespace xxj {

// The socket's Unix path (UTF-8).
std::string TraceSocketPath();

// The viewer's end: binds the socket for its lifetime and removes it after.
class TraceListener {
 public:
  // Raises Exception naming the path when the socket cannot be bound, among
  // others when another viewer already listens there. A socket file left by
  // a viewer that ended is replaced.
  TraceListener();
  ~TraceListener();
  TraceListener(const TraceListener&) = delete;
  TraceListener& operator=(const TraceListener&) = delete;

  // The next line; nullopt after timeoutMs (-1 waits for ever) or when a
  // signal interrupts the wait.
  std::optional<std::u16string> Receive(int timeoutMs);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace xxj
