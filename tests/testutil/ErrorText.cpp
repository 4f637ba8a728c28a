#include "testutil/ErrorText.h"

#include "support/Errors.h"

namespace xxj::testing {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace xxj::testing
