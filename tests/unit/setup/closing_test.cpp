// Closing the setup's windows from outside (Alt+F4, the close command: TForm::Close) while the installation
// runs is refused, so no half-made installation is left behind; the setup's own closes still end the program,
// and a sequence ended by an exception gives the close back to the user.
#include <gtest/gtest.h>

#include <algorithm>

#include "rtl/exceptions.h"
#include "setup/setup_run_fixture.h"
#include "support/test_machine.h"

using namespace setup_test;

namespace {

// What each window did with a close received while the installation ran.
struct CloseAttempt {
    bool tried = false;
    bool mainClosed = false;    // the application was told to end
    bool busyHidden = false;    // the busy window went away
    bool promptHidden = false;  // the prompt window went away
};

// Closes each window as Alt+F4 would, the busy and prompt windows while on screen.
CloseAttempt TryClosingEveryWindow() {
    CloseAttempt attempt;
    attempt.tried = true;
    app::MainForm->Close();
    attempt.mainClosed = vcl::Application->Terminated();
    const bool busyWasShown = app::frmSetup->Visible();
    app::frmSetup->Show();
    app::frmSetup->Close();
    attempt.busyHidden = !app::frmSetup->Visible();
    if (!busyWasShown) app::frmSetup->Hide();
    app::frmPrompt->Show();
    app::frmPrompt->Close();
    attempt.promptHidden = !app::frmPrompt->Visible();
    app::frmPrompt->Hide();
    return attempt;
}

}  // namespace

TEST_F(SetupRun, ClosingAnyWindowWhileTheStagesRunIsRefused) {
    WriteMedium();
    Install();
    CloseAttempt duringCopy, duringEnvironment;
    stageHook = [&](const std::string& stage) {
        if (stage == "CopyPackages") duringCopy = TryClosingEveryWindow();
        if (stage == "ConfigureEnvironment") {
            EXPECT_TRUE(app::MainForm->InstallationRunning());
            duringEnvironment = TryClosingEveryWindow();
        }
    };
    Run();
    for (const CloseAttempt& attempt : {duringCopy, duringEnvironment}) {
        EXPECT_TRUE(attempt.tried);
        EXPECT_FALSE(attempt.mainClosed);
        EXPECT_FALSE(attempt.busyHidden);
        EXPECT_FALSE(attempt.promptHidden);
    }
    // Every stage ran, and at the end the window closed itself.
    EXPECT_NE(std::find(timeline.begin(), timeline.end(), "stage:CreateProgramGroup@4"), timeline.end());
    EXPECT_EQ(app::MainForm->Label8.Font.Color(), vcl::clYellow);
    EXPECT_TRUE(vcl::Application->Terminated());
    EXPECT_FALSE(backend.inner.EndedIdle());
    EXPECT_FALSE(app::MainForm->InstallationRunning());
    EXPECT_TRUE(Boxes().empty());
}

// On the real machine of the Windows build the announced program would really start.
#ifndef _WIN32
TEST_F(SetupRun, BusyWindowAnnouncingAProgramCannotBeClosed) {
    WriteMedium("Name1=Readme,notepad.exe readme.txt\r\n");
    test_support::WriteFile(In("notepad.exe"), std::string("MZ"));
    Install();
    bool tried = false, busyHidden = false, mainClosed = false;
    backend.onProcessMessages = [&] {
        if (tried || !app::frmSetup || !app::frmSetup->Visible()) return;
        tried = true;
        app::frmSetup->Close();
        busyHidden = !app::frmSetup->Visible();
        app::MainForm->Close();
        mainClosed = vcl::Application->Terminated();
    };
    Run();
    EXPECT_TRUE(tried);
    EXPECT_FALSE(busyHidden);
    EXPECT_FALSE(mainClosed);
    EXPECT_EQ(backend.busyTexts, std::vector<std::string>{"Readme，请稍侯..."});
    EXPECT_TRUE(vcl::Application->Terminated());  // closed by the sequence after the last step
}

#endif  // !_WIN32

TEST_F(SetupRun, AfterAStageFailedTheWindowsCanBeClosedAgain) {
    WriteMedium();
    Install();
    stageHook = [](const std::string& stage) {
        if (stage == "ConfigureEnvironment") throw rtl::Exception("Archive does not exist - FileName is blank");
    };
    Run();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(app::MainForm->Visible());  // the window stays, with the failed step marked
    EXPECT_FALSE(app::MainForm->InstallationRunning());
    EXPECT_TRUE(app::MainForm->CloseQuery());
    EXPECT_TRUE(app::frmSetup->CloseQuery());
    EXPECT_TRUE(app::frmPrompt->CloseQuery());
}

TEST_F(SetupRun, WindowsCloseFreelyBeforeTheWizardIsConfirmed) {
    // The wizard is cancelled: the main window's own close ends the program, and nothing ever refused.
    WriteMedium();
    bool mainMayClose = false, busyMayClose = false;
    beforeRun = [&] {
        mainMayClose = app::MainForm->CloseQuery();
        busyMayClose = app::frmSetup->CloseQuery();
    };
    CancelWizard();
    Run();
    EXPECT_TRUE(mainMayClose);
    EXPECT_TRUE(busyMayClose);
    EXPECT_TRUE(vcl::Application->Terminated());
    EXPECT_FALSE(backend.inner.EndedIdle());
}
