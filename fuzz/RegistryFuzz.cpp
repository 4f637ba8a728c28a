// Registry files come from the user's prefix and may be damaged or written
// by other tools: any bytes must give keys or nothing, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/WineRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text =
      "WINE REGISTRY Version 2\n" + std::string(reinterpret_cast<const char*>(data), size);
  for (const char* path : {"", "Software\\A", "\\SOFTWARE\\Velmora\\ZKPM2016_SZ\\"}) {
    for (const auto view : {xxj::RegistryView::Native, xxj::RegistryView::Bits32}) {
      auto key = xxj::ParseWineRegistryKey(text, path, view);
      if (key == nullptr) continue;
      for (const std::string& name : key->ValueNames()) key->ReadString(name);
      key->SubKeyNames();
    }
  }
  return 0;
}
