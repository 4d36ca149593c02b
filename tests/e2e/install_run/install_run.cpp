// install_run: the whole setup program on the real machine of this Windows build, with the headless form
// library in place of real windows. A session file (the format `setupcheck simulate` reads) stands in for
// the user, so a run here and a simulated run of the same medium and session can be compared effect by
// effect (tests/e2e/install_compare.sh does that under Wine).
//
//   install_run.exe SESSION_FILE [--report FILE]
//   install_run.exe --machine
//
// Run it with the medium as the current directory. It prints every message box (caption, text, icon,
// buttons, answer), the programs the setup started and the links it saved, as UTF-8 lines on standard
// output; --report also writes the run's report as JSON in the shape of the simulation report (without
// "changes.files", "changes.deleted" and "changes.registry", which the comparison reads from the machine
// itself). Exit status: 0 when the run ended (however the setup ended it), 2 for bad arguments or an
// unreadable or malformed session file.
//
// --machine prints, instead of running the setup, this machine as the port sees it (version word, screen,
// Windows and system directories, code page, current directory, drives) in the form of a machine file of
// `setupcheck simulate`, so the simulation can be given the machine the real run meets.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "os/machine.h"
#include "os/win32/win32_machine.h"
#include "setupcheck/report.h"
#include "setupcheck/session_file.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace {

// --- The real machine, with its shell observed ---

struct StartedProgram {
    std::string file, parameters, directory;  // a WinExec start keeps its whole command line in file
    int showCommand = 0;
};

// Passes every call to the real shell and notes the programs started and the links saved, which the
// machine itself cannot list afterwards (a started program may be gone, a link may have been replaced).
class ObservedShell : public os::Shell {
public:
    explicit ObservedShell(os::Shell& real) : real_(real) {}
    std::vector<StartedProgram> started;
    std::vector<std::pair<std::string, os::ShellLinkSpec>> savedLinks;

    intptr_t shellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                          const std::string& directory, int showCommand) override {
        started.push_back({file, parameters, directory, showCommand});
        return real_.shellExecute(operation, file, parameters, directory, showCommand);
    }
    uint32_t winExec(const std::string& commandLine, int showCommand) override {
        started.push_back({commandLine, "", "", showCommand});
        return real_.winExec(commandLine, showCommand);
    }
    int32_t initializeCom() override { return real_.initializeCom(); }
    void uninitializeCom() override { real_.uninitializeCom(); }
    using os::Shell::createShellLink;
    int32_t createShellLink(const os::ShellLinkSpec& spec, const std::string& linkFile, bool remember,
                            os::ShellLinkStep& reached) override {
        int32_t status = real_.createShellLink(spec, linkFile, remember, reached);
        if (reached == os::ShellLinkStep::Saved) savedLinks.emplace_back(linkFile, spec);
        return status;
    }
    void notifyDirectoryCreated(const std::string& path) override { real_.notifyDirectoryCreated(path); }

private:
    os::Shell& real_;
};

class ObservedMachine : public os::Machine {
public:
    os::win32::Win32Machine real;
    ObservedShell shellPart{real.shell()};

    os::FileSystem& files() override { return real.files(); }
    os::CodePage& codePage() override { return real.codePage(); }
    os::Registry& registry() override { return real.registry(); }
    os::Profile& profile() override { return real.profile(); }
    os::System& system() override { return real.system(); }
    os::Shell& shell() override { return shellPart; }
};

// --- What the run showed ---

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

// Forwards to the headless backend and notes the step marks, the busy window's texts and which message
// box was the application's exception box, as the simulation does.
class RecordingBackend : public vcl::Backend {
public:
    explicit RecordingBackend(vcl::headless::Driver* driver) : inner(driver) {}
    vcl::headless::HeadlessBackend inner;
    std::vector<int> steps;
    std::vector<std::string> busy;
    std::set<size_t> exceptionBoxes;
    bool recording = true;
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
        bool exceptionBox = std::current_exception() && caption == vcl::Application->Title &&
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

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

vcl::headless::ScriptAction ToScriptAction(const setupcheck::SessionAction& action) {
    using setupcheck::SessionAction;
    using vcl::headless::ScriptAction;
    os::CodePage& cp = os::codePage();
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
        out = ScriptAction::Type(action.control, cp.utf8ToAnsi(action.value));
        break;
    case SessionAction::Kind::Browse:
        out = action.cancel ? ScriptAction::BrowseCancel() : ScriptAction::Browse(cp.utf8ToAnsi(action.value));
        break;
    case SessionAction::Kind::Answer:
        out = action.cancel ? ScriptAction::AnswerCancel() : ScriptAction::AnswerOk();
        break;
    }
    out.text = cp.utf8ToAnsi(action.text);
    out.line = action.line;
    return out;
}

const char* IconName(unsigned flags) {
    switch (flags & vcl::mbIconMask) {
    case vcl::mbIconStop: return "stop";
    case vcl::mbIconQuestion: return "question";
    case vcl::mbIconWarning: return "warning";
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

const char* ShowName(int showCommand) {
    static const char* const kNames[] = {"hide",     "normal", "showminimized", "maximize",
                                         "shownoactivate", "show", "minimize", "showminnoactive",
                                         "showna",   "restore", "showdefault", "forceminimize"};
    return showCommand >= 0 && showCommand < int(std::size(kNames)) ? kNames[showCommand] : "unknown";
}

// The wizard's pages as the simulation report lists them: the page on screen when the wizard first
// appears, then one entry per ShowPage call.
void NotePage(setupcheck::ReportWizard& out, int page) {
    const wizard::TfrmSetupGuide& w = *app::frmSetupGuide;
    out.pages.push_back(page);
    if (page < 1 || page > 8) return;
    setupcheck::ReportShownPage shown;
    shown.page = page;
    if (w.Panel11.Visible()) {
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

void NoteWindows(setupcheck::Report& report) {
    if (app::MainForm) {
        const app::TMainForm& m = *app::MainForm;
        setupcheck::ReportWizard& z = report.wizard;
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

// Runs the setup with the session's actions and gathers what it showed.
setupcheck::Report RunSession(ObservedMachine& machine, const std::vector<setupcheck::SessionAction>& session) {
    std::vector<vcl::headless::ScriptAction> actions;
    for (const auto& action : session) actions.push_back(ToScriptAction(action));
    vcl::headless::ScriptDriver script(std::move(actions));
    RecordingBackend backend(&script);
    vcl::Backend* previousBackend = vcl::SetBackend(&backend);

    setupcheck::Report report;
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
    } catch (const std::exception& e) {
        report.endKind = "error";
        report.endMessage = Utf8(e.what());
    }
    backend.NoteStep();
    backend.recording = false;

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
    for (const StartedProgram& p : machine.shellPart.started)
        report.launched.push_back({Utf8(p.file), Utf8(p.parameters), Utf8(p.directory), ShowName(p.showCommand)});
    for (const auto& [file, spec] : machine.shellPart.savedLinks)
        report.changes.links[Utf8(file)] = {Utf8(spec.target), Utf8(spec.workingDirectory), Utf8(spec.description)};
    NoteWindows(report);
    for (const auto& action : script.Unused()) report.unused.push_back(Utf8(action.text));

    // The windows use the backend: free them while it still exists.
    vcl::Application->DestroyForms();
    app::MainForm = nullptr;
    app::frmPrompt = nullptr;
    app::frmModuleSel = nullptr;
    app::frmPath = nullptr;
    app::frmSetup = nullptr;
    app::frmSetupGuide = nullptr;
    vcl::SetBackend(previousBackend);
    return report;
}

void PrintReport(const setupcheck::Report& report) {
    std::ostringstream out;
    out << "end: " << report.endKind;
    if (!report.endMessage.empty()) out << " (" << report.endMessage << ")";
    out << "\n";
    out << "message boxes: " << report.messages.size() << "\n";
    for (const auto& m : report.messages)
        out << "  [" << m.caption << "] " << m.text << " | icon " << m.icon << ", " << m.buttons << ", answer "
            << m.answer << " (" << m.by << ")\n";
    out << "steps:";
    for (int step : report.steps) out << " " << step;
    out << "\n";
    for (const auto& p : report.launched)
        out << "started: " << p.program << " |" << p.parameters << "| in " << p.directory << " (" << p.show << ")\n";
    for (const auto& [file, link] : report.changes.links)
        out << "link: " << file << " -> " << link.target << " in " << link.workdir << "\n";
    for (const auto& failure : report.failures) out << "failure: " << failure << "\n";
    for (const auto& line : report.unused) out << "unused: " << line << "\n";
    std::string text = out.str();
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

// This machine as the port reports it, in the machine-file form `setupcheck simulate` reads: the
// [Machine] keys and one [Drives] line per drive with its type and free space. The current directory is
// the setup folder. The registry part is left to the caller.
void PrintMachine() {
    os::System& system = os::system();
    std::ostringstream out;
    char version[16];
    snprintf(version, sizeof version, "0x%08X", unsigned(system.versionWord()));
    out << "[Machine]\n";
    out << "Version=" << version << "\n";
    out << "Screen=" << system.screenWidth() << "x" << system.screenHeight() << "\n";
    out << "WindowsDir=" << Utf8(system.windowsDirectory()) << "\n";
    out << "SystemDir=" << Utf8(system.systemDirectory()) << "\n";
    out << "CodePage=" << os::codePage().ansiCodePage() << "\n";
    out << "SetupFolder=" << Utf8(os::files().getCurrentDirectory()) << "\n";
    out << "[Drives]\n";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        const char* type = nullptr;
        switch (os::files().getDriveType(root)) {
        case os::DriveType::Fixed: type = "fixed"; break;
        case os::DriveType::Removable: type = "removable"; break;
        case os::DriveType::CdRom: type = "cdrom"; break;
        case os::DriveType::Remote: type = "remote"; break;
        case os::DriveType::RamDisk: type = "ramdisk"; break;
        default: break;
        }
        if (!type) continue;
        uint64_t freeToCaller = 0, total = 0, totalFree = 0;
        out << letter << "=" << type;
        if (system.diskFreeSpaceEx(root, freeToCaller, total, totalFree)) out << "," << (freeToCaller >> 20);
        out << "\n";
    }
    std::string text = out.str();
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int Usage(const std::string& problem) {
    fprintf(stderr, "install_run: %s\nusage: install_run SESSION_FILE [--report FILE] | install_run --machine\n", problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines as written, without CR
    std::string sessionFile, reportFile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--machine") {
            ObservedMachine machine;
            os::setMachine(&machine);
            PrintMachine();
            os::setMachine(nullptr);
            return 0;
        } else if (a == "--report") {
            if (i + 1 >= argc) return Usage("--report needs a file");
            reportFile = argv[++i];
        } else if (a.rfind("--", 0) == 0) {
            return Usage("unknown option " + a);
        } else if (sessionFile.empty()) {
            sessionFile = a;
        } else {
            return Usage("unexpected argument " + a);
        }
    }
    if (sessionFile.empty()) return Usage("the session file is missing");

    std::ifstream in(sessionFile, std::ios::binary);
    if (!in) return Usage("cannot read the session file " + sessionFile);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<setupcheck::SessionAction> session;
    try {
        session = setupcheck::ParseSessionFile(text);
    } catch (const setupcheck::SessionFileError& e) {
        return Usage(e.what());
    }

    ObservedMachine machine;
    os::setMachine(&machine);
    setupcheck::Report report = RunSession(machine, session);
    PrintReport(report);
    if (!reportFile.empty()) {
        std::ofstream file(reportFile, std::ios::binary);
        if (!(file << setupcheck::ReportToJson(report)) || !file.flush()) {
            fprintf(stderr, "install_run: cannot write the report %s\n", reportFile.c_str());
            return 2;
        }
    }
    os::setMachine(nullptr);
    return 0;
}
