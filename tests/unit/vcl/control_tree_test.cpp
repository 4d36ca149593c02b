// The control tree: ownership and parenthood, visibility and enabling, alignment, native windows made
// on first show, and the simple controls' own rules (radio groups, edit limits, list indexes).
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "support/test_machine.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/stdctrls.h"

using namespace vcl;

namespace {

class ControlTree : public testing::Test {
protected:
    void SetUp() override { previous_ = SetBackend(&backend_); }
    void TearDown() override { SetBackend(previous_); }
    headless::HeadlessBackend backend_;
    Backend* previous_ = nullptr;
};

// A form with a group box holding two radio buttons and a panel with an edit, as a design would build it.
class TfrmTree : public TForm {
public:
    explicit TfrmTree(TComponent* owner) : TForm(owner), GroupBox1(this), RadioButton1(this), RadioButton2(this),
                                           Panel1(this), Edit1(this) {
        SetName("frmTree");
        SetBounds(0, 0, 400, 300);
        GroupBox1.SetName("GroupBox1");
        GroupBox1.SetParent(this);
        RadioButton1.SetName("RadioButton1");
        RadioButton1.SetParent(&GroupBox1);
        RadioButton2.SetName("RadioButton2");
        RadioButton2.SetParent(&GroupBox1);
        Panel1.SetName("Panel1");
        Panel1.SetParent(this);
        Edit1.SetName("Edit1");
        Edit1.SetParent(&Panel1);
    }
    TGroupBox GroupBox1;
    TRadioButton RadioButton1, RadioButton2;
    TPanel Panel1;
    TEdit Edit1;
};

}  // namespace

TEST_F(ControlTree, ParentsOwnersAndNamesLinkTheControls) {
    TfrmTree form(nullptr);
    EXPECT_EQ(form.ControlCount(), 2);
    EXPECT_EQ(form.GroupBox1.ControlCount(), 2);
    EXPECT_EQ(form.RadioButton2.Parent(), &form.GroupBox1);
    EXPECT_EQ(form.Edit1.ParentForm(), &form);
    EXPECT_EQ(form.Edit1.Owner(), &form);
    EXPECT_EQ(form.FindComponent("edit1"), &form.Edit1);  // names compare without case
    EXPECT_EQ(form.FindComponent("Nothing"), nullptr);

    form.Edit1.SetParent(&form.GroupBox1);
    EXPECT_EQ(form.Panel1.ControlCount(), 0);
    EXPECT_EQ(form.GroupBox1.ControlCount(), 3);
}

TEST_F(ControlTree, RunTimeControlsAreFoundByNameAndFreedWithTheirOwner) {
    auto form = std::make_unique<TfrmTree>(nullptr);
    for (int i = 0; i < 3; ++i) {
        auto* button = form->MakeOwned<TRadioButton>();
        button->SetName("ModeButtons[" + std::to_string(i) + "]");
        button->SetParent(&form->GroupBox1);
    }
    EXPECT_EQ(form->GroupBox1.ControlCount(), 5);
    auto* second = dynamic_cast<TRadioButton*>(form->FindComponent("ModeButtons[1]"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Parent(), &form->GroupBox1);
    // The group box (a member) goes before the owned buttons; destroying must not touch freed parents
    // (the sanitizer build checks).
    form.reset();
}

TEST_F(ControlTree, VisibilityAndEnablingFollowTheParents) {
    TfrmTree form(nullptr);
    form.Show();
    EXPECT_TRUE(form.Edit1.Showing());
    form.Panel1.Hide();
    EXPECT_TRUE(form.Edit1.Visible());
    EXPECT_FALSE(form.Edit1.Showing());

    EXPECT_TRUE(form.Edit1.EnabledInTree());
    form.Panel1.SetEnabled(false);
    EXPECT_TRUE(form.Edit1.Enabled());
    EXPECT_FALSE(form.Edit1.EnabledInTree());
    form.Panel1.SetEnabled(true);
    EXPECT_TRUE(form.Edit1.EnabledInTree());
}

TEST_F(ControlTree, WindowsAreMadeOnFirstShowAndForLateChildren) {
    TfrmTree form(nullptr);
    EXPECT_FALSE(backend_.HasWindow(form));
    form.Show();
    EXPECT_TRUE(backend_.HasWindow(form));
    EXPECT_TRUE(backend_.HasWindow(form.Edit1));
    TEdit late(&form);
    late.SetParent(&form.Panel1);
    EXPECT_TRUE(backend_.HasWindow(late));
}

TEST_F(ControlTree, AlignedChildrenShareTheParentsClientArea) {
    TPanel parent(nullptr);
    parent.SetBounds(0, 0, 300, 200);
    TPanel top(nullptr), client(nullptr);
    top.SetHeight(30);
    top.SetParent(&parent);
    top.SetAlign(TAlign::alTop);
    client.SetParent(&parent);
    client.SetAlign(TAlign::alClient);
    EXPECT_EQ(top.BoundsRect(), (TRect{0, 0, 300, 30}));
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 30, 300, 200}));
    parent.SetWidth(250);
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 30, 250, 200}));

    // A bottom bar aligned first and sized afterwards stays inside the parent and moves the client area.
    TPanel bottom(nullptr);
    bottom.SetParent(&parent);
    bottom.SetAlign(TAlign::alBottom);
    bottom.SetHeight(44);
    EXPECT_EQ(bottom.BoundsRect(), (TRect{0, 156, 250, 200}));
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 30, 250, 156}));
}

TEST_F(ControlTree, CheckingARadioButtonUnchecksItsSiblingsAndFiresOnClick) {
    TfrmTree form(nullptr);
    int clicks = 0;
    form.RadioButton2.OnClick = [&](TComponent*) { ++clicks; };
    form.RadioButton1.SetChecked(true);
    form.RadioButton2.SetChecked(true);  // set by the program: fires as the runtime does
    EXPECT_FALSE(form.RadioButton1.Checked());
    EXPECT_EQ(clicks, 1);
    form.RadioButton2.Click();  // already checked: no second event
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlTree, EditCutsTextAtMaxLengthAndReportsChanges) {
    TEdit edit(nullptr);
    std::vector<std::string> seen;
    edit.OnChange = [&](TComponent*) { seen.push_back(edit.Text()); };
    edit.SetMaxLength(5);
    edit.SetText("MSSQLSERVER");
    edit.SetText("MSSQL");  // same after the cut: no event
    EXPECT_EQ(seen, std::vector<std::string>{"MSSQL"});
}

TEST_F(ControlTree, ListItemIndexStaysOnItsItem) {
    TListBox list(nullptr);
    list.Items.Add("a");
    list.Items.Add("b");
    list.SetItemIndex(1);
    list.Items.Insert(0, "first");
    EXPECT_EQ(list.ItemIndex(), 2);
    list.Items.Delete(2);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(7);
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(ControlTree, StringsSplitAnyLineEndAndLoadFromFiles) {
    TStrings lines;
    lines.SetText("one\r\ntwo\nthree\rfour");
    ASSERT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines[3], "four");
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");

    std::string dir = test_support::MakeTempDir();
    test_support::WriteFile(dir + "\\License.TXT", std::string("First line\r\n\r\nThird line\r\n"));
    TMemo memo(nullptr);
    memo.Lines.LoadFromFile(dir + "\\License.TXT");
    EXPECT_EQ(memo.Lines.Lines(), (std::vector<std::string>{"First line", "", "Third line"}));
    EXPECT_THROW(memo.Lines.LoadFromFile(dir + "\\Readme.TXT"), rtl::EFOpenError);
    EXPECT_EQ(memo.Lines.Count(), 3);
}

TEST_F(ControlTree, ControlsShowTheirParentsFontUntilGivenTheirOwn) {
    TfrmTree form(nullptr);
    TLabel label(&form), own(&form);
    own.Font.SetColor(clNavy);  // its own font before it joins the form
    label.SetParent(&form.Panel1);
    own.SetParent(&form.Panel1);
    form.Font.SetName("SimSun");
    form.Font.SetSize(9);
    EXPECT_EQ(form.Panel1.Font.Name(), "SimSun");
    EXPECT_EQ(label.Font.Size(), 9);
    EXPECT_EQ(own.Font.Size(), 8);
    EXPECT_EQ(own.Font.Color(), clNavy);

    label.Font.SetColor(clYellow);  // a step label marked: it keeps the rest and stops following
    form.Font.SetSize(10);
    EXPECT_FALSE(label.ParentFont());
    EXPECT_EQ(label.Font.Size(), 9);
    EXPECT_EQ(label.Font.Color(), clYellow);
    EXPECT_TRUE(form.Panel1.ParentFont());
    EXPECT_EQ(form.Edit1.Font.Size(), 10);
}

TEST_F(ControlTree, BringToFrontAndSendToBackReorderSiblings) {
    TfrmTree form(nullptr);
    form.GroupBox1.BringToFront();
    EXPECT_EQ(form.Controls().back(), &form.GroupBox1);
    form.GroupBox1.SendToBack();
    EXPECT_EQ(form.Controls().front(), &form.GroupBox1);
}
