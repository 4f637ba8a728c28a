#pragma once
// Read-only access to a registry file of a Wine prefix ("system.reg",
// "user.reg"), in the text format the prefix keeps them in.

#include <memory>
#include <string>

#include "platform/Machine.h"

namespace xxj {

// Opens a key of a registry file: keyPath is GBK, components separated by
// "\" (a leading "\" is allowed), compared without regard to ASCII case. The
// file is read once for the open, as the prefix replaces it atomically.
// nullptr when the file is missing or not a registry file, or the key is
// absent. View Bits32 reads "Software\..." from "Software\Wow6432Node\..."
// on a 64-bit prefix.
std::unique_ptr<RegistryKey> OpenWineRegistryKey(const std::string& registryFile,
                                                 const std::string& keyPath, RegistryView view);

// The same over the file's text, for callers that already hold it.
std::unique_ptr<RegistryKey> ParseWineRegistryKey(const std::string& fileText,
                                                  const std::string& keyPath, RegistryView view);

}  // namespace xxj
