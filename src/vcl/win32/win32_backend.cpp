// The real-window backend: native windows for forms and windowed controls, painting of graphic controls
// (labels, bevels, images, meters, gauges), and the message loop that turns user actions into library calls.
#include "vcl/win32/win32_backend.h"

#include <cassert>
#include <exception>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/meters.h"
#include "vcl/stdctrls.h"
#include "vcl/timer.h"

// The library headers come first: <windows.h> defines MessageBox and friends as macros.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <shlobj.h>

namespace vcl::win32 {
namespace {

constexpr const char* kUtilityClassName = "TSUtility";
constexpr UINT_PTR kCheckListSubclassId = 1;

COLORREF ToColorRef(TColor color) {
    if (color & 0x80000000u) return GetSysColor(int(color & 0xFF));
    return COLORREF(color & 0xFFFFFF);
}

RECT ToRect(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

RECT BoundsOf(const TControl& c) { return RECT{c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()}; }

DWORD FormStyle(const TForm& form, DWORD& exStyle) {
    DWORD style = WS_CLIPCHILDREN;
    exStyle = WS_EX_CONTROLPARENT;
    unsigned icons = form.BorderIcons();
    DWORD sysMenu = (icons & biSystemMenu) ? WS_SYSMENU : 0;
    DWORD boxes = sysMenu ? (((icons & biMinimize) ? WS_MINIMIZEBOX : 0) | ((icons & biMaximize) ? WS_MAXIMIZEBOX : 0))
                          : 0;
    switch (form.BorderStyle()) {
    case TBorderStyle::bsNone:
        style |= WS_POPUP;
        break;
    case TBorderStyle::bsSingle:
        style |= WS_CAPTION | WS_BORDER | sysMenu | boxes;
        break;
    case TBorderStyle::bsSizeable:
        style |= WS_CAPTION | WS_THICKFRAME | sysMenu | boxes;
        break;
    case TBorderStyle::bsDialog:
        style |= WS_CAPTION | DS_MODALFRAME | sysMenu;
        exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case TBorderStyle::bsToolWindow:
        style |= WS_CAPTION | sysMenu;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    case TBorderStyle::bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME | sysMenu;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (form.FormStyle() == TFormStyle::fsStayOnTop) exStyle |= WS_EX_TOPMOST;
    return style;
}

// The stock clips' resource numbers in shell32.
int CommonAviResource(TCommonAVI avi) {
    switch (avi) {
    case TCommonAVI::aviFindFolder: return 150;
    case TCommonAVI::aviFindFile: return 151;
    case TCommonAVI::aviFindComputer: return 152;
    case TCommonAVI::aviCopyFiles: return 160;
    case TCommonAVI::aviCopyFile: return 161;
    case TCommonAVI::aviRecycleFile: return 162;
    case TCommonAVI::aviEmptyRecycle: return 163;
    case TCommonAVI::aviDeleteFile: return 164;
    case TCommonAVI::aviNone: break;
    }
    return 0;
}

// Decodes JPEG or BMP bytes with the system's picture decoder; null when it cannot.
IPicture* DecodePicture(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))))
        picture = nullptr;
    stream->Release();
    return picture;
}

class Win32Backend;
Win32Backend* theBackend = nullptr;

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CheckListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR);

class Win32Backend final : public Backend {
public:
    Win32Backend() {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_LISTVIEW_CLASSES | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA formClass{};
        formClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;  // captions and bevels depend on the size
        formClass.lpfnWndProc = FormWindowProc;
        formClass.hInstance = instance;
        formClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        formClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        formClass.lpszClassName = kFormClassName;
        RegisterClassA(&formClass);
        WNDCLASSA containerClass = formClass;
        containerClass.hIcon = nullptr;
        containerClass.lpszClassName = kContainerClassName;
        RegisterClassA(&containerClass);
        WNDCLASSA utilityClass{};
        utilityClass.lpfnWndProc = UtilityWindowProc;
        utilityClass.hInstance = instance;
        utilityClass.lpszClassName = kUtilityClassName;
        RegisterClassA(&utilityClass);
        utility_ = CreateWindowExA(0, kUtilityClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    }

    // ---- the seam ----

    void CreateHandle(TWinControl& control) override {
        if (auto known = hwnds_.find(&control); known != hwnds_.end()) {
            if (IsWindow(known->second) && Control(known->second) == &control) return;
            Forget(known->second);  // a window lost while another backend was installed
        }
        HINSTANCE instance = GetModuleHandleA(nullptr);
        HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr;
        auto* form = dynamic_cast<TForm*>(&control);
        HWND window = nullptr;
        if (form && !parent) {
            DWORD exStyle = 0;
            DWORD style = FormStyle(*form, exStyle) | (form->Visible() ? WS_VISIBLE : 0);
            window = CreateWindowExA(exStyle, kFormClassName, form->Caption().c_str(), style, form->Left(),
                                     form->Top(), form->Width(), form->Height(), nullptr, nullptr, instance, nullptr);
            topLevel_.push_back(window);
        } else {
            // A windowed control whose parent has no window yet waits, hidden, under the utility window.
            if (!parent) parent = utility_;
            const char* className = kContainerClassName;
            DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0) |
                          (control.Enabled() ? 0 : WS_DISABLED);
            DWORD exStyle = 0;
            std::string text = control.Text();
            if (auto* button = dynamic_cast<TBitBtn*>(&control)) {
                className = "BUTTON";
                style |= WS_TABSTOP | (button->Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            } else if (dynamic_cast<TRadioButton*>(&control)) {
                className = "BUTTON";
                style |= WS_TABSTOP | BS_RADIOBUTTON;
            } else if (dynamic_cast<TCheckListBox*>(&control)) {
                className = "LISTBOX";
                style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
                         LBS_HASSTRINGS;
                exStyle |= WS_EX_CLIENTEDGE;
                text.clear();
            } else if (dynamic_cast<TListBox*>(&control)) {
                className = "LISTBOX";
                style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
                exStyle |= WS_EX_CLIENTEDGE;
                text.clear();
            } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
                className = "EDIT";
                style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | (memo->ReadOnly() ? ES_READONLY : 0);
                if (!memo->WordWrap()) style |= ES_AUTOHSCROLL;
                TScrollStyle bars = memo->ScrollBars();
                if (bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth) style |= WS_VSCROLL;
                if (bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth) style |= WS_HSCROLL;
                if (memo->BorderStyle() != TBorderStyle::bsNone) exStyle |= WS_EX_CLIENTEDGE;
                text = memo->Lines.Count() ? memo->Lines.Text() : memo->Text();
            } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
                className = "EDIT";
                style |= WS_TABSTOP | ES_AUTOHSCROLL | (edit->ReadOnly() ? ES_READONLY : 0);
                exStyle |= WS_EX_CLIENTEDGE;
            } else if (auto* view = dynamic_cast<TListView*>(&control)) {
                className = WC_LISTVIEWA;
                style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
                if (!view->ColumnClick()) style |= LVS_NOSORTHEADER;
                exStyle |= WS_EX_CLIENTEDGE;
                text.clear();
            } else if (dynamic_cast<TAnimate*>(&control)) {
                className = ANIMATE_CLASSA;
                style |= ACS_TRANSPARENT | ACS_CENTER;
                text.clear();
            } else {
                style |= WS_CLIPCHILDREN;
                exStyle |= WS_EX_CONTROLPARENT;
            }
            window = CreateWindowExA(exStyle, className, text.c_str(), style, control.Left(), control.Top(),
                                     control.Width(), control.Height(), parent, nullptr, instance, nullptr);
        }
        if (!window) return;
        hwnds_[&control] = window;
        controls_[window] = &control;
        control.SetNativeHandle(window);
        if (dynamic_cast<TCheckListBox*>(&control)) SetWindowSubclass(window, CheckListProc, kCheckListSubclassId, 0);
        if (GetParent(window)) PlaceInZOrder(control, window);
        ApplyFont(control, window);
        ApplyStyle(control, window);
        ApplyItems(control, window);
        ApplySelection(control, window);
        ApplyValue(control, window);
        RethrowPending();
    }

    void DestroyHandle(TWinControl& control) override {
        auto found = hwnds_.find(&control);
        if (found == hwnds_.end()) return;
        HWND window = found->second;
        EndModalFor(window);
        // Windows destroys the children with their parent: forget them now, while their controls still live.
        EnumChildWindows(window, ForgetChild, reinterpret_cast<LPARAM>(this));
        Forget(window);
        std::erase(topLevel_, window);
        if (IsWindow(window)) DestroyWindow(window);
    }

    void ControlDestroyed(TControl& control) override {
        DropPicture(&control);
        if (!control.IsWindowed()) InvalidateArea(control, true);
    }

    void Changed(TControl& control, TChange what) override {
        if (!control.IsWindowed()) {
            if (what == TChange::Picture) DropPicture(&control);
            bool wholeParent = what == TChange::Bounds || what == TChange::Visible || what == TChange::ZOrder;
            InvalidateArea(control, wholeParent);
            return;
        }
        auto& windowed = static_cast<TWinControl&>(control);
        HWND window = Handle(windowed);
        if (!window) return;
        auto* form = dynamic_cast<TForm*>(&control);
        // The library has no change kind for a new parent; a windowed control moved to another parent is
        // noticed with the next change it reports (joining a parent always reports its inherited font).
        if (!form || control.Parent()) {
            HWND parent = control.Parent() ? Handle(*control.Parent()) : utility_;
            if (parent && GetParent(window) != parent) {
                ::SetParent(window, parent);
                PlaceInZOrder(windowed, window);
            }
        }
        switch (what) {
        case TChange::Bounds: {
            bool outer = applying_;
            applying_ = true;
            SetWindowPos(window, nullptr, control.Left(), control.Top(), control.Width(), control.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE);
            applying_ = outer;
            break;
        }
        case TChange::ZOrder:
            PlaceInZOrder(windowed, window);
            break;
        case TChange::Visible:
            if (form && !control.Visible()) EndModalFor(window);
            if (form && control.Visible()) {
                ShowWindow(window, form->WindowState() == TWindowState::wsMinimized ? SW_SHOWMINIMIZED : SW_SHOW);
                SetForegroundWindow(window);
                UpdateWindow(window);
            } else {
                ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
            }
            break;
        case TChange::Enabled:
            EnableWindow(window, control.Enabled());
            break;
        case TChange::Text:
            if (auto* memo = dynamic_cast<TMemo*>(&control)) {
                SetTextIfDifferent(window, memo->Text());
            } else if (!dynamic_cast<TListBox*>(&control) && !dynamic_cast<TListView*>(&control)) {
                SetTextIfDifferent(window, control.Text());
                if (IsContainer(window)) InvalidateRect(window, nullptr, TRUE);
            }
            break;
        case TChange::Font:
            ApplyFont(control, window);
            InvalidateRect(window, nullptr, TRUE);
            break;
        case TChange::Color:
            InvalidateRect(window, nullptr, TRUE);
            break;
        case TChange::Style:
            ApplyStyle(control, window);
            InvalidateRect(window, nullptr, TRUE);
            break;
        case TChange::Items:
            ApplyItems(control, window);
            ApplySelection(control, window);
            break;
        case TChange::Selection:
            ApplySelection(control, window);
            break;
        case TChange::Value:
            ApplyValue(control, window);
            break;
        case TChange::Picture:
            InvalidateRect(window, nullptr, TRUE);
            break;
        }
        RethrowPending();
    }

    void PaintNow(TControl& control) override {
        if (control.IsWindowed()) {
            if (HWND window = Handle(static_cast<TWinControl&>(control))) {
                InvalidateRect(window, nullptr, TRUE);
                UpdateWindow(window);
            }
        } else if (HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr) {
            RECT area = BoundsOf(control);
            InvalidateRect(parent, &area, FALSE);
            UpdateWindow(parent);
        }
        RethrowPending();
    }

    int FrameWidth(const TForm& form) override {
        RECT frame = Frame(form);
        return frame.right - frame.left;
    }
    int FrameHeight(const TForm& form) override {
        RECT frame = Frame(form);
        return frame.bottom - frame.top;
    }

    void HandleMessage(TForm* modalForm) override {
        if (modalForm) BeginModal(*modalForm);
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

    void ProcessMessages() override {
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

    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        int answer = MessageBoxA(OwnerWindow(), text.c_str(), caption.c_str(), flags);
        RethrowPending();
        return answer ? answer : idCancel;
    }

    bool BrowseForFolder(const std::string& title, std::string& path) override {
        BROWSEINFOA info{};
        info.hwndOwner = OwnerWindow();
        info.pidlRoot = nullptr;  // the desktop
        char display[MAX_PATH] = {};
        info.pszDisplayName = display;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        info.lpfn = BrowseCallback;
        info.lParam = reinterpret_cast<LPARAM>(path.c_str());
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
        RethrowPending();
        if (!chosen) return false;
        char buffer[MAX_PATH] = {};
        bool ok = SHGetPathFromIDListA(chosen, buffer) != FALSE;
        CoTaskMemFree(chosen);
        if (ok) path = buffer;
        return ok;
    }

    // The desktop's item list is the root; no callback, so no starting folder. An item without a
    // file-system path (allowed without BIF_RETURNONLYFSDIRS) is a confirmed choice with an empty path.
    bool BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) override {
        PIDLIST_ABSOLUTE desktop = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(OwnerWindow(), CSIDL_DESKTOP, &desktop))) desktop = nullptr;
        BROWSEINFOA info{};
        info.hwndOwner = OwnerWindow();
        info.pidlRoot = desktop;
        char display[MAX_PATH] = {};
        info.pszDisplayName = display;
        info.lpszTitle = title.c_str();
        info.ulFlags = flags;
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
        CoTaskMemFree(desktop);
        RethrowPending();
        if (!chosen) return false;
        char buffer[MAX_PATH] = {};
        if (!SHGetPathFromIDListA(chosen, buffer)) buffer[0] = '\0';
        CoTaskMemFree(chosen);
        path = buffer;
        return true;
    }

    void TimerChanged(TTimer& timer) override {
        auto found = timers_.find(&timer);
        if (found != timers_.end()) KillTimer(utility_, found->second);
        if (!timer.Running()) return;
        UINT_PTR id = found != timers_.end() ? found->second : ++lastTimerId_;
        timers_[&timer] = id;
        timerIds_[id] = &timer;
        SetTimer(utility_, id, timer.Interval(), nullptr);
    }

    void TimerDestroyed(TTimer& timer) override {
        auto found = timers_.find(&timer);
        if (found == timers_.end()) return;
        KillTimer(utility_, found->second);
        timerIds_.erase(found->second);
        timers_.erase(found);
    }

    // ---- window procedures ----

    LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        TWinControl* control = Control(window);
        if (!control) return DefWindowProcA(window, message, wParam, lParam);
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

    LRESULT UtilityMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

    LRESULT CheckListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

private:
    static BOOL CALLBACK ForgetChild(HWND child, LPARAM self) {
        reinterpret_cast<Win32Backend*>(self)->Forget(child);
        return TRUE;
    }

    static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
        const char* start = reinterpret_cast<const char*>(data);
        if (message == BFFM_INITIALIZED && start && *start)
            SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
        return 0;
    }

    void Forget(HWND window) {
        auto found = controls_.find(window);
        if (found == controls_.end()) return;
        found->second->SetNativeHandle(nullptr);
        hwnds_.erase(found->second);
        controls_.erase(found);
        animations_.erase(window);
    }

    HWND Handle(const TWinControl& control) const {
        auto found = hwnds_.find(&control);
        return found == hwnds_.end() ? nullptr : found->second;
    }
    TWinControl* Control(HWND window) const {
        auto found = controls_.find(window);
        return found == controls_.end() ? nullptr : found->second;
    }

    bool IsContainer(HWND window) const {
        char name[32] = {};
        GetClassNameA(window, name, sizeof(name));
        return lstrcmpiA(name, kContainerClassName) == 0 || lstrcmpiA(name, kFormClassName) == 0;
    }

    // Runs a library call made from a window procedure. Exceptions must not cross the system's frames: the
    // first is kept and raised again once control is back in library code (after dispatch or a sent call).
    template <class F>
    void Guard(F&& call) {
        try {
            call();
        } catch (...) {
            if (!pending_) pending_ = std::current_exception();
        }
    }
    void RethrowPending() {
        if (!pending_) return;
        std::exception_ptr error = pending_;
        pending_ = nullptr;
        std::rethrow_exception(error);
    }

    void Dispatch(MSG& message) {
        HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root && controls_.count(root) && IsDialogMessageA(root, &message)) return;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    HWND OwnerWindow() const {
        if (TForm* modal = Screen->ActiveModalForm())
            if (HWND window = Handle(*modal); window && IsWindowVisible(window)) return window;
        if (TForm* main = Application->MainForm())
            if (HWND window = Handle(*main); window && IsWindowVisible(window)) return window;
        return nullptr;
    }

    RECT Frame(const TForm& form) const {
        DWORD exStyle = 0;
        DWORD style = FormStyle(form, exStyle);
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        return frame;
    }

    // A modal loop disables every other form until its form hides or goes.
    void BeginModal(TForm& form) {
        HWND window = Handle(form);
        if (!window || (!modal_.empty() && modal_.back().window == window)) return;
        Modal entry{window, {}};
        for (HWND other : topLevel_)
            if (other != window && IsWindowEnabled(other)) {
                EnableWindow(other, FALSE);
                entry.disabled.push_back(other);
            }
        modal_.push_back(std::move(entry));
    }
    void EndModalFor(HWND window) {
        for (size_t i = 0; i < modal_.size(); ++i) {
            if (modal_[i].window != window) continue;
            while (modal_.size() > i) {
                for (HWND other : modal_.back().disabled)
                    if (IsWindow(other)) EnableWindow(other, TRUE);
                modal_.pop_back();
            }
            return;
        }
    }

    HFONT Font(const TFont& font) {
        std::string key = font.Name() + '|' + std::to_string(font.Size()) + '|' + std::to_string(font.Style());
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        HDC screen = GetDC(nullptr);
        int height = -MulDiv(font.Size(), GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        // Captions are GBK bytes: on a code page 936 system ask for the GB2312 character set explicitly.
        DWORD charset = GetACP() == 936 ? GB2312_CHARSET : DEFAULT_CHARSET;
        HFONT made = CreateFontA(height, 0, 0, 0, font.Bold() ? FW_BOLD : FW_NORMAL, (font.Style() & fsItalic) != 0,
                                 (font.Style() & fsUnderline) != 0, (font.Style() & fsStrikeOut) != 0, charset,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                 font.Name().c_str());
        fonts_[key] = made;
        return made;
    }

    HBRUSH Brush(TColor color) {
        COLORREF rgb = ToColorRef(color);
        auto found = brushes_.find(rgb);
        if (found != brushes_.end()) return found->second;
        HBRUSH made = CreateSolidBrush(rgb);
        brushes_[rgb] = made;
        return made;
    }

    void InvalidateArea(TControl& control, bool wholeParent) {
        HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr;
        if (!parent) return;
        RECT area = BoundsOf(control);
        InvalidateRect(parent, wholeParent ? nullptr : &area, TRUE);
    }

    void DropPicture(TControl* control) {
        auto found = pictures_.find(control);
        if (found == pictures_.end()) return;
        if (found->second) found->second->Release();
        pictures_.erase(found);
    }

    static void SetTextIfDifferent(HWND window, const std::string& text) {
        int length = GetWindowTextLengthA(window);
        std::string current(size_t(length) + 1, '\0');
        current.resize(size_t(GetWindowTextA(window, current.data(), length + 1)));
        if (current != text) SetWindowTextA(window, text.c_str());
    }

    static std::string WindowText(HWND window) {
        int length = GetWindowTextLengthA(window);
        std::string text(size_t(length) + 1, '\0');
        text.resize(size_t(GetWindowTextA(window, text.data(), length + 1)));
        return text;
    }

    // ---- property updates ----

    // Siblings stack in the order of the parent's Controls(), the first at the bottom: the window goes just
    // below the next windowed sibling that has one, or on top.
    void PlaceInZOrder(TWinControl& control, HWND window) {
        if (!control.Parent()) return;
        const auto& siblings = control.Parent()->Controls();
        HWND above = HWND_TOP;
        bool after = false;
        for (TControl* sibling : siblings) {
            if (sibling == &control) {
                after = true;
            } else if (after && sibling->IsWindowed()) {
                if (HWND h = Handle(*static_cast<TWinControl*>(sibling))) {
                    above = h;
                    break;
                }
            }
        }
        SetWindowPos(window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    void ApplyFont(TControl& control, HWND window) {
        HFONT font = Font(control.Font);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (dynamic_cast<TCheckListBox*>(&control)) {
            HDC dc = GetDC(window);
            HGDIOBJ old = SelectObject(dc, font);
            TEXTMETRICA metrics{};
            GetTextMetricsA(dc, &metrics);
            SelectObject(dc, old);
            ReleaseDC(window, dc);
            int height = std::max<int>(metrics.tmHeight + 2, 16);
            SendMessageA(window, LB_SETITEMHEIGHT, 0, height);
        }
    }

    void ApplyStyle(TControl& control, HWND window) {
        if (auto* form = dynamic_cast<TForm*>(&control)) {
            if (GetParent(window)) return;
            DWORD exStyle = 0;
            DWORD style = FormStyle(*form, exStyle);
            DWORD keep = DWORD(GetWindowLongPtrA(window, GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE |
                                                                          WS_MAXIMIZE);
            SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(style | keep));
            SetWindowLongPtrA(window, GWL_EXSTYLE, LONG_PTR(exStyle));
            bool outer = applying_;
            applying_ = true;
            SetWindowPos(window, form->FormStyle() == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                         0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            // Minimising goes through the system; a maximised form's size is set by the library itself.
            bool minimized = form->WindowState() == TWindowState::wsMinimized;
            if (IsWindowVisible(window) && minimized != bool(IsIconic(window)))
                ShowWindow(window, minimized ? SW_MINIMIZE : SW_RESTORE);
            applying_ = outer;
        } else if (auto* button = dynamic_cast<TBitBtn*>(&control)) {
            SendMessageA(window, BM_SETSTYLE, button->Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
            SendMessageA(window, EM_SETREADONLY, memo->ReadOnly(), 0);
            // The sunken edge follows BorderStyle; the frame is redrawn when it changes.
            LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
            LONG_PTR wanted = memo->BorderStyle() == TBorderStyle::bsNone ? (exStyle & ~LONG_PTR(WS_EX_CLIENTEDGE))
                                                                          : (exStyle | WS_EX_CLIENTEDGE);
            if (wanted != exStyle) {
                SetWindowLongPtrA(window, GWL_EXSTYLE, wanted);
                SetWindowPos(window, nullptr, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            }
        } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
            SendMessageA(window, EM_SETREADONLY, edit->ReadOnly(), 0);
            SendMessageA(window, EM_LIMITTEXT, edit->MaxLength(), 0);
        } else if (auto* view = dynamic_cast<TListView*>(&control)) {
            SendMessageA(window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                         (view->RowSelect() ? LVS_EX_FULLROWSELECT : 0) | (view->GridLines() ? LVS_EX_GRIDLINES : 0));
            LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
            LONG_PTR wanted = view->ColumnClick() ? style & ~LONG_PTR(LVS_NOSORTHEADER) : style | LVS_NOSORTHEADER;
            if (wanted != style) {
                // The header takes its button look from the view's style only when it is made.
                SetWindowLongPtrA(window, GWL_STYLE, wanted);
                if (HWND header = reinterpret_cast<HWND>(SendMessageA(window, LVM_GETHEADER, 0, 0))) {
                    LONG_PTR headerStyle = GetWindowLongPtrA(header, GWL_STYLE);
                    SetWindowLongPtrA(header, GWL_STYLE, view->ColumnClick() ? headerStyle | HDS_BUTTONS
                                                                              : headerStyle & ~LONG_PTR(HDS_BUTTONS));
                }
            }
        }
    }

    void ApplyItems(TControl& control, HWND window) {
        if (auto* list = dynamic_cast<TListBox*>(&control)) {
            SendMessageA(window, WM_SETREDRAW, FALSE, 0);
            SendMessageA(window, LB_RESETCONTENT, 0, 0);
            for (const std::string& line : list->Items.Lines())
                SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            SendMessageA(window, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(window, nullptr, TRUE);
        } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
            SetTextIfDifferent(window, memo->Lines.Text());
        } else if (auto* view = dynamic_cast<TListView*>(&control)) {
            SendMessageA(window, WM_SETREDRAW, FALSE, 0);
            SendMessageA(window, LVM_DELETEALLITEMS, 0, 0);
            while (SendMessageA(window, LVM_DELETECOLUMN, 0, 0)) {
            }
            for (size_t i = 0; i < view->Columns().size(); ++i) {
                const TListColumn& column = view->Columns()[i];
                LVCOLUMNA info{};
                info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
                info.fmt = column.Alignment == TAlignment::taRightJustify ? LVCFMT_RIGHT
                           : column.Alignment == TAlignment::taCenter     ? LVCFMT_CENTER
                                                                          : LVCFMT_LEFT;
                info.cx = column.Width;
                info.pszText = const_cast<char*>(column.Caption.c_str());
                SendMessageA(window, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&info));
            }
            for (int i = 0; i < view->ItemCount(); ++i) {
                const TListItem& item = view->Item(i);
                LVITEMA row{};
                row.mask = LVIF_TEXT;
                row.iItem = i;
                row.pszText = const_cast<char*>(item.Caption.c_str());
                SendMessageA(window, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
                for (size_t j = 0; j < item.SubItems.size(); ++j) {
                    LVITEMA cell{};
                    cell.iSubItem = int(j) + 1;
                    cell.pszText = const_cast<char*>(item.SubItems[j].c_str());
                    SendMessageA(window, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&cell));
                }
            }
            SendMessageA(window, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(window, nullptr, TRUE);
        }
    }

    void ApplySelection(TControl& control, HWND window) {
        if (auto* list = dynamic_cast<TListBox*>(&control)) {
            SendMessageA(window, LB_SETCURSEL, WPARAM(list->ItemIndex()), 0);
            if (dynamic_cast<TCheckListBox*>(&control)) InvalidateRect(window, nullptr, TRUE);
        } else if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
            SendMessageA(window, BM_SETCHECK, radio->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        } else if (auto* view = dynamic_cast<TListView*>(&control)) {
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            if (view->SelectedIndex() < 0) {
                SendMessageA(window, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&state));
            } else {
                state.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageA(window, LVM_SETITEMSTATE, WPARAM(view->SelectedIndex()), reinterpret_cast<LPARAM>(&state));
                SendMessageA(window, LVM_ENSUREVISIBLE, WPARAM(view->SelectedIndex()), FALSE);
            }
        }
    }

    void ApplyValue(TControl& control, HWND window) {
        auto* animate = dynamic_cast<TAnimate*>(&control);
        if (!animate) return;
        std::string source = !animate->FileName().empty() ? "file:" + animate->FileName()
                                                           : "avi:" + std::to_string(int(animate->CommonAVI()));
        SendMessageA(window, ACM_STOP, 0, 0);
        if (animations_[window] != source) {
            animations_[window] = source;
            if (!animate->FileName().empty()) {
                SendMessageA(window, ACM_OPENA, 0, reinterpret_cast<LPARAM>(animate->FileName().c_str()));
            } else if (int resource = CommonAviResource(animate->CommonAVI())) {
                SendMessageA(window, ACM_OPENA, reinterpret_cast<WPARAM>(GetModuleHandleA("shell32.dll")),
                             reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(resource)));
            } else {
                SendMessageA(window, ACM_OPENA, 0, 0);
            }
        }
        if (animate->Active()) {
            WPARAM repeat = animate->Repetitions() > 0 ? WPARAM(animate->Repetitions()) : WPARAM(-1);
            WORD from = WORD(std::max(animate->StartFrame() - 1, 0));
            WORD to = animate->StopFrame() > 0 ? WORD(animate->StopFrame() - 1) : WORD(0xFFFF);
            SendMessageA(window, ACM_PLAY, repeat, MAKELPARAM(from, to));
        }
    }

    // ---- user actions ----

    void Command(HWND child, WORD code) {
        TWinControl* control = Control(child);
        if (!control) return;
        if (code == BN_CLICKED && (dynamic_cast<TBitBtn*>(control) || dynamic_cast<TRadioButton*>(control))) {
            if (control->EnabledInTree()) control->Click();
        } else if (code == LBN_SELCHANGE) {
            if (auto* list = dynamic_cast<TListBox*>(control)) {
                int index = int(SendMessageA(child, LB_GETCURSEL, 0, 0));
                if (index != list->ItemIndex()) list->Select(index);
            }
        } else if (code == EN_CHANGE) {
            std::string text = WindowText(child);
            if (auto* memo = dynamic_cast<TMemo*>(control)) {
                if (text != memo->Lines.Text()) memo->Lines.SetText(text);
            } else if (auto* edit = dynamic_cast<TEdit*>(control); edit && text != edit->Text()) {
                edit->SetText(text);
            }
        }
    }

    void Notify(const NMHDR& header) {
        auto* view = dynamic_cast<TListView*>(Control(header.hwndFrom));
        if (!view) return;
        if (header.code == NM_CLICK) {
            // A click beside the rows takes the selection away: the view follows and hears the click.
            if (view->SelectedIndex() >= 0 && SendMessageA(header.hwndFrom, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
                view->Select(-1);
            return;
        }
        if (header.code != LVN_ITEMCHANGED) return;
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
            !(change.uOldState & LVIS_SELECTED) && change.iItem != view->SelectedIndex() && change.iItem >= 0 &&
            change.iItem < view->ItemCount())
            view->Select(change.iItem);
    }

    // Enter presses the form's default button, Esc its cancel button (when showing and enabled).
    void PressDialogButton(TWinControl& root, bool enter) {
        for (TControl* child : root.Controls()) {
            if (auto* button = dynamic_cast<TBitBtn*>(child)) {
                if ((enter ? button->Default() : button->Cancel()) && button->Showing() && button->EnabledInTree()) {
                    button->Click();
                    return;
                }
            } else if (auto* windowed = dynamic_cast<TWinControl*>(child)) {
                PressDialogButton(*windowed, enter);
            }
        }
    }

    // ---- painting ----

    void PaintContainer(TWinControl& control, HDC dc, HWND window) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, Brush(control.Color()));
        HGDIOBJ oldFont = SelectObject(dc, Font(control.Font));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ToColorRef(control.Font.Color()));
        if (auto* panel = dynamic_cast<TPanel*>(&control)) {
            RECT inside = client;
            auto edge = [&](TBevelCut cut, UINT raised, UINT lowered) {
                if (cut == TBevelCut::bvRaised || cut == TBevelCut::bvLowered)
                    DrawEdge(dc, &inside, cut == TBevelCut::bvRaised ? raised : lowered, BF_RECT | BF_ADJUST);
            };
            edge(panel->BevelOuter(), BDR_RAISEDOUTER, BDR_SUNKENOUTER);
            edge(panel->BevelInner(), BDR_RAISEDINNER, BDR_SUNKENINNER);
            UINT align = panel->Alignment() == TAlignment::taCenter      ? DT_CENTER
                         : panel->Alignment() == TAlignment::taRightJustify ? DT_RIGHT
                                                                            : DT_LEFT;
            DrawTextA(dc, panel->Caption().c_str(), -1, &inside, align | DT_SINGLELINE | DT_VCENTER);
        } else if (dynamic_cast<TGroupBox*>(&control)) {
            TEXTMETRICA metrics{};
            GetTextMetricsA(dc, &metrics);
            RECT frame = client;
            frame.top += metrics.tmHeight / 2;
            DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
            if (!control.Caption().empty()) {
                SIZE extent{};
                GetTextExtentPoint32A(dc, control.Caption().c_str(), int(control.Caption().size()), &extent);
                RECT text{8, 0, 8 + extent.cx + 4, metrics.tmHeight};
                FillRect(dc, &text, Brush(control.Color()));
                text.left += 2;
                DrawTextA(dc, control.Caption().c_str(), -1, &text, DT_SINGLELINE | DT_NOCLIP);
            }
        }
        for (TControl* child : control.Controls())
            if (!child->IsWindowed() && child->Visible()) PaintGraphic(*child, dc);
        SelectObject(dc, oldFont);
        if (auto* form = dynamic_cast<TForm*>(&control)) form->Paint();
    }

    void PaintGraphic(TControl& control, HDC dc) {
        int saved = SaveDC(dc);
        RECT area = BoundsOf(control);
        if (auto* label = dynamic_cast<TLabel*>(&control)) {
            PaintLabel(*label, dc, area);
        } else if (auto* bevel = dynamic_cast<TBevel*>(&control)) {
            PaintBevel(*bevel, dc, area);
        } else if (auto* image = dynamic_cast<TImage*>(&control)) {
            IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
            PaintImage(*image, dc, area);
        } else if (auto* meter = dynamic_cast<TArMeter*>(&control)) {
            PaintFills(meter->PaintRects(), dc, area);
        } else if (auto* gauge = dynamic_cast<TCGauge*>(&control)) {
            TGaugePicture picture = gauge->Picture();
            PaintFills(picture.fills, dc, area);
            if (!picture.text.empty()) {
                SelectObject(dc, Font(gauge->Font));
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, ToColorRef(gauge->Font.Color()));
                DrawTextA(dc, picture.text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            }
        }
        RestoreDC(dc, saved);
    }

    void PaintLabel(TLabel& label, HDC dc, RECT area) {
        if (!label.Transparent()) FillRect(dc, &area, Brush(label.Color()));
        SelectObject(dc, Font(label.Font));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, label.EnabledInTree() ? ToColorRef(label.Font.Color()) : GetSysColor(COLOR_GRAYTEXT));
        UINT flags = DT_EXPANDTABS | (label.WordWrap() ? DT_WORDBREAK : 0);
        if (label.Alignment() == TAlignment::taCenter) flags |= DT_CENTER;
        if (label.Alignment() == TAlignment::taRightJustify) flags |= DT_RIGHT;
        // An auto-sized label is as large as its text: draw it unclipped rather than cut at a stale size.
        if (label.AutoSize()) flags |= DT_NOCLIP;
        DrawTextA(dc, label.Caption().c_str(), -1, &area, flags);
    }

    static void PaintBevel(TBevel& bevel, HDC dc, RECT area) {
        bool lowered = bevel.Style() == TBevelStyle::bsLowered;
        UINT line = lowered ? EDGE_ETCHED : EDGE_BUMP;
        switch (bevel.Shape()) {
        case TBevelShape::bsBox:
            DrawEdge(dc, &area, lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            break;
        case TBevelShape::bsFrame:
            DrawEdge(dc, &area, line, BF_RECT);
            break;
        case TBevelShape::bsTopLine:
            DrawEdge(dc, &area, line, BF_TOP);
            break;
        case TBevelShape::bsBottomLine:
            area.top = area.bottom - 2;
            DrawEdge(dc, &area, line, BF_TOP);
            break;
        case TBevelShape::bsLeftLine:
            DrawEdge(dc, &area, line, BF_LEFT);
            break;
        case TBevelShape::bsRightLine:
            area.left = area.right - 2;
            DrawEdge(dc, &area, line, BF_LEFT);
            break;
        case TBevelShape::bsSpacer:
            break;
        }
    }

    void PaintImage(TImage& image, HDC dc, const RECT& area) {
        if (image.Picture.Empty()) return;
        auto found = pictures_.find(&image);
        if (found == pictures_.end()) found = pictures_.emplace(&image, DecodePicture(image.Picture.Data())).first;
        IPicture* picture = found->second;
        if (!picture) return;  // undecodable bytes paint nothing, as an empty picture would
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture->get_Width(&width);
        picture->get_Height(&height);
        int x = area.left, y = area.top, cx = image.Picture.Width(), cy = image.Picture.Height();
        if (image.Stretch()) {
            cx = area.right - area.left;
            cy = area.bottom - area.top;
        } else if (image.Center()) {
            x += (area.right - area.left - cx) / 2;
            y += (area.bottom - area.top - cy) / 2;
        }
        picture->Render(dc, x, y, cx, cy, 0, height, width, -height, nullptr);
    }

    void PaintFills(const std::vector<TFill>& fills, HDC dc, const RECT& area) {
        for (const TFill& fill : fills) {
            RECT r = ToRect(fill.rect);
            OffsetRect(&r, area.left, area.top);
            FillRect(dc, &r, Brush(fill.color));
        }
    }

    void DrawCheckItem(TCheckListBox& list, const DRAWITEMSTRUCT& draw) {
        if (int(draw.itemID) < 0 || int(draw.itemID) >= list.Items.Count()) {
            FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_WINDOW));
            return;
        }
        int index = int(draw.itemID);
        HDC dc = draw.hDC;
        RECT row = draw.rcItem;
        FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));
        int size = std::min<int>(13, row.bottom - row.top - 2);
        RECT box{row.left + 2, row.top + (row.bottom - row.top - size) / 2, 0, 0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        UINT state = DFCS_BUTTONCHECK;
        if (list.State(index) == TCheckBoxState::cbChecked) state |= DFCS_CHECKED;
        if (list.State(index) == TCheckBoxState::cbGrayed) state = DFCS_BUTTON3STATE | DFCS_CHECKED;
        bool enabled = list.ItemEnabled(index) && list.EnabledInTree();
        if (!enabled) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
        RECT text = row;
        text.left = box.right + 4;
        bool selected = (draw.itemState & ODS_SELECTED) != 0;
        if (selected) FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
        HGDIOBJ old = SelectObject(dc, Font(list.Font));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, !enabled ? GetSysColor(COLOR_GRAYTEXT)
                         : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                    : ToColorRef(list.Font.Color()));
        RECT label = text;
        label.left += 2;
        DrawTextA(dc, list.Items[index].c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(dc, old);
        if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
    }

    struct Modal {
        HWND window;
        std::vector<HWND> disabled;
    };

    HWND utility_ = nullptr;
    std::unordered_map<const TControl*, HWND> hwnds_;
    std::unordered_map<HWND, TWinControl*> controls_;
    std::vector<HWND> topLevel_;
    std::vector<Modal> modal_;
    std::map<std::string, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::unordered_map<const TControl*, IPicture*> pictures_;
    std::unordered_map<HWND, std::string> animations_;
    std::map<TTimer*, UINT_PTR> timers_;
    std::map<UINT_PTR, TTimer*> timerIds_;
    UINT_PTR lastTimerId_ = 0;
    bool applying_ = false;  // our own SetWindowPos runs: the form's bounds already hold the values
    std::exception_ptr pending_;
};

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

}  // namespace

Backend& InstallBackend() {
    // Never freed: forms destroyed during static destruction still call the backend.
    if (!theBackend) theBackend = new Win32Backend();
    if (&backend() != theBackend) SetBackend(theBackend);
    return *theBackend;
}

}  // namespace vcl::win32
