#include "platform/Machine.h"

#include "platform/WineMachine.h"

namespace xxj {
namespace {

Machine* installed = nullptr;

Machine& DefaultMachine() {
  // Never destroyed: the row catalogue writes its last trace lines at
  // program end, after function-local objects created later are gone.
  static Machine* const machine = NewWineMachine(DefaultWinePrefix()).release();
  return *machine;
}

}  // namespace

Machine& CurrentMachine() {
  return installed != nullptr ? *installed : DefaultMachine();
}

ScopedMachine::ScopedMachine(Machine& machine) : previous_(installed) {
  installed = &machine;
}

ScopedMachine::~ScopedMachine() {
  installed = previous_;
}

}  // namespace xxj
