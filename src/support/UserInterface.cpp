#include "support/UserInterface.h"

namespace xxj {
namespace {

UserInterface* current = nullptr;

}  // namespace

UserInterface* CurrentUserInterface() {
  return current;
}

ScopedUserInterface::ScopedUserInterface(UserInterface& ui) : previous_(current) {
  current = &ui;
}

ScopedUserInterface::~ScopedUserInterface() {
  current = previous_;
}

}  // namespace xxj
