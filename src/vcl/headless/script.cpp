// The script driver: plays actions in order against the modal form that waits.
#include "vcl/headless/script.h"

#include <algorithm>

#include "vcl/backend.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/headless/actions.h"

namespace vcl::headless {
namespace {

const char* StateName(TCheckBoxState state) {
    switch (state) {
    case TCheckBoxState::cbChecked: return "on";
    case TCheckBoxState::cbUnchecked: return "off";
    case TCheckBoxState::cbGrayed: return "grayed";
    }
    return "?";
}

}  // namespace

ScriptAction ScriptAction::Click(const std::string& control) {
    ScriptAction action;
    action.kind = Kind::Click;
    action.control = control;
    action.text = "click " + control;
    return action;
}

ScriptAction ScriptAction::Check(const std::string& control, int index, TCheckBoxState state) {
    ScriptAction action;
    action.kind = Kind::Check;
    action.control = control;
    action.index = index;
    action.state = state;
    action.text = "check " + control + " " + std::to_string(index) + " " + StateName(state);
    return action;
}

ScriptAction ScriptAction::Select(const std::string& control, int index) {
    ScriptAction action;
    action.kind = Kind::Select;
    action.control = control;
    action.index = index;
    action.text = "select " + control + " " + std::to_string(index);
    return action;
}

ScriptAction ScriptAction::Type(const std::string& control, const std::string& text) {
    ScriptAction action;
    action.kind = Kind::Type;
    action.control = control;
    action.value = text;
    action.text = "type " + control + " " + text;
    return action;
}

ScriptAction ScriptAction::Browse(const std::string& folder) {
    ScriptAction action;
    action.kind = Kind::Browse;
    action.value = folder;
    action.text = "browse " + folder;
    return action;
}

ScriptAction ScriptAction::BrowseCancel() {
    ScriptAction action;
    action.kind = Kind::Browse;
    action.cancel = true;
    action.text = "browse cancel";
    return action;
}

ScriptAction ScriptAction::AnswerOk() {
    ScriptAction action;
    action.kind = Kind::Answer;
    action.text = "answer ok";
    return action;
}

ScriptAction ScriptAction::AnswerCancel() {
    ScriptAction action;
    action.kind = Kind::Answer;
    action.cancel = true;
    action.text = "answer cancel";
    return action;
}

ScriptAction ScriptAction::Answer(int exactAnswer) {
    ScriptAction action;
    action.kind = Kind::Answer;
    action.answer = exactAnswer;
    action.text = "answer " + MessageBoxAnswerName(exactAnswer);
    return action;
}

ScriptAction ScriptAction::Close() {
    ScriptAction action;
    action.kind = Kind::Close;
    action.text = "close";
    return action;
}

ScriptDriver::ScriptDriver(std::vector<ScriptAction> actions) : pending_(actions.begin(), actions.end()) {}

void ScriptDriver::Add(ScriptAction action) { pending_.push_back(std::move(action)); }

bool ScriptDriver::Act(TForm& form) {
    while (!pending_.empty()) {
        ScriptAction action = std::move(pending_.front());
        pending_.pop_front();
        ++played_;
        try {
            switch (action.kind) {
            case ScriptAction::Kind::Answer: answers_.push_back(std::move(action)); continue;
            case ScriptAction::Kind::Browse: folders_.push_back(std::move(action)); continue;
            case ScriptAction::Kind::Click: ClickControl(form, action.control); break;
            case ScriptAction::Kind::Check: CheckItem(form, action.control, action.index, action.state); break;
            case ScriptAction::Kind::Select: SelectItem(form, action.control, action.index); break;
            case ScriptAction::Kind::Type: TypeText(form, action.control, action.value); break;
            case ScriptAction::Kind::Close: CloseForm(form); break;
            }
        } catch (const EActionRefused& refused) {
            std::string where = action.line > 0 ? "line " + std::to_string(action.line) + ": " : "";
            throw EActionRefused(where + action.text + ": " + refused.Message());
        }
        return true;
    }
    return false;
}

std::optional<int> ScriptDriver::AnswerMessageBox(const std::string&, const std::string&, unsigned flags) {
    ScriptAction action;
    if (!answers_.empty()) {
        action = std::move(answers_.front());
        answers_.pop_front();
    } else if (!pending_.empty() && pending_.front().kind == ScriptAction::Kind::Answer) {
        action = std::move(pending_.front());
        pending_.pop_front();
        ++played_;
    } else {
        return std::nullopt;
    }
    if (action.answer != 0) return action.answer;
    std::vector<int> buttons = MessageBoxButtons(flags);
    auto has = [&](int id) { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); };
    if (action.cancel) return has(idCancel) ? idCancel : buttons.back();
    return has(idOK) ? idOK : buttons.front();
}

std::optional<FolderAnswer> ScriptDriver::AnswerFolderBrowser(const std::string&, const std::string&) {
    ScriptAction action;
    if (!folders_.empty()) {
        action = std::move(folders_.front());
        folders_.pop_front();
    } else if (!pending_.empty() && pending_.front().kind == ScriptAction::Kind::Browse) {
        action = std::move(pending_.front());
        pending_.pop_front();
        ++played_;
    } else {
        return std::nullopt;
    }
    return FolderAnswer{action.cancel, action.value};
}

std::vector<ScriptAction> ScriptDriver::Unused() const {
    std::vector<ScriptAction> unused(answers_.begin(), answers_.end());
    unused.insert(unused.end(), folders_.begin(), folders_.end());
    unused.insert(unused.end(), pending_.begin(), pending_.end());
    return unused;
}

}  // namespace vcl::headless
