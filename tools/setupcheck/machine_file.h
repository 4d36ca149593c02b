// The machine file of `setupcheck simulate`: an INI text (UTF-8) that describes the simulated Windows
// machine a run starts from: version, screen, directories, code page, where the medium appears, drives
// and registry contents. Every key is optional; what is left out takes the defaults below.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "os/files.h"

namespace os::sim {
class SimMachine;
}

namespace setupcheck {

// A machine file that cannot be used; what() names the line and what is wrong with it.
class MachineFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MachineDrive {
    char letter = 'C';
    os::DriveType type = os::DriveType::Fixed;
    uint64_t freeMiB = 0;
};

// One line of [Faults]: what goes wrong on the simulated machine, and where.
struct MachineFault {
    enum class Kind { DiskFull, ReadError, NotReady, Locked, DenyWrite, DenyRegistry };
    Kind kind = Kind::Locked;
    std::string target;   // a drive letter (DiskFull, NotReady), a path (UTF-8), or a registry key
    uint64_t number = 0;  // bytes (DiskFull, given in MiB), byte offset (ReadError), reads (NotReady)
    int line = 0;         // where the file gives it
};

// Texts are UTF-8 here; they become the machine's code page when applied.
struct MachineFile {
    static constexpr uint32_t kNtVersion = 0x0A280105;  // 5.1, build 2600
    static constexpr uint32_t k9xVersion = 0xC0000A04;  // 4.10, top bit set

    uint32_t versionWord = kNtVersion;
    int screenWidth = 1024, screenHeight = 768;
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM32";
    uint32_t codePage = 936;     // the ANSI code page
    uint32_t oemCodePage = 0;    // 0: the same as codePage
    std::string setupFolder = "E:\\";
    // Without a [Drives] section: a fixed C: with ample space and the CD-ROM E:.
    std::vector<MachineDrive> drives = {{'C', os::DriveType::Fixed, 102400}, {'E', os::DriveType::CdRom, 0}};
    // The [Registry] lines as they stand, in the simulated registry's text form.
    std::string registryText;
    // The [Faults] lines in file order.
    std::vector<MachineFault> faults;
};

// Reads a machine file. Unknown sections and keys, malformed values and malformed registry lines raise
// MachineFileError, and so do faults that are malformed or name a drive the machine does not have. In
// [Machine], [Drives] and [Faults] a ';' that starts a word begins a remark.
MachineFile ParseMachineFile(const std::string& utf8Text);

// Sets up machine as the file describes: code pages first, then settings, drives (each mapped to the host
// folder hostFolderOf gives for its letter), then the registry: the user's default Shell Folders, then the
// file's [Registry] lines, and last the faults. Raises MachineFileError when registry lines cannot be loaded.
void ApplyMachineFile(const MachineFile& file, os::sim::SimMachine& machine,
                      const std::function<std::string(char letter)>& hostFolderOf);

// The [Registry] lines (UTF-8) of the user's Shell Folders every simulated machine starts with: Desktop,
// Start Menu, Programs and Startup, in the user's profile on the Windows drive (NT family) or below the
// Windows directory (9x family).
std::string DefaultShellFolders(const MachineFile& file);

}  // namespace setupcheck
