// What stands in for the user on a headless run: a driver acts on the modal form that waits, and answers
// message boxes and folder browsers. Tests and `setupcheck simulate` provide one (see script.h).
#pragma once
#include <optional>
#include <string>

namespace vcl {
class TForm;
}

namespace vcl::headless {

struct FolderAnswer {
    bool cancel = false;
    std::string path;  // when not cancelled
};

class Driver {
public:
    virtual ~Driver() = default;
    // The modal form waits for the user: perform one action on it and return true, or return false when
    // there is nothing left to do (the run then ends with ESessionExhausted). An action that cannot be
    // played raises EActionRefused.
    virtual bool Act(TForm& modalForm) = 0;
    // A message box appears: return one of its answers (idOK..idNo), or nothing to let it take its
    // default button.
    virtual std::optional<int> AnswerMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
        return std::nullopt;
    }
    // A folder browser appears: return the answer, or nothing to have it cancelled.
    virtual std::optional<FolderAnswer> AnswerFolderBrowser(const std::string& title, const std::string& startPath) {
        return std::nullopt;
    }
};

}  // namespace vcl::headless
