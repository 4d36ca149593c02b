// One robot run: starts the program, plays the session against its windows, takes the stops, writes the
// report. Returns the exit status: 0 played and every stop equal and consistent, 1 a stop differed or an
// inconsistency was found, 2 the program did not start, the session file is unreadable, or time ran out.
#pragma once
#include "setupbot/options.h"

namespace setupbot {

int RunRobot(const Options& options);

}  // namespace setupbot
