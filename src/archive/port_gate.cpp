#include "archive/port_gate.h"

namespace archive::detail {

std::mutex& PortGate() {
    static std::mutex gate;
    return gate;
}

}  // namespace archive::detail
