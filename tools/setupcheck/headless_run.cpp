// A headless run of the setup program driven by a session, and what it showed, as the report lists it.
#include "setupcheck/headless_run.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "os/machine.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace setupcheck {

namespace {

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

// The step whose label carries the mark (yellow), or 0 when none or several do (a mark being moved).
int MarkedStep() {
    if (!app::MainForm) return 0;
    app::TMainForm& m = *app::MainForm;
    vcl::TLabel* labels[] = {&m.Label1, &m.Label2, &m.Label3, &m.Label4, &m.Label8};
    int marked = 0;
    for (int i = 0; i < 5; ++i) {
        if (labels[i]->Font.Color() != vcl::clYellow) continue;
        if (marked) return 0;
        marked = i + 1;
    }
    return marked;
}

// Forwards to the headless backend and notes what the report needs as it happens: step marks, busy-window
// texts, and which message box was the application's exception box.
class RecordingBackend : public vcl::Backend {
public:
    explicit RecordingBackend(vcl::headless::Driver* driver) : inner(driver) {}
    vcl::headless::HeadlessBackend inner;
    std::vector<int> steps;
    std::vector<std::string> busy;
    std::set<size_t> exceptionBoxes;  // indices into inner.MessageBoxes()
    bool recording = true;
    // Called once, when the wizard's window first appears.
    std::function<void()> onWizardShown;
    bool wizardShown = false;

    void NoteStep() {
        int step = MarkedStep();
        if (recording && step != 0 && (steps.empty() || steps.back() != step)) steps.push_back(step);
    }

    void CreateHandle(vcl::TWinControl& c) override { inner.CreateHandle(c); }
    void DestroyHandle(vcl::TWinControl& c) override { inner.DestroyHandle(c); }
    void ControlDestroyed(vcl::TControl& c) override { inner.ControlDestroyed(c); }
    void Changed(vcl::TControl& c, vcl::TChange what) override {
        inner.Changed(c, what);
        if (!recording) return;
        if (what == vcl::TChange::Font && app::MainForm) NoteStep();
        if (what == vcl::TChange::Text && app::frmSetup && &c == &app::frmSetup->Panel1) busy.push_back(c.Caption());
        if (what == vcl::TChange::Visible && app::frmSetupGuide && &c == app::frmSetupGuide && c.Visible() &&
            !wizardShown) {
            wizardShown = true;
            if (onWizardShown) onWizardShown();
        }
    }
    void PaintNow(vcl::TControl& c) override { inner.PaintNow(c); }
    int FrameWidth(const vcl::TForm& f) override { return inner.FrameWidth(f); }
    int FrameHeight(const vcl::TForm& f) override { return inner.FrameHeight(f); }
    void HandleMessage(vcl::TForm* modal) override { inner.HandleMessage(modal); }
    void ProcessMessages() override { inner.ProcessMessages(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        // The exception box is the one TApplication::HandleException shows from its catch block: the
        // application title, a stop icon and OK, with an exception in flight.
        bool exceptionBox = std::current_exception() && caption == vcl::Application->DisplayTitle() &&
                            flags == unsigned(vcl::mbOK | vcl::mbIconStop);
        size_t index = inner.MessageBoxes().size();
        int answer = inner.ShowMessageBox(text, caption, flags);
        if (exceptionBox) exceptionBoxes.insert(index);
        return answer;
    }
    bool BrowseForFolder(const std::string& title, std::string& path) override {
        return inner.BrowseForFolder(title, path);
    }
    bool BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) override {
        return inner.BrowseFromDesktop(title, flags, path);
    }
    void TimerChanged(vcl::TTimer& t) override { inner.TimerChanged(t); }
    void TimerDestroyed(vcl::TTimer& t) override { inner.TimerDestroyed(t); }
};

vcl::headless::ScriptAction ToScriptAction(const SessionAction& action) {
    using vcl::headless::ScriptAction;
    os::CodePage& codePage = os::codePage();
    ScriptAction out;
    switch (action.kind) {
    case SessionAction::Kind::Click:
        out = ScriptAction::Click(action.control);
        break;
    case SessionAction::Kind::Check: {
        vcl::TCheckBoxState state = action.state == SessionAction::CheckState::On    ? vcl::TCheckBoxState::cbChecked
                                    : action.state == SessionAction::CheckState::Off ? vcl::TCheckBoxState::cbUnchecked
                                                                                     : vcl::TCheckBoxState::cbGrayed;
        out = ScriptAction::Check(action.control, action.index, state);
        break;
    }
    case SessionAction::Kind::Select:
        out = ScriptAction::Select(action.control, action.index);
        break;
    case SessionAction::Kind::Type:
        out = ScriptAction::Type(action.control, codePage.utf8ToAnsi(action.value));
        break;
    case SessionAction::Kind::Browse:
        out = action.cancel ? ScriptAction::BrowseCancel() : ScriptAction::Browse(codePage.utf8ToAnsi(action.value));
        break;
    case SessionAction::Kind::Answer:
        out = action.cancel ? ScriptAction::AnswerCancel() : ScriptAction::AnswerOk();
        break;
    case SessionAction::Kind::Close:
        out = ScriptAction::Close();
        break;
    }
    // The program's own texts are ANSI; so are the action texts that its messages quote.
    out.text = codePage.utf8ToAnsi(action.text);
    out.line = action.line;
    return out;
}

const char* IconName(unsigned flags) {
    switch (flags & vcl::mbIconMask) {
    case vcl::mbIconStop: return "stop";
    case vcl::mbIconQuestion: return "question";
    case vcl::mbIconWarning: return "warning";  // the same flag as the exclamation icon
    case vcl::mbIconInformation: return "information";
    default: return "none";
    }
}

const char* ButtonsName(unsigned flags) {
    static const char* const kNames[] = {"ok", "okcancel", "abortretryignore", "yesnocancel", "yesno", "retrycancel"};
    unsigned buttons = flags & vcl::mbButtonsMask;
    return buttons < std::size(kNames) ? kNames[buttons] : "ok";
}

const char* AnswerName(int answer) {
    static const char* const kNames[] = {"", "ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
    return answer >= 0 && answer < int(std::size(kNames)) ? kNames[answer] : "";
}

// Notes one of the wizard's pages: the page on screen when the wizard first appears, then each ShowPage
// call (9, after the install command, is a call that shows no page: it is in `pages` only).
void NotePage(ReportWizard& out, int page) {
    const wizard::TfrmSetupGuide& w = *app::frmSetupGuide;
    out.pages.push_back(page);
    if (page < 1 || page > 8) return;
    ReportShownPage shown;
    shown.page = page;
    if (w.Panel11.Visible()) {  // page 1 hides the header: no texts on screen
        shown.title = Utf8(w.Prompt.Caption());
        shown.description = Utf8(w.PromptDescribe.Caption());
    }
    shown.next = Utf8(w.BitBtn2.Caption());
    shown.nextEnabled = w.BitBtn2.Enabled();
    shown.backVisible = w.BitBtn3.Visible();
    out.shown.push_back(shown);
    if (page == 7) {
        out.pathlist.clear();
        for (int row = 0; row < w.ListView1.ItemCount(); ++row) {
            const vcl::TListItem& item = w.ListView1.Item(row);
            auto sub = [&](size_t i) { return i < item.SubItems.size() ? Utf8(item.SubItems[i]) : std::string(); };
            out.pathlist.push_back({Utf8(item.Caption), sub(0), sub(1)});
        }
    }
}

// The wizard's results in the product table and in its own controls, and the prompt window's marks.
void NoteWindows(Report& report) {
    if (app::MainForm) {
        const app::TMainForm& m = *app::MainForm;
        ReportWizard& z = report.wizard;
        z.result = m.WizardResult;
        z.mode = m.CurMode;
        for (int p = 0; p < std::min(m.ProductCount, app::kMaxProducts); ++p) {
            z.paths.push_back(Utf8(m.Products[size_t(p)].MainPath));
            std::vector<int> states;
            if (m.CurMode >= 0 && m.CurMode < app::kMaxInstallModes)
                for (int k = 0; k < std::min(m.Products[size_t(p)].ModuleCount, app::kMaxModules); ++k)
                    states.push_back(m.Modules[size_t(m.CurMode)][size_t(p)][size_t(k)].State);
            z.modules.push_back(states);
        }
    }
    if (app::frmSetupGuide) {
        const vcl::TCheckListBox& list = app::frmSetupGuide->CheckListBox1;
        for (int i = 0; i < list.Items.Count(); ++i) {
            vcl::TCheckBoxState state = list.State(i);
            report.wizard.products.push_back(state == vcl::TCheckBoxState::cbChecked   ? "checked"
                                             : state == vcl::TCheckBoxState::cbGrayed ? "grayed"
                                                                                       : "unchecked");
        }
        report.wizard.instance = Utf8(app::frmSetupGuide->EdtInsName.Text());
        for (const std::string& line : app::frmSetupGuide->ListBox1.Items.Lines())
            report.wizard.summary.push_back(Utf8(line));
    }
    if (app::frmPrompt) report.prompt = Utf8(app::frmPrompt->Prompt.Caption());
}

// The session's actions first, then (when given) another driver for the forms that still wait.
class ChainedDriver : public vcl::headless::Driver {
public:
    ChainedDriver(vcl::headless::ScriptDriver& script, vcl::headless::Driver* then) : script_(script), then_(then) {}
    bool Act(vcl::TForm& form) override { return script_.Act(form) || (then_ && then_->Act(form)); }
    std::optional<int> AnswerMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return script_.AnswerMessageBox(text, caption, flags);
    }
    std::optional<vcl::headless::FolderAnswer> AnswerFolderBrowser(const std::string& title,
                                                                   const std::string& startPath) override {
        return script_.AnswerFolderBrowser(title, startPath);
    }

private:
    vcl::headless::ScriptDriver& script_;
    vcl::headless::Driver* then_;
};

// Frees the windows while the backend they use still exists, and puts the previous backend back, however
// the run ends.
struct WindowsGuard {
    vcl::Backend* previousBackend = nullptr;
    ~WindowsGuard() {
        app::DestroySetupWindows();
        vcl::SetBackend(previousBackend);
    }
};

}  // namespace

HeadlessRunEnd RunHeadless(const std::vector<SessionAction>& session, Report& report,
                           vcl::headless::Driver* whenSessionEnds) {
    std::vector<vcl::headless::ScriptAction> actions;
    for (const SessionAction& action : session) actions.push_back(ToScriptAction(action));
    vcl::headless::ScriptDriver script(std::move(actions));
    ChainedDriver driver(script, whenSessionEnds);
    RecordingBackend backend(&driver);
    HeadlessRunEnd end = HeadlessRunEnd::Ended;
    WindowsGuard guard;
    guard.previousBackend = vcl::SetBackend(&backend);

    backend.onWizardShown = [&report] { NotePage(report.wizard, app::frmSetupGuide->PageNo); };
    try {
        app::RunSetupProgram([&backend, &report] {
            backend.NoteStep();
            if (app::MainForm)
                app::MainForm->OnFailure = [&report](const std::string& what) { report.failures.push_back(Utf8(what)); };
            if (app::frmSetupGuide)
                app::frmSetupGuide->OnPageShown = [&report](int page) { NotePage(report.wizard, page); };
        });
        report.endKind = "closed";
    } catch (const vcl::ERunEnded& e) {
        report.endKind = "session";
        report.endMessage = Utf8(e.Message());
        end = dynamic_cast<const vcl::EActionRefused*>(&e) ? HeadlessRunEnd::Refused : HeadlessRunEnd::Exhausted;
    } catch (const std::exception& e) {
        // RunSetupProgram shows the setup's exceptions itself; one that still escapes ends the run.
        report.endKind = "error";
        report.endMessage = Utf8(e.what());
    }
    backend.NoteStep();
    backend.recording = false;

    // Message boxes, and the exception box among them.
    const auto& boxes = backend.inner.MessageBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        const auto& box = boxes[i];
        report.messages.push_back({Utf8(box.caption), Utf8(box.text), IconName(box.flags), ButtonsName(box.flags),
                                   AnswerName(box.answer),
                                   box.by == vcl::headless::AnsweredBy::Driver ? "session" : "default"});
        if (backend.exceptionBoxes.count(i) && report.endKind == "closed") {
            report.endKind = "error";
            report.endMessage = Utf8(box.text);
        }
    }
    report.steps = backend.steps;
    for (const std::string& text : backend.busy) report.busy.push_back(Utf8(text));
    NoteWindows(report);
    for (const auto& action : script.Unused()) report.unused.push_back(Utf8(action.text));
    return end;
}

const char* ShowName(int showCommand) {
    static const char* const kNames[] = {"hide",     "normal", "showminimized", "maximize",
                                         "shownoactivate", "show", "minimize", "showminnoactive",
                                         "showna",   "restore", "showdefault", "forceminimize"};
    return showCommand >= 0 && showCommand < int(std::size(kNames)) ? kNames[showCommand] : "unknown";
}

}  // namespace setupcheck
