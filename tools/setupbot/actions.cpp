// Clicks, check marks, selections and typing, sent as the window messages a user's input would cause.
// Everything that may open a modal window is posted, never sent, so the robot never waits inside it.
#include "setupbot/actions.h"

#include <windows.h>
#include <commctrl.h>

#include "setupbot/remote_memory.h"
#include "setupbot/text.h"

namespace setupbot {
namespace {

constexpr unsigned kSendTimeoutMs = 5000;

struct Target {
    const ControlInfo* control = nullptr;
    Window window = nullptr;
};

LRESULT SendQuick(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
    return LRESULT(result);
}

void PostCommand(Window control, WORD code) {
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

std::string ItemState(const Description& description, const std::string& form, const std::string& name, int index) {
    for (const ItemInfo* item : description.Items(form, name))
        if (item->index == index) return item->state;
    return {};
}

// Waits until the posted input is taken and the program is quiet again.
void Finish(Robot& robot, ActionResult& result) {
    result.end = robot.Settle();
    if (result.end == WaitEnd::Quiet) result.end = robot.WaitQuiet(result.description);
}

// One click in the check box of item index of a check-list box (x = 6, the middle of the item's row).
void ClickCheckBox(Window list, int index) {
    SendQuick(list, LB_SETCURSEL, WPARAM(index), 0);
    int top = int(SendQuick(list, LB_GETTOPINDEX, 0, 0));
    int height = int(SendQuick(list, LB_GETITEMHEIGHT, 0, 0));
    LPARAM point = MAKELPARAM(6, (index - top) * height + height / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
}

}  // namespace

ActionResult PlayAction(Robot& robot, const Description& description, const SessionAction& action) {
    ActionResult result;
    const std::string& form = description.waitForm;
    auto refuse = [&](const std::string& why) {
        result.refused = "line " + std::to_string(action.line) + ": " + action.text + ": " + why;
        return result;
    };
    if (action.kind == SessionAction::Kind::Close) {
        // Alt+F4 reaches a window as the system's close command; the window decides what closing means.
        Window formWindow = robot.program.FindForm(form);
        if (!formWindow) return refuse(form + " has no window");
        PostMessageW(formWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
        Finish(robot, result);
        return result;
    }
    Target target;
    target.control = description.Control(form, action.control);
    if (!target.control) return refuse("There is no control named " + action.control + " on " + form);
    if (!target.control->enabled) return refuse(action.control + " on " + form + " is disabled");
    Window formWindow = robot.program.FindForm(form);
    if (formWindow) target.window = FindNamedDescendant(formWindow, action.control);
    if (!target.window) return refuse(action.control + " on " + form + " has no window");
    const std::string& kind = target.control->className;
    auto itemCount = [&] { return int(description.Items(form, action.control).size()); };
    auto outOfRange = [&](int count) {
        return refuse(action.control + " has no item " + std::to_string(action.index) + " (it has " +
                      std::to_string(count) + ")");
    };

    switch (action.kind) {
    case SessionAction::Kind::Click:
        if (kind != "TBitBtn" && kind != "TButton" && kind != "TRadioButton" && kind != "TCheckBox")
            return refuse(action.control + " is not a button");
        PostCommand(target.window, BN_CLICKED);
        Finish(robot, result);
        return result;

    case SessionAction::Kind::Check: {
        if (kind != "TCheckListBox") return refuse(action.control + " is not a check-list box");
        if (action.index >= itemCount()) return outOfRange(itemCount());
        for (const ItemInfo* item : description.Items(form, action.control))
            if (item->index == action.index && !item->enabled)
                return refuse("Item " + std::to_string(action.index) + " of " + action.control + " is disabled");
        const char* wanted = action.state == SessionAction::CheckState::On    ? "checked"
                             : action.state == SessionAction::CheckState::Off ? "unchecked"
                                                                              : "grayed";
        std::string state = ItemState(description, form, action.control, action.index);
        // Each click moves the mark one step (unchecked, checked, grayed when allowed); three reach any.
        // A click that leaves the mark as it was is the program keeping it (a locked module): as a user,
        // the robot stops there, and the run goes on with the mark the program chose.
        for (int clicks = 0; clicks < 3 && state != wanted; ++clicks) {
            ClickCheckBox(target.window, action.index);
            Finish(robot, result);
            if (result.end != WaitEnd::Quiet || !result.description) return result;
            // A message box or another form: the main loop takes it from here.
            if (result.description->wait != "modal" || result.description->waitForm != form) return result;
            std::string now = ItemState(*result.description, form, action.control, action.index);
            if (now == state) break;
            state = now;
        }
        if (!result.description) Finish(robot, result);
        return result;
    }

    case SessionAction::Kind::Select:
        if (kind == "TListBox" || kind == "TCheckListBox") {
            if (action.index >= itemCount()) return outOfRange(itemCount());
            SendQuick(target.window, LB_SETCURSEL, WPARAM(action.index), 0);
            PostCommand(target.window, LBN_SELCHANGE);
        } else if (kind == "TListView") {
            int rows = int(description.Rows(form, action.control).size());
            if (action.index >= rows) return outOfRange(rows);
            LVITEMA item{};
            item.mask = LVIF_STATE;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            RemoteMemory remote(robot.program.Handle(), sizeof item);
            if (!remote.Write(&item, sizeof item)) return refuse("cannot reach the program's memory");
            DWORD_PTR answer = 0;
            if (!SendMessageTimeoutA(target.window, LVM_SETITEMSTATE, WPARAM(action.index),
                                     reinterpret_cast<LPARAM>(remote.Address()), SMTO_NORMAL, kSendTimeoutMs, &answer))
                remote.Leak();
        } else {
            return refuse(action.control + " is not a list box or list view");
        }
        Finish(robot, result);
        return result;

    case SessionAction::Kind::Type: {
        if (kind != "TEdit") return refuse(action.control + " is not an edit");
        if (GetWindowLongW(target.window, GWL_STYLE) & ES_READONLY) return refuse(action.control + " is read-only");
        std::wstring text = Utf8ToWide(action.value);
        SendQuick(target.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Finish(robot, result);
        return result;
    }

    case SessionAction::Kind::Browse:
    case SessionAction::Kind::Answer:
        break;  // queued by the session, never played on a form
    case SessionAction::Kind::Close:
        break;  // played above
    }
    return result;
}

}  // namespace setupbot
