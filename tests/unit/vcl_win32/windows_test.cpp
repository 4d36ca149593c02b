// Native windows made for the control tree: their classes, texts and places, property changes reaching
// them, and the user's actions on them coming back into the library as clicks, selections and typing.
#include "rtl/exceptions.h"
#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl;
using namespace vcl_win32_test;

namespace {

class NativeWindows : public RealWindows {
protected:
    void SetUp() override {
        RealWindows::SetUp();
        if (IsSkipped()) return;
        form.SetCaption("\xB0\xB2\xD7\xB0");  // GBK bytes of a Chinese caption
        form.SetBounds(40, 30, 420, 320);
        panel.SetParent(&form);
        panel.SetBounds(200, 10, 180, 80);
        radio1.SetParent(&panel);
        radio1.SetBounds(8, 8, 120, 20);
        radio1.SetCaption("Typical");
        radio2.SetParent(&panel);
        radio2.SetBounds(8, 40, 120, 20);
        radio2.SetCaption("Custom");
        button.SetParent(&form);
        button.SetBounds(10, 250, 75, 25);
        button.SetCaption("&Next");
        button.OnClick = [this](TComponent*) { ++clicks; };
        edit.SetParent(&form);
        edit.SetBounds(10, 10, 180, 22);
        edit.SetText("C:\\Program Files");
        edit.OnChange = [this](TComponent*) { ++changes; };
        list.SetParent(&form);
        list.SetBounds(10, 40, 180, 60);
        list.Items.Add("one");
        list.Items.Add("two");
        checks.SetParent(&form);
        checks.SetBounds(10, 110, 180, 60);
        checks.Items.Add("Program");
        checks.Items.Add("Help");
        checks.OnClickCheck = [this](TComponent*) { ++checkClicks; };
        view.SetParent(&form);
        view.SetBounds(200, 100, 200, 80);
        view.AddColumn("Name", 100);
        view.AddColumn("Size", 60, TAlignment::taRightJustify);
        view.AddItem("Program", {"1200 KB"});
        memo.SetParent(&form);
        memo.SetBounds(200, 190, 200, 50);
        memo.Lines.Add("first line");
        animate.SetParent(&form);
        animate.SetBounds(100, 250, 40, 40);
        form.Show();
    }
    TForm form{nullptr};
    TPanel panel{&form};
    TRadioButton radio1{&form}, radio2{&form};
    TBitBtn button{&form};
    TEdit edit{&form};
    TListBox list{&form};
    TCheckListBox checks{&form};
    TListView view{&form};
    TMemo memo{&form};
    TAnimate animate{&form};
    int clicks = 0, changes = 0, checkClicks = 0;
};

void ExpectPlace(const TControl& control, HWND window) {
    RECT r = PlaceOf(window);
    EXPECT_EQ(r.left, control.Left()) << control.Name();
    EXPECT_EQ(r.top, control.Top()) << control.Name();
    EXPECT_EQ(r.right - r.left, control.Width()) << control.Name();
    EXPECT_EQ(r.bottom - r.top, control.Height()) << control.Name();
}

}  // namespace

TEST_F(NativeWindows, EachWindowedControlHasAWindowOfItsClassInPlace) {
    ASSERT_TRUE(IsWindow(Hwnd(form)));
    EXPECT_TRUE(IsWindowVisible(Hwnd(form)));
    EXPECT_EQ(ClassOf(Hwnd(form)), "TSForm");
    EXPECT_EQ(TextOf(Hwnd(form)), "\xB0\xB2\xD7\xB0");
    ExpectPlace(form, Hwnd(form));
    EXPECT_EQ(ClassOf(Hwnd(panel)), "TSContainer");
    EXPECT_EQ(GetParent(Hwnd(radio1)), Hwnd(panel));
    EXPECT_EQ(ClassOf(Hwnd(radio1)), "Button");
    EXPECT_EQ(TextOf(Hwnd(radio2)), "Custom");
    EXPECT_EQ(ClassOf(Hwnd(button)), "Button");
    EXPECT_EQ(TextOf(Hwnd(button)), "&Next");
    EXPECT_EQ(ClassOf(Hwnd(edit)), "Edit");
    EXPECT_EQ(TextOf(Hwnd(edit)), "C:\\Program Files");
    EXPECT_EQ(ClassOf(Hwnd(list)), "ListBox");
    EXPECT_EQ(SendMessageA(Hwnd(list), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ClassOf(Hwnd(checks)), "ListBox");
    EXPECT_TRUE(GetWindowLongA(Hwnd(checks), GWL_STYLE) & LBS_OWNERDRAWFIXED);
    EXPECT_EQ(ClassOf(Hwnd(view)), "SysListView32");
    EXPECT_EQ(SendMessageA(Hwnd(view), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ClassOf(Hwnd(memo)), "Edit");
    EXPECT_TRUE(GetWindowLongA(Hwnd(memo), GWL_STYLE) & ES_MULTILINE);
    EXPECT_EQ(TextOf(Hwnd(memo)), "first line\r\n");
    EXPECT_EQ(ClassOf(Hwnd(animate)), "SysAnimate32");
    for (const TWinControl* control : std::initializer_list<const TWinControl*>{&panel, &radio1, &button, &edit,
                                                                               &list, &view, &memo})
        ExpectPlace(*control, Hwnd(*control));
    // The client area is what the form's size leaves after the backend's frame.
    RECT client;
    GetClientRect(Hwnd(form), &client);
    EXPECT_EQ(client.right, form.ClientWidth());
    EXPECT_EQ(client.bottom, form.ClientHeight());
}

TEST_F(NativeWindows, PropertyChangesReachTheWindows) {
    button.SetCaption("Install");
    EXPECT_EQ(TextOf(Hwnd(button)), "Install");
    form.SetCaption("Setup");
    EXPECT_EQ(TextOf(Hwnd(form)), "Setup");
    list.Items.Add("three");
    list.SetItemIndex(2);
    ASSERT_EQ(SendMessageA(Hwnd(list), LB_GETCOUNT, 0, 0), 3);
    char line[32] = {};
    SendMessageA(Hwnd(list), LB_GETTEXT, 2, reinterpret_cast<LPARAM>(line));
    EXPECT_STREQ(line, "three");
    EXPECT_EQ(SendMessageA(Hwnd(list), LB_GETCURSEL, 0, 0), 2);
    view.SetSubItems(0, {"1500 KB"});
    char cell[32] = {};
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = cell;
    item.cchTextMax = sizeof(cell);
    SendMessageA(Hwnd(view), LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(cell, "1500 KB");
    memo.Lines.Add("second line");
    EXPECT_EQ(TextOf(Hwnd(memo)), "first line\r\nsecond line\r\n");
    radio2.SetChecked(true);
    EXPECT_EQ(SendMessageA(Hwnd(radio2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(Hwnd(radio1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    button.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Hwnd(button)));
    panel.Hide();
    EXPECT_FALSE(IsWindowVisible(Hwnd(panel)));
    edit.SetBounds(12, 14, 150, 24);
    ExpectPlace(edit, Hwnd(edit));
    form.SetBounds(60, 50, 400, 300);
    ExpectPlace(form, Hwnd(form));
}

TEST_F(NativeWindows, UserActionsComeBackThroughTheLibrary) {
    SendMessageA(Hwnd(button), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    SendMessageA(Hwnd(radio2), BM_CLICK, 0, 0);
    EXPECT_TRUE(radio2.Checked());
    EXPECT_EQ(SendMessageA(Hwnd(radio2), BM_GETCHECK, 0, 0), BST_CHECKED);

    SetWindowTextA(Hwnd(edit), "D:\\Apps");
    EXPECT_EQ(edit.Text(), "D:\\Apps");
    EXPECT_EQ(changes, 1);

    SendMessageA(Hwnd(list), LB_SETCURSEL, 1, 0);
    SendMessageA(Hwnd(form), WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Hwnd(list)));
    EXPECT_EQ(list.ItemIndex(), 1);

    // A click on the second item's check box checks it.
    int itemHeight = int(SendMessageA(Hwnd(checks), LB_GETITEMHEIGHT, 0, 0));
    LPARAM where = MAKELPARAM(6, itemHeight + itemHeight / 2);
    SendMessageA(Hwnd(checks), WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageA(Hwnd(checks), WM_LBUTTONUP, 0, where);
    EXPECT_EQ(checks.State(1), TCheckBoxState::cbChecked);
    EXPECT_EQ(checks.State(0), TCheckBoxState::cbUnchecked);
    EXPECT_EQ(checkClicks, 1);

    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(Hwnd(view), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(view.SelectedIndex(), 0);

    // The system sizing the window reaches the form; the close box hides a form that is not the main one.
    int resizes = 0;
    form.OnResize = [&](TComponent*) { ++resizes; };
    SetWindowPos(Hwnd(form), nullptr, 70, 80, 380, 290, SWP_NOZORDER);
    EXPECT_EQ(form.Left(), 70);
    EXPECT_EQ(form.Width(), 380);
    EXPECT_EQ(form.Height(), 290);
    EXPECT_GE(resizes, 1);
    SendMessageA(Hwnd(form), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(IsWindowVisible(Hwnd(form)));
}

TEST_F(NativeWindows, HandlerExceptionsSurfaceInLibraryCode) {
    button.OnClick = [](TComponent*) { throw rtl::Exception("handler failed"); };
    PostMessageA(Hwnd(button), BM_CLICK, 0, 0);
    EXPECT_THROW(backend().ProcessMessages(), rtl::Exception);
    backend().ProcessMessages();  // nothing left pending
}

TEST_F(NativeWindows, DestroyingAParentFirstLeavesNoStaleWindows) {
    auto* group = new TGroupBox(nullptr);
    group->SetParent(&form);
    group->SetBounds(10, 180, 150, 60);
    auto* inner = new TEdit(nullptr);
    inner->SetParent(group);
    HWND innerWindow = Hwnd(*inner);
    ASSERT_TRUE(IsWindow(innerWindow));
    delete group;
    EXPECT_FALSE(IsWindow(innerWindow));
    EXPECT_EQ(inner->NativeHandle(), nullptr);
    delete inner;
}

TEST_F(NativeWindows, PageControlShowsOnlyItsActiveSheet) {
    TPageControl pages(&form);
    pages.SetParent(&form);
    pages.SetBounds(10, 180, 180, 60);
    pages.SetTabsVisible(false);
    TTabSheet first(&form), second(&form);
    first.SetPageControl(&pages);
    second.SetPageControl(&pages);
    TEdit onSecond(&form);
    onSecond.SetParent(&second);
    EXPECT_EQ(ClassOf(Hwnd(pages)), "TSContainer");
    EXPECT_EQ(GetParent(Hwnd(second)), Hwnd(pages));
    EXPECT_TRUE(IsWindowVisible(Hwnd(first)));
    EXPECT_FALSE(IsWindowVisible(Hwnd(onSecond)));
    ExpectPlace(second, Hwnd(second));
    pages.SetActivePage(&second);
    EXPECT_FALSE(IsWindowVisible(Hwnd(first)));
    EXPECT_TRUE(IsWindowVisible(Hwnd(onSecond)));
    RECT sheet = PlaceOf(Hwnd(second));
    EXPECT_EQ(sheet.right - sheet.left, 180);
    EXPECT_EQ(sheet.bottom - sheet.top, 60);
}

TEST_F(NativeWindows, SiblingWindowsStackInControlOrder) {
    // The panel is made first and the animation after it: the animation stays above the panel.
    HWND above = GetWindow(Hwnd(panel), GW_HWNDPREV);
    while (above && above != Hwnd(animate)) above = GetWindow(above, GW_HWNDPREV);
    EXPECT_EQ(above, Hwnd(animate));
    animate.SendToBack();
    EXPECT_EQ(GetWindow(Hwnd(animate), GW_HWNDLAST), Hwnd(animate));
    animate.BringToFront();
    EXPECT_EQ(GetWindow(Hwnd(animate), GW_HWNDFIRST), Hwnd(animate));
}

TEST_F(NativeWindows, AWindowedControlMovedToAnotherParentMovesItsWindow) {
    TEdit moved(&form);
    moved.SetParent(&panel);
    ASSERT_EQ(GetParent(Hwnd(moved)), Hwnd(panel));
    moved.SetParent(&form);
    EXPECT_EQ(GetParent(Hwnd(moved)), Hwnd(form));
}

TEST_F(NativeWindows, BorderStyleAndWindowStateReachTheFrame) {
    form.SetBorderStyle(TBorderStyle::bsDialog);
    EXPECT_FALSE(GetWindowLongA(Hwnd(form), GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongA(Hwnd(form), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    form.SetFormStyle(TFormStyle::fsStayOnTop);
    EXPECT_TRUE(GetWindowLongA(Hwnd(form), GWL_EXSTYLE) & WS_EX_TOPMOST);
    form.SetWindowState(TWindowState::wsMinimized);
    EXPECT_TRUE(IsIconic(Hwnd(form)));
    form.SetWindowState(TWindowState::wsNormal);
    EXPECT_FALSE(IsIconic(Hwnd(form)));
}

TEST_F(NativeWindows, AlignedControlsFillTheClientAreaNotTheFrame) {
    TForm dialog(nullptr);
    dialog.SetBorderStyle(TBorderStyle::bsDialog);
    dialog.SetClientWidth(496);
    dialog.SetClientHeight(360);
    TPanel bar(nullptr);
    bar.SetParent(&dialog);
    bar.SetAlign(TAlign::alBottom);
    bar.SetHeight(44);
    dialog.Show();
    RECT client;
    GetClientRect(Hwnd(dialog), &client);
    EXPECT_EQ(client.right, 496);
    EXPECT_EQ(client.bottom, 360);
    RECT placed;
    GetWindowRect(Hwnd(bar), &placed);
    MapWindowPoints(HWND_DESKTOP, Hwnd(dialog), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.top, 316);
    EXPECT_EQ(placed.bottom, 360);
    EXPECT_EQ(placed.right, 496);
}
