// What the wizard's path page needs of real windows: the report view's grid lines and plain column headers,
// a click beside its rows taking the selection away, and the desktop-rooted folder browser.
#include <string>

#include "vcl/comctrls.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/timer.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl;
using namespace vcl_win32_test;

namespace {

using PathPageControls = RealWindows;

// A visible dialog of this thread (other programs on the display have theirs).
HWND ThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// True when some child of window shows text.
bool ShowsText(HWND window, const std::string& text) {
    struct Search {
        const std::string* text;
        bool found;
    } search{&text, false};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            if (TextOf(child) != *search->text) return TRUE;
            search->found = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(PathPageControls, ReportViewDrawsGridLinesAndItsHeadersAreNoButtons) {
    if (IsSkipped()) return;
    TForm form(nullptr);
    form.SetBounds(40, 30, 420, 260);
    TListView view(&form);
    view.SetParent(&form);
    view.SetBounds(24, 64, 350, 161);
    view.AddColumn("Name", 100);
    view.SetGridLines(true);
    view.SetColumnClick(false);
    form.Show();
    HWND window = Hwnd(view);
    EXPECT_NE(SendMessageA(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES, 0);
    EXPECT_NE(GetWindowLongPtrA(window, GWL_STYLE) & LVS_NOSORTHEADER, 0);
    EXPECT_NE(GetWindowLongPtrA(window, GWL_STYLE) & LVS_SHOWSELALWAYS, 0) << "selection visible without focus";
    view.SetGridLines(false);
    view.SetColumnClick(true);
    EXPECT_EQ(SendMessageA(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES, 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & LVS_NOSORTHEADER, 0);
}

TEST_F(PathPageControls, AClickBesideTheRowsTakesTheSelectionAwayAndIsHeard) {
    if (IsSkipped()) return;
    TForm form(nullptr);
    form.SetBounds(40, 30, 420, 260);
    TListView view(&form);
    view.SetParent(&form);
    view.SetBounds(24, 64, 350, 161);
    view.AddColumn("Name", 100);
    view.AddItem("Shop");
    view.AddItem("Tools");
    int clicks = 0;
    view.OnClick = [&](TComponent*) { ++clicks; };
    form.Show();
    view.SetSelectedIndex(1);
    // What the list does when the user clicks below its last row: the row loses its mark, then NM_CLICK.
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    SendMessageA(Hwnd(view), LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&state));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = Hwnd(view);
    click.hdr.idFrom = UINT_PTR(GetDlgCtrlID(Hwnd(view)));
    click.hdr.code = NM_CLICK;
    click.iItem = -1;
    SendMessageA(GetParent(Hwnd(view)), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(view.SelectedIndex(), -1);
    EXPECT_EQ(clicks, 1);
    // A click on the selected row changes nothing.
    view.SetSelectedIndex(0);
    clicks = 0;
    SendMessageA(GetParent(Hwnd(view)), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(view.SelectedIndex(), 0);
    EXPECT_EQ(clicks, 0);
}

TEST_F(PathPageControls, DesktopFolderBrowserShowsItsTitleAndReportsConfirmOrCancel) {
    if (IsSkipped()) return;
    const std::string title = "\xC7\xEB\xD1\xA1\xD4\xF1";  // GBK bytes of a Chinese title
    TTimer timer(nullptr);
    timer.SetInterval(50);
    bool titleShown = false;
    auto answerWith = [&](WPARAM answer) {
        timer.SetOnTimer([&timer, &titleShown, &title, answer](TComponent*) {
            if (HWND box = ThreadDialog()) {
                timer.SetEnabled(false);
                titleShown = ShowsText(box, title);
                PostMessageA(box, WM_COMMAND, answer, 0);
            }
        });
        timer.SetEnabled(true);
    };
    std::string path = "unchanged";
    answerWith(IDCANCEL);
    EXPECT_FALSE(BrowseForFolder(title, bifNone, path));
    EXPECT_EQ(path, "unchanged");
    EXPECT_TRUE(titleShown);
    // Confirmed at once: the desktop itself, or nothing selected; either way a confirmed choice whose path
    // (the desktop folder, or empty) replaces the old one.
    answerWith(IDOK);
    EXPECT_TRUE(BrowseForFolder(title, bifNone, path));
    EXPECT_NE(path, "unchanged");
}

}  // namespace
