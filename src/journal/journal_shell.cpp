// Shell calls of the journalling machine: saved links (reported with the link file itself) and started
// programs.
#include "journal/journal_machine.h"

namespace journal {
namespace {

class JournalShell : public os::Shell {
public:
    explicit JournalShell(JournalMachine& machine) : machine_(machine), inner_(machine.inner().shell()) {}
    using os::Shell::shellExecute;
    using os::Shell::createShellLink;

    intptr_t shellExecute(void* owner, const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showCommand) override {
        intptr_t result = inner_.shellExecute(owner, operation, file, parameters, directory, showCommand);
        Started(file, parameters, directory, showCommand);
        return result;
    }

    uint32_t winExec(const std::string& commandLine, int showCommand) override {
        uint32_t result = inner_.winExec(commandLine, showCommand);
        Started(commandLine, "", "", showCommand);
        return result;
    }

    int32_t initializeCom() override { return inner_.initializeCom(); }
    void uninitializeCom() override { inner_.uninitializeCom(); }

    int32_t createShellLink(const os::ShellLinkSpec& spec, const std::string& linkFile, bool remember,
                            os::ShellLinkStep& reached) override {
        bool existed = machine_.inner().files().getFileAttributes(linkFile) != os::kInvalidAttributes;
        int32_t status = inner_.createShellLink(spec, linkFile, remember, reached);
        if (reached == os::ShellLinkStep::Saved) {
            Change change;
            change.kind = ChangeKind::ShellLinkSaved;
            change.path = linkFile;
            change.link = spec;
            machine_.Report(change);
            machine_.ReportFileWritten(linkFile, existed);
        }
        return status;
    }

    void notifyDirectoryCreated(const std::string& path) override { inner_.notifyDirectoryCreated(path); }

private:
    // Every attempt is reported, started or not: the shell may start a program it reports no result for.
    void Started(const std::string& program, const std::string& parameters, const std::string& directory, int show) {
        Change change;
        change.kind = ChangeKind::ProgramStarted;
        change.path = program;
        change.value = parameters;
        change.directory = directory;
        change.showCommand = show;
        machine_.Report(change);
    }

    JournalMachine& machine_;
    os::Shell& inner_;
};

}  // namespace

std::unique_ptr<os::Shell> MakeJournalShell(JournalMachine& machine) { return std::make_unique<JournalShell>(machine); }

}  // namespace journal
