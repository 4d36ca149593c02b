// `setupcheck simulate`: builds the simulated machine from the options, runs the setup program on it under
// the headless backend with a script made from the session file, and gathers the report.
#include "setupcheck/simulate.h"

#include <stdlib.h>

#include <algorithm>
#include <cassert>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "archive/crc32.h"
#include "os/machine.h"
#include "os/sim/lnk_writer.h"
#include "os/sim/sim_machine.h"
#include "os/sim/sim_registry.h"
#include "os/sim/sim_shell.h"
#include "setupcheck/machine_file.h"
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

namespace fs = std::filesystem;

namespace setupcheck {

namespace {

std::string ReadHostFile(const std::string& path, const char* what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SimulateError(std::string("cannot read the ") + what + " " + path);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw SimulateError(std::string("cannot read the ") + what + " " + path);
    return text.str();
}

// A temporary host folder, removed with everything in it when this goes away.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "setupcheck-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw SimulateError("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// The step labels of the main window, in step order.
std::vector<vcl::TLabel*> StepLabels() {
    app::TMainForm& m = *app::MainForm;
    return {&m.Label1, &m.Label2, &m.Label3, &m.Label4, &m.Label8};
}

// The step whose label carries the mark (yellow), or 0 when none or several do (a mark being moved).
int MarkedStep() {
    if (!app::MainForm) return 0;
    std::vector<vcl::TLabel*> labels = StepLabels();
    int marked = 0;
    for (size_t i = 0; i < labels.size(); ++i) {
        if (labels[i]->Font.Color() != vcl::clYellow) continue;
        if (marked) return 0;
        marked = int(i) + 1;
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
    void TimerChanged(vcl::TTimer& t) override { inner.TimerChanged(t); }
    void TimerDestroyed(vcl::TTimer& t) override { inner.TimerDestroyed(t); }
};

vcl::headless::ScriptAction ToScriptAction(const SessionAction& action, os::CodePage& codePage) {
    using vcl::headless::ScriptAction;
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

const char* ShowName(int showCommand) {
    static const char* const kNames[] = {"hide",     "normal", "showminimized", "maximize",
                                         "shownoactivate", "show", "minimize", "showminnoactive",
                                         "showna",   "restore", "showdefault", "forceminimize"};
    return showCommand >= 0 && showCommand < int(std::size(kNames)) ? kNames[showCommand] : "unknown";
}

// The files below the drives' host folders: host path -> size and CRC-32.
using FileSnapshot = std::map<std::string, ReportFile>;

FileSnapshot SnapshotFiles(os::sim::SimMachine& machine) {
    FileSnapshot files;
    std::set<std::string> roots;
    for (const auto& [letter, drive] : machine.drives())
        if (!drive.hostRoot.empty()) roots.insert(drive.hostRoot);
    for (const std::string& root : roots) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
            if (!it->is_regular_file()) continue;
            std::ifstream in(it->path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            files[it->path().string()] = {bytes.size(), archive::ArCrc32(bytes.data(), bytes.size())};
        }
    }
    return files;
}

// --- Shell links: the fields the report shows, read back from the saved .LNK bytes ---

// Target, working directory and description (ANSI) of a link file.
ReportLink ReadLink(const std::string& bytes) {
    os::sim::detail::LinkContents contents = os::sim::detail::ReadShellLink(bytes);
    ReportLink link;
    link.target = contents.localBasePath;
    link.workdir = contents.workingDirectory;
    link.description = contents.description;
    return link;
}

// Notes the wizard's pages for the report: the page on screen when the wizard first appears, then each
// ShowPage call (9, after the install command, is a call that shows no page: it is in `pages` only).
class WizardRecorder {
public:
    WizardRecorder(ReportWizard& out, os::CodePage& codePage) : out_(out), codePage_(codePage) {}

    void Note(int page) {
        const wizard::TfrmSetupGuide& w = *app::frmSetupGuide;
        out_.pages.push_back(page);
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
        out_.shown.push_back(shown);
        if (page == 7) {
            out_.pathlist.clear();
            for (int row = 0; row < w.ListView1.ItemCount(); ++row) {
                const vcl::TListItem& item = w.ListView1.Item(row);
                auto sub = [&](size_t i) { return i < item.SubItems.size() ? Utf8(item.SubItems[i]) : std::string(); };
                out_.pathlist.push_back({Utf8(item.Caption), sub(0), sub(1)});
            }
        }
    }

private:
    std::string Utf8(const std::string& ansi) const { return codePage_.ansiToUtf8(ansi); }
    ReportWizard& out_;
    os::CodePage& codePage_;
};

// Restores the process's machine, backend and windows however the run ends.
struct RunGuard {
    os::Machine* previousMachine = nullptr;
    vcl::Backend* previousBackend = nullptr;
    ~RunGuard() {
        vcl::Application->DestroyForms();
        app::MainForm = nullptr;
        app::frmPrompt = nullptr;
        app::frmModuleSel = nullptr;
        app::frmPath = nullptr;
        app::frmSetup = nullptr;
        app::frmSetupGuide = nullptr;
        vcl::SetBackend(previousBackend);
        os::setMachine(previousMachine);
    }
};

std::string JoinPath(std::string folder, const std::string& name) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + name;
}

}  // namespace

SimulateOptions ParseSimulateArguments(const std::vector<std::string>& arguments) {
    SimulateOptions options;
    bool haveMedium = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                throw SimulateError("option " + a + " needs a value");
            return arguments[++i];
        };
        if (a == "--session") {
            options.sessionFile = value();
        } else if (a == "--machine") {
            options.machineFile = value();
        } else if (a == "--root") {
            options.root = value();
        } else if (a == "--report") {
            options.reportFile = value();
        } else if (a == "--in-place") {
            options.inPlace = true;
        } else if (a.rfind("--", 0) == 0) {
            throw SimulateError("unknown option " + a);
        } else if (!haveMedium && !a.empty()) {
            options.medium = a;
            haveMedium = true;
        } else {
            throw SimulateError("unexpected argument " + a);
        }
    }
    if (!haveMedium) throw SimulateError("the medium folder is missing");
    if (options.inPlace && options.root.empty()) throw SimulateError("--in-place needs --root");
    return options;
}

Report Simulate(const SimulateOptions& options) {
    MachineFile machineFile;
    std::vector<SessionAction> session;
    try {
        if (!options.machineFile.empty()) machineFile = ParseMachineFile(ReadHostFile(options.machineFile, "machine file"));
        if (!options.sessionFile.empty()) session = ParseSessionFile(ReadHostFile(options.sessionFile, "session file"));
    } catch (const MachineFileError& e) {
        throw SimulateError(e.what());
    } catch (const SessionFileError& e) {
        throw SimulateError(e.what());
    }
    std::error_code error;
    if (!fs::is_directory(options.medium, error)) throw SimulateError("the medium folder " + options.medium + " does not exist");
    if (!options.root.empty() && !fs::is_directory(options.root, error))
        throw SimulateError("the root folder " + options.root + " does not exist");

    // Where the drives live on the host.
    TempFolder work;
    fs::path drives = work.Path() / "drives";
    if (!options.root.empty() && options.inPlace) {
        drives = options.root;
    } else if (!options.root.empty()) {
        fs::copy(options.root, drives, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) throw SimulateError("cannot copy the root folder " + options.root + ": " + error.message());
    }
    auto hostFolderOf = [&](char letter) {
        fs::path folder = drives / std::string(1, char(std::tolower(static_cast<unsigned char>(letter))));
        fs::create_directories(folder);
        return folder.string();
    };

    auto machine = std::make_unique<os::sim::SimMachine>();
    try {
        ApplyMachineFile(machineFile, *machine, hostFolderOf);
    } catch (const MachineFileError& e) {
        throw SimulateError(e.what());
    }
    os::CodePage& codePage = machine->codePage();
    auto utf8 = [&](const std::string& ansi) { return codePage.ansiToUtf8(ansi); };

    // The medium appears at the setup folder, which is the current directory when SETUP.EXE starts.
    std::string setupFolder = codePage.utf8ToAnsi(machineFile.setupFolder);
    std::optional<std::string> mediumHost = machine->hostPath(setupFolder);
    if (!mediumHost) throw SimulateError("the setup folder " + machineFile.setupFolder + " is on no drive of the machine");
    fs::create_directories(*mediumHost, error);
    fs::copy(options.medium, *mediumHost,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks, error);
    if (error) throw SimulateError("cannot copy the medium " + options.medium + ": " + error.message());
    machine->setModuleFileName(JoinPath(setupFolder, "SETUP.EXE"));

    std::vector<vcl::headless::ScriptAction> actions;
    for (const SessionAction& action : session) actions.push_back(ToScriptAction(action, codePage));
    vcl::headless::ScriptDriver script(std::move(actions));
    RecordingBackend backend(&script);

    Report report;
    WizardRecorder pages(report.wizard, codePage);  // outlives the windows, which the guard frees
    {
        RunGuard guard;
        guard.previousMachine = os::setMachine(machine.get());
        guard.previousBackend = vcl::SetBackend(&backend);
        machine->files().setCurrentDirectory(setupFolder);

        FileSnapshot filesBefore = SnapshotFiles(*machine);
        os::sim::SimRegistry registryBefore = os::sim::SimRegistryOf(*machine);
        size_t launchedBefore = os::sim::SimShellOf(*machine).startedPrograms().size();
        size_t linksBefore = os::sim::SimShellOf(*machine).savedLinks().size();

        backend.onWizardShown = [&pages] { pages.Note(app::frmSetupGuide->PageNo); };
        try {
            app::RunSetupProgram([&backend, &pages, &report, &utf8] {
                backend.NoteStep();
                if (app::MainForm)
                    app::MainForm->OnFailure = [&report, &utf8](const std::string& what) {
                        report.failures.push_back(utf8(what));
                    };
                if (app::frmSetupGuide) app::frmSetupGuide->OnPageShown = [&pages](int page) { pages.Note(page); };
            });
            report.endKind = "closed";
        } catch (const vcl::ERunEnded& e) {
            report.endKind = "session";
            report.endMessage = utf8(e.Message());
        } catch (const std::exception& e) {
            // RunSetupProgram shows the setup's exceptions itself; one that still escapes ends the run.
            report.endKind = "error";
            report.endMessage = utf8(e.what());
        }
        backend.NoteStep();
        backend.recording = false;

        // Message boxes, and the exception box among them.
        const auto& boxes = backend.inner.MessageBoxes();
        for (size_t i = 0; i < boxes.size(); ++i) {
            const auto& box = boxes[i];
            report.messages.push_back({utf8(box.caption), utf8(box.text), IconName(box.flags), ButtonsName(box.flags),
                                       AnswerName(box.answer),
                                       box.by == vcl::headless::AnsweredBy::Driver ? "session" : "default"});
            if (backend.exceptionBoxes.count(i) && report.endKind == "closed") {
                report.endKind = "error";
                report.endMessage = utf8(box.text);
            }
        }
        report.steps = backend.steps;
        for (const std::string& text : backend.busy) report.busy.push_back(utf8(text));
        if (app::frmPrompt) report.prompt = utf8(app::frmPrompt->Prompt.Caption());

        const auto& started = os::sim::SimShellOf(*machine).startedPrograms();
        for (size_t i = launchedBefore; i < started.size(); ++i)
            report.launched.push_back({utf8(started[i].file), utf8(started[i].parameters), utf8(started[i].directory),
                                       ShowName(started[i].showCommand)});

        if (app::MainForm) {
            const app::TMainForm& m = *app::MainForm;
            ReportWizard& z = report.wizard;
            z.result = m.WizardResult;
            z.mode = m.CurMode;
            for (int p = 0; p < std::min(m.ProductCount, app::kMaxProducts); ++p) {
                z.paths.push_back(utf8(m.Products[size_t(p)].MainPath));
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
            report.wizard.instance = utf8(app::frmSetupGuide->EdtInsName.Text());
            for (const std::string& line : app::frmSetupGuide->ListBox1.Items.Lines())
                report.wizard.summary.push_back(utf8(line));
        }

        // Changes: files, registry, links.
        FileSnapshot filesAfter = SnapshotFiles(*machine);
        auto windowsName = [&](const std::string& host) { return utf8(machine->windowsPath(host).value_or(host)); };
        for (const auto& [host, file] : filesAfter) {
            auto before = filesBefore.find(host);
            if (before == filesBefore.end() || before->second.size != file.size || before->second.crc32 != file.crc32)
                report.changes.files[windowsName(host)] = file;
        }
        for (const auto& [host, file] : filesBefore)
            if (!filesAfter.count(host)) report.changes.deleted.push_back(windowsName(host));

        for (const os::sim::RegistryChange& change :
             os::sim::SimRegistry::changes(registryBefore, os::sim::SimRegistryOf(*machine))) {
            std::string key = utf8(change.key);
            if (!key.empty() && key[0] == '\\') key.erase(0, 1);
            auto& entry = report.changes.registry[key];
            using Kind = os::sim::RegistryChange::Kind;
            if (change.kind == Kind::KeyDeleted) {
                entry.reset();
                continue;
            }
            if (!entry) entry.emplace();
            if (change.kind == Kind::ValueDeleted) {
                (*entry)[utf8(change.name)] = std::nullopt;
            } else if (change.kind == Kind::ValueSet) {
                std::string data;
                if (change.type == os::sim::kRegSz || change.type == os::sim::kRegExpandSz) {
                    data = utf8(change.data);
                } else {
                    // Other types: "@TYPE:" and the bytes in hex, as the registry's text form writes them.
                    static const char kHex[] = "0123456789abcdef";
                    data = "@" + std::to_string(change.type) + ":";
                    for (unsigned char c : change.data) data += {kHex[c >> 4], kHex[c & 15]};
                }
                (*entry)[utf8(change.name)] = data;
            }
        }

        const auto& links = os::sim::SimShellOf(*machine).savedLinks();
        for (size_t i = linksBefore; i < links.size(); ++i) {
            std::optional<std::string> host = machine->hostPath(links[i]);
            std::string bytes;
            if (host) {
                std::ifstream in(*host, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            ReportLink link = ReadLink(bytes);
            report.changes.links[utf8(links[i])] = {utf8(link.target), utf8(link.workdir), utf8(link.description)};
        }

        for (const auto& action : script.Unused()) report.unused.push_back(utf8(action.text));
    }
    return report;
}

int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        SimulateOptions options = ParseSimulateArguments(arguments);
        std::string json = ReportToJson(Simulate(options));
        if (options.reportFile.empty()) {
            out << json;
            out.flush();
        } else {
            std::ofstream file(options.reportFile, std::ios::binary);
            if (!(file << json) || !file.flush()) throw SimulateError("cannot write the report " + options.reportFile);
        }
        return 0;
    } catch (const SimulateError& e) {
        err << "setupcheck simulate: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace setupcheck
