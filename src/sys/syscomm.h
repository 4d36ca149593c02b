// System operations the installation uses, apart from the windows and the product table: removing a file
// whatever its attributes and adjusting a privilege of the process; and a few further operations (NT
// test, restart, desktop shortcut, service start-up) that the installation sequence does not call.
// Everything goes through the machine port, so the same code runs on Windows and on the simulated
// machine (where a restart is only recorded). No operation keeps state; texts are bytes in the ANSI code
// page.
#pragma once
#include <cstdint>
#include <string>

namespace sys {

// --- Used by the installation ---

// Enables "SeDebugPrivilege" for the process (its result is not used), clears the file's read-only,
// hidden and system attributes and deletes it. True when the file was deleted. A missing file gives false;
// a file that cannot be deleted gets its attributes back, so a failure leaves it as it was. No message.
bool RemoveFile(const std::string& fileName);

// Enables (or disables) one privilege, named as "SeShutdownPrivilege", in the access token of the process,
// leaving the others as they are. True when the adjustment call succeeded; false when the name is unknown
// or the token cannot be adjusted. No message.
bool SetPrivilege(const std::string& privilege, bool enable);

// --- Offered, not called by the installation sequence ---

// True on the NT family (the version information's platform identifier is 2).
bool IsWinNT();

// Enables the shutdown privilege of the process.
void AdjustToken();

// Asks the system to restart: on the NT family the shutdown privilege is enabled first. Always true,
// whatever the request gave. The simulated machine records the request and restarts nothing.
bool ReBootSystem();

// A window-enumeration callback that lets the enumeration go on: always nonzero.
int LookAtAllWindows(uintptr_t window, intptr_t applicationValue);

// Does nothing.
void CheckRunOnce();

// Creates "<desktop>\<name>.lnk" for a command line: when the trimmed command holds ".EXE" (any case)
// followed by a blank and the program's folder exists, the text up to ".EXE" is the program and the rest,
// trimmed, its arguments; otherwise the whole trimmed command is the program. The working directory is
// the program's folder. The desktop folder is the user's Shell Folders value "Desktop" (empty when
// missing). COM must be initialised on the calling thread. Nothing is reported.
void CreateShortCut(const std::string& commandLine, const std::string& name);

// Service operations kept for the family's other programs; none installs or controls a Windows service.
// Always 0.
int CheckSysServiceStatus(const std::string& serviceName);
// Starts programPath + " /Install /Silent" hidden, without waiting or testing that it started; 0.
int InstallSysService(const std::string& serviceName, const std::string& programPath);
// Does nothing; 0.
int UninstallSysService(const std::string& serviceName, const std::string& programPath);
// Do nothing; false.
bool StartSysService(const std::string& serviceName);
bool StopSysService(const std::string& serviceName);

}  // namespace sys
