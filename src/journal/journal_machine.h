// A machine that passes every call to another machine and reports each change it carries out to a sink:
// files written (with their size and CRC-32 once closed), deleted and moved, folders, attributes,
// registry keys and values, INI entries (with the values they replace), shell links and started programs.
// Reads pass through untouched. The unattended setup keeps its log and journal from it, so the record is
// of what was done, as it was done, not of a comparison afterwards.
#pragma once
#include <memory>
#include <mutex>

#include "journal/change.h"
#include "os/machine.h"

namespace journal {

class JournalMachine : public os::Machine {
public:
    // inner and sink must outlive this machine.
    JournalMachine(os::Machine& inner, ChangeSink& sink);
    ~JournalMachine() override;

    os::FileSystem& files() override;
    os::CodePage& codePage() override { return inner_.codePage(); }
    os::Registry& registry() override;
    os::Profile& profile() override;
    os::System& system() override { return inner_.system(); }
    os::Shell& shell() override;

    os::Machine& inner() { return inner_; }
    // Reports one change to the sink (serialised: threads of the archive engine may write files too).
    void Report(const Change& change);
    // A FileWritten record for a file as it now stands on the inner machine (size and CRC-32 read back).
    void ReportFileWritten(const std::string& path, bool replaced);

private:
    os::Machine& inner_;
    ChangeSink& sink_;
    std::mutex mutex_;
    std::unique_ptr<os::FileSystem> files_;
    std::unique_ptr<os::Registry> registry_;
    std::unique_ptr<os::Profile> profile_;
    std::unique_ptr<os::Shell> shell_;
};

// The parts, made by JournalMachine.
std::unique_ptr<os::FileSystem> MakeJournalFiles(JournalMachine& machine);
std::unique_ptr<os::Registry> MakeJournalRegistry(JournalMachine& machine);
std::unique_ptr<os::Profile> MakeJournalProfile(JournalMachine& machine);
std::unique_ptr<os::Shell> MakeJournalShell(JournalMachine& machine);

}  // namespace journal
