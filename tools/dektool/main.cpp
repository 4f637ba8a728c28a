// dektool: inspects file databases (quota libraries and file-database price
// packages) from the terminal.

#include <filesystem>
#include <iostream>

#include "Command.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj::dektool {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

std::string MachinePath(const std::string& argument) {
  const bool windowsPath = argument.size() >= 3 && argument[1] == ':' && argument[2] == '\\';
  if (windowsPath) return GbkFromUtf8(argument);
  return CurrentMachine().FromUnixPath(
      std::filesystem::absolute(argument).lexically_normal().string());
}

std::unique_ptr<TFileDB> OpenExisting(const std::string& argument, std::ostream& err) {
  const std::string path = MachinePath(argument);
  if (!CurrentMachine().FileExists(path)) {
    err << "dektool: " << argument << ": no such file\n";
    return nullptr;
  }
  try {
    return std::make_unique<TFileDB>(path);
  } catch (const Exception& e) {
    err << "dektool: " << argument << ": " << Utf8FromGbk(e.Message()) << "\n";
    return nullptr;
  }
}

namespace {

void PrintHelp(std::ostream& out) {
  out << "Usage: dektool COMMAND ARGS...\n"
         "Inspects a file database (.Dek quota library, .nxxj/.exxj price package).\n"
         "Text is shown in UTF-8.\n\nCommands:\n";
  for (const Command& command : Commands())
    out << "  dektool " << command.name << " " << command.usage << "\n      " << command.summary
        << "\n";
  out << "  dektool --help\n      this text\n";
}

}  // namespace
}  // namespace xxj::dektool

int main(int argc, char** argv) {
  using namespace xxj::dektool;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout);
    return kOk;
  }
  for (const Command& command : Commands()) {
    if (args[0] != command.name) continue;
    try {
      return command.run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    } catch (const xxj::Exception& e) {
      std::cerr << "dektool: " << xxj::Utf8FromGbk(e.Message()) << "\n";
      return kFailed;
    }
  }
  std::cerr << "dektool: unknown command \"" << args[0] << "\"; see dektool --help\n";
  return kUsage;
}
