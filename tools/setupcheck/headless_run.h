// One run of the setup program with the headless form library, driven by a session: what the run showed
// goes into a report. Shared by `setupcheck simulate` (on the simulated machine) and by the end-to-end
// run on the real machine port, so both report the same things the same way.
#pragma once
#include <vector>

#include "setupcheck/report.h"
#include "setupcheck/session_file.h"

namespace vcl::headless {
class Driver;
}

namespace setupcheck {

// How a headless run ended: the program ended (by itself, or in its exception box), the session ran out
// while a window waited, or a window refused an action.
enum class HeadlessRunEnd { Ended, Exhausted, Refused };

// Runs app::RunSetupProgram on the machine in use (os::machine(), which must be set and stays set) under
// the headless backend, answering its windows with the session's actions. Fills in what the run showed:
// messages, end, steps, prompt, busy, the wizard's pages, choices and results, failures and unused actions.
// What it did to the machine (launched programs, changes) is the caller's to gather. The windows are freed
// and the previous backend restored before it returns, also when the run ends in an exception.
// whenSessionEnds, when given, acts for the user once the session's actions are used up (message boxes
// and folder browsers still take their defaults).
HeadlessRunEnd RunHeadless(const std::vector<SessionAction>& session, Report& report,
                           vcl::headless::Driver* whenSessionEnds = nullptr);

// The name the report gives a show command (SW_MINIMIZE is "minimize").
const char* ShowName(int showCommand);

}  // namespace setupcheck
