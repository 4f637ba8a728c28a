#pragma once
// A trace viewer for one test: listens where the machine sends trace lines
// (a private runtime folder) and hands back the lines received, as GBK text.
// Use it together with a TestPrefix.

#include <string>
#include <vector>

#include "testutil/TempFolder.h"

namespace xxj::testing {

class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  // The lines received since the last call, oldest first.
  std::vector<std::string> Lines();

 private:
  TempFolder runtime_;
  std::string previous_;
  bool hadPrevious_ = false;
  std::string path_;
  int fd_ = -1;
};

}  // namespace xxj::testing
