// The simulated machine's shell part, and what it recorded: programs started (never run), shell links
// saved and folder notifications, in call order, for a report of a simulated run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "os/shell.h"

namespace os::sim {

class SimMachine;

struct StartedProgram {
    enum class Call { ShellExecute, WinExec };
    Call call = Call::ShellExecute;
    std::string operation;   // ShellExecute only
    std::string file;        // ShellExecute: the file; WinExec: the whole command line
    std::string parameters;  // ShellExecute only
    std::string directory;   // ShellExecute only
    int showCommand = 0;
    intptr_t result = 0;     // what the call returned
    void* owner = nullptr;   // ShellExecute only: the owner window given
};

class SimShell : public Shell {
public:
    using Shell::shellExecute;
    virtual const std::vector<StartedProgram>& startedPrograms() const = 0;
    // Link files saved successfully, as the caller named them.
    virtual const std::vector<std::string>& savedLinks() const = 0;
    // Paths given to notifyDirectoryCreated.
    virtual const std::vector<std::string>& createdDirectoryNotices() const = 0;
    // How many initializeCom calls of the calling thread are not yet balanced by uninitializeCom.
    virtual int comDepth() const = 0;
};

// The shell part of a simulated machine.
SimShell& SimShellOf(SimMachine& machine);

}  // namespace os::sim
