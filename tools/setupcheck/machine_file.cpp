#include "setupcheck/machine_file.h"

#include <cctype>
#include <cstdlib>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_registry.h"
#include "rtl/strings.h"

namespace setupcheck {

namespace {

std::string Trim(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(start, end - start);
}

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Drops a remark: a ';' at the start or after a blank, and everything after it.
std::string WithoutRemark(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == ';' && (i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1])))) return text.substr(0, i);
    return text;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw MachineFileError("machine file, line " + std::to_string(line) + ": " + what);
}

uint64_t ParseNumber(const std::string& text, int line, const char* what) {
    if (text.empty()) Fail(line, std::string(what) + " is empty");
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0') Fail(line, std::string(what) + " is not a number: " + text);
    return value;
}

os::DriveType ParseDriveType(const std::string& text, int line) {
    std::string t = Upper(text);
    if (t == "FIXED") return os::DriveType::Fixed;
    if (t == "REMOVABLE") return os::DriveType::Removable;
    if (t == "CDROM") return os::DriveType::CdRom;
    if (t == "REMOTE") return os::DriveType::Remote;
    if (t == "RAMDISK") return os::DriveType::RamDisk;
    Fail(line, "unknown drive type " + text + " (fixed, removable, cdrom, remote, ramdisk)");
}

void SetMachineKey(MachineFile& file, const std::string& key, const std::string& value, int line) {
    std::string k = Upper(key);
    if (k == "VERSION") {
        std::string v = Upper(value);
        if (v == "NT") file.versionWord = MachineFile::kNtVersion;
        else if (v == "9X") file.versionWord = MachineFile::k9xVersion;
        else file.versionWord = static_cast<uint32_t>(ParseNumber(value, line, "Version"));
    } else if (k == "SCREEN") {
        size_t x = Upper(value).find('X');
        if (x == std::string::npos) Fail(line, "Screen must be WIDTHxHEIGHT: " + value);
        file.screenWidth = static_cast<int>(ParseNumber(Trim(value.substr(0, x)), line, "Screen width"));
        file.screenHeight = static_cast<int>(ParseNumber(Trim(value.substr(x + 1)), line, "Screen height"));
        if (file.screenWidth <= 0 || file.screenHeight <= 0) Fail(line, "Screen must be positive: " + value);
    } else if (k == "WINDOWSDIR") {
        file.windowsDirectory = value;
    } else if (k == "SYSTEMDIR") {
        file.systemDirectory = value;
    } else if (k == "CODEPAGE") {
        file.codePage = static_cast<uint32_t>(ParseNumber(value, line, "CodePage"));
    } else if (k == "OEMCODEPAGE") {
        file.oemCodePage = static_cast<uint32_t>(ParseNumber(value, line, "OemCodePage"));
    } else if (k == "SETUPFOLDER") {
        if (value.size() < 3 || value[1] != ':' || value[2] != '\\') Fail(line, "SetupFolder must be a path such as E:\\");
        file.setupFolder = value;
    } else {
        Fail(line, "unknown key " + key + " in [Machine]");
    }
}

void AddDrive(MachineFile& file, bool& replaced, const std::string& key, const std::string& value, int line) {
    if (key.size() != 1 || !std::isalpha(static_cast<unsigned char>(key[0])))
        Fail(line, "a drive is named by its letter: " + key);
    if (!replaced) {
        file.drives.clear();  // a [Drives] section lists every drive
        replaced = true;
    }
    MachineDrive drive;
    drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    size_t comma = value.find(',');
    drive.type = ParseDriveType(Trim(value.substr(0, comma)), line);
    if (comma != std::string::npos) drive.freeMiB = ParseNumber(Trim(value.substr(comma + 1)), line, "free space");
    for (const MachineDrive& other : file.drives)
        if (other.letter == drive.letter) Fail(line, std::string("drive ") + drive.letter + " is given twice");
    file.drives.push_back(drive);
}

// "X" or "X:" as a drive letter; 0 when it is neither.
char DriveLetter(const std::string& text) {
    if ((text.size() == 1 || (text.size() == 2 && text[1] == ':')) && std::isalpha(static_cast<unsigned char>(text[0])))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return 0;
}

// A full path with a drive: "C:\..." (a drive's root included).
bool IsFullPath(const std::string& text) {
    return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && text[2] == '\\';
}

bool IsRegistryKey(const std::string& text) {
    const std::string root = Upper(text.substr(0, text.find('\\')));
    for (const char* name : {"HKLM", "HKCU", "HKCR", "HKU", "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                             "HKEY_CLASSES_ROOT", "HKEY_USERS"})
        if (root == name) return true;
    return false;
}

// MiB as a decimal number, a fraction allowed ("0.5"), in bytes.
uint64_t ParseMiB(const std::string& text, int line) {
    const char* what = "the MiB DiskFull allows";
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) Fail(line, std::string(what) + " is empty");
    if (whole.find_first_not_of("0123456789") != std::string::npos || fraction.size() > 9 ||
        fraction.find_first_not_of("0123456789") != std::string::npos || (point != std::string::npos && fraction.empty()))
        Fail(line, std::string(what) + " is not a number: " + text);
    if (whole.size() > 12) Fail(line, std::string(what) + " is too large: " + text);
    uint64_t bytes = (whole.empty() ? 0 : std::stoull(whole)) << 20;
    if (!fraction.empty()) {
        uint64_t scale = 1;
        for (size_t i = 0; i < fraction.size(); ++i) scale *= 10;
        bytes += std::stoull(fraction) * (uint64_t(1) << 20) / scale;
    }
    return bytes;
}

void AddFault(MachineFile& file, const std::string& key, const std::string& value, int line) {
    using Kind = MachineFault::Kind;
    MachineFault fault;
    fault.line = line;
    const std::string k = Upper(key);
    // TARGET,NUMBER: the number follows the last comma (a path may hold commas).
    auto targetAndNumber = [&](const char* shape, const char* what) {
        const size_t comma = value.rfind(',');
        if (comma == std::string::npos) Fail(line, key + " must be " + shape + ": " + value);
        fault.target = Trim(value.substr(0, comma));
        fault.number = ParseNumber(Trim(value.substr(comma + 1)), line, what);
    };
    auto driveTarget = [&] {
        const char letter = DriveLetter(fault.target);
        if (!letter) Fail(line, key + " names a drive by its letter: " + fault.target);
        fault.target = std::string(1, letter);
    };
    if (k == "DISKFULL") {
        fault.kind = Kind::DiskFull;
        const size_t comma = value.rfind(',');
        if (comma == std::string::npos) Fail(line, key + " must be DRIVE,MiB: " + value);
        fault.target = Trim(value.substr(0, comma));
        fault.number = ParseMiB(Trim(value.substr(comma + 1)), line);
        driveTarget();
    } else if (k == "NOTREADY") {
        fault.kind = Kind::NotReady;
        targetAndNumber("DRIVE,READS", "the reads NotReady allows");
        driveTarget();
    } else if (k == "READERROR") {
        fault.kind = Kind::ReadError;
        targetAndNumber("PATH,OFFSET", "the offset of ReadError");
        if (fault.number > uint64_t(INT64_MAX)) Fail(line, "the offset of ReadError is too large");
    } else if (k == "LOCKED") {
        fault.kind = Kind::Locked;
        fault.target = value;
    } else if (k == "DENYWRITE") {
        fault.kind = Kind::DenyWrite;
        fault.target = value;
    } else if (k == "DENYREGISTRY") {
        fault.kind = Kind::DenyRegistry;
        fault.target = value;
        if (!IsRegistryKey(value)) Fail(line, "DenyRegistry needs a key such as HKLM\\SOFTWARE\\X: " + value);
    } else {
        Fail(line, "unknown fault " + key + " (DiskFull, ReadError, NotReady, Locked, DenyWrite, DenyRegistry)");
    }
    if ((fault.kind == Kind::ReadError || fault.kind == Kind::Locked || fault.kind == Kind::DenyWrite) &&
        !IsFullPath(fault.target))
        Fail(line, key + " needs a full path such as C:\\DIR\\FILE: " + fault.target);
    file.faults.push_back(fault);
}

}  // namespace

MachineFile ParseMachineFile(const std::string& utf8Text) {
    MachineFile file;
    std::string section;
    bool drivesGiven = false;
    int lineNumber = 0;
    std::string text = utf8Text.rfind("\xEF\xBB\xBF", 0) == 0 ? utf8Text.substr(3) : utf8Text;
    for (const std::string& raw : rtl::SplitLines(text)) {
        ++lineNumber;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') Fail(lineNumber, "section name without ']'");
            section = Upper(Trim(line.substr(1, line.size() - 2)));
            if (section != "MACHINE" && section != "DRIVES" && section != "REGISTRY" && section != "FAULTS")
                Fail(lineNumber, "unknown section " + line + " ([Machine], [Drives], [Registry], [Faults])");
            continue;
        }
        if (section.empty()) Fail(lineNumber, "text before the first section");
        if (section == "REGISTRY") {
            file.registryText += line + "\n";
            continue;
        }
        std::string content = Trim(WithoutRemark(line));
        size_t equals = content.find('=');
        if (equals == std::string::npos) Fail(lineNumber, "expected KEY=VALUE");
        std::string key = Trim(content.substr(0, equals));
        std::string value = Trim(content.substr(equals + 1));
        if (section == "MACHINE") SetMachineKey(file, key, value, lineNumber);
        else if (section == "FAULTS") AddFault(file, key, value, lineNumber);
        else AddDrive(file, drivesGiven, key, value, lineNumber);
    }
    // A drive fault needs the drive, whichever order the sections come in.
    for (const MachineFault& fault : file.faults) {
        if (fault.kind != MachineFault::Kind::DiskFull && fault.kind != MachineFault::Kind::NotReady) continue;
        bool known = false;
        for (const MachineDrive& drive : file.drives) known = known || drive.letter == fault.target[0];
        if (!known) Fail(fault.line, "the machine has no drive " + fault.target);
    }
    return file;
}

void ApplyMachineFile(const MachineFile& file, os::sim::SimMachine& machine,
                      const std::function<std::string(char letter)>& hostFolderOf) {
    machine.setCodePages(file.codePage, file.oemCodePage ? file.oemCodePage : file.codePage);
    auto ansi = [&](const std::string& utf8) { return machine.codePage().utf8ToAnsi(utf8); };
    os::sim::Settings& settings = machine.settings();
    settings.versionWord = file.versionWord;
    settings.screenWidth = file.screenWidth;
    settings.screenHeight = file.screenHeight;
    settings.windowsDirectory = ansi(file.windowsDirectory);
    settings.systemDirectory = ansi(file.systemDirectory);
    for (const MachineDrive& drive : file.drives)
        machine.addDrive(drive.letter, {drive.type, hostFolderOf(drive.letter), drive.freeMiB << 20});
    auto* registry = dynamic_cast<os::sim::SimRegistry*>(&machine.registry());
    std::string error;
    // The user's Shell Folders are there first, as on every Windows machine; [Registry] may replace them.
    if (!registry || !registry->load(ansi(DefaultShellFolders(file)), &error))
        throw MachineFileError("machine file, default Shell Folders: " + error);
    if (!file.registryText.empty() && !registry->load(ansi(file.registryText), &error))
        throw MachineFileError("machine file, [Registry]: " + error);

    os::sim::Faults& faults = machine.faults();
    for (const MachineFault& fault : file.faults) {
        using Kind = MachineFault::Kind;
        switch (fault.kind) {
            case Kind::DiskFull: faults.diskFullAfter[fault.target[0]] = fault.number; break;
            case Kind::NotReady: faults.notReadyAfter[fault.target[0]] = fault.number; break;
            case Kind::ReadError: faults.readErrors.emplace_back(ansi(fault.target), int64_t(fault.number)); break;
            case Kind::Locked: faults.locked.push_back(ansi(fault.target)); break;
            case Kind::DenyWrite: faults.denyWrite.push_back(ansi(fault.target)); break;
            case Kind::DenyRegistry: faults.denyRegistry.push_back(ansi(fault.target)); break;
        }
    }
}

std::string DefaultShellFolders(const MachineFile& file) {
    // The NT family keeps the user's folders in the profile on the Windows drive, the 9x family below the
    // Windows directory; the names are those of a Chinese Windows.
    std::string profile;
    if (file.versionWord & 0x80000000u) {
        profile = file.windowsDirectory;
    } else {
        const std::string drive = file.windowsDirectory.size() >= 2 && file.windowsDirectory[1] == ':'
                                      ? file.windowsDirectory.substr(0, 2)
                                      : std::string("C:");
        profile = drive + "\\Documents and Settings\\Administrator";
    }
    while (!profile.empty() && profile.back() == '\\') profile.pop_back();
    const std::string key = "HKCU\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS|";
    const std::string programs = profile + "\\「开始」菜单\\程序";
    return key + "Desktop=" + profile + "\\桌面\n" + key + "Start Menu=" + profile + "\\「开始」菜单\n" + key +
           "Programs=" + programs + "\n" + key + "Startup=" + programs + "\\启动\n";
}

}  // namespace setupcheck
