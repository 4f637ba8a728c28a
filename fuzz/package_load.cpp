// Opens arbitrary bytes as a package and loads every entry it lists: a
// package arrives from outside, so any input must end in a result or an
// error, never a crash, a hang or a runaway allocation.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "filedb/MemStream.h"
#include "package/Dataset.h"
#include "package/uVelFile.h"
#include "platform/WineMachine.h"
#include "support/Errors.h"

namespace {

struct Scratch {
  Scratch() {
    folder = std::filesystem::temp_directory_path() / ("xxj-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    // No prefix: the machine has only Z:, which is "/".
    machine = xxj::NewWineMachine((folder / "no-prefix").string());
    scope = std::make_unique<xxj::ScopedMachine>(*machine);
    path = "Z:" + (folder / "pkg.xxj").string();
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
  }
  ~Scratch() {
    scope.reset();
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  std::unique_ptr<xxj::Machine> machine;
  std::unique_ptr<xxj::ScopedMachine> scope;
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  {
    std::ofstream out(scratch.folder / "pkg.xxj", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    xxj::TVelFile file(scratch.path, xxj::kOpenRead);
    const auto entries = file.Entries();
    for (size_t i = 0; i < entries.size() && i < 64; ++i) {
      xxj::Dataset dataset;
      try {
        file.LoadEntryAt(static_cast<int>(i), dataset);
        for (int f = 0; f < dataset.FieldCount(); ++f) {
          for (dataset.First(); !dataset.Eof(); dataset.Next()) dataset.Fields(f).AsString();
        }
      } catch (const xxj::Exception&) {
      }
      file.IndexOfEntry(entries[i].name);
    }
  } catch (const xxj::Exception&) {
  }
  return 0;
}
