// Internal to os/sim: factories of the simulated machine's parts, one .cpp file each.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "os/codepage.h"
#include "os/files.h"
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

// Seconds since 1970 of a local time; the simulated machine's local time is UTC.
int64_t UtcSeconds(const LocalDateTime& time);

// The calling thread's last error code, the one FileSystem::lastError reports; parts set it as Win32 calls do.
uint32_t& LastError();

// The name among a folder's names (ANSI) whose 8.3 alias is shortName, compared without case; "" when none.
std::string FindByShortName(const std::vector<std::string>& names, const std::string& shortName, CodePage& codePage);

}  // namespace detail
}  // namespace os::sim
