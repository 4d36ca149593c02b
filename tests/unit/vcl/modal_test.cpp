// Forms shown modally and driven by a script: closing with a modal result, refusals, message boxes and
// folder browsers answered, queued or defaulted (and recorded), running out of actions, nested dialogs,
// and the application's loop with its main form.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "vcl/stdctrls.h"

using namespace vcl;
using headless::ScriptAction;

namespace {

class ModalForms : public testing::Test {
protected:
    void SetUp() override {
        previous_ = SetBackend(&backend_);
        Application->Initialize();
        Application->Title = "Setup";
    }
    void TearDown() override {
        Application->DestroyForms();
        SetBackend(previous_);
    }
    void Play(std::vector<ScriptAction> actions) {
        for (auto& action : actions) script_.Add(std::move(action));
    }
    headless::ScriptDriver script_;
    headless::HeadlessBackend backend_{&script_};
    Backend* previous_ = nullptr;
};

// A dialog like the wizard's pages: OK and Cancel buttons, a button that asks a question, a disabled
// button inside an enabled panel and an enabled button inside a disabled panel.
class TfrmDialog : public TForm {
public:
    explicit TfrmDialog(TComponent* owner)
        : TForm(owner), BitBtn1(this), BitBtn2(this), BitBtn3(this), Panel1(this), BitBtn4(this), Panel2(this),
          BitBtn5(this), EdtInsName(this) {
        SetName("frmDialog");
        SetBorderStyle(TBorderStyle::bsDialog);
        SetClientWidth(300);
        SetClientHeight(200);
        SetPosition(TPosition::poScreenCenter);
        for (TControl* control : std::initializer_list<TControl*>{&BitBtn1, &BitBtn2, &BitBtn3, &Panel1, &Panel2,
                                                                  &EdtInsName})
            control->SetParent(this);
        BitBtn1.SetName("BitBtn1");
        BitBtn1.SetKind(TBitBtnKind::bkOK);
        BitBtn2.SetName("BitBtn2");
        BitBtn2.OnClick = Method(this, &TfrmDialog::BitBtn2Click);
        BitBtn3.SetName("BitBtn3");
        BitBtn3.OnClick = Method(this, &TfrmDialog::BitBtn3Click);
        Panel1.SetName("Panel1");
        BitBtn4.SetName("BitBtn4");
        BitBtn4.SetParent(&Panel1);
        BitBtn4.SetEnabled(false);
        Panel2.SetName("Panel2");
        Panel2.SetEnabled(false);
        BitBtn5.SetName("BitBtn5");
        BitBtn5.SetParent(&Panel2);
        EdtInsName.SetName("EdtInsName");
        OnCloseQuery = Method(this, &TfrmDialog::FormCloseQuery);
    }
    void BitBtn2Click(TComponent*) { Close(); }
    void BitBtn3Click(TComponent*) {
        answers.push_back(Application->MessageBox("Continue?", "Question", mbOKCancel | mbIconQuestion));
    }
    void FormCloseQuery(TComponent*, bool& canClose) { canClose = EdtInsName.Text() != "locked"; }

    TBitBtn BitBtn1, BitBtn2, BitBtn3;
    TPanel Panel1;
    TBitBtn BitBtn4;
    TPanel Panel2;
    TBitBtn BitBtn5;
    TEdit EdtInsName;
    std::vector<int> answers;
};

}  // namespace

TEST_F(ModalForms, AButtonWithAModalResultEndsTheLoop) {
    TfrmDialog dialog(nullptr);
    Play({ScriptAction::Type("EdtInsName", "MYINST"), ScriptAction::Click("BitBtn1")});
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(dialog.EdtInsName.Text(), "MYINST");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(Screen->ActiveModalForm(), nullptr);
    // Centred on the machine's screen when first shown.
    EXPECT_EQ(dialog.Left(), (Screen->Width() - 300) / 2);
}

TEST_F(ModalForms, CloseGivesCancelUnlessCloseQueryRefuses) {
    TfrmDialog dialog(nullptr);
    Play({ScriptAction::Type("EdtInsName", "locked"), ScriptAction::Click("BitBtn2"),
          ScriptAction::Type("EdtInsName", "free"), ScriptAction::Click("BitBtn2")});
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(dialog.EdtInsName.Text(), "free");  // the first close was refused, the loop went on
    EXPECT_TRUE(script_.Unused().empty());
}

TEST_F(ModalForms, DisabledControlsAndTheirChildrenRefuseActions) {
    TfrmDialog dialog(nullptr);
    Play({ScriptAction::Click("BitBtn4")});
    try {
        dialog.ShowModal();
        FAIL() << "a disabled button was pressed";
    } catch (const EActionRefused& refused) {
        EXPECT_EQ(refused.Message(), "click BitBtn4: BitBtn4 on frmDialog is disabled");
    }
    EXPECT_EQ(Screen->ActiveModalForm(), nullptr);  // the loop was left cleanly

    Play({ScriptAction::Click("BitBtn5")});  // enabled, but its panel is not
    EXPECT_THROW(dialog.ShowModal(), EActionRefused);
    Play({ScriptAction::Click("NoSuchButton")});
    EXPECT_THROW(dialog.ShowModal(), EActionRefused);
}

TEST_F(ModalForms, RunningOutOfActionsEndsTheRunThroughTheApplicationsHandlers) {
    TfrmDialog dialog(nullptr);
    Play({ScriptAction::Type("EdtInsName", "x")});
    // ERunEnded is not a std::exception, so the program's own handlers do not swallow it.
    bool caughtByProgram = false;
    try {
        try {
            dialog.ShowModal();
        } catch (const std::exception&) {
            caughtByProgram = true;
        }
    } catch (const ESessionExhausted& ended) {
        EXPECT_NE(ended.Message().find("frmDialog"), std::string::npos);
    }
    EXPECT_FALSE(caughtByProgram);
}

TEST_F(ModalForms, MessageBoxesTakeQueuedAnswersTheNextAnswerOrTheirDefault) {
    TfrmDialog dialog(nullptr);
    Play({ScriptAction::AnswerCancel(), ScriptAction::Click("BitBtn3"),  // queued before the box
          ScriptAction::Click("BitBtn3"), ScriptAction::AnswerCancel(),  // the box waits: the next answer
          ScriptAction::Click("BitBtn3"),                                // nothing queued: OK by default
          ScriptAction::Click("BitBtn1")});
    dialog.ShowModal();
    EXPECT_EQ(dialog.answers, (std::vector<int>{idCancel, idCancel, idOK}));
    const auto& boxes = backend_.MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].by, headless::AnsweredBy::Driver);
    EXPECT_EQ(boxes[2].by, headless::AnsweredBy::Default);
    EXPECT_EQ(boxes[2].caption, "Question");
    EXPECT_EQ(boxes[2].text, "Continue?");
    EXPECT_EQ(MessageBoxIconName(boxes[2].flags), "question");
    EXPECT_EQ(boxes[2].modalForm, "frmDialog");
}

TEST_F(ModalForms, OkAndCancelMapOntoYesNoBoxes) {
    Play({ScriptAction::AnswerCancel(), ScriptAction::AnswerOk()});
    EXPECT_EQ(backend_.ShowMessageBox("Replace?", "", mbYesNo), idNo);
    EXPECT_EQ(backend_.ShowMessageBox("Replace?", "", mbYesNo), idYes);
    EXPECT_EQ(backend_.ShowMessageBox("Replace?", "", mbYesNo | mbDefButton2), idNo);  // default button
    Play({ScriptAction::Answer(idRetry)});
    EXPECT_THROW(backend_.ShowMessageBox("Stop", "", mbOK), EActionRefused);  // not one of its buttons
}

TEST_F(ModalForms, FolderBrowsersAreAnsweredOrCancelled) {
    Play({ScriptAction::Browse("D:\\Apps"), ScriptAction::BrowseCancel()});
    std::string path = "C:\\Program Files";
    EXPECT_TRUE(BrowseForFolder("Choose", path));
    EXPECT_EQ(path, "D:\\Apps");
    EXPECT_FALSE(BrowseForFolder("Choose", path));
    EXPECT_FALSE(BrowseForFolder("Choose", path));  // nothing left: cancelled by default
    ASSERT_EQ(backend_.FolderBrowsers().size(), 3u);
    EXPECT_EQ(backend_.FolderBrowsers()[0].startPath, "C:\\Program Files");
    EXPECT_EQ(backend_.FolderBrowsers()[2].by, headless::AnsweredBy::Default);
}

TEST_F(ModalForms, ActionsApplyToTheInnermostModalForm) {
    TfrmDialog outer(nullptr), inner(nullptr);
    inner.SetName("frmInner");
    int innerResult = 0;
    outer.BitBtn3.OnClick = [&](TComponent*) { innerResult = inner.ShowModal(); };
    Play({ScriptAction::Click("BitBtn3"), ScriptAction::Type("EdtInsName", "inner"), ScriptAction::Click("BitBtn2"),
          ScriptAction::Click("BitBtn1")});
    EXPECT_EQ(outer.ShowModal(), mrOk);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_EQ(inner.EdtInsName.Text(), "inner");
    EXPECT_EQ(outer.EdtInsName.Text(), "");
}

TEST_F(ModalForms, AHandlersExceptionIsShownAndTheLoopGoesOn) {
    TfrmDialog dialog(nullptr);
    dialog.BitBtn3.OnClick = [](TComponent*) { throw rtl::EInOutError("Disk full", 112); };
    Play({ScriptAction::Click("BitBtn3"), ScriptAction::Click("BitBtn1")});
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    ASSERT_EQ(backend_.MessageBoxes().size(), 1u);
    EXPECT_EQ(backend_.MessageBoxes()[0].text, "Disk full.");
    EXPECT_EQ(backend_.MessageBoxes()[0].caption, "Setup");
    EXPECT_EQ(MessageBoxIconName(backend_.MessageBoxes()[0].flags), "stop");
}

namespace {

// A main window like the setup's: maximised, its work runs when it receives its size.
class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* owner) : TForm(owner) {
        SetName("MainForm");
        SetWindowState(TWindowState::wsMaximized);
        SetBorderStyle(TBorderStyle::bsNone);
        OnCreate = [this](TComponent*) { events.push_back("create"); };
        OnShow = [this](TComponent*) { events.push_back("show"); };
        OnResize = [this](TComponent*) {
            events.push_back("resize " + std::to_string(Width()) + "x" + std::to_string(Height()));
            if (closeOnResize) Close();
        };
    }
    std::vector<std::string> events;
    bool closeOnResize = true;
};

class TfrmSecond : public TForm {
public:
    explicit TfrmSecond(TComponent* owner) : TForm(owner) { SetName("frmSecond"); }
};

}  // namespace

TEST_F(ModalForms, TheApplicationShowsTheFirstFormAndEndsWhenItCloses) {
    TfrmMain* main = nullptr;
    TfrmSecond* second = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), main);
    EXPECT_EQ(Application->Forms().size(), 2u);
    Application->Run();
    std::string size = std::to_string(Screen->Width()) + "x" + std::to_string(Screen->Height());
    EXPECT_EQ(main->events, (std::vector<std::string>{"create", "show", "resize " + size}));
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(backend_.EndedIdle());
    EXPECT_FALSE(second->Visible());
}

TEST_F(ModalForms, AMainWindowNobodyClosesEndsTheHeadlessRunIdle) {
    TfrmMain* main = nullptr;
    Application->CreateForm(main);
    main->closeOnResize = false;
    Application->Run();
    EXPECT_TRUE(backend_.EndedIdle());
    EXPECT_TRUE(main->Visible());
}

TEST_F(ModalForms, ASessionThatEndsInsideTheMainWindowsWorkLeavesRun) {
    TfrmMain* main = nullptr;
    TfrmDialog* wizard = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(wizard);
    main->closeOnResize = false;
    main->OnResize = [&](TComponent*) { wizard->ShowModal(); };
    Play({ScriptAction::Type("EdtInsName", "x"), ScriptAction::AnswerOk()});
    EXPECT_THROW(Application->Run(), ESessionExhausted);
    EXPECT_EQ(script_.Unused().size(), 1u);  // the answer never met a message box
    EXPECT_EQ(script_.Unused()[0].text, "answer ok");
}
