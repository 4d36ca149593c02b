// Message boxes and the folder browser of the program: read, recorded and answered as the session says.
#pragma once
#include "setupbot/robot.h"
#include "setupbot/session.h"

namespace setupbot {

// The program shows a message box (description.wait "messagebox"): reads its caption and text from the
// real window, its icon and buttons from the description, presses the session's answer (or the default
// button) and records it. False when no box window was found.
bool AnswerMessageBox(Robot& robot, const Description& description, Session& session);

// The folder browser is open: selects the session's folder and presses OK, or cancels it.
bool AnswerFolderBrowser(Robot& robot, Session& session);

}  // namespace setupbot
