#pragma once
// The system's error kinds. Every message is GBK text, shown to the user as is.

#include <stdexcept>
#include <string>

namespace xxj {

// The one general error class: carries a GBK message.
class Exception : public std::runtime_error {
 public:
  explicit Exception(std::string message) : std::runtime_error(std::move(message)) {}
  // The GBK message text.
  std::string Message() const { return what(); }
};

// A file could not be created.
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// A file could not be opened.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// A name-keyed hash list was indexed outside its bounds.
class EMapOutOfBounds : public Exception {
 public:
  using Exception::Exception;
};

// The silent abort: unwinds after a message has already been shown, so
// handlers that see it show nothing further.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// Raises the silent abort.
[[noreturn]] void Abort();

}  // namespace xxj
