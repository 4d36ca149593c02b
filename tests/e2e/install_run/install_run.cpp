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

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "os/machine.h"
#include "os/win32/win32_machine.h"
#include "setupcheck/headless_run.h"
#include "setupcheck/report.h"
#include "setupcheck/session_file.h"

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

    using os::Shell::shellExecute;
    intptr_t shellExecute(void* owner, const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showCommand) override {
        started.push_back({file, parameters, directory, showCommand});
        return real_.shellExecute(owner, operation, file, parameters, directory, showCommand);
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

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

// Runs the setup with the session's actions and gathers what it showed.
setupcheck::Report RunSession(ObservedMachine& machine, const std::vector<setupcheck::SessionAction>& session) {
    setupcheck::Report report;
    setupcheck::RunHeadless(session, report);
    for (const StartedProgram& p : machine.shellPart.started)
        report.launched.push_back({Utf8(p.file), Utf8(p.parameters), Utf8(p.directory),
                                   setupcheck::ShowName(p.showCommand)});
    for (const auto& [file, spec] : machine.shellPart.savedLinks)
        report.changes.links[Utf8(file)] = {Utf8(spec.target), Utf8(spec.workingDirectory), Utf8(spec.description)};
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
