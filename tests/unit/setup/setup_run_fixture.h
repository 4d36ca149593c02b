// A headless run of the whole setup program on a medium built in a scratch folder: the description
// files, the packages, the machine's settings, a script for the wizard, and a backend that records
// what the run showed (busy-window texts, stages, message boxes).
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace setup_test {

// Forwards to a headless backend and keeps, in order, the texts the busy window's Panel1 was given.
class RecordingBackend : public vcl::Backend {
public:
    explicit RecordingBackend(vcl::headless::Driver* driver) : inner(driver) {}
    vcl::headless::HeadlessBackend inner;
    std::vector<std::string> busyTexts;
    std::vector<std::string>* timeline = nullptr;
    // Called after pending messages were processed (the sequence does so once the busy window shows).
    std::function<void()> onProcessMessages;

    void CreateHandle(vcl::TWinControl& c) override { inner.CreateHandle(c); }
    void DestroyHandle(vcl::TWinControl& c) override { inner.DestroyHandle(c); }
    void ControlDestroyed(vcl::TControl& c) override { inner.ControlDestroyed(c); }
    void Changed(vcl::TControl& c, vcl::TChange what) override;
    void PaintNow(vcl::TControl& c) override { inner.PaintNow(c); }
    int FrameWidth(const vcl::TForm& f) override { return inner.FrameWidth(f); }
    int FrameHeight(const vcl::TForm& f) override { return inner.FrameHeight(f); }
    void HandleMessage(vcl::TForm* modal) override { inner.HandleMessage(modal); }
    void ProcessMessages() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return inner.ShowMessageBox(text, caption, flags);
    }
    bool BrowseForFolder(const std::string& title, std::string& path) override {
        return inner.BrowseForFolder(title, path);
    }
    void TimerChanged(vcl::TTimer& t) override { inner.TimerChanged(t); }
    void TimerDestroyed(vcl::TTimer& t) override { inner.TimerDestroyed(t); }
};

class SetupRun : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void Write(const std::string& name, const std::string& text);
    std::string In(const std::string& name) const { return folder + "\\" + name; }
    // A package with one small item.
    void Package(const std::string& name);
    // Three install modes and two products. Mode 1's lead module is a selected "MSDE2000" (the wizard
    // shows the instance page), mode 2's is "Client" (no instance page), mode 3's an unselected "MSDE2000"
    // in a mode of Kind 1 (instance page, no checks). additionalPrograms is the body of
    // [Additional Programs].
    void WriteMedium(const std::string& additionalPrograms = "");

    // Runs the program; every stage the sequence starts is added to timeline as "stage:<name>" with the
    // marked step ("stage:CopyPackages@2"), and OnStage also calls stageHook when set.
    void Run();
    // Script shorthands: install from the wizard (Next through the pages, accepting the licence; with
    // instancePage the mode shows page 6, whose instance name must pass its checks), or cancel it and
    // confirm the question.
    void Install(bool instancePage = true) {
        using vcl::headless::ScriptAction;
        script.Add(ScriptAction::Click("BitBtn2"));       // 1 -> 2
        script.Add(ScriptAction::Click("RadioButton1"));  // accept the licence
        int nexts = instancePage ? 7 : 6;                 // 2 -> 3 -> 4 -> 5 [-> 6] -> 7 -> 8 -> install
        for (int i = 0; i < nexts; ++i) script.Add(ScriptAction::Click("BitBtn2"));
    }
    void CancelWizard() {
        script.Add(vcl::headless::ScriptAction::Click("BitBtn1"));
        script.Add(vcl::headless::ScriptAction::AnswerOk());
    }
    // The number of the step whose label is yellow (1..5), or 0 when none or several are.
    static int MarkedStep();
    const std::vector<vcl::headless::MessageBoxRecord>& Boxes() const { return backend.inner.MessageBoxes(); }

    std::string folder;
    vcl::headless::ScriptDriver script;
    RecordingBackend backend{&script};
    std::vector<std::string> timeline;
    std::function<void(const std::string&)> stageHook;
    std::function<void()> beforeRun;

private:
    vcl::Backend* previousBackend_ = nullptr;
    std::string previousDirectory_, previousModule_;
};

// Programs started through the shell during this test, as "file|parameters|directory|show".
std::vector<std::string> StartedSince(size_t first);
// Their owner windows (null for a call without one).
std::vector<void*> StartedOwnersSince(size_t first);
size_t StartedCount();

}  // namespace setup_test
