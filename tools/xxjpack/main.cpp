// xxjpack: makes and reads information-price packages; see --help.

#include <iostream>
#include <string>
#include <vector>

#include "package/PackageTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return xxj::RunPackageTool(args, std::cout, std::cerr);
}
