// What the setup changed on the machine, one record per change, as the machine port carried it out.
// Texts are bytes in the machine's ANSI code page, as the program handed them to the port.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/shell.h"

namespace journal {

enum class ChangeKind {
    FileWritten,          // path; size, crc32; replaced when a file of that name existed before
    FileDeleted,          // path
    DirectoryCreated,     // path
    DirectoryRemoved,     // path
    AttributesSet,        // path, attributes
    RegistryKeyCreated,   // path: the key ("HKLM\SOFTWARE\...")
    RegistryValueSet,     // path: the key; name; value; previous when the value existed
    RegistryValueDeleted, // path: the key; name; previous
    RegistryKeyDeleted,   // path: the key
    ProfileEntrySet,      // path: the INI file; section; name: the key; value; previous when the key existed
    ProfileKeyDeleted,    // path, section, name; previous
    ProfileSectionDeleted,// path, section
    ShellLinkSaved,       // path: the link file; link
    ProgramStarted,       // path: the program (for WinExec the whole command line); value: parameters;
                          // directory; showCommand
};

// The stable name of a kind in logs ("file", "deleted", "registry-value", ...).
const char* ChangeKindName(ChangeKind kind);

struct Change {
    ChangeKind kind = ChangeKind::FileWritten;
    std::string path;
    std::string section;
    std::string name;
    std::string value;
    std::optional<std::string> previous;
    uint64_t size = 0;
    uint32_t crc32 = 0;
    bool replaced = false;
    uint32_t attributes = 0;
    os::ShellLinkSpec link;
    std::string directory;
    int showCommand = 0;
};

// Receives each change as it is made. Called on whichever thread made the change, one call at a time.
class ChangeSink {
public:
    virtual ~ChangeSink() = default;
    virtual void Record(const Change& change) = 0;
};

// A sink that keeps every change in order.
class ChangeList : public ChangeSink {
public:
    void Record(const Change& change) override { changes.push_back(change); }
    std::vector<Change> changes;
};

}  // namespace journal
