#pragma once
// The message an action raises, for tests that check the system's exact texts.

#include <functional>
#include <string>

namespace xxj::testing {

// The GBK message of the Exception the action raises, or "(no error)".
std::string ErrorOf(const std::function<void()>& action);

}  // namespace xxj::testing
