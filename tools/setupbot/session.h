// The session's actions as the robot plays them, with the same rules as the headless script driver:
// form actions are taken one per wait of a modal form; answers and folder choices passed on the way are
// queued; a message box takes the oldest queued answer, else the next line when it is an answer; a
// folder browser likewise with browse lines.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "setupcheck/session_file.h"

namespace setupbot {

using setupcheck::SessionAction;

class Session {
public:
    explicit Session(const std::vector<SessionAction>& actions) : pending_(actions.begin(), actions.end()) {}

    // The next click, check, select or type; answers and browse lines before it are queued.
    std::optional<SessionAction> NextFormAction();
    // The answer for a message box that appeared, or nothing (the box takes its default).
    std::optional<SessionAction> TakeAnswer();
    // The choice for a folder browser that appeared, or nothing (it is cancelled).
    std::optional<SessionAction> TakeBrowse();
    // Lines not played: queued answers, queued folder choices, then the rest, as written.
    std::vector<std::string> Unused() const;

private:
    std::deque<SessionAction> pending_, answers_, folders_;
};

// The answer's button for a box with these MB_* flags: "ok" is OK when the box has it, else its first
// button; "cancel" is Cancel when it has it, else its last. Without an answer, the box's default button.
int ChooseMessageBoxButton(const std::optional<SessionAction>& answer, unsigned flags);

}  // namespace setupbot
