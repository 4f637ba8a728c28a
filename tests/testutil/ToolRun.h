#pragma once
// Runs one of the project's command-line tools, built beside the test
// executables, and captures what it prints.

#include <filesystem>
#include <string>

namespace xxj::testing {

struct ToolResult {
  int exitCode;
  std::string output;  // standard output and standard error together
};

// The tool's executable in the build folder of the running test.
std::filesystem::path ToolPath(const std::string& tool);

// Runs "<tool> <arguments>" through the shell; arguments are passed as written.
ToolResult RunTool(const std::string& tool, const std::string& arguments);

}  // namespace xxj::testing
