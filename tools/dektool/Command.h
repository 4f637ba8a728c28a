#pragma once
// The subcommands of dektool. Each lives in its own source file and enters
// itself in the table with a static Registration.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace xxj {
class TFileDB;
}

namespace xxj::dektool {

struct Command {
  const char* name;
  const char* usage;    // arguments after the name, e.g. "FILE TABLE"
  const char* summary;  // one line for --help
  // Returns the exit code; writes results to out and problems to err.
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

std::vector<Command>& Commands();

struct Registration {
  explicit Registration(const Command& command) { Commands().push_back(command); }
};

// Exit codes.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The machine's path for a path given on the command line: a Unix path, or a
// Windows path ("C:\...") taken as it is.
std::string MachinePath(const std::string& argument);

// Opens an existing file database; null, with a message naming the file on
// err, when the file is missing or is not a file database. A missing file is
// never created.
std::unique_ptr<TFileDB> OpenExisting(const std::string& argument, std::ostream& err);

}  // namespace xxj::dektool
