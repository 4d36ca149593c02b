// The wizard's page flow: the design, the headers, Next and Back with the instance page's
// skips, the licence choice, the install caption, Cancel's question and the hand-over values.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "vcl/headless/actions.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;
using vcl::headless::ScriptAction;

TEST_F(WizardTest, FormIsBuiltAsDesignedAndOpensOnTheWelcomePageWithoutHeader) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    EXPECT_EQ(w.Caption(), "安装程序向导");
    EXPECT_EQ(w.BorderIcons(), 0u);
    EXPECT_EQ(w.Width(), 503);
    EXPECT_EQ(w.Height(), 362);
    EXPECT_EQ(w.Top(), 270);
    EXPECT_EQ(w.Left(), 1024 / 4 + (3 * (1024 / 4) - 503) / 2);
    EXPECT_EQ(w.PageNo, 1);
    EXPECT_EQ(w.SetupPage.PageCount(), 8);
    EXPECT_EQ(w.SetupPage.ActivePage(), &w.SetupTab1);
    EXPECT_FALSE(w.SetupPage.TabsVisible());
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(w.SetupPage.Pages(i)->TabVisible()) << i;
    EXPECT_FALSE(w.Panel11.Visible());
    EXPECT_EQ(w.Panel11.Align(), vcl::TAlign::alNone);
    EXPECT_EQ(w.Panel11.Color(), vcl::clWhite);
    EXPECT_EQ(w.Panel0.Height(), 44);
    EXPECT_FALSE(w.BitBtn3.Visible());
    EXPECT_EQ(w.BitBtn3.Caption(), "上一步(&P)");
    EXPECT_EQ(w.BitBtn2.Caption(), "下一步(&N)");
    EXPECT_TRUE(w.BitBtn2.Enabled());
    EXPECT_EQ(w.BitBtn1.Caption(), "取消");
    EXPECT_EQ(w.BitBtn3.BoundsRect(), (vcl::TRect{208, 12, 293, 37}));
    EXPECT_EQ(w.BitBtn2.BoundsRect(), (vcl::TRect{292, 12, 377, 37}));
    EXPECT_EQ(w.BitBtn1.BoundsRect(), (vcl::TRect{421, 12, 486, 37}));
    EXPECT_EQ(Table().WizardResult, 0);
    EXPECT_EQ(w.EdtInsName.Text(), "SHOPDB");
    EXPECT_FALSE(w.RadioButton1.Checked());
    EXPECT_FALSE(w.RadioButton2.Checked());
    // Every control is reachable by name, the run-time mode buttons included.
    for (const char* name : {"Panel11", "Prompt", "PromptDescribe", "SetupPage", "SetupTab8", "Memo1", "Memo3",
                             "RadioButton2", "Edit2", "Panel9", "BitBtn7", "Label4", "EdtInsName", "CheckListBox1",
                             "BitBtn4", "ListView1", "BitBtn5", "BitBtn6", "ListBox1", "ModeButtons[3]"})
        EXPECT_NE(vcl::headless::FindControl(w, name), nullptr) << name;
}

TEST_F(WizardTest, EachPageShowsItsSheetAndHeader) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    const char* titles[] = {"许可协议", "自述文件", "个人信息", "选择安装模式", "产品配置", "安装路径", "准备复制文件"};
    const char* descriptions[] = {"许可协议描述了您的权利与义务", "自述文件描述了本软件的功能与特点",
                                  "个人信息描述了您个人的情况", "选择适合于您的程序安装模式",
                                  "配置您要安装的MSDE实例。", "选择程序的安装位置", "确认您的安装信息"};
    for (int n = 2; n <= 8; ++n) {
        w.ShowPage(n);
        EXPECT_EQ(w.SetupPage.ActivePageIndex(), n - 1);
        EXPECT_TRUE(w.Panel11.Visible());
        EXPECT_EQ(w.Panel11.Align(), vcl::TAlign::alTop);
        EXPECT_EQ(w.Prompt.Caption(), titles[n - 2]) << n;
        EXPECT_EQ(w.PromptDescribe.Caption(), descriptions[n - 2]) << n;
    }
    w.ShowPage(1);
    EXPECT_FALSE(w.Panel11.Visible());
    EXPECT_EQ(w.Panel11.Align(), vcl::TAlign::alNone);
    EXPECT_EQ(w.Prompt.Caption(), "准备复制文件");  // page 1 leaves the texts
    // The header's place goes to the pages while it is hidden.
    EXPECT_EQ(w.SetupPage.Top(), 0);
    w.ShowPage(2);
    EXPECT_EQ(w.SetupPage.Top(), 59);
    EXPECT_EQ(w.Prompt.BoundsRect().Left, 69);
    EXPECT_EQ(w.Prompt.Top(), 8);
    EXPECT_TRUE(w.Prompt.Font.Bold());
    EXPECT_EQ(w.PromptDescribe.Left(), 88);
    EXPECT_EQ(w.PromptDescribe.Top(), 27);
}

TEST_F(WizardTest, LicenceChoiceEnablesNextAndIsKeptAcrossBackAndNext) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    Next();
    EXPECT_EQ(w.PageNo, 2);
    EXPECT_TRUE(w.BitBtn3.Visible());
    EXPECT_FALSE(w.BitBtn2.Enabled());
    EXPECT_THROW(Next(), vcl::EActionRefused);
    Click("RadioButton1");
    EXPECT_TRUE(w.BitBtn2.Enabled());
    Click("RadioButton2");
    EXPECT_FALSE(w.BitBtn2.Enabled());
    EXPECT_FALSE(w.RadioButton1.Checked());
    Click("RadioButton1");
    Back();
    EXPECT_EQ(w.PageNo, 1);
    EXPECT_FALSE(w.BitBtn3.Visible());
    EXPECT_TRUE(w.BitBtn2.Enabled());
    EXPECT_FALSE(w.Panel11.Visible());
    Next();
    EXPECT_TRUE(w.RadioButton1.Checked());
    EXPECT_TRUE(w.BitBtn2.Enabled());
    Click("RadioButton2");
    EXPECT_THROW(Next(), vcl::EActionRefused);
    EXPECT_EQ(w.PageNo, 2);
}

TEST_F(WizardTest, LicenceRefusedThenBackToPage1AndForwardAgainKeepsNextOff) {
    WriteStandardMedium();
    CreateForms();
    Next();
    Click("RadioButton2");
    Back();
    Next();
    EXPECT_FALSE(Wizard().BitBtn2.Enabled());
    EXPECT_TRUE(Wizard().RadioButton2.Checked());
}

TEST_F(WizardTest, TextPagesEnableNextAndBackReturnsThroughThem) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    EXPECT_EQ(shownPages, (std::vector<int>{2, 3, 4, 5}));
    Back();
    Back();
    Back();
    EXPECT_EQ(Wizard().PageNo, 2);
    EXPECT_TRUE(Wizard().BitBtn2.Enabled());  // "接受" still selected
    Back();
    EXPECT_EQ(Wizard().PageNo, 1);
}

// The instance page: shown for Kind 1 or an MSDE lead module with State ≠ 0; Back skips it unless Kind 1.
TEST_F(WizardTest, MsdeLeadModuleSelectedShowsTheInstancePageAndBackFromPathsSkipsIt) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(0);  // Kind 0, "MSDE2000" State 1
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
    EXPECT_EQ(Wizard().SetupPage.ActivePage(), &Wizard().SetupTab6);
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    Back();
    EXPECT_EQ(Wizard().PageNo, 5);
}

TEST_F(WizardTest, NonEngineLeadModuleSkipsTheInstancePageBothWays) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(1);  // Kind 0, "Client"
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_EQ(Wizard().SetupPage.ActivePage(), &Wizard().SetupTab7);
    Back();
    EXPECT_EQ(Wizard().PageNo, 5);
    EXPECT_EQ(shownPages.back(), 5);
}

TEST_F(WizardTest, KindOneShowsTheInstancePageBothWaysWithoutChecksForAnUnselectedEngine) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(2);  // Kind 1, "MSDE2000" State 0
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
    vcl::headless::TypeText(Wizard(), "EdtInsName", "");  // would be refused if checked
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_TRUE(Boxes().empty());
    Back();
    EXPECT_EQ(Wizard().PageNo, 6);
    Back();
    EXPECT_EQ(Wizard().PageNo, 5);
}

TEST_F(WizardTest, LockedEngineShowsTheInstancePageButRunsNoCheck) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(3);  // Kind 0, "MSDE2000" State 2
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
    vcl::headless::TypeText(Wizard(), "EdtInsName", "bad name");
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_TRUE(Boxes().empty());
    Back();
    EXPECT_EQ(Wizard().PageNo, 5);  // Kind 0
}

TEST_F(WizardTest, ClearedEngineSkipsTheInstancePageAndALockedOneShowsIt) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(0);
    Table().Modules[0][0][0].State = 0;
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    Table().Modules[0][0][0].State = 3;
    Back();
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
}

// The instance-name checks start only for a selected (State 1) lead module whose name holds "MSDE" in
// capitals, whatever the mode's Kind: Kind 1 shows the page, the lead module decides about the checks.
TEST_F(WizardTest, KindOneWithASelectedEngineChecksTheInstanceName) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(2);  // Kind 1
    Table().Modules[2][0][0].State = 1;
    Next();
    ASSERT_EQ(Wizard().PageNo, 6);
    vcl::headless::TypeText(Wizard(), "EdtInsName", "");
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "实例名不能为空");
}

TEST_F(WizardTest, LowerCaseMsdeIsNoEngineModule) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    // Kind 1: the page is shown for the mode's sake, but "msde2000" starts no check.
    Mode(2);
    Table().Modules[2][0][0].Name = "msde2000";
    Table().Modules[2][0][0].State = 1;
    Next();
    ASSERT_EQ(Wizard().PageNo, 6);
    vcl::headless::TypeText(Wizard(), "EdtInsName", "");  // would be refused if checked
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_TRUE(Boxes().empty());
    Back();
    Back();
    ASSERT_EQ(Wizard().PageNo, 5);
    // Kind 0: a selected "msde" lead module does not open the instance page.
    Mode(1);
    Table().Modules[1][0][0].Name = "msde client";
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WizardTest, RefusedInstanceNameKeepsPage6AndBackThenGoesToPage5) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Next();
    vcl::headless::TypeText(Wizard(), "EdtInsName", "");
    size_t shown = shownPages.size();
    Next();
    EXPECT_EQ(Wizard().PageNo, 6);
    EXPECT_EQ(shownPages.size(), shown);  // page 6 stays without being shown again
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "实例名不能为空");
    EXPECT_EQ(Boxes()[0].caption, "提示");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    Back();
    EXPECT_EQ(Wizard().PageNo, 5);
}

TEST_F(WizardTest, PathPageArrivalFillsThePathListWithTheButtonsOff) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(1);
    Next();
    ASSERT_EQ(Wizard().PageNo, 7);
    EXPECT_EQ(Wizard().ListView1.ItemCount(), 2);
    EXPECT_FALSE(Wizard().BitBtn5.Enabled());
    EXPECT_FALSE(Wizard().BitBtn6.Enabled());
    ASSERT_EQ(Wizard().ListView1.Columns().size(), 3u);
    EXPECT_EQ(Wizard().ListView1.Columns()[0].Caption, "产品名称");
    EXPECT_EQ(Wizard().ListView1.Columns()[1].Width, 100);
    EXPECT_EQ(Wizard().ListView1.Columns()[2].Width, 83);
    EXPECT_TRUE(Wizard().ListView1.GridLines());
    EXPECT_FALSE(Wizard().ListView1.ColumnClick());
    EXPECT_EQ(Wizard().ListView1.BoundsRect(), (vcl::TRect{24, 64, 474, 225}));
    EXPECT_EQ(Wizard().BitBtn6.BoundsRect(), (vcl::TRect{171, 32, 306, 57}));
    EXPECT_EQ(Wizard().BitBtn5.BoundsRect(), (vcl::TRect{354, 32, 449, 57}));
    EXPECT_EQ(Wizard().ListBox1.BoundsRect(), (vcl::TRect{24, 40, 474, 225}));
    vcl::headless::SelectItem(Wizard(), "ListView1", 1);
    EXPECT_TRUE(Wizard().BitBtn5.Enabled());
    EXPECT_TRUE(Wizard().BitBtn6.Enabled());
}

TEST_F(WizardTest, SummaryPageReadsInstallAndBackRestoresNext) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    Mode(1);
    Next();
    Next();
    EXPECT_EQ(Wizard().PageNo, 8);
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "安装(&I)");
    ASSERT_GT(Wizard().ListBox1.Items.Count(), 0);  // FillSummary ran
    EXPECT_EQ(Wizard().ListBox1.Items[0], "安装信息：");
    Back();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "下一步(&N)");
    EXPECT_FALSE(Wizard().BitBtn5.Enabled());
    Next();
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "安装(&I)");
    Next();
    EXPECT_EQ(Wizard().PageNo, 9);
    EXPECT_EQ(Table().WizardResult, 1);
    EXPECT_EQ(Table().CurMode, 1);
    EXPECT_EQ(shownPages.back(), 9);
    EXPECT_EQ(Wizard().SetupPage.ActivePage(), &Wizard().SetupTab8);  // 9 shows no other sheet
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WizardTest, CancelAskedAndAnsweredCancelChangesNothing) {
    WriteStandardMedium();
    CreateForms();
    GoToModePage();
    script.Add(ScriptAction::AnswerCancel());
    Click("BitBtn1");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "提示！");
    EXPECT_EQ(Boxes()[0].text,
              "安装程序还没有结束！真的要退出吗？\r\n\r\n单击“确定”，结束安装程序；\r\n\r\n单击“取消”，继续进行安装。");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOKCancel | vcl::mbIconWarning));  // MB_ICONEXCLAMATION
    EXPECT_EQ(Boxes()[0].answer, vcl::idCancel);
    EXPECT_EQ(Wizard().PageNo, 5);
    EXPECT_EQ(Table().WizardResult, 0);
}

TEST_F(WizardTest, CancelConfirmedEndsTheModalWizardWithResultZero) {
    WriteStandardMedium();
    CreateForms();
    // Through the modal loop, as the program shows the wizard.
    script.Add(ScriptAction::Click("BitBtn2"));
    script.Add(ScriptAction::Click("BitBtn1"));
    script.Add(ScriptAction::AnswerOk());
    EXPECT_EQ(Wizard().ShowModal(), vcl::mrCancel);
    EXPECT_EQ(Table().WizardResult, 0);
    EXPECT_EQ(Wizard().PageNo, 2);
    EXPECT_FALSE(Wizard().Visible());
}

TEST_F(WizardTest, InstallCommandEndsTheModalWizardWithResultOne) {
    WriteStandardMedium();
    CreateForms();
    for (const char* action : {"BitBtn2", "RadioButton1", "BitBtn2", "BitBtn2", "ModeButtons[1]", "BitBtn2",
                               "BitBtn2", "BitBtn2", "BitBtn2"})
        script.Add(ScriptAction::Click(action));
    Wizard().ShowModal();
    EXPECT_EQ(Table().WizardResult, 1);
    EXPECT_EQ(shownPages, (std::vector<int>{2, 3, 4, 5, 7, 8, 9}));
    EXPECT_EQ(script.Unused().size(), 0u);
}
