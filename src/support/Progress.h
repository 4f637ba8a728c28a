#pragma once
// The progress message through which the import engines drive the progress
// window. It is handled synchronously, inside the sender's call.

#include <cstdint>
#include <string_view>

namespace xxj {

// The private window message number of a progress message.
constexpr uint32_t WM_IMPORT_PROGRESS = 0x5252;
// Texts longer than this reach the window cut.
constexpr size_t kProgressTextLimit = 254;

// wParam of a progress message: low word 1000 and high word the position per
// thousand when 1 <= position < total; otherwise low and high word 1, which
// the window shows as a hidden bar.
uint32_t ProgressWParam(int position, int total);

// Sends text (GBK) and position to the main window and waits until handled.
// An empty text reaches the window too and empties its status label.
void PostProgress(std::string_view text, int position, int total);
// The same with an empty text; equal numbers close a phase.
void PostProgressPosition(int position, int total);

}  // namespace xxj
