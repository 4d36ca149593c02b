// The real-window backend applying control state to native windows (z-order, fonts, styles, items,
// selection, animation) and turning the native controls' notifications into library calls.
#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "vcl/win32/backend_impl.h"

namespace vcl::win32::detail {
namespace {

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


}  // namespace

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


void Win32Backend::SetTextIfDifferent(HWND window, const std::string& text) {
    int length = GetWindowTextLengthA(window);
    std::string current(size_t(length) + 1, '\0');
    current.resize(size_t(GetWindowTextA(window, current.data(), length + 1)));
    if (current != text) SetWindowTextA(window, text.c_str());
}

std::string Win32Backend::WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(size_t(length) + 1, '\0');
    text.resize(size_t(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

// ---- property updates ----

// Siblings stack in the order of the parent's Controls(), the first at the bottom: the window goes just
// below the next windowed sibling that has one, or on top.
void Win32Backend::PlaceInZOrder(TWinControl& control, HWND window) {
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

void Win32Backend::ApplyFont(TControl& control, HWND window) {
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

void Win32Backend::ApplyStyle(TControl& control, HWND window) {
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

void Win32Backend::ApplyItems(TControl& control, HWND window) {
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

void Win32Backend::ApplySelection(TControl& control, HWND window) {
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

void Win32Backend::ApplyValue(TControl& control, HWND window) {
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

void Win32Backend::Command(HWND child, WORD code) {
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

void Win32Backend::Notify(const NMHDR& header) {
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
void Win32Backend::PressDialogButton(TWinControl& root, bool enter) {
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

}  // namespace vcl::win32::detail
