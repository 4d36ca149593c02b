#include "os/machine.h"

#include <cassert>

namespace os {

namespace {
Machine* current = nullptr;
}

Machine& machine() {
    assert(current != nullptr && "no machine installed");
    return *current;
}

bool hasMachine() { return current != nullptr; }

Machine* setMachine(Machine* machine) {
    Machine* previous = current;
    current = machine;
    return previous;
}

}  // namespace os
