// Placeholder: the system part of the port is being written.
#include "os/sim/sim_parts.h"

#include <stdexcept>

namespace os::sim::detail {

std::unique_ptr<System> MakeSystem(SimMachine&) { return nullptr; }

}  // namespace os::sim::detail
