// System operations: file removal, privileges, the NT test, restarting, the desktop shortcut and the
// service stand-ins, all through the machine port.
#include "sys/syscomm.h"

#include "os/machine.h"
#include "rtl/strings.h"

namespace sys {

namespace {

constexpr char kShutdownPrivilege[] = "SeShutdownPrivilege";
constexpr char kDebugPrivilege[] = "SeDebugPrivilege";
constexpr uint32_t kPlatformNt = 2;     // VER_PLATFORM_WIN32_NT
constexpr uint32_t kExitReboot = 0x2;   // EWX_REBOOT

// The folder of a path without its trailing backslash, except a drive's root, which keeps it ("C:\").
std::string FolderOf(const std::string& path) {
    std::string folder = rtl::ExtractFilePath(path);
    if (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':')
        folder = rtl::ExcludeTrailingBackslash(folder);
    return folder;
}

}  // namespace

bool RemoveFile(const std::string& fileName) {
    SetPrivilege(kDebugPrivilege, true);
    os::FileSystem& files = os::files();
    const uint32_t previous = files.getFileAttributes(fileName);
    if (previous == os::kInvalidAttributes) return false;
    files.setFileAttributes(fileName, 0);
    if (files.deleteFile(fileName)) return true;
    // The file stays: give it back the attributes it had (a read-only file must not come out writable
    // from a failed removal). The deletion's error is what the caller sees.
    const uint32_t error = files.lastError();
    files.setFileAttributes(fileName, previous & ~os::kAttrDirectory);
    os::system().setLastError(error);
    return false;
}

bool SetPrivilege(const std::string& privilege, bool enable) { return os::system().setPrivilege(privilege, enable); }

bool IsWinNT() { return os::system().platformId() == kPlatformNt; }

void AdjustToken() { SetPrivilege(kShutdownPrivilege, true); }

bool ReBootSystem() {
    if (IsWinNT()) SetPrivilege(kShutdownPrivilege, true);
    os::system().exitWindows(kExitReboot);
    return true;
}

int LookAtAllWindows(uintptr_t, intptr_t) { return 1; }

void CheckRunOnce() {}

void CreateShortCut(const std::string& commandLine, const std::string& name) {
    const std::string command = rtl::Trim(commandLine);
    std::string program = command, arguments;
    const size_t exe = rtl::AnsiUpperCase(command).find(".EXE");
    if (exe != std::string::npos) {
        const size_t blank = exe + 4;
        if (blank < command.size() && command[blank] == ' ' &&
            os::DirectoryExists(FolderOf(command.substr(0, blank)))) {
            program = command.substr(0, blank);
            arguments = rtl::Trim(std::string_view(command).substr(blank + 1));
        }
    }

    os::ShellLinkSpec link;
    link.target = program;
    link.arguments = arguments;
    link.workingDirectory = FolderOf(program);

    std::string desktop;
    os::registry().readString(os::RootKey::CurrentUser,
                              "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop",
                              desktop);
    os::shell().createShellLink(link, desktop + "\\" + name + ".lnk", false);
}

int CheckSysServiceStatus(const std::string&) { return 0; }

int InstallSysService(const std::string& serviceName, const std::string& programPath) {
    if (int status = CheckSysServiceStatus(serviceName)) return status;
    os::shell().winExec(programPath + " /Install /Silent", os::kSwHide);
    return 0;
}

int UninstallSysService(const std::string&, const std::string&) { return 0; }

bool StartSysService(const std::string&) { return false; }

bool StopSysService(const std::string&) { return false; }

}  // namespace sys
