// The journalling machine: its parts, the sink calls and reading a written file back for its checksum.
#include "journal/journal_machine.h"

#include "archive/crc32.h"

namespace journal {

const char* ChangeKindName(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::FileWritten: return "file";
        case ChangeKind::FileDeleted: return "deleted";
        case ChangeKind::DirectoryCreated: return "directory";
        case ChangeKind::DirectoryRemoved: return "directory-removed";
        case ChangeKind::AttributesSet: return "attributes";
        case ChangeKind::RegistryKeyCreated: return "registry-key";
        case ChangeKind::RegistryValueSet: return "registry-value";
        case ChangeKind::RegistryValueDeleted: return "registry-value-deleted";
        case ChangeKind::RegistryKeyDeleted: return "registry-key-deleted";
        case ChangeKind::ProfileEntrySet: return "ini-entry";
        case ChangeKind::ProfileKeyDeleted: return "ini-entry-deleted";
        case ChangeKind::ProfileSectionDeleted: return "ini-section-deleted";
        case ChangeKind::ShellLinkSaved: return "link";
        case ChangeKind::ProgramStarted: return "program";
    }
    return "?";
}

JournalMachine::JournalMachine(os::Machine& inner, ChangeSink& sink) : inner_(inner), sink_(sink) {
    files_ = MakeJournalFiles(*this);
    registry_ = MakeJournalRegistry(*this);
    profile_ = MakeJournalProfile(*this);
    shell_ = MakeJournalShell(*this);
}

JournalMachine::~JournalMachine() = default;

os::FileSystem& JournalMachine::files() { return *files_; }
os::Registry& JournalMachine::registry() { return *registry_; }
os::Profile& JournalMachine::profile() { return *profile_; }
os::Shell& JournalMachine::shell() { return *shell_; }

void JournalMachine::Report(const Change& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_.Record(change);
}

void JournalMachine::ReportFileWritten(const std::string& path, bool replaced) {
    Change change;
    change.kind = ChangeKind::FileWritten;
    change.path = path;
    change.replaced = replaced;
    // Read back through the inner machine, sharing with anyone: the writer has closed it already. The
    // caller's last error stays as the call being journalled left it.
    const uint32_t savedError = inner_.files().lastError();
    uint32_t crc = 0xFFFFFFFF;
    if (auto file = inner_.files().openFile(path, os::kOpenRead | os::kShareDenyNone)) {
        uint8_t buffer[65536];
        for (;;) {
            int64_t got = file->read(buffer, sizeof buffer);
            if (got <= 0) break;
            crc = archive::ArUpdateCRCBuffer(crc, buffer, size_t(got));
            change.size += uint64_t(got);
        }
    }
    change.crc32 = ~crc;
    inner_.system().setLastError(savedError);
    Report(change);
}

}  // namespace journal
