// The unattended run: session, journal, headless run, exit status and log.
#include "setup/unattended_run.h"

#include <memory>

#include "journal/journal_machine.h"
#include "os/machine.h"
#include "setup/change_log.h"
#include "setup/default_answers.h"
#include "setupcheck/headless_run.h"
#include "setupcheck/session_file.h"

namespace unattended {
namespace {

// A whole file through the machine port; false when it cannot be read.
bool ReadWhole(const std::string& path, std::string& text) {
    auto file = os::files().openFile(path, os::kOpenRead | os::kShareDenyWrite);
    if (!file) return false;
    char buffer[16384];
    for (;;) {
        int64_t got = file->read(buffer, sizeof buffer);
        if (got < 0) return false;
        if (got == 0) return true;
        text.append(buffer, size_t(got));
    }
}

bool WriteWhole(const std::string& path, const std::string& text) {
    auto file = os::files().createFile(path);
    return file && file->write(text.data(), int64_t(text.size())) == int64_t(text.size());
}

// The log: the report with the exit status and the journal's lines.
std::string LogJson(const setupcheck::Report& report, int status, const std::vector<journal::Change>& changes) {
    std::string json = setupcheck::ReportToJson(report);
    // The report is one object; the status and the journal are added as its last members.
    size_t end = json.rfind('}');
    std::string extra = ",\n  \"exit\": " + std::to_string(status) + ",\n  \"journal\": [";
    for (size_t i = 0; i < changes.size(); ++i) extra += (i ? ",\n    " : "\n    ") + ChangeJson(changes[i]);
    extra += changes.empty() ? "]\n" : "\n  ]\n";
    size_t last = json.find_last_not_of(" \n", end - 1);
    return json.substr(0, last + 1) + extra + "}\n";
}

int BadInput(const Options& options, const std::string& problem, std::ostream& err) {
    err << "SETUP: " << problem << "\n";
    if (!options.log.empty()) {
        setupcheck::Report report;
        report.endKind = "arguments";
        report.endMessage = os::codePage().ansiToUtf8(problem);
        WriteWhole(options.log, LogJson(report, kExitBadInput, {}));
    }
    return kExitBadInput;
}

}  // namespace

int ExitStatusOf(const setupcheck::Report& report, bool refused) {
    if (report.endKind == "error") return kExitFailed;
    if (report.endKind == "session") return refused ? kExitBadInput : kExitCancelled;
    if (report.wizard.shown.empty()) return kExitFailed;  // stopped before the wizard: a description problem
    if (report.wizard.result == 0) return kExitCancelled;
    // Confirmed: the installation ran to its end when the last step was reached.
    return !report.steps.empty() && report.steps.back() == 5 ? kExitInstalled : kExitFailed;
}

int RunUnattended(const Options& options, std::ostream& err) {
    std::vector<setupcheck::SessionAction> session;
    if (!options.session.empty()) {
        std::string text;
        if (!ReadWhole(options.session, text)) return BadInput(options, "cannot read the session file " + options.session, err);
        try {
            session = setupcheck::ParseSessionFile(text);
        } catch (const setupcheck::SessionFileError& e) {
            return BadInput(options, options.session + ": " + e.what(), err);
        }
    }

    journal::ChangeList list;
    std::unique_ptr<os::File> journalFile;
    if (!options.log.empty()) {
        journalFile = os::files().createFile(options.log + ".journal");
        if (!journalFile) return BadInput(options, "cannot write the journal " + options.log + ".journal", err);
    }
    JournalFileSink sink(std::move(journalFile), list);

    setupcheck::Report report;
    setupcheck::HeadlessRunEnd ending;
    {
        os::Machine& machine = os::machine();
        journal::JournalMachine journalled(machine, sink);
        os::setMachine(&journalled);
        DefaultAnswers defaults;
        ending = setupcheck::RunHeadless(session, report, options.session.empty() ? &defaults : nullptr);
        os::setMachine(&machine);
    }
    FoldChanges(list.changes, report.changes, report.launched);
    const int status = ExitStatusOf(report, ending == setupcheck::HeadlessRunEnd::Refused);
    if (!options.log.empty() && !WriteWhole(options.log, LogJson(report, status, list.changes)))
        err << "SETUP: cannot write the log " << options.log << "\n";
    return status;
}

}  // namespace unattended
