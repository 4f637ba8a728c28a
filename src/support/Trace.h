#pragma once
// The diagnostic trace: one line at a time to the external trace viewer, when
// one is open. No levels, no time stamps, no file; lines sent while no viewer
// listens are lost.

#include <string_view>

namespace xxj {

// Sends the line (UTF-16) and waits until the viewer has taken it. Nothing
// happens for an empty line or without a viewer.
void TraceLine(std::u16string_view text);
// The same for system (GBK) text, converted here at the boundary.
void TraceLine(std::string_view gbkText);

}  // namespace xxj
