// The installation sequence: the wizard's two endings, the stages in order with their step marks, the
// additional programs under the busy window with their selection and splitting rules, and the ways the
// sequence stops early (a missing description, an exception from a stage).
#include <gtest/gtest.h>

#include "archive/errors.h"

#include "os/machine.h"
#include "rtl/exceptions.h"
#include "setup/setup_run_fixture.h"
#include "support/test_machine.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

using namespace setup_test;
using vcl::headless::ScriptAction;

namespace {

const std::vector<std::string> kAllStages = {"stage:CopyPackages@2", "stage:ConfigureEnvironment@3",
                                             "stage:PublishApplications@3", "stage:CreateProgramGroup@4"};

std::vector<std::string> Stages(const std::vector<std::string>& timeline) {
    std::vector<std::string> out;
    for (const auto& event : timeline)
        if (event.rfind("stage:", 0) == 0) out.push_back(event);
    return out;
}

}  // namespace

TEST_F(SetupRun, CancelledWizardClosesTheProgramAfterTheQuestion) {
    WriteMedium("Name1=Readme,notepad.exe readme.txt\r\n");
    CancelWizard();
    Run();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "提示！");
    EXPECT_EQ(Boxes()[0].text,
              "安装程序还没有结束！真的要退出吗？\r\n\r\n单击“确定”，结束安装程序；\r\n\r\n单击“取消”，继续进行安装。");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOKCancel | vcl::mbIconWarning));
    EXPECT_EQ(Boxes()[0].modalForm, "frmSetupGuide");
    EXPECT_TRUE(Stages(timeline).empty());
    EXPECT_TRUE(backend.busyTexts.empty());
    EXPECT_TRUE(vcl::Application->Terminated());
    EXPECT_FALSE(backend.inner.EndedIdle());  // closed by the sequence, not left idle
    EXPECT_EQ(app::MainForm->WizardResult, 0);
    EXPECT_EQ(app::MainForm->Label1.Font.Color(), vcl::clYellow);
    EXPECT_FALSE(app::MainForm->Label5.Visible());
}

TEST_F(SetupRun, AnsweringTheQuestionWithCancelKeepsTheWizardOpen) {
    WriteMedium();
    script.Add(ScriptAction::Click("BitBtn1"));
    script.Add(ScriptAction::AnswerCancel());
    Install();
    Run();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Stages(timeline), kAllStages);
}

TEST_F(SetupRun, ConfirmedWizardRunsTheStagesInOrderAndMarksEachStep) {
    WriteMedium();
    Install();
    Run();
    app::TMainForm& m = *app::MainForm;
    // Each stage starts with its own step marked, and only that one.
    EXPECT_EQ(Stages(timeline), kAllStages);
    EXPECT_EQ(m.Label8.Font.Color(), vcl::clYellow);
    for (vcl::TLabel* done : {&m.Label1, &m.Label2, &m.Label3, &m.Label4})
        EXPECT_EQ(done->Font.Color(), vcl::clWindowText) << done->Name();
    // The status line stays; the environment stage hid the meters and the program-group stage the gauge.
    EXPECT_TRUE(m.Label5.Visible());
    for (vcl::TControl* hidden : std::initializer_list<vcl::TControl*>{&m.CGauge1, &m.amPack, &m.amFile})
        EXPECT_FALSE(hidden->Visible()) << hidden->Name();
    EXPECT_FALSE(m.Label6.Visible());
    EXPECT_FALSE(m.Image4.Visible());
    EXPECT_EQ(m.WizardResult, 1);
    EXPECT_TRUE(vcl::Application->Terminated());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(m.SequenceStarted());
    // A later resize (there should be none) never starts a second installation.
    m.SetBounds(0, 0, 640, 480);
    EXPECT_EQ(Stages(timeline).size(), kAllStages.size());
}

TEST_F(SetupRun, ModuleDisplayIsClearedAfterCopying) {
    WriteMedium();
    Install();
    stageHook = [](const std::string& stage) {
        if (stage != "CopyPackages") return;
        app::MainForm->Label20.SetCaption("数据库");
        app::MainForm->Label12.SetCaption("line");
        app::MainForm->Image4.Show();
    };
    Run();
    EXPECT_EQ(app::MainForm->Label20.Caption(), "");
    EXPECT_EQ(app::MainForm->Label12.Caption(), "");
    EXPECT_FALSE(app::MainForm->Image4.Visible());
}

TEST_F(SetupRun, ExceptionFromAStageEndsTheSequenceInTheExceptionBoxAndTheWindowStays) {
    WriteMedium("Name1=Readme,notepad.exe readme.txt\r\n");
    test_support::WriteFile(In("notepad.exe"), std::string("MZ"));
    Install();
    stageHook = [](const std::string& stage) {
        if (stage == "ConfigureEnvironment") throw rtl::Exception("Cannot create file C:\\x");
    };
    size_t started = StartedCount();
    Run();
    EXPECT_EQ(Stages(timeline), (std::vector<std::string>{kAllStages[0], kAllStages[1]}));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Cannot create file C:\\x.");
    // The standard exception box carries the program's name: the setup gives itself no other title.
#ifndef _WIN32
    EXPECT_EQ(Boxes()[0].caption, "SETUP");  // the fixture's program is SETUP.EXE in the setup folder
#else
    EXPECT_EQ(Boxes()[0].caption, "setup_tests");
#endif
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    EXPECT_TRUE(app::MainForm->Visible());
    EXPECT_EQ(app::MainForm->Label3.Font.Color(), vcl::clYellow);
    EXPECT_EQ(app::MainForm->Label8.Font.Color(), vcl::clBlack);
    EXPECT_TRUE(backend.busyTexts.empty());
    EXPECT_EQ(StartedCount(), started);
    EXPECT_TRUE(backend.inner.EndedIdle());  // the loop went on until nothing was left to do
}

// A package that is no archive raises from the archive component while the main window is built: the
// exception box shows the component's message, no window follows and the process ends normally.
TEST_F(SetupRun, PackageThatIsNoArchiveEndsStartUpInTheExceptionBox) {
    WriteMedium();
    Write("a.dat", "not a zip archive, long enough to be searched for an end record");
    EXPECT_EQ(app::RunSetupProgram(), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, std::string(archive::ArErrorMessage(archive::kArUnhandledType)) + ".");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    // Only the main window was made, and it was never shown.
    EXPECT_EQ(vcl::Application->Forms().size(), 1u);
    ASSERT_NE(app::MainForm, nullptr);
    EXPECT_FALSE(app::MainForm->Visible());
    EXPECT_EQ(app::frmPrompt, nullptr);
    EXPECT_EQ(app::frmSetupGuide, nullptr);
    EXPECT_EQ(script.Played(), 0);
    EXPECT_TRUE(Stages(timeline).empty());
}

TEST_F(SetupRun, MissingDescriptionFileClosesTheWindowWithoutTheWizard) {
    Write("SETUP.INI", "[InstallMode]\r\nMode1=a,0,b\r\n");  // CONFIG.INI and COMMENT.INI missing
    Run();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "找不到CONFIG.INI，无法安装！");
    EXPECT_EQ(Boxes()[0].modalForm, "");
    EXPECT_EQ(app::MainForm->DescriptionLoaded, 0);
    EXPECT_TRUE(vcl::Application->Terminated());
    EXPECT_FALSE(backend.inner.EndedIdle());
    EXPECT_TRUE(Stages(timeline).empty());
    EXPECT_EQ(script.Played(), 0);
}

TEST_F(SetupRun, SetupIniGoneBeforeTheSequenceIsReportedAndTheWizardNotShown) {
    WriteMedium();
    beforeRun = [this] { os::files().deleteFile(In("SETUP.INI")); };
    Run();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "找不到SETUP.INI，无法安装！");
    EXPECT_EQ(Boxes()[0].caption, "提示");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    EXPECT_EQ(app::MainForm->DescriptionLoaded, 0);
    EXPECT_TRUE(app::MainForm->Visible());  // the window stays until the user closes it
    EXPECT_TRUE(Stages(timeline).empty());
}

#ifndef _WIN32

namespace {
os::sim::Settings& Settings() { return dynamic_cast<os::sim::SimMachine&>(os::machine()).settings(); }
}  // namespace

TEST_F(SetupRun, OperatingSystemFamilyComesFromTheVersionWord) {
    struct Case {
        uint32_t word;
        bool win9x;
    };
    for (Case c : {Case{0x0A280105, false}, Case{0xC0000004, true}, Case{0x80000A03, false}}) {
        WriteMedium();
        Settings().versionWord = c.word;
        CancelWizard();
        Run();
        EXPECT_EQ(app::MainForm->IsWin9x, c.win9x) << std::hex << c.word;
        vcl::Application->DestroyForms();
    }
}

TEST_F(SetupRun, AdditionalProgramsStartMinimisedUnderTheBusyWindow) {
    WriteMedium("Name1=Readme,notepad.exe readme.txt\r\n"
                "Name2=没有逗号\r\n"
                "Name3=缺少,absent.exe /q\r\n"
                "Name4=  工具 ,_MAINPATH_1\\tool.exe\r\n"
                "Name5=Folder,tools\r\n");
    test_support::WriteFile(In("notepad.exe"), std::string("MZ"));
    os::files().createDirectory(In("tools"));
    os::files().createDirectory("C:\\Shop");
    test_support::WriteFile("C:\\Shop\\tool.exe", std::string("MZ"));
    Install();
    size_t started = StartedCount();
    Run();
    EXPECT_EQ(StartedSince(started),
              (std::vector<std::string>{"open notepad.exe| readme.txt||6", "open C:\\Shop\\tool.exe||C:\\Shop\\|6"}));
    // Both are owned by the main window.
    void* mainWindow = app::MainForm->NativeHandle();
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(StartedOwnersSince(started), (std::vector<void*>{mainWindow, mainWindow}));
    // Every entry with a comma is announced, including those whose program is missing.
    EXPECT_EQ(backend.busyTexts, (std::vector<std::string>{"Readme，请稍侯...", "缺少，请稍侯...", "工具 ，请稍侯...",
                                                           "Folder，请稍侯..."}));
    EXPECT_TRUE(app::frmSetup->Visible());  // nothing hides it again
    EXPECT_EQ(app::frmSetup->FormStyle(), vcl::TFormStyle::fsStayOnTop);
    // The busy window paints (pending messages processed) before each program starts.
    auto first = std::find(timeline.begin(), timeline.end(), "busy:Readme，请稍侯...");
    ASSERT_NE(first, timeline.end());
    EXPECT_EQ(*(first + 1), "messages");
    EXPECT_EQ(app::MainForm->Label8.Font.Color(), vcl::clYellow);
}

// The existence test looks at the file the shell would start: a rooted path on the setup folder's drive,
// a network name as it stands (never a folder of the same names on the setup folder's drive).
TEST_F(SetupRun, AdditionalProgramPathsAreTestedWhereTheShellWouldFindThem) {
    WriteMedium("Name1=Root,\\Apps\\root.exe -r\r\n"
                "Name2=Share,\\\\srv\\share\\net.exe\r\n");
    os::files().createDirectory("C:\\Apps");
    test_support::WriteFile("C:\\Apps\\root.exe", std::string("MZ"));
    os::files().createDirectory("C:\\srv");
    os::files().createDirectory("C:\\srv\\share");
    test_support::WriteFile("C:\\srv\\share\\net.exe", std::string("MZ"));
    Install();
    size_t started = StartedCount();
    Run();
    EXPECT_EQ(StartedSince(started), (std::vector<std::string>{"open \\Apps\\root.exe| -r|\\Apps\\|6"}));
    EXPECT_EQ(backend.busyTexts, (std::vector<std::string>{"Root，请稍侯...", "Share，请稍侯..."}));
    os::files().deleteFile("C:\\srv\\share\\net.exe");
    os::files().removeDirectory("C:\\srv\\share");
    os::files().removeDirectory("C:\\srv");
    os::files().deleteFile("C:\\Apps\\root.exe");
    os::files().removeDirectory("C:\\Apps");
}

TEST_F(SetupRun, InstanceProgramsRunOnlyWhenTheModesLeadModuleIsTheSelectedEngine) {
    // The macro test is case-sensitive: "_msde_" is no instance macro, so Name3 runs in every mode and keeps it.
    const std::string entries = "Name1=实例,setupsql.exe /INSTANCE=_MSDE_\r\nName2=Readme,notepad.exe\r\n"
                                "Name3=小写,lower.exe /i=_msde_\r\n";
    struct Case {
        const char* mode;  // the wizard's mode button
        bool runs;
    };
    // Mode 1: "MSDE2000" selected; mode 2: "Client"; mode 3: "MSDE2000" not selected.
    for (Case c : {Case{"ModeButtons[0]", true}, Case{"ModeButtons[1]", false}, Case{"ModeButtons[2]", false}}) {
        WriteMedium(entries);
        test_support::WriteFile(In("setupsql.exe"), std::string("MZ"));
        test_support::WriteFile(In("notepad.exe"), std::string("MZ"));
        test_support::WriteFile(In("lower.exe"), std::string("MZ"));
        script.Add(ScriptAction::Click(c.mode));
        script.Add(ScriptAction::Type("EdtInsName", "SHOPDB"));
        Install(std::string(c.mode) != "ModeButtons[1]");
        backend.busyTexts.clear();
        size_t started = StartedCount();
        Run();
        std::vector<std::string> expected;
        if (c.runs) expected.push_back("open setupsql.exe| /INSTANCE=SHOPDB||6");
        expected.push_back("open notepad.exe|||6");
        expected.push_back("open lower.exe| /i=_msde_||6");
        EXPECT_EQ(StartedSince(started), expected) << c.mode;
        EXPECT_EQ(backend.busyTexts.size(), c.runs ? 3u : 2u) << c.mode;
        vcl::Application->DestroyForms();
    }
}

#endif  // !_WIN32
