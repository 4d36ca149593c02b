// Descriptions the wizard must survive: no install mode, no product, and the tables' capacities. The
// wizard never reads outside its tables; without a mode or a product page 5 cannot be passed (Next stays
// off and Memo3 says why), so the user can only go back or cancel.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "vcl/headless/actions.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;
using vcl::headless::ScriptAction;

TEST_F(WizardTest, NoInstallModeKeepsPage5ClosedWithAVisibleReason) {
    WriteMedium("[Products Name]\r\nProductName1=P,1,1,K\r\n");
    CreateForms();
    EXPECT_EQ(Table().ModeCount, 0);
    EXPECT_EQ(Wizard().ModeButtons[0], nullptr);
    EXPECT_FALSE(Wizard().CanChooseMode());
    GoToModePage();
    EXPECT_FALSE(Wizard().BitBtn2.Enabled());
    EXPECT_THROW(Next(), vcl::EActionRefused);
    EXPECT_EQ(Wizard().Memo3.Lines.Lines(), std::vector<std::string>{wizard::kNoInstallMode});
    // The options button still opens the dialog for the listed product, with no module to show.
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    EXPECT_EQ(app::frmModuleSel->CheckListBox1.Items.Count(), 0);
    Back();
    EXPECT_EQ(Wizard().PageNo, 4);
    EXPECT_TRUE(Wizard().BitBtn2.Enabled());
    Next();
    EXPECT_FALSE(Wizard().BitBtn2.Enabled());
    // Even pressed by the program, Next does not leave page 5.
    Wizard().BitBtn2.SetEnabled(true);
    Wizard().BitBtn2Click(nullptr);
    EXPECT_EQ(Wizard().PageNo, 5);
}

TEST_F(WizardTest, NoProductKeepsPage5ClosedAndTheOptionsButtonsDoNothing) {
    WriteMedium("[InstallMode]\r\nMode1=A,1,说明\r\n");
    CreateForms();
    EXPECT_EQ(Table().ProductCount, 0);
    EXPECT_EQ(Wizard().CheckListBox1.Items.Count(), 0);
    EXPECT_EQ(Wizard().CheckListBox1.ItemIndex(), -1);
    GoToModePage();
    EXPECT_FALSE(Wizard().BitBtn2.Enabled());
    EXPECT_EQ(Wizard().Memo3.Lines.Lines(), (std::vector<std::string>{"说明", wizard::kNoProduct}));
    Click("BitBtn7");  // no product item: no dialog (a dialog would wait for the script and end the run)
    Click("BitBtn4");
    Wizard().CheckListBox1Click(nullptr);
    Wizard().CheckListBox1ClickCheck(nullptr);
    EXPECT_TRUE(Boxes().empty());
    script.Add(ScriptAction::AnswerOk());
    Click("BitBtn1");
    EXPECT_EQ(Table().WizardResult, 0);
}

TEST_F(WizardTest, ModeAndModuleCountsBeyondTheTablesAreCutAtTheCapacities) {
    WriteStandardMedium();
    CreateForms();
    // The loader keeps to the capacities; a table changed behind its back must not take the wizard out.
    Table().ModeCount = 50;
    Table().ProductCount = 50;
    Table().Products[0].ModuleCount = 500;
    Table().CurMode = 77;
    EXPECT_EQ(Wizard().CurrentModeKind(), Table().InstallModes[0].Kind);
    vcl::headless::CheckItem(Wizard(), "CheckListBox1", 0, vcl::TCheckBoxState::cbUnchecked);
    EXPECT_EQ(Table().Modules[0][0][29].State, 0);
    script.Add(ScriptAction::Click("AllBtn"));
    script.Add(ScriptAction::Click("BitBtn3"));
    Click("BitBtn7");
    EXPECT_EQ(Table().Modules[0][0][1].State, 1);
    EXPECT_TRUE(Wizard().CheckListBox1.Checked(0));
}
