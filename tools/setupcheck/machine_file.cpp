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
            if (section != "MACHINE" && section != "DRIVES" && section != "REGISTRY")
                Fail(lineNumber, "unknown section " + line + " ([Machine], [Drives], [Registry])");
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
        else AddDrive(file, drivesGiven, key, value, lineNumber);
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
