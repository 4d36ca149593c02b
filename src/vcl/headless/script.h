// A driver that plays a list of actions, as `setupcheck simulate` reads them from a session file.
// Form actions (click, check, select, type, close) are played one per wait of a modal form. Answers and folder
// choices go into queues when reached; a message box takes the oldest queued answer, or else the next
// unplayed action when that is an answer (the box being what waits); otherwise it takes its default.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "vcl/headless/driver.h"
#include "vcl/types.h"

namespace vcl::headless {

struct ScriptAction {
    enum class Kind { Click, Check, Select, Type, Browse, Answer, Close };
    Kind kind = Kind::Click;
    std::string control;  // click, check, select, type
    int index = 0;        // check, select
    TCheckBoxState state = TCheckBoxState::cbChecked;  // check
    std::string value;    // type: the new text; browse: the folder
    bool cancel = false;  // browse cancel; answer cancel
    int answer = 0;       // answer: an exact idOK..idNo, or 0 for "ok"/"cancel" by the cancel flag
    std::string text;     // how the action was written, for messages and reports
    int line = 0;         // where it was written (a session file's line), for reports; 0 when unknown

    static ScriptAction Click(const std::string& control);
    static ScriptAction Check(const std::string& control, int index, TCheckBoxState state);
    static ScriptAction Select(const std::string& control, int index);
    static ScriptAction Type(const std::string& control, const std::string& text);
    static ScriptAction Browse(const std::string& folder);
    static ScriptAction BrowseCancel();
    static ScriptAction AnswerOk();
    static ScriptAction AnswerCancel();
    static ScriptAction Answer(int exactAnswer);
    // The system's close command (Alt+F4) on the modal form that waits.
    static ScriptAction Close();
};

class ScriptDriver : public Driver {
public:
    ScriptDriver() = default;
    explicit ScriptDriver(std::vector<ScriptAction> actions);
    void Add(ScriptAction action);

    bool Act(TForm& modalForm) override;
    // "ok" is OK when the box has it, else its first button; "cancel" is Cancel when it has it, else its
    // last button (No).
    std::optional<int> AnswerMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<FolderAnswer> AnswerFolderBrowser(const std::string& title, const std::string& startPath) override;

    // Actions not yet played, queued answers and folder choices included (for the report's "unused").
    std::vector<ScriptAction> Unused() const;
    int Played() const { return played_; }

private:
    std::deque<ScriptAction> pending_;
    std::deque<ScriptAction> answers_;
    std::deque<ScriptAction> folders_;
    int played_ = 0;
};

}  // namespace vcl::headless
