#pragma once
// The package maker behind tools/xxjpack: create a package from CSV files,
// list a package, extract an entry as CSV. Paths are Unix paths; messages
// and CSV are UTF-8.

#include <ostream>
#include <string>
#include <vector>

namespace xxj {

// args excludes the program name. Returns the exit code: 0 done, 1 failed,
// 2 wrong usage.
int RunPackageTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace xxj
