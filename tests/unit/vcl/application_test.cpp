// The application object's links to the archive engine, its exception box, forms' events and timers on
// the headless backend's simulated clock.
#include <gtest/gtest.h>

#include "archive/hooks.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "vcl/stdctrls.h"
#include "vcl/timer.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

using namespace vcl;
using headless::ScriptAction;

namespace {

class ApplicationObject : public testing::Test {
protected:
    void SetUp() override {
        previous_ = SetBackend(&backend_);
        Application->Initialize();
        Application->Title = "Setup";
    }
    void TearDown() override { SetBackend(previous_); }
    headless::ScriptDriver script_;
    headless::HeadlessBackend backend_{&script_};
    Backend* previous_ = nullptr;
};

}  // namespace

TEST_F(ApplicationObject, EngineDiskRequestsBecomeRecordedMessageBoxes) {
    script_.Add(ScriptAction::AnswerCancel());
    EXPECT_EQ(archive::ArMessageBox("Insert disk 2", "Disk", archive::kMbOkCancel), archive::kMbCancel);
    EXPECT_EQ(archive::ArMessageBox("Insert disk 3", "Disk", archive::kMbOkCancel), archive::kMbOk);
    ASSERT_EQ(backend_.MessageBoxes().size(), 2u);
    EXPECT_EQ(backend_.MessageBoxes()[1].text, "Insert disk 3");
    EXPECT_EQ(MessageBoxButtonsName(backend_.MessageBoxes()[1].flags), "OKCancel");
    archive::ArProcessMessages();
    EXPECT_EQ(backend_.ProcessMessagesCount(), 1);
}

TEST_F(ApplicationObject, ExceptionBoxShowsTheMessageUnderTheTitle) {
    try {
        throw rtl::Exception("Package is damaged");
    } catch (...) {
        Application->HandleException();
    }
    try {
        throw rtl::Exception("Ends in a stop.");
    } catch (...) {
        Application->HandleException();
    }
    ASSERT_EQ(backend_.MessageBoxes().size(), 2u);
    EXPECT_EQ(backend_.MessageBoxes()[0].text, "Package is damaged.");
    EXPECT_EQ(backend_.MessageBoxes()[0].caption, "Setup");
    EXPECT_EQ(backend_.MessageBoxes()[0].flags, unsigned(mbOK | mbIconStop));
    EXPECT_EQ(backend_.MessageBoxes()[1].text, "Ends in a stop.");
    EXPECT_EQ(Application->MessageBox("Text", "", mbOK), idOK);
    EXPECT_EQ(backend_.MessageBoxes()[2].caption, "Setup");  // an empty caption shows the title
}

// Without a title of its own the application is known by its program's name: the exception box of
// SETUP.EXE reads "SETUP", never an empty caption.
TEST_F(ApplicationObject, WithoutATitleTheProgramsNameIsTheCaption) {
    Application->Title.clear();
#ifndef _WIN32
    auto& sim = dynamic_cast<os::sim::SimMachine&>(os::machine());
    const std::string previous = os::files().moduleFileName();
    sim.setModuleFileName("E:\\MEDIUM\\SETUP.EXE");
    const std::string expected = "SETUP";
#else
    const std::string expected = "vcl_tests";
#endif
    try {
        throw rtl::Exception("Archive does not exist - FileName is blank");
    } catch (...) {
        Application->HandleException();
    }
    Application->MessageBox("Text", "", mbOK);
#ifndef _WIN32
    // A name with dots loses only its extension; one without keeps its whole name.
    sim.setModuleFileName("C:\\TOOLS\\SETUP.V2.EXE");
    EXPECT_EQ(Application->DisplayTitle(), "SETUP.V2");
    sim.setModuleFileName("C:\\TOOLS\\INSTALL");
    EXPECT_EQ(Application->DisplayTitle(), "INSTALL");
    sim.setModuleFileName(previous);
#endif
    Application->Title = "Setup";
    ASSERT_EQ(backend_.MessageBoxes().size(), 2u);
    EXPECT_EQ(backend_.MessageBoxes()[0].caption, expected);
    EXPECT_EQ(backend_.MessageBoxes()[0].text, "Archive does not exist - FileName is blank.");
    EXPECT_EQ(backend_.MessageBoxes()[1].caption, expected);
    EXPECT_EQ(Application->DisplayTitle(), "Setup");  // a title the program sets wins
}

TEST_F(ApplicationObject, RepaintingAFormPaintsItAndRunsOnPaint) {
    TForm form(nullptr);
    TLabel label(&form);
    label.SetParent(&form);
    int paints = 0;
    form.OnPaint = [&](TComponent*) {
        ++paints;
        label.Repaint();
    };
    form.Refresh();
    label.Update();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(backend_.PaintCount(form), 1);
    EXPECT_EQ(backend_.PaintCount(label), 2);
}

TEST_F(ApplicationObject, TimersFireOnlyAsTheSimulatedClockPasses) {
    TTimer clock(nullptr), fast(nullptr);
    std::vector<std::string> ticks;
    clock.SetInterval(1000);
    clock.SetOnTimer([&](TComponent*) { ticks.push_back("clock@" + std::to_string(backend_.Now())); });
    fast.SetInterval(400);
    fast.SetOnTimer([&](TComponent*) { ticks.push_back("fast@" + std::to_string(backend_.Now())); });
    Application->ProcessMessages();
    EXPECT_TRUE(ticks.empty());
    backend_.AdvanceClock(2000);
    EXPECT_EQ(ticks, (std::vector<std::string>{"fast@400", "fast@800", "clock@1000", "fast@1200", "fast@1600",
                                               "clock@2000", "fast@2000"}));
    ticks.clear();
    fast.SetEnabled(false);
    backend_.AdvanceClock(999);
    EXPECT_TRUE(ticks.empty());
    backend_.AdvanceClock(1);
    EXPECT_EQ(ticks, std::vector<std::string>{"clock@3000"});
}

TEST_F(ApplicationObject, ATimerStoppedByItsOwnHandlerFiresOnce) {
    auto timer = std::make_unique<TTimer>(nullptr);
    int fired = 0;
    timer->SetInterval(10);
    timer->SetOnTimer([&](TComponent*) {
        ++fired;
        timer->SetEnabled(false);
    });
    backend_.AdvanceClock(100);
    EXPECT_EQ(fired, 1);
    timer->SetEnabled(true);
    timer.reset();  // a destroyed timer is forgotten
    backend_.AdvanceClock(100);
    EXPECT_EQ(fired, 1);
}

TEST_F(ApplicationObject, ScreenSizeComesFromTheMachine) {
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_GT(Screen->Height(), 0);
}
