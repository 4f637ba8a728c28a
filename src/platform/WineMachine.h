#pragma once
// The machine over a Wine prefix: the host application's Windows view of
// files, registry and processes, read from the prefix folder on Linux.

#include <memory>
#include <string>

#include "platform/Machine.h"

namespace xxj {

// A machine over the prefix folder (a Unix path). A missing folder gives an
// empty machine: no registry keys, no drive C:, only Z: over "/".
std::unique_ptr<Machine> NewWineMachine(const std::string& prefixUnixPath);

// The prefix the production machine uses: $WINEPREFIX, else ~/.wine.
std::string DefaultWinePrefix();

}  // namespace xxj
