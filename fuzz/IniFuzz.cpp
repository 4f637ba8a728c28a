// INI files of host installations are read as they are found: any bytes
// must give sections and values or nothing, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto ini = xxj::IniFile::FromText(std::string(reinterpret_cast<const char*>(data), size));
  for (const std::string& section : ini.SectionNames()) {
    for (const std::string& key : ini.KeyNames(section)) {
      ini.ReadString(section, key, "");
      ini.ReadInteger(section, key, -1);
    }
  }
  return 0;
}
