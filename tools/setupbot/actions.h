// The session's form actions on the program's real windows: click, check, select, type. Each applies to
// the active modal form and is refused (as the headless driver refuses it) when the control is missing,
// disabled (itself or a parent), not of the right kind, or the item is out of range. A check mark the
// program keeps as it was after a click (a locked item) is not a refusal: the click was made.
#pragma once
#include <optional>
#include <string>

#include "setupbot/robot.h"
#include "setupbot/session.h"

namespace setupbot {

struct ActionResult {
    std::string refused;  // why the action was refused, or empty
    WaitEnd end = WaitEnd::Quiet;
    std::optional<Description> description;  // the quiet description after the action
};

// Plays the action on the form description.waitForm, then waits until the program has taken it and is
// quiet.
ActionResult PlayAction(Robot& robot, const Description& description, const SessionAction& action);

}  // namespace setupbot
