// Message-box button sets and names, and the folder browser's entry into the backend.
#include "vcl/dialogs.h"

#include "vcl/backend.h"

namespace vcl {

std::vector<int> MessageBoxButtons(unsigned flags) {
    switch (flags & mbButtonsMask) {
    case mbOKCancel: return {idOK, idCancel};
    case mbAbortRetryIgnore: return {idAbort, idRetry, idIgnore};
    case mbYesNoCancel: return {idYes, idNo, idCancel};
    case mbYesNo: return {idYes, idNo};
    case mbRetryCancel: return {idRetry, idCancel};
    default: return {idOK};
    }
}

int MessageBoxDefaultAnswer(unsigned flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    size_t index = (flags & mbDefButtonMask) >> 8;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

std::string MessageBoxIconName(unsigned flags) {
    switch (flags & mbIconMask) {
    case mbIconStop: return "stop";
    case mbIconQuestion: return "question";
    case mbIconWarning: return "warning";
    case mbIconInformation: return "information";
    default: return "";
    }
}

std::string MessageBoxButtonsName(unsigned flags) {
    switch (flags & mbButtonsMask) {
    case mbOKCancel: return "OKCancel";
    case mbAbortRetryIgnore: return "AbortRetryIgnore";
    case mbYesNoCancel: return "YesNoCancel";
    case mbYesNo: return "YesNo";
    case mbRetryCancel: return "RetryCancel";
    default: return "OK";
    }
}

std::string MessageBoxAnswerName(int answer) {
    switch (answer) {
    case idOK: return "OK";
    case idCancel: return "Cancel";
    case idAbort: return "Abort";
    case idRetry: return "Retry";
    case idIgnore: return "Ignore";
    case idYes: return "Yes";
    case idNo: return "No";
    default: return std::to_string(answer);
    }
}

bool BrowseForFolder(const std::string& title, std::string& path) { return backend().BrowseForFolder(title, path); }

bool BrowseForFolder(const std::string& title, unsigned flags, std::string& path) {
    return backend().BrowseFromDesktop(title, flags, path);
}

}  // namespace vcl
