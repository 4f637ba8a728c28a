// tracev: watches the trace lines of a run. Listens on the trace socket and
// prints each line it receives as UTF-8 until interrupted.

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "platform/TraceSocket.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace {

volatile sig_atomic_t stopping = 0;

void Stop(int) {
  stopping = 1;
}

void PrintHelp() {
  std::cout << "Usage: tracev [--help]\n"
               "Prints the trace lines of the price installer as they arrive, one per line,\n"
               "until interrupted (Ctrl+C). It listens on the socket\n  "
            << xxj::TraceSocketPath()
            << "\n($XDG_RUNTIME_DIR/TTraceForm, else /tmp/TTraceForm). Lines sent while no\n"
               "viewer runs are lost.\n";
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintHelp();
      return 0;
    }
    std::cerr << "tracev: unknown argument \"" << argv[i] << "\" (see --help)\n";
    return 2;
  }
  // No SA_RESTART: the wait returns on Ctrl+C so the socket is removed.
  struct sigaction action {};
  action.sa_handler = Stop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  try {
    xxj::TraceListener listener;
    std::cerr << "tracev: listening on " << xxj::TraceSocketPath() << "\n";
    while (!stopping) {
      const auto line = listener.Receive(-1);
      if (!line) continue;
      std::cout << xxj::Utf8FromUtf16(*line) << std::endl;
    }
  } catch (const xxj::Exception& e) {
    std::cerr << "tracev: " << xxj::Utf8FromGbk(e.Message()) << "\n";
    return 1;
  }
  return 0;
}
