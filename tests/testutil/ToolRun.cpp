#include "testutil/ToolRun.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace xxj::testing {

std::filesystem::path ToolPath(const std::string& tool) {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / tool;
}

ToolResult RunTool(const std::string& tool, const std::string& arguments) {
  const std::string command = ToolPath(tool).string() + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string output;
  std::array<char, 4096> buffer;
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

}  // namespace xxj::testing
