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

// Faults (sim_faults.cpp). Paths are Windows paths of any form; drives are upper-case letters. The drive
// counters (reads served, space left) may be used from any thread without the machine's lock.
// ERROR_NOT_READY when the drive of path has served its last read, else 0.
uint32_t NotReadyError(SimMachine& machine, const std::string& path);
// True when the drive has served its last read.
bool DriveGone(SimMachine& machine, char drive);
// Counts one read of the drive; false when the drive has served its last one.
bool TakeRead(SimMachine& machine, char drive);
// The error a change of path meets: ERROR_ACCESS_DENIED at or below a denied folder, ERROR_SHARING_VIOLATION
// for a locked file (when lockedCounts), else 0.
uint32_t ChangeError(SimMachine& machine, const std::string& path, bool lockedCounts);
// The offset of the first unreadable byte of the file, or -1.
int64_t ReadErrorOffset(SimMachine& machine, const std::string& path);
// Whether writes to the drive count against a limit.
bool HasSpaceLimit(SimMachine& machine, char drive);
// Takes up to growth bytes of the drive's space and returns how many it got (all of them without a limit).
uint64_t ClaimSpace(SimMachine& machine, char drive, uint64_t growth);
// The upper-case drive letter of path, or 0.
char DriveLetterOf(SimMachine& machine, const std::string& path);

}  // namespace detail
}  // namespace os::sim
