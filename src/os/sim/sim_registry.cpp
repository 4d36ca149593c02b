// Placeholder: the registry part of the port is being written.
#include "os/sim/sim_parts.h"

#include <stdexcept>

namespace os::sim::detail {

std::unique_ptr<Registry> MakeRegistry(SimMachine&) { return nullptr; }

}  // namespace os::sim::detail
