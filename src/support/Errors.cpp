#include "support/Errors.h"

namespace xxj {

void Abort() { throw EAbort(); }

}  // namespace xxj
