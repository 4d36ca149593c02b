// The unattended setup: the setup program run with the headless form library on the machine in use,
// answered from a session file (or with the default answers), every change it makes journalled.
#pragma once
#include <ostream>

#include "setup/unattended_options.h"
#include "setupcheck/report.h"

namespace unattended {

// Exit statuses of SETUP.EXE /S.
enum ExitStatus : int {
    kExitInstalled = 0,  // the installation ran to its end
    kExitFailed = 1,     // a stop message at start-up, or an exception box
    kExitBadInput = 2,   // bad arguments, an unreadable session file or log, a session line naming no control
    kExitCancelled = 3,  // the wizard was cancelled or not confirmed (the session ended before it did)
};

// The exit status a finished run earns. refused: the run ended on an action a window refused.
int ExitStatusOf(const setupcheck::Report& report, bool refused);

// Runs the setup as options say, on os::machine() (which stays installed afterwards), with the setup
// folder the current directory. Writes options.log (the report, with the journal and the exit status)
// and, while the run goes on, options.log + ".journal" (one change a line). Problems with the arguments
// or files go to err. Returns the exit status.
int RunUnattended(const Options& options, std::ostream& err);

}  // namespace unattended
