#include "setupcheck/session_file.h"

#include <cctype>
#include <cstdlib>

#include "rtl/strings.h"

namespace setupcheck {

namespace {

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits off the first word of rest (blank-separated), leaving rest after the blanks that follow it.
std::string NextWord(std::string& rest) {
    size_t i = 0;
    while (i < rest.size() && !IsBlank(rest[i])) ++i;
    std::string word = rest.substr(0, i);
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    rest = rest.substr(i);
    return word;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw SessionFileError("session file, line " + std::to_string(line) + ": " + what);
}

int ParseIndex(const std::string& word, int line) {
    if (word.empty()) Fail(line, "an item number is missing");
    for (char c : word)
        if (!std::isdigit(static_cast<unsigned char>(c))) Fail(line, "not an item number: " + word);
    return std::atoi(word.c_str());
}

}  // namespace

std::vector<SessionAction> ParseSessionFile(const std::string& utf8Text) {
    std::vector<SessionAction> actions;
    std::string text = utf8Text.rfind("\xEF\xBB\xBF", 0) == 0 ? utf8Text.substr(3) : utf8Text;
    int lineNumber = 0;
    for (std::string line : rtl::SplitLines(text)) {
        ++lineNumber;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line = line.substr(0, hash);
        while (!line.empty() && IsBlank(line.back())) line.pop_back();
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        line = line.substr(first);
        if (line.empty()) continue;

        SessionAction action;
        action.line = lineNumber;
        action.text = line;
        std::string rest = line;
        std::string verb = Lower(NextWord(rest));
        if (verb == "click" || verb == "check" || verb == "select" || verb == "type") {
            action.control = NextWord(rest);
            if (action.control.empty()) Fail(lineNumber, verb + " needs a control name");
        }
        if (verb == "click") {
            action.kind = SessionAction::Kind::Click;
        } else if (verb == "check") {
            action.kind = SessionAction::Kind::Check;
            action.index = ParseIndex(NextWord(rest), lineNumber);
            std::string state = Lower(NextWord(rest));
            if (state == "on") action.state = SessionAction::CheckState::On;
            else if (state == "off") action.state = SessionAction::CheckState::Off;
            else if (state == "grayed") action.state = SessionAction::CheckState::Grayed;
            else Fail(lineNumber, "check needs on, off or grayed");
        } else if (verb == "select") {
            action.kind = SessionAction::Kind::Select;
            action.index = ParseIndex(NextWord(rest), lineNumber);
        } else if (verb == "type") {
            action.kind = SessionAction::Kind::Type;
            action.value = rest;  // nothing after the name empties the edit
            rest.clear();
        } else if (verb == "browse") {
            action.kind = SessionAction::Kind::Browse;
            if (rest.empty()) Fail(lineNumber, "browse needs a folder or cancel");
            action.cancel = Lower(rest) == "cancel";
            if (!action.cancel) action.value = rest;
            rest.clear();
        } else if (verb == "answer") {
            action.kind = SessionAction::Kind::Answer;
            std::string answer = Lower(NextWord(rest));
            if (answer != "ok" && answer != "cancel") Fail(lineNumber, "answer needs ok or cancel");
            action.cancel = answer == "cancel";
        } else if (verb == "close") {
            action.kind = SessionAction::Kind::Close;  // the system's close command (Alt+F4)
        } else {
            Fail(lineNumber, "unknown action " + verb + " (click, check, select, type, browse, answer, close)");
        }
        if (!rest.empty()) Fail(lineNumber, "unexpected text after the action: " + rest);
        actions.push_back(action);
    }
    return actions;
}

}  // namespace setupcheck
