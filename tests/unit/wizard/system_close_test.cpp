// Closing the wizard from outside (Alt+F4, the close command: TForm::Close while it waits in its modal
// loop) asks the Cancel question, and the wizard's own ends (install, confirmed Cancel) ask nothing more.
// The instance page's instructions: six lines, all above the instance name, on both screen sizes.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "vcl/headless/actions.h"
#include "wizard/drive_table.h"
#include "wizard/instance_page.h"
#include "wizard/wizard_fixture.h"


using namespace wizard_test;
using vcl::headless::ScriptAction;

namespace {

// Stands in for the user of a modal wizard: each wait plays the next step on the waiting form; message
// boxes take the fixture script's answers.
class User : public vcl::headless::Driver {
public:
    explicit User(vcl::headless::ScriptDriver& answers) : answers_(answers) {}
    std::deque<std::function<void(vcl::TForm&)>> steps;

    void Click(const std::string& name) {
        steps.push_back([name](vcl::TForm& form) { vcl::headless::ClickControl(form, name); });
    }
    void PressAltF4() {
        steps.push_back([](vcl::TForm& form) { form.Close(); });
    }
    bool Act(vcl::TForm& form) override {
        if (steps.empty()) return false;
        auto step = std::move(steps.front());
        steps.pop_front();
        step(form);
        return true;
    }
    std::optional<int> AnswerMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return answers_.AnswerMessageBox(text, caption, flags);
    }

private:
    vcl::headless::ScriptDriver& answers_;
};

class SystemClose : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        backend.SetDriver(&user);
        WriteStandardMedium();
        CreateForms();
    }
    void ExpectCancelQuestion(size_t box) {
        ASSERT_LT(box, Boxes().size());
        EXPECT_EQ(Boxes()[box].caption, "提示！");
        EXPECT_EQ(Boxes()[box].text, wizard::kCancelQuestion);
        EXPECT_EQ(Boxes()[box].flags, unsigned(vcl::mbOKCancel | vcl::mbIconWarning));
        EXPECT_EQ(Boxes()[box].modalForm, "frmSetupGuide");
    }
    User user{script};
};

}  // namespace

TEST_F(SystemClose, AltF4AsksTheCancelQuestionAndStaysOnCancel) {
    user.Click("BitBtn2");  // page 2
    user.PressAltF4();      // answered Cancel: the wizard waits again, on the same page
    int pageAfterRefusal = 0;
    bool visibleAfterRefusal = false;
    user.steps.push_back([&](vcl::TForm& form) {
        pageAfterRefusal = Wizard().PageNo;
        visibleAfterRefusal = form.Visible();
    });
    user.PressAltF4();  // answered OK: the wizard ends as cancelled
    script.Add(ScriptAction::AnswerCancel());
    script.Add(ScriptAction::AnswerOk());

    EXPECT_EQ(Wizard().ShowModal(), vcl::mrCancel);
    EXPECT_EQ(pageAfterRefusal, 2);
    EXPECT_TRUE(visibleAfterRefusal);
    ASSERT_EQ(Boxes().size(), 2u);
    ExpectCancelQuestion(0);
    EXPECT_EQ(Boxes()[0].answer, vcl::idCancel);
    ExpectCancelQuestion(1);
    EXPECT_EQ(Boxes()[1].answer, vcl::idOK);
    EXPECT_EQ(Table().WizardResult, 0);
    EXPECT_FALSE(Wizard().Visible());
    EXPECT_TRUE(user.steps.empty());
}

TEST_F(SystemClose, ConfirmedCancelButtonClosesAfterOneQuestion) {
    user.Click("BitBtn2");
    user.Click("BitBtn1");
    script.Add(ScriptAction::AnswerOk());
    EXPECT_EQ(Wizard().ShowModal(), vcl::mrCancel);
    ASSERT_EQ(Boxes().size(), 1u);
    ExpectCancelQuestion(0);
    EXPECT_EQ(Table().WizardResult, 0);
}

TEST_F(SystemClose, InstallCommandClosesWithoutAQuestionAndKeepsResultOne) {
    for (const char* name : {"BitBtn2", "RadioButton1", "BitBtn2", "BitBtn2", "ModeButtons[1]", "BitBtn2", "BitBtn2",
                             "BitBtn2", "BitBtn2"})
        user.Click(name);
    Wizard().ShowModal();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Table().WizardResult, 1);
    EXPECT_EQ(Wizard().PageNo, 9);
    EXPECT_FALSE(Wizard().Visible());
}

TEST_F(SystemClose, AltF4RefusedOnceDoesNotLetTheNextSystemCloseThrough) {
    // A refused close leaves nothing behind: the next Alt+F4 asks again.
    user.PressAltF4();
    user.PressAltF4();
    user.PressAltF4();
    script.Add(ScriptAction::AnswerCancel());
    script.Add(ScriptAction::AnswerCancel());
    script.Add(ScriptAction::AnswerOk());
    Wizard().ShowModal();
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Table().WizardResult, 0);
}

// ---- The instance page's instructions ----

namespace {

// The rows the instructions take in the label's font and width, as the backend measures them (headless: a
// 12-pixel 宋体 stand-in where every line break, a lone carriage return included, starts a row).
int InstructionRows(const vcl::TLabel& label) {
    const int rowHeight = vcl::backend().MeasureText(label.Font, "M", false, label.Width()).Height;
    return vcl::backend().MeasureText(label.Font, label.Caption(), label.WordWrap(), label.Width()).Height / rowHeight;
}

// Shows the instance page and checks its instructions against the room the page has.
void ExpectInstructionsWholeAboveTheInstanceName(wizard::TfrmSetupGuide& w) {
    w.ShowPage(6);
    const vcl::TLabel& label = w.Label4;
    EXPECT_FALSE(label.AutoSize());
    EXPECT_TRUE(label.WordWrap());
    // Six rows: no empty row between the lines, none wrapped.
    EXPECT_EQ(InstructionRows(label), wizard::kInstructionLines);
    const int textHeight = vcl::backend().MeasureText(label.Font, label.Caption(), true, label.Width()).Height;
    EXPECT_LE(textHeight, label.Height());
    // The whole label lies on the page, above the instance name and its caption.
    EXPECT_GE(label.Top(), 0);
    EXPECT_LE(label.Top() + label.Height(), w.EdtInsName.Top());
    EXPECT_LE(label.Top() + label.Height(), w.Label7.Top());
    EXPECT_LE(w.EdtInsName.Top() + w.EdtInsName.Height(), w.SetupTab6.Height());
    EXPECT_LE(w.Label7.Top() + w.Label7.Height(), w.SetupTab6.Height());
}

}  // namespace

TEST_F(WizardTest, InstanceInstructionsShowSixLinesAboveTheInstanceName) {
    WriteStandardMedium();
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    EXPECT_EQ(w.Label4.Caption(), wizard::kInstanceInstructions);
    EXPECT_EQ(w.Label4.BoundsRect(), (vcl::TRect{24, 8, 24 + 450, 8 + 104}));
    EXPECT_EQ(w.EdtInsName.Top(), 128);
    EXPECT_EQ(w.Label7.Top(), 132);
    ExpectInstructionsWholeAboveTheInstanceName(w);
}

TEST_F(WizardTest, InstanceInstructionsStayWholeOnANarrowScreen) {
    WriteStandardMedium();
    DriveTable machine;
    machine.screenWidth = 800;
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    // The label keeps its size; the instance name moves down by what the label kept of its height.
    EXPECT_EQ(w.Label4.BoundsRect(), (vcl::TRect{24 * 25 / 32, 8 * 25 / 32, 24 * 25 / 32 + 450, 8 * 25 / 32 + 104}));
    const int kept = 104 - 104 * 25 / 32;
    EXPECT_EQ(w.EdtInsName.Top(), 128 * 25 / 32 + kept);
    EXPECT_EQ(w.Label7.Top(), 132 * 25 / 32 + kept);
    ExpectInstructionsWholeAboveTheInstanceName(w);
}

