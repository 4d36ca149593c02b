// The simulated machine's system facts and services: version and folders from the machine's settings,
// deterministic 8.3 names for existing paths, free space from the drives, recorded privileges and restarts.
#include "os/sim/sim_system.h"

#include <dirent.h>
#include <sched.h>

#include <algorithm>
#include <cassert>
#include <ctime>
#include <map>
#include <set>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_parts.h"

namespace os::sim {

namespace {

// The simulated disks have 4096-byte clusters of eight 512-byte sectors.
constexpr uint32_t kBytesPerSector = 512;
constexpr uint32_t kSectorsPerCluster = 8;
constexpr uint64_t kClusterBytes = uint64_t(kBytesPerSector) * kSectorsPerCluster;

constexpr uint32_t kErrorCallNotImplemented = 120;
constexpr uint32_t kErrorNoSuchPrivilege = 1313;

// The privilege names LookupPrivilegeValueA knows.
constexpr const char* kPrivilegeNames[] = {
    "SeCreateTokenPrivilege", "SeAssignPrimaryTokenPrivilege", "SeLockMemoryPrivilege",
    "SeIncreaseQuotaPrivilege", "SeMachineAccountPrivilege", "SeTcbPrivilege", "SeSecurityPrivilege",
    "SeTakeOwnershipPrivilege", "SeLoadDriverPrivilege", "SeSystemProfilePrivilege", "SeSystemtimePrivilege",
    "SeProfileSingleProcessPrivilege", "SeIncreaseBasePriorityPrivilege", "SeCreatePagefilePrivilege",
    "SeCreatePermanentPrivilege", "SeBackupPrivilege", "SeRestorePrivilege", "SeShutdownPrivilege",
    "SeDebugPrivilege", "SeAuditPrivilege", "SeSystemEnvironmentPrivilege", "SeChangeNotifyPrivilege",
    "SeRemoteShutdownPrivilege", "SeUndockPrivilege", "SeSyncAgentPrivilege", "SeEnableDelegationPrivilege",
    "SeManageVolumePrivilege", "SeImpersonatePrivilege", "SeCreateGlobalPrivilege",
};

// FormatMessageA's English texts of the codes the program meets, as Windows words them.
const std::map<uint32_t, const char*> kErrorTexts = {
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough storage is available to process this command."},
    {15, "The system cannot find the drive specified."},
    {17, "The system cannot move the file to a different disk drive."},
    {21, "The device is not ready."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {32, "The process cannot access the file because it is being used by another process."},
    {39, "The disk is full."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {267, "The directory name is invalid."},
    {1300, "Not all privileges or groups referenced are assigned to the caller."},
    {1313, "A specified privilege does not exist."},
};

bool Fail(uint32_t code) {
    detail::LastError() = code;
    return false;
}

std::string AsciiUpper(std::string text, CodePage& codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<uint8_t>(text[i]);
        if (codePage.isLeadByte(c) && i + 1 < text.size()) ++i;
        else if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 32);
    }
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return toupper(static_cast<unsigned char>(x)) == toupper(static_cast<unsigned char>(y));
           });
}

// Splits a path at '\' bytes that are not the second byte of a double-byte character.
std::vector<std::string> SplitPath(const std::string& path, CodePage& codePage) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < path.size(); ++i) {
        auto c = static_cast<uint8_t>(path[i]);
        if (codePage.isLeadByte(c) && i + 1 < path.size()) {
            parts.back() += path.substr(i, 2);
            ++i;
        } else if (c == '\\' || c == '/') {
            parts.emplace_back();
        } else {
            parts.back() += static_cast<char>(c);
        }
    }
    return parts;
}

bool IsForbiddenInShortName(uint8_t c) {
    return c < 0x20 || std::string_view(" +,;=[]\"*/:<>?\\|").find(static_cast<char>(c)) != std::string::npos;
}

// True when name already is a valid 8.3 name: one to eight bytes, at most one dot followed by up to three
// bytes, and no character a short name cannot hold. Such names are their own short form.
bool FitsEightDotThree(const std::string& name, CodePage& codePage) {
    if (name == "." || name == "..") return true;
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<uint8_t>(name[i]);
        if (codePage.isLeadByte(c) && i + 1 < name.size()) {
            ++i;
        } else if (c == '.') {
            if (dot != std::string::npos) return false;
            dot = i;
        } else if (IsForbiddenInShortName(c)) {
            return false;
        }
    }
    size_t base = dot == std::string::npos ? name.size() : dot;
    size_t extension = dot == std::string::npos ? 0 : name.size() - dot - 1;
    return base >= 1 && base <= 8 && extension <= 3 && (dot == std::string::npos || extension > 0);
}

// Up to limit bytes of text usable in a short name, upper-cased: blanks and dots dropped, the characters a
// short name cannot hold replaced by '_', double-byte characters kept whole.
std::string ShortNamePart(const std::string& text, size_t limit, CodePage& codePage) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<uint8_t>(text[i]);
        if (codePage.isLeadByte(c) && i + 1 < text.size()) {
            if (out.size() + 2 > limit) break;
            out += text.substr(i, 2);
            ++i;
            continue;
        }
        if (out.size() + 1 > limit) break;
        if (c == ' ' || c == '.') continue;
        if (IsForbiddenInShortName(c)) out += '_';
        else out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return out;
}

// The short forms of all names of one folder (ANSI names, keyed by the name). Names that fit 8.3 keep
// themselves; the others, taken in the order of their upper-cased names, get the first six usable
// characters of the name, "~n" with the lowest n no earlier name holds, and the first three characters
// of the extension.
std::map<std::string, std::string> ShortNamesOf(std::vector<std::string> names, CodePage& codePage) {
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return AsciiUpper(a, codePage) < AsciiUpper(b, codePage);
    });
    std::map<std::string, std::string> result;
    std::set<std::string> taken;
    for (const auto& name : names) {
        if (!FitsEightDotThree(name, codePage)) continue;
        result[name] = name;
        taken.insert(AsciiUpper(name, codePage));
    }
    for (const auto& name : names) {
        if (result.count(name)) continue;
        size_t start = name.find_first_not_of('.');
        std::string trimmed = start == std::string::npos ? name : name.substr(start);
        size_t dot = trimmed.rfind('.');
        std::string base = ShortNamePart(trimmed.substr(0, dot), 6, codePage);
        std::string extension = dot == std::string::npos ? "" : ShortNamePart(trimmed.substr(dot + 1), 3, codePage);
        if (base.empty()) base = "_";
        for (int n = 1;; ++n) {
            std::string tail = "~" + std::to_string(n);
            std::string head = ShortNamePart(base, 8 - tail.size(), codePage);
            std::string candidate = head + tail + (extension.empty() ? "" : "." + extension);
            if (taken.insert(candidate).second) {
                result[name] = candidate;
                break;
            }
        }
    }
    return result;
}

class SimSystemImpl : public SimSystem {
public:
    explicit SimSystemImpl(SimMachine& machine) : machine_(machine) {}

    uint32_t versionWord() override { return machine_.settings().versionWord; }
    uint32_t platformId() override { return (versionWord() & 0x80000000u) ? 1 : 2; }
    std::string windowsDirectory() override { return machine_.settings().windowsDirectory; }
    std::string systemDirectory() override { return machine_.settings().systemDirectory; }

    // Each name of the path becomes its short form within its folder (a name that fits 8.3 as the folder
    // spells it, whatever the letter case asked for); the root, "." and ".." and the separators stay as
    // written. Every level must exist.
    bool shortPathName(const std::string& path, std::string& shortPath) override {
        CodePage& codePage = machine_.codePage();
        std::vector<std::string> parts = SplitPath(path, codePage);
        std::string longSoFar, result;
        size_t first = 0;
        if (path.size() >= 2 && path[1] == ':') {
            first = 1;
            longSoFar = result = parts[0] + (parts.size() > 1 ? "\\" : "");
        }
        SimMachine::HostEntry entry;
        auto host = machine_.hostPath(path, &entry);
        if (!host || !entry.exists) return Fail(kErrorFileNotFound);
        for (size_t i = first; i < parts.size(); ++i) {
            const std::string& name = parts[i];
            longSoFar += name;
            std::string converted = name;
            if (!name.empty() && name != "." && name != "..") {
                auto level = machine_.hostPath(longSoFar, &entry);
                if (!level || !entry.exists) return Fail(kErrorFileNotFound);
                // A name that fits 8.3 is its own short form, spelt as the folder holds it.
                converted = FitsEightDotThree(name, codePage) ? nameOnDisk(*level) : shortNameOf(*level);
            }
            result += converted;
            if (i + 1 < parts.size()) {
                longSoFar += '\\';
                result += '\\';
            }
        }
        shortPath = result;
        return true;
    }

    bool diskFreeSpace(const std::string& root, DiskGeometry& geometry) override {
        const Drive* d = driveOf(root);
        if (!d) return false;
        // Windows 95 OSR2 and later cap the counts so that no volume appears larger than 2 GB; the NT
        // family reports the real counts, which fit 32 bits for volumes up to 16 TB.
        uint64_t cap = (versionWord() & 0x80000000u) ? 0x7FFFFFFFu / kClusterBytes : 0xFFFFFFFFu;
        uint64_t clusters = std::min<uint64_t>(d->freeBytes / kClusterBytes, cap);
        auto count = static_cast<uint32_t>(clusters);
        geometry = {kSectorsPerCluster, kBytesPerSector, count, count};
        return true;
    }

    // The simulated disks know only their free space: they report a volume holding nothing else.
    bool diskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller, uint64_t& total,
                         uint64_t& totalFree) override {
        const Drive* d = driveOf(root);
        if (!d) return false;
        freeToCaller = total = totalFree = d->freeBytes / kClusterBytes * kClusterBytes;
        return true;
    }

    // The settings' fixed time, or the host clock's UTC (the simulated machine's zone is UTC).
    LocalTime localTime() override {
        if (machine_.settings().fixedTime) return machine_.settings().time;
        struct timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        struct tm parts {};
        gmtime_r(&now.tv_sec, &parts);
        return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_wday,
                parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
    }

    int screenWidth() override { return machine_.settings().screenWidth; }
    int screenHeight() override { return machine_.settings().screenHeight; }

    // The 9x family has no process tokens; on the NT family every privilege Windows names can be
    // adjusted (the setup runs as an administrator).
    bool setPrivilege(const std::string& name, bool enable) override {
        bool result = false;
        if (versionWord() & 0x80000000u) {
            Fail(kErrorCallNotImplemented);
        } else if (std::none_of(std::begin(kPrivilegeNames), std::end(kPrivilegeNames),
                                [&](const char* known) { return SameText(name, known); })) {
            Fail(kErrorNoSuchPrivilege);
        } else {
            result = true;
            detail::LastError() = kErrorSuccess;
        }
        privilegeCalls_.push_back({name, enable, result});
        return result;
    }

    std::string errorText(uint32_t code) override {
        auto it = kErrorTexts.find(code);
        return it == kErrorTexts.end() ? std::string() : std::string(it->second) + "\r\n";
    }

    uint32_t lastError() override { return detail::LastError(); }
    void setLastError(uint32_t code) override { detail::LastError() = code; }

    // The simulated machine runs on the host's processors: those this process may use.
    int processorCount() override {
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof set, &set) != 0) return 0;
        return CPU_COUNT(&set);
    }

    bool exitWindows(uint32_t flags) override {
        exitRequests_.push_back(flags);
        return true;
    }

    const std::vector<PrivilegeCall>& privilegeCalls() const override { return privilegeCalls_; }
    const std::vector<uint32_t>& exitRequests() const override { return exitRequests_; }

private:
    // The short form of the last name of an existing host path, among the names of its folder.
    // The ANSI name of the last level of a host path, as the host folder spells it.
    std::string nameOnDisk(const std::string& host) {
        return machine_.codePage().utf8ToAnsi(host.substr(host.find_last_of('/') + 1));
    }

    std::string shortNameOf(const std::string& host) {
        size_t slash = host.find_last_of('/');
        assert(slash != std::string::npos);
        std::string folder = slash == 0 ? "/" : host.substr(0, slash);
        std::string hostName = host.substr(slash + 1);
        CodePage& codePage = machine_.codePage();
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") names.push_back(codePage.utf8ToAnsi(name));
            }
            ::closedir(dir);
        }
        std::string ansiName = codePage.utf8ToAnsi(hostName);
        auto shortNames = ShortNamesOf(std::move(names), codePage);
        auto it = shortNames.find(ansiName);
        return it == shortNames.end() ? ansiName : it->second;
    }

    // The drive of a root such as "C:\"; null (with the last error set) when it is missing or empty.
    const Drive* driveOf(const std::string& root) {
        std::string full = machine_.files().fullPathName(root);
        const Drive* d = full.size() >= 2 && full[1] == ':' ? machine_.drive(full[0]) : nullptr;
        if (!d) return Fail(kErrorPathNotFound), nullptr;
        if (d->hostRoot.empty()) return Fail(kErrorNotReady), nullptr;
        return d;
    }

    SimMachine& machine_;
    std::vector<PrivilegeCall> privilegeCalls_;
    std::vector<uint32_t> exitRequests_;
};

}  // namespace

namespace detail {

std::string FindByShortName(const std::vector<std::string>& names, const std::string& shortName, CodePage& codePage) {
    std::string wanted = AsciiUpper(shortName, codePage);
    for (const auto& [name, alias] : ShortNamesOf(names, codePage))
        if (AsciiUpper(alias, codePage) == wanted) return name;
    return "";
}

}  // namespace detail

SimSystem& SimSystemOf(SimMachine& machine) {
    auto* system = dynamic_cast<SimSystem*>(&machine.system());
    assert(system && "the simulated machine's system part is a SimSystem");
    return *system;
}

namespace detail {

std::unique_ptr<System> MakeSystem(SimMachine& machine) { return std::make_unique<SimSystemImpl>(machine); }

}  // namespace detail
}  // namespace os::sim
