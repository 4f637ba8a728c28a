#include "platform/Machine.h"

#include "platform/WineMachine.h"

namespace xxj {
namespace {

Machine* installed = nullptr;

Machine& DefaultMachine() {
  static const std::unique_ptr<Machine> machine = NewWineMachine(DefaultWinePrefix());
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
