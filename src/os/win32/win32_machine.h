// The real machine: the port's interfaces implemented with the Win32 ANSI functions.
// Only this folder includes <windows.h>; the header stays free of it so callers need no Windows types.
#pragma once
#include <memory>

#include "os/machine.h"

namespace os::win32 {

class Win32Machine : public Machine {
public:
    Win32Machine();
    ~Win32Machine() override;

    FileSystem& files() override;
    CodePage& codePage() override;
    Registry& registry() override;
    Profile& profile() override;
    System& system() override;
    Shell& shell() override;

private:
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<CodePage> codePage_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<System> system_;
    std::unique_ptr<Shell> shell_;
};

// A windows program has no console of its own. When standard error leads nowhere, attaches to the console
// of the program that started this one (if any) and sends standard error there.
void UseParentConsoleForErrors();

}  // namespace os::win32
