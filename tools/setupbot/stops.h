// Stops: moments at which the robot checks that the screen equals a forced repaint of the program's
// windows, and records what the description says the forms show.
#pragma once
#include <string>

#include "setupbot/robot.h"

namespace setupbot {

struct StopWhat {
    std::string kind;  // page, form (a dialog), messagebox, browser, stage
    int page = 0;      // page stops
    std::string form;  // the wizard or the dialog, or empty
};

// Screenshot A, a full repaint of every top-level window of the program, a wait until quiet,
// screenshot B, the comparison (the clock masked), the shots saved, the forms and the inconsistencies
// between windows and description recorded. description is the quiet description the stop is taken at;
// held: the robot holds the program (stage stops). Returns how the wait after the repaint ended.
WaitEnd TakeStop(Robot& robot, const StopWhat& what, const Description& description, bool held = false);

// Compares every named window of the visible forms with the description (visibility, enabled state,
// texts of buttons and edits, rectangle); each mismatch is one text in the report's "inconsistent".
void CheckConsistency(Robot& robot, const Description& description, int stopIndex);

}  // namespace setupbot
