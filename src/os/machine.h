// The machine port: the one object through which the program reaches the operating system.
// The real machine (os/win32) and the simulated one (os/sim) both implement it.
#pragma once
#include "os/codepage.h"
#include "os/files.h"
#include "os/profile.h"
#include "os/registry.h"
#include "os/shell.h"
#include "os/system.h"

namespace os {

class Machine {
public:
    virtual ~Machine() = default;
    virtual FileSystem& files() = 0;
    virtual CodePage& codePage() = 0;
    virtual Registry& registry() = 0;
    virtual Profile& profile() = 0;
    virtual System& system() = 0;
    virtual Shell& shell() = 0;
};

// The machine the program runs on. Installed once at start-up (or by a test) before any other call.
Machine& machine();
// True once a machine is installed.
bool hasMachine();
// Installs a machine and returns the one it replaces (may be null). The caller keeps ownership.
Machine* setMachine(Machine* machine);

// Shorthands for the common parts.
inline FileSystem& files() { return machine().files(); }
inline CodePage& codePage() { return machine().codePage(); }
inline Registry& registry() { return machine().registry(); }
inline Profile& profile() { return machine().profile(); }
inline System& system() { return machine().system(); }
inline Shell& shell() { return machine().shell(); }

// What a path names on the machine in use: anything at all, a file (not a folder), a folder.
inline bool PathExists(const std::string& path) { return files().getFileAttributes(path) != kInvalidAttributes; }
inline bool FileExists(const std::string& path) {
    const uint32_t attributes = files().getFileAttributes(path);
    return attributes != kInvalidAttributes && (attributes & kAttrDirectory) == 0;
}
inline bool DirectoryExists(const std::string& path) {
    const uint32_t attributes = files().getFileAttributes(path);
    return attributes != kInvalidAttributes && (attributes & kAttrDirectory) != 0;
}

}  // namespace os
