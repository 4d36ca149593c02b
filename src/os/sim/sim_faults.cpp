// The simulated machine's faults (Faults in sim_machine.h): which call on which path meets which error.
// Fault paths are compared as full paths with ASCII letters folded and double-byte characters kept whole,
// as Windows compares file names.
#include <algorithm>
#include <mutex>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_parts.h"

namespace os::sim::detail {

namespace {

// The drives' read and space counters change on every read and write of an open file, from whichever
// thread makes it. They have a lock of their own, held only for a look at a map, so that reads and
// writes never wait on the machine's lock, which calls that open or list files hold for much longer.
std::mutex& CounterLock() {
    static std::mutex lock;
    return lock;
}

std::string Folded(SimMachine& machine, const std::string& path) {
    std::string full = machine.files().fullPathName(path);
    while (full.size() > 3 && full.back() == '\\') full.pop_back();
    CodePage& codePage = machine.codePage();
    for (size_t i = 0; i < full.size(); ++i) {
        const auto c = static_cast<uint8_t>(full[i]);
        if (codePage.isLeadByte(c) && i + 1 < full.size()) ++i;
        else if (c >= 'a' && c <= 'z') full[i] = static_cast<char>(c - 32);
    }
    return full;
}

// True when path is folder or lies below it; both are folded full paths.
bool AtOrBelow(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}

char DriveOf(const std::string& full) {
    if (full.size() < 2 || full[1] != ':') return 0;
    const char c = full[0];
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace

uint32_t NotReadyError(SimMachine& machine, const std::string& path) {
    const auto& notReady = machine.faults().notReadyAfter;
    {
        std::lock_guard<std::mutex> lock(CounterLock());
        if (notReady.empty()) return 0;
    }
    return DriveGone(machine, DriveOf(machine.files().fullPathName(path))) ? uint32_t(kErrorNotReady) : 0u;
}

bool DriveGone(SimMachine& machine, char drive) {
    std::lock_guard<std::mutex> lock(CounterLock());
    auto& notReady = machine.faults().notReadyAfter;
    auto it = notReady.find(drive);
    return it != notReady.end() && it->second == 0;
}

bool TakeRead(SimMachine& machine, char drive) {
    std::lock_guard<std::mutex> lock(CounterLock());
    auto& notReady = machine.faults().notReadyAfter;
    auto it = notReady.find(drive);
    if (it == notReady.end()) return true;
    if (it->second == 0) return false;
    --it->second;
    return true;
}

uint32_t ChangeError(SimMachine& machine, const std::string& path, bool lockedCounts) {
    const Faults& faults = machine.faults();
    if (faults.denyWrite.empty() && (!lockedCounts || faults.locked.empty())) return 0;
    const std::string full = Folded(machine, path);
    for (const std::string& folder : faults.denyWrite)
        if (AtOrBelow(full, Folded(machine, folder))) return kErrorAccessDenied;
    if (lockedCounts)
        for (const std::string& file : faults.locked)
            if (full == Folded(machine, file)) return kErrorSharingViolation;
    return 0;
}

int64_t ReadErrorOffset(SimMachine& machine, const std::string& path) {
    const auto& readErrors = machine.faults().readErrors;
    if (readErrors.empty()) return -1;
    const std::string full = Folded(machine, path);
    int64_t first = -1;
    for (const auto& [file, offset] : readErrors)
        if (full == Folded(machine, file) && (first < 0 || offset < first)) first = offset;
    return first;
}

bool HasSpaceLimit(SimMachine& machine, char drive) {
    std::lock_guard<std::mutex> lock(CounterLock());
    return machine.faults().diskFullAfter.count(drive) != 0;
}

uint64_t ClaimSpace(SimMachine& machine, char drive, uint64_t growth) {
    std::lock_guard<std::mutex> lock(CounterLock());
    auto& diskFull = machine.faults().diskFullAfter;
    auto it = diskFull.find(drive);
    if (it == diskFull.end()) return growth;
    const uint64_t granted = std::min(growth, it->second);
    it->second -= granted;
    return granted;
}

char DriveLetterOf(SimMachine& machine, const std::string& path) { return DriveOf(machine.files().fullPathName(path)); }

}  // namespace os::sim::detail
