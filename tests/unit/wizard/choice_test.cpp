// What the wizard lets the user choose: the install-mode buttons and their descriptions, the
// product list and its marks, the module dialog with "全选" and locked modules, and FormCreate's texts.
#include <gtest/gtest.h>

#include "vcl/headless/actions.h"
#include "wizard/setup_prompt.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;
using vcl::headless::ScriptAction;

namespace {

// A SETUP.INI with count modes ("M1" … ) and one product with one module in each.
std::string ModesMedium(int count) {
    std::string ini = "[InstallMode]\r\n";
    for (int i = 1; i <= count; ++i) ini += "Mode" + std::to_string(i) + "=M" + std::to_string(i) + ",0,说明" + std::to_string(i) + "\r\n";
    ini += "[Products Name]\r\nProductName1=P,1,1,PKey\r\n";
    for (int i = 1; i <= count; ++i) ini += "[Product1Mode" + std::to_string(i) + "]\r\nName1=Base,1,,,1,a.dat,\r\n";
    return ini;
}

}  // namespace

TEST_F(WizardTest, ModeButtonsStandInTwoColumnsOfFiveInsidePanel9) {
    WriteMedium(ModesMedium(8));
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    const int tops[] = {5, 29, 53, 77, 101, 5, 29, 53};
    for (int i = 0; i < 8; ++i) {
        vcl::TRadioButton* button = w.ModeButtons[size_t(i)];
        ASSERT_NE(button, nullptr) << i;
        EXPECT_EQ(button->Parent(), &w.Panel9);
        EXPECT_EQ(button->Owner(), &w.Panel9);  // not the form's: the small-screen rules leave it alone
        EXPECT_EQ(button->Tag, i);
        EXPECT_EQ(button->Name(), "ModeButtons[" + std::to_string(i) + "]");
        EXPECT_EQ(button->Caption(), "M" + std::to_string(i + 1));
        EXPECT_EQ(button->Top(), tops[i]) << i;
        EXPECT_EQ(button->Left(), i < 5 ? 5 : (w.Panel9.Width() - 10) / 2 + 5) << i;
    }
    EXPECT_EQ(w.ModeButtons[8], nullptr);
    // Eight buttons, one product, and the two dialogs: eleven marks.
    std::string marks;
    for (int i = 0; i < 11; ++i) marks += "■";
    EXPECT_EQ(app::frmPrompt->Prompt.Caption(), marks);
}

TEST_F(WizardTest, FirstModeIsSelectedAtStartAndAnotherReplacesTheDescription) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    EXPECT_TRUE(w.ModeButtons[0]->Checked());
    EXPECT_EQ(Table().CurMode, 0);
    EXPECT_EQ(w.Memo3.Lines.Lines(), std::vector<std::string>{"全部安装"});
    EXPECT_TRUE(w.Memo3.ReadOnly());
    EXPECT_EQ(w.Memo3.BorderStyle(), vcl::TBorderStyle::bsNone);
    EXPECT_EQ(w.Memo3.Color(), vcl::clBtnFace);
    w.CheckListBox1.SetChecked(1, false);
    Mode(2);
    EXPECT_EQ(Table().CurMode, 2);
    EXPECT_FALSE(w.ModeButtons[0]->Checked());
    EXPECT_EQ(w.Memo3.Lines.Lines(), std::vector<std::string>{"服务器"});
    EXPECT_FALSE(w.CheckListBox1.Checked(1));  // a mode change leaves the product marks
}

TEST_F(WizardTest, DescriptionIsShownUntrimmed) {
    WriteMedium("[InstallMode]\r\nMode1=A,0,  两端有空格  \r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
                "[Product1Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
    CreateForms();
    ASSERT_EQ(Wizard().Memo3.Lines.Count(), 1);
    EXPECT_EQ(Wizard().Memo3.Lines[0], Table().InstallModes[0].Description);
}

TEST_F(WizardTest, ProductListHoldsEveryProductCheckedWithTheFirstCurrent) {
    WriteStandardMedium();
    CreateForms();
    vcl::TCheckListBox& list = Wizard().CheckListBox1;
    EXPECT_EQ(list.Items.Lines(), (std::vector<std::string>{"商店", "Tools"}));
    EXPECT_TRUE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(list.Top(), 282);
    EXPECT_EQ(Wizard().BitBtn4.Top(), 276);
    EXPECT_TRUE(Wizard().ProductChosen(0));
    EXPECT_FALSE(Wizard().ProductChosen(2));
}

TEST_F(WizardTest, ProductMarkSetsAllItsModulesAndTheOptionsButton) {
    WriteStandardMedium();
    CreateForms();
    Mode(3);  // product 0: "MSDE2000" State 2, "Shop" State 3
    vcl::headless::CheckItem(Wizard(), "CheckListBox1", 0, vcl::TCheckBoxState::cbUnchecked);
    EXPECT_EQ(Table().Modules[3][0][0].State, 0);
    EXPECT_EQ(Table().Modules[3][0][1].State, 0);
    EXPECT_FALSE(Wizard().BitBtn4.Enabled());
    EXPECT_EQ(Table().Modules[0][0][0].State, 1);  // other modes keep theirs
    vcl::headless::CheckItem(Wizard(), "CheckListBox1", 0, vcl::TCheckBoxState::cbChecked);
    EXPECT_EQ(Table().Modules[3][0][0].State, 1);  // locked states come back as 1
    EXPECT_EQ(Table().Modules[3][0][1].State, 1);
    EXPECT_TRUE(Wizard().BitBtn4.Enabled());
}

TEST_F(WizardTest, ProductThatCannotBeDeselectedGetsItsMarkBack) {
    WriteStandardMedium();
    CreateForms();
    vcl::headless::CheckItem(Wizard(), "CheckListBox1", 1, vcl::TCheckBoxState::cbUnchecked);
    EXPECT_TRUE(Wizard().CheckListBox1.Checked(1));
    EXPECT_EQ(Table().Modules[0][1][0].State, 1);
    EXPECT_EQ(Table().Modules[0][1][1].State, 0);  // untouched
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WizardTest, ClickOnAProductShowsTheOptionsButtonOnlyForAModuleChoice) {
    WriteMedium("[InstallMode]\r\nMode1=A,0,a\r\n[Products Name]\r\nProductName1=Fixed,1,0,K1\r\n"
                "ProductName2=Free,1,1,K2\r\n[Product1Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n"
                "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
    CreateForms();
    vcl::headless::SelectItem(Wizard(), "CheckListBox1", 0);
    EXPECT_FALSE(Wizard().BitBtn4.Visible());
    vcl::headless::SelectItem(Wizard(), "CheckListBox1", 1);
    EXPECT_TRUE(Wizard().BitBtn4.Visible());
    EXPECT_TRUE(Wizard().BitBtn7.Visible());  // page 5's button is never hidden
}

// --- The module dialog ---

TEST_F(WizardTest, ModuleDialogListsTheProductsModulesWithTheirMarks) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmModuleSel& dialog = *app::frmModuleSel;
    EXPECT_EQ(dialog.ClientWidth(), 289);
    EXPECT_EQ(dialog.ClientHeight(), 250);
    EXPECT_EQ(dialog.AllBtn.Caption(), "全选");
    EXPECT_EQ(dialog.BitBtn3.Caption(), "确认");
    EXPECT_TRUE(dialog.BitBtn3.Default());
    vcl::headless::SelectItem(Wizard(), "CheckListBox1", 1);
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    EXPECT_EQ(dialog.Caption(), "Tools");
    EXPECT_EQ(dialog.CheckListBox1.Items.Lines(), (std::vector<std::string>{"Base", "Help"}));
    EXPECT_TRUE(dialog.CheckListBox1.Checked(0));
    EXPECT_FALSE(dialog.CheckListBox1.Checked(1));
    EXPECT_EQ(dialog.CheckListBox1.ItemIndex(), 0);
    // Centred over the main window's right panel.
    const vcl::TPanel& panel = Table().Panel4;
    EXPECT_EQ(dialog.Top(), panel.Top() + (panel.Height() - dialog.Height()) / 2);
    EXPECT_EQ(dialog.Left(), panel.Left() + (panel.Width() - dialog.Width()) / 2);
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(WizardTest, ClearingEveryModuleUnchecksTheProductAndOneModuleChecksItAgain) {
    WriteStandardMedium();
    CreateForms();
    script.Add(ScriptAction::Check("CheckListBox1", 0, vcl::TCheckBoxState::cbUnchecked));
    script.Add(ScriptAction::Check("CheckListBox1", 1, vcl::TCheckBoxState::cbUnchecked));
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    EXPECT_EQ(Table().Modules[0][0][0].State, 0);
    EXPECT_EQ(Table().Modules[0][0][1].State, 0);
    EXPECT_FALSE(Wizard().CheckListBox1.Checked(0));
    script.Add(ScriptAction::Check("CheckListBox1", 1, vcl::TCheckBoxState::cbChecked));
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn4");
    EXPECT_EQ(Table().Modules[0][0][1].State, 1);
    EXPECT_TRUE(Wizard().CheckListBox1.Checked(0));
}

TEST_F(WizardTest, LockedModuleIsCheckedAgainAndSelectAllLeavesLockedStates) {
    WriteStandardMedium();
    CreateForms();
    Mode(3);  // product 0: State 2 and 3
    Table().Modules[3][0][1].State = 0;
    script.Add(ScriptAction::Check("CheckListBox1", 0, vcl::TCheckBoxState::cbUnchecked));
    script.Add(ScriptAction::Click("AllBtn"));
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    wizard::TfrmModuleSel& dialog = *app::frmModuleSel;
    EXPECT_TRUE(dialog.CheckListBox1.Checked(0));
    EXPECT_TRUE(dialog.CheckListBox1.Checked(1));
    EXPECT_EQ(Table().Modules[3][0][0].State, 2);
    EXPECT_EQ(Table().Modules[3][0][1].State, 1);
    EXPECT_TRUE(Wizard().CheckListBox1.Checked(0));
}

TEST_F(WizardTest, UnnamedModuleBeforeANamedOneKeepsMarksOnTheRightModules) {
    // A gap in the description's keys ends reading, so the unnamed first module is made in the table:
    // module 0 unnamed, module 1 "Shop", module 2 "Help".
    WriteMedium("[InstallMode]\r\nMode1=A,0,a\r\n[Products Name]\r\nProductName1=P,3,1,K\r\n"
                "[Product1Mode1]\r\nName1=Engine,1,,,1,a.dat,\r\nName2=Shop,1,,,1,a.dat,\r\nName3=Help,0,,,1,a.dat,\r\n");
    CreateForms();
    Table().Modules[0][0][0].Name.clear();
    script.Add(ScriptAction::Check("CheckListBox1", 0, vcl::TCheckBoxState::cbUnchecked));  // "Shop"
    script.Add(ScriptAction::Check("CheckListBox1", 1, vcl::TCheckBoxState::cbChecked));    // "Help"
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    wizard::TfrmModuleSel& dialog = *app::frmModuleSel;
    EXPECT_EQ(dialog.CheckListBox1.Items.Lines(), (std::vector<std::string>{"Shop", "Help"}));
    EXPECT_EQ(dialog.ModuleOfItem(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Table().Modules[0][0][0].State, 1);  // the unnamed module is not touched
    EXPECT_EQ(Table().Modules[0][0][1].State, 0);
    EXPECT_EQ(Table().Modules[0][0][2].State, 1);
}

TEST_F(WizardTest, SelectAllFollowsTheMappingToo) {
    WriteMedium("[InstallMode]\r\nMode1=A,0,a\r\n[Products Name]\r\nProductName1=P,3,1,K\r\n"
                "[Product1Mode1]\r\nName1=Engine,0,,,1,a.dat,\r\nName2=Shop,0,,,1,a.dat,\r\nName3=Help,0,,,1,a.dat,\r\n");
    CreateForms();
    Table().Modules[0][0][1].Name.clear();
    script.Add(ScriptAction::Click("AllBtn"));
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    EXPECT_EQ(Table().Modules[0][0][0].State, 1);
    EXPECT_EQ(Table().Modules[0][0][1].State, 0);
    EXPECT_EQ(Table().Modules[0][0][2].State, 1);
}

// --- FormCreate's texts ---

TEST_F(WizardTest, LicenceAndReadmeFillTheirMemosAndMissingFilesLeaveThemEmpty) {
    WriteStandardMedium();
    Write("License.TXT", "第一行\r\n\r\nThird line\r\n");
    CreateForms();
    EXPECT_EQ(Wizard().Memo1.Lines.Lines(), (std::vector<std::string>{"第一行", "", "Third line"}));
    EXPECT_TRUE(Wizard().Memo1.ReadOnly());
    EXPECT_EQ(Wizard().Memo1.ScrollBars(), vcl::TScrollStyle::ssBoth);
    EXPECT_EQ(Wizard().Memo2.Lines.Count(), 0);
    EXPECT_TRUE(Boxes().empty());
}
