// The session file of `setupcheck simulate`: what a person would do in the setup's windows, one action
// per line (UTF-8, '#' starts a comment). Actions apply to the active modal window when they are played.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace setupcheck {

class SessionFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SessionAction {
    enum class Kind { Click, Check, Select, Type, Browse, Answer, Close };
    enum class CheckState { On, Off, Grayed };

    Kind kind = Kind::Click;
    int line = 0;              // in the session file, for messages
    std::string text;          // the line as written (without its comment), for messages and "unused"
    std::string control;       // click, check, select, type: the control's name ("ModeButtons[1]" allowed)
    int index = 0;             // check, select: 0-based item or row
    CheckState state = CheckState::On;  // check
    std::string value;         // type: the edit's new text (may be empty); browse: the folder (UTF-8)
    bool cancel = false;       // browse cancel, answer cancel
};

// Reads a session file:
//   click NAME | check NAME INDEX on|off|grayed | select NAME INDEX | type NAME [TEXT...] |
//   browse PATH | browse cancel | answer ok|cancel | close
// Keywords and states are case-insensitive; the text of `type` is everything after the name and one blank.
// Malformed lines raise SessionFileError naming the line.
std::vector<SessionAction> ParseSessionFile(const std::string& utf8Text);

}  // namespace setupcheck
