// Internal to os/sim: factories of the simulated machine's parts, one .cpp file each.
#pragma once
#include <memory>

#include "os/profile.h"
#include "os/registry.h"
#include "os/shell.h"
#include "os/system.h"

namespace os::sim {

class SimMachine;

namespace detail {

std::unique_ptr<Registry> MakeRegistry(SimMachine& machine);
std::unique_ptr<Profile> MakeProfile(SimMachine& machine);
std::unique_ptr<System> MakeSystem(SimMachine& machine);
std::unique_ptr<Shell> MakeShell(SimMachine& machine);

}  // namespace detail
}  // namespace os::sim
