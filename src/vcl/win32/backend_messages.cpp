// The real-window backend's messages: the message loops, timers, and the window procedures that paint and
// turn the user's actions into library calls.
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "vcl/timer.h"
#include "vcl/win32/backend_impl.h"

namespace vcl::win32::detail {

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return theBackend ? theBackend->FormMessage(window, message, wParam, lParam)
                      : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return theBackend ? theBackend->UtilityMessage(window, message, wParam, lParam)
                      : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK CheckListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, CheckListProc, kCheckListSubclassId);
    return theBackend ? theBackend->CheckListMessage(window, message, wParam, lParam)
                      : DefSubclassProc(window, message, wParam, lParam);
}

// ---- message loops ----

void Win32Backend::HandleMessage(TForm* modalForm) {
    if (modalForm) BeginModal(*modalForm);
    WaitScope wait(*this, modalForm ? WaitState{WaitState::Modal, modalForm->Name()}
                                    : WaitState{WaitState::Application, ""});
    MSG message;
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        // WM_QUIT (or a broken queue): nothing more will come, so the run ends.
        Application->Terminate();
    } else {
        Dispatch(message);
    }
    RethrowPending();
}

void Win32Backend::ProcessMessages() {
    WaitScope wait(*this, WaitState{WaitState::Busy});
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            Application->Terminate();
            break;
        }
        Dispatch(message);
    }
    RethrowPending();
}

void Win32Backend::Dispatch(MSG& message) {
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && controls_.count(root) && IsDialogMessageA(root, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void Win32Backend::RethrowPending() {
    if (!pending_) return;
    std::exception_ptr error = pending_;
    pending_ = nullptr;
    std::rethrow_exception(error);
}

void Win32Backend::TimerChanged(TTimer& timer) {
    auto found = timers_.find(&timer);
    if (found != timers_.end()) KillTimer(utility_, found->second);
    if (!timer.Running()) return;
    UINT_PTR id = found != timers_.end() ? found->second : ++lastTimerId_;
    timers_[&timer] = id;
    timerIds_[id] = &timer;
    SetTimer(utility_, id, timer.Interval(), nullptr);
}

void Win32Backend::TimerDestroyed(TTimer& timer) {
    auto found = timers_.find(&timer);
    if (found == timers_.end()) return;
    KillTimer(utility_, found->second);
    timerIds_.erase(found->second);
    timers_.erase(found);
}

// ---- window procedures ----

LRESULT Win32Backend::FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = Control(window);
    if (!control) return DefWindowProcA(window, message, wParam, lParam);
    if (LRESULT result = 0; RobotMessage(window, message, wParam, result)) return result;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole client area
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        Guard([&] { PaintContainer(*control, dc, window); });
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        if (auto* form = dynamic_cast<TForm*>(control)) Guard([&] { form->Close(); });
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (!applying_ && !GetParent(window) && !IsIconic(window)) {
            RECT r;
            GetWindowRect(window, &r);
            applying_ = true;
            Guard([&] { control->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); });
            applying_ = false;  // the outermost change: the system's
        }
        break;
    case WM_COMMAND:
        if (lParam) {
            Guard([&] { Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam)); });
        } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            Guard([&] { PressDialogButton(*control, LOWORD(wParam) == IDOK); });
        }
        return 0;
    case WM_NOTIFY:
        Guard([&] { Notify(*reinterpret_cast<NMHDR*>(lParam)); });
        return 0;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType == ODT_LISTBOX) measure->itemHeight = 16;
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (auto* list = dynamic_cast<TCheckListBox*>(Control(draw->hwndItem))) {
            Guard([&] { DrawCheckItem(*list, *draw); });
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (auto* radio = dynamic_cast<TRadioButton*>(Control(reinterpret_cast<HWND>(lParam)))) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ToColorRef(radio->Font.Color()));
            SetBkColor(dc, ToColorRef(control->Color()));
            return reinterpret_cast<LRESULT>(Brush(control->Color()));
        }
        break;
    case DM_GETDEFID:
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Win32Backend::UtilityMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        auto found = timerIds_.find(wParam);
        if (found != timerIds_.end()) {
            TTimer* timer = found->second;
            Guard([&] { timer->Tick(); });
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Win32Backend::CheckListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* list = dynamic_cast<TCheckListBox*>(Control(window));
    if (!list) return DefSubclassProc(window, message, wParam, lParam);
    int index = -1;
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        LRESULT hit = SendMessageA(window, LB_ITEMFROMPOINT, 0, lParam);
        int itemHeight = int(SendMessageA(window, LB_GETITEMHEIGHT, 0, 0));
        if (HIWORD(hit) == 0 && short(LOWORD(lParam)) < itemHeight + 2) index = LOWORD(hit);
    } else if (message == WM_KEYDOWN && wParam == VK_SPACE) {
        index = list->ItemIndex();
    }
    LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (index >= 0 && index < list->Items.Count() && list->ItemEnabled(index) && list->EnabledInTree()) {
        TCheckBoxState next = TCheckBoxState::cbChecked;
        if (list->State(index) == TCheckBoxState::cbChecked)
            next = list->AllowGrayed() ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked;
        else if (list->State(index) == TCheckBoxState::cbGrayed)
            next = TCheckBoxState::cbUnchecked;
        Guard([&] { list->ClickCheck(index, next); });
    }
    return result;
}

}  // namespace vcl::win32::detail
