// Playing the session's lines in order, with answers and folder choices queued.
#include "setupbot/session.h"

#include <algorithm>

#include "setupbot/report.h"

namespace setupbot {

std::optional<SessionAction> Session::NextFormAction() {
    while (!pending_.empty()) {
        SessionAction action = std::move(pending_.front());
        pending_.pop_front();
        if (action.kind == SessionAction::Kind::Answer) answers_.push_back(std::move(action));
        else if (action.kind == SessionAction::Kind::Browse) folders_.push_back(std::move(action));
        else return action;
    }
    return std::nullopt;
}

std::optional<SessionAction> Session::TakeAnswer() {
    std::optional<SessionAction> action;
    if (!answers_.empty()) {
        action = std::move(answers_.front());
        answers_.pop_front();
    } else if (!pending_.empty() && pending_.front().kind == SessionAction::Kind::Answer) {
        action = std::move(pending_.front());
        pending_.pop_front();
    }
    return action;
}

std::optional<SessionAction> Session::TakeBrowse() {
    std::optional<SessionAction> action;
    if (!folders_.empty()) {
        action = std::move(folders_.front());
        folders_.pop_front();
    } else if (!pending_.empty() && pending_.front().kind == SessionAction::Kind::Browse) {
        action = std::move(pending_.front());
        pending_.pop_front();
    }
    return action;
}

std::vector<std::string> Session::Unused() const {
    std::vector<std::string> unused;
    for (const auto* queue : {&answers_, &folders_, &pending_})
        for (const SessionAction& action : *queue) unused.push_back(action.text);
    return unused;
}

int ChooseMessageBoxButton(const std::optional<SessionAction>& answer, unsigned flags) {
    std::vector<int> buttons = MessageBoxButtonIds(flags);
    auto has = [&](int id) { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); };
    constexpr int kOk = 1, kCancel = 2;
    if (!answer) {
        size_t index = (flags & 0xF00) >> 8;  // MB_DEFBUTTON1..4
        return index < buttons.size() ? buttons[index] : buttons.front();
    }
    if (answer->cancel) return has(kCancel) ? kCancel : buttons.back();
    return has(kOk) ? kOk : buttons.front();
}

}  // namespace setupbot
