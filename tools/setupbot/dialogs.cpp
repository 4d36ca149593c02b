// Answering the system's dialogs in the program: MessageBox and SHBrowseForFolder.
#include "setupbot/dialogs.h"

#include <windows.h>
#include <shlobj.h>

#include "setupbot/remote_memory.h"
#include "setupbot/text.h"

namespace setupbot {
namespace {

// The dialog window of the program that takes input: the last enabled "#32770" top-level window.
Window FindDialog(const Program& program) {
    Window found = nullptr;
    for (Window window : program.TopLevelWindows(true))
        if (WindowClassName(window) == "#32770" && IsWindowEnabled(window)) found = window;
    return found;
}

// Presses a dialog button without waiting for what it does: WM_COMMAND posted to the dialog.
void PressButton(Window dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

bool AnswerMessageBox(Robot& robot, const Description& description, Session& session) {
    Window box = FindDialog(robot.program);
    if (!box) return false;
    unsigned flags = description.messageBox ? description.messageBox->flags : 0;
    std::optional<SessionAction> answer = session.TakeAnswer();
    int button = ChooseMessageBoxButton(answer, flags);

    MessageRecord record;
    record.caption = WindowTextUtf8(box);
    HWND text = GetDlgItem(box, 0xFFFF);  // the message's static control
    record.text = text ? WindowTextUtf8(text) : "";
    if (!text && description.messageBox) record.text = AnsiToUtf8(description.messageBox->text);
    record.icon = IconName(flags);
    record.buttons = ButtonsName(flags);
    record.answer = AnswerName(button);
    record.by = answer ? "session" : "default";
    robot.report.messages.push_back(std::move(record));
    robot.lastMessageBox = description.messageBox;
    PressButton(box, button);
    return true;
}

bool AnswerFolderBrowser(Robot& robot, Session& session) {
    Window browser = FindDialog(robot.program);
    if (!browser) return false;
    std::optional<SessionAction> choice = session.TakeBrowse();
    if (!choice || choice->cancel) {
        PressButton(browser, IDCANCEL);
        return true;
    }
    // BFFM_SETSELECTIONA takes a pointer the browser reads in its own process: the path goes there first.
    std::string path = Utf8ToAnsi(choice->value);
    RemoteMemory remote(robot.program.Handle(), path.size() + 1);
    if (remote.Write(path.c_str(), path.size() + 1)) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote.Address()),
                                 SMTO_NORMAL, 5000, &result))
            remote.Leak();  // the browser may still read it
    }
    PumpAndSleep(100);
    PressButton(browser, IDOK);
    return true;
}

}  // namespace setupbot
