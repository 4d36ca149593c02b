// machine_facts: prints the machine of this Windows build as the setup's port sees it (version word,
// screen, Windows and system directories, code page, current directory, drives with their free space) in
// the form of a machine file of `setupcheck simulate`, so the simulation can be given the machine a run
// under Wine meets. Run it with the medium as the current directory: that is the setup folder.
//
//   machine_facts.exe
//
// The registry part of the machine file is left to the caller (tests/e2e/wine_lib.sh reads it with reg).
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <sstream>
#include <string>

#include "os/machine.h"
#include "os/win32/win32_machine.h"

namespace {

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

const char* DriveTypeName(os::DriveType type) {
    switch (type) {
    case os::DriveType::Fixed: return "fixed";
    case os::DriveType::Removable: return "removable";
    case os::DriveType::CdRom: return "cdrom";
    case os::DriveType::Remote: return "remote";
    case os::DriveType::RamDisk: return "ramdisk";
    default: return nullptr;
    }
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines as written, without CR
    os::win32::Win32Machine machine;
    os::setMachine(&machine);
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
        const char* type = DriveTypeName(os::files().getDriveType(root));
        if (!type) continue;
        uint64_t freeToCaller = 0, total = 0, totalFree = 0;
        out << letter << "=" << type;
        if (system.diskFreeSpaceEx(root, freeToCaller, total, totalFree)) out << "," << (freeToCaller >> 20);
        out << "\n";
    }
    std::string text = out.str();
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
    os::setMachine(nullptr);
    return 0;
}
