// One run of the setup program with the headless form library, driven by a session: what the run showed
// goes into a report. Shared by `setupcheck simulate` (on the simulated machine) and by the end-to-end
// run on the real machine port, so both report the same things the same way.
#pragma once
#include <vector>

#include "setupcheck/report.h"
#include "setupcheck/session_file.h"

namespace setupcheck {

// Runs app::RunSetupProgram on the machine in use (os::machine(), which must be set and stays set) under
// the headless backend, answering its windows with the session's actions. Fills in what the run showed:
// messages, end, steps, prompt, busy, the wizard's pages, choices and results, failures and unused actions.
// What it did to the machine (launched programs, changes) is the caller's to gather. The windows are freed
// and the previous backend restored before it returns, also when the run ends in an exception.
void RunHeadless(const std::vector<SessionAction>& session, Report& report);

// The name the report gives a show command (SW_MINIMIZE is "minimize").
const char* ShowName(int showCommand);

}  // namespace setupcheck
