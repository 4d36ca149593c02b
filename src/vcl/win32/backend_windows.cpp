// The real-window backend's native windows: window classes, making and destroying the windows of windowed
// controls, passing property changes on to them, and the bookkeeping between windows and controls.
#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "vcl/timer.h"
#include "vcl/win32/backend_impl.h"
#include "vcl/win32/win32_backend.h"

namespace vcl::win32 {
namespace detail {

Win32Backend* theBackend = nullptr;

Win32Backend::Win32Backend() {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
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
    RegisterRobotMessages();
}

// ---- native windows ----

void Win32Backend::CreateHandle(TWinControl& control) {
    if (auto known = hwnds_.find(&control); known != hwnds_.end()) {
        if (IsWindow(known->second) && Control(known->second) == &control) return;
        Forget(known->second);  // a window lost while another backend was installed
    }
    HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr;
    auto* form = dynamic_cast<TForm*>(&control);
    HWND window = nullptr;
    if (form && !parent) {
        DWORD exStyle = 0;
        DWORD style = FormStyle(*form, exStyle) | (form->Visible() ? WS_VISIBLE : 0);
        window = CreateWindowExA(exStyle, kFormClassName, form->Caption().c_str(), style, form->Left(), form->Top(),
                                 form->Width(), form->Height(), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window) topLevel_.push_back(window);
    } else {
        // A windowed control whose parent has no window yet waits, hidden, under the utility window.
        window = MakeChildWindow(control, parent ? parent : utility_);
    }
    if (!window) return;
    hwnds_[&control] = window;
    controls_[window] = &control;
    control.SetNativeHandle(window);
    NameWindow(control, window);
    if (dynamic_cast<TCheckListBox*>(&control)) SetWindowSubclass(window, CheckListProc, kCheckListSubclassId, 0);
    if (GetParent(window)) PlaceInZOrder(control, window);
    ApplyFont(control, window);
    ApplyStyle(control, window);
    ApplyItems(control, window);
    ApplySelection(control, window);
    ApplyValue(control, window);
    RethrowPending();
}

// The system class and creation styles of each kind of windowed control.
HWND Win32Backend::MakeChildWindow(TWinControl& control, HWND parent) {
    const char* className = kContainerClassName;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0) | (control.Enabled() ? 0 : WS_DISABLED);
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
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
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
    return CreateWindowExA(exStyle, className, text.c_str(), style, control.Left(), control.Top(), control.Width(),
                           control.Height(), parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Win32Backend::DestroyHandle(TWinControl& control) {
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

void Win32Backend::ControlDestroyed(TControl& control) {
    DropPicture(&control);
    if (!control.IsWindowed()) {
        InvalidateGraphic(control);
        graphicAreas_.erase(&control);
    }
}

void Win32Backend::Changed(TControl& control, TChange what) {
    if (!control.IsWindowed()) {
        if (what == TChange::Picture) DropPicture(&control);
        InvalidateGraphic(control);
        return;
    }
    ChangedWindowed(static_cast<TWinControl&>(control), what);
    RethrowPending();
}

void Win32Backend::ChangedWindowed(TWinControl& control, TChange what) {
    HWND window = Handle(control);
    if (!window) return;
    auto* form = dynamic_cast<TForm*>(&control);
    // The library has no change kind for a new parent; a windowed control moved to another parent is
    // noticed with the next change it reports (joining a parent always reports its inherited font).
    if (!form || control.Parent()) {
        HWND parent = control.Parent() ? Handle(*control.Parent()) : utility_;
        if (parent && GetParent(window) != parent) {
            ::SetParent(window, parent);
            PlaceInZOrder(control, window);
        }
    }
    NameWindow(control, window);
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
        PlaceInZOrder(control, window);
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
}

int Win32Backend::FrameWidth(const TForm& form) {
    RECT frame = Frame(form);
    return frame.right - frame.left;
}

int Win32Backend::FrameHeight(const TForm& form) {
    RECT frame = Frame(form);
    return frame.bottom - frame.top;
}

// ---- bookkeeping ----

BOOL CALLBACK Win32Backend::ForgetChild(HWND child, LPARAM self) {
    reinterpret_cast<Win32Backend*>(self)->Forget(child);
    return TRUE;
}

void Win32Backend::Forget(HWND window) {
    UnnameWindow(window);
    ForgetGraphicsOn(window);
    auto found = controls_.find(window);
    if (found == controls_.end()) return;
    found->second->SetNativeHandle(nullptr);
    hwnds_.erase(found->second);
    controls_.erase(found);
    animations_.erase(window);
}

HWND Win32Backend::Handle(const TWinControl& control) const {
    auto found = hwnds_.find(&control);
    return found == hwnds_.end() ? nullptr : found->second;
}

TWinControl* Win32Backend::Control(HWND window) const {
    auto found = controls_.find(window);
    return found == controls_.end() ? nullptr : found->second;
}

bool Win32Backend::IsContainer(HWND window) const {
    char name[32] = {};
    GetClassNameA(window, name, sizeof(name));
    return lstrcmpiA(name, kContainerClassName) == 0 || lstrcmpiA(name, kFormClassName) == 0;
}

HWND Win32Backend::OwnerWindow() const {
    if (TForm* modal = Screen->ActiveModalForm())
        if (HWND window = Handle(*modal); window && IsWindowVisible(window)) return window;
    if (TForm* main = Application->MainForm())
        if (HWND window = Handle(*main); window && IsWindowVisible(window)) return window;
    return nullptr;
}

RECT Win32Backend::Frame(const TForm& form) const {
    DWORD exStyle = 0;
    DWORD style = FormStyle(form, exStyle);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return frame;
}

void Win32Backend::BeginModal(TForm& form) {
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

void Win32Backend::EndModalFor(HWND window) {
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

}  // namespace detail

Backend& InstallBackend() {
    // Never freed: forms destroyed during static destruction still call the backend.
    if (!detail::theBackend) detail::theBackend = new detail::Win32Backend();
    if (&backend() != detail::theBackend) SetBackend(detail::theBackend);
    return *detail::theBackend;
}

}  // namespace vcl::win32
