// The machine file of setupcheck simulate: what it sets on the simulated machine, its defaults, and the
// errors that name the offending line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "archive/unzipper.h"
#include "os/sim/sim_machine.h"
#include "setupcheck/machine_file.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

using setupcheck::MachineFile;
using setupcheck::MachineFileError;
using setupcheck::ParseMachineFile;

namespace {

const char kExample[] =
    "[Machine]\n"
    "Version=nt            ; nt, 9x, or a GetVersion word such as 0x0A280105\n"
    "Screen=800x600\r\n"
    "WindowsDir=D:\\WINNT\n"
    "SystemDir=D:\\WINNT\\SYSTEM32\n"
    "CodePage=936\n"
    "SetupFolder=F:\\       ; where the medium appears\n"
    "[Drives]\n"
    "C=fixed,20480         ; type and free MiB\n"
    "d=Removable,1\n"
    "F=cdrom\n"
    "[Registry]\n"
    "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION|RegisteredOwner=\xE5\xBC\xA0\xE4\xB8\x89\n"
    "HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\MSSQL$OLD|\n";

std::string ErrorOf(const std::string& text) {
    try {
        ParseMachineFile(text);
    } catch (const MachineFileError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(MachineFile, ReadsEveryKeyAndDropsRemarks) {
    MachineFile file = ParseMachineFile(kExample);
    EXPECT_EQ(file.versionWord, MachineFile::kNtVersion);
    EXPECT_EQ(file.screenWidth, 800);
    EXPECT_EQ(file.screenHeight, 600);
    EXPECT_EQ(file.windowsDirectory, "D:\\WINNT");
    EXPECT_EQ(file.setupFolder, "F:\\");
    ASSERT_EQ(file.drives.size(), 3u);  // a [Drives] section replaces the default drives
    EXPECT_EQ(file.drives[0].freeMiB, 20480u);
    EXPECT_EQ(file.drives[1].letter, 'D');
    EXPECT_EQ(file.drives[1].type, os::DriveType::Removable);
    EXPECT_EQ(file.drives[2].type, os::DriveType::CdRom);
    EXPECT_EQ(file.drives[2].freeMiB, 0u);

    EXPECT_EQ(ParseMachineFile("[machine]\nversion=9X\n").versionWord, MachineFile::k9xVersion);
    EXPECT_EQ(ParseMachineFile("[Machine]\nVersion=0x0A280105\n").versionWord, 0x0A280105u);
}

TEST(MachineFile, WithoutKeysTheDefaultMachine) {
    MachineFile file = ParseMachineFile("");
    EXPECT_EQ(file.versionWord, MachineFile::kNtVersion);
    EXPECT_EQ(file.screenWidth, 1024);
    EXPECT_EQ(file.systemDirectory, "C:\\WINDOWS\\SYSTEM32");
    EXPECT_EQ(file.codePage, 936u);
    EXPECT_EQ(file.oemCodePage, 0u);  // the same as CodePage
    EXPECT_EQ(file.setupFolder, "E:\\");
    ASSERT_EQ(file.drives.size(), 2u);
    EXPECT_EQ(file.drives[0].type, os::DriveType::Fixed);
    EXPECT_GT(file.drives[0].freeMiB, 20000u);
    EXPECT_EQ(file.drives[1].type, os::DriveType::CdRom);
}

TEST(MachineFile, MistakesAreReportedWithTheirLine) {
    EXPECT_NE(ErrorOf("[Machine]\nVersoin=nt\n").find("line 2: unknown key Versoin"), std::string::npos);
    EXPECT_NE(ErrorOf("[Drives]\nC=floppy\n").find("line 2: unknown drive type floppy"), std::string::npos);
    EXPECT_NE(ErrorOf("[Drives]\nC=fixed\nc=cdrom\n").find("line 3: drive C is given twice"), std::string::npos);
    EXPECT_NE(ErrorOf("[Drives]\nC=fixed,lots\n").find("line 2: free space is not a number"), std::string::npos);
    EXPECT_NE(ErrorOf("[Machine]\nScreen=1024\n").find("line 2: Screen must be"), std::string::npos);
    EXPECT_NE(ErrorOf("Version=nt\n").find("line 1: text before the first section"), std::string::npos);
    EXPECT_NE(ErrorOf("[Machines]\n").find("line 1: unknown section"), std::string::npos);
    EXPECT_NE(ErrorOf("[Machine]\nSetupFolder=setup\n").find("SetupFolder must be a path"), std::string::npos);
}

TEST(MachineFile, AppliedToTheSimulatedMachine) {
    char pattern[] = "/tmp/ts-machine-file-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    os::sim::SimMachine machine;
    std::vector<char> asked;
    setupcheck::ApplyMachineFile(ParseMachineFile(kExample), machine, [&](char letter) {
        asked.push_back(letter);
        return root;
    });
    EXPECT_EQ(asked, (std::vector<char>{'C', 'D', 'F'}));
    EXPECT_EQ(machine.system().versionWord(), MachineFile::kNtVersion);
    EXPECT_EQ(machine.system().screenWidth(), 800);
    EXPECT_EQ(machine.system().windowsDirectory(), "D:\\WINNT");
    EXPECT_EQ(machine.files().getDriveType("D:\\"), os::DriveType::Removable);
    uint64_t freeToCaller = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(machine.system().diskFreeSpaceEx("C:\\", freeToCaller, total, totalFree));
    EXPECT_EQ(freeToCaller, uint64_t(20480) << 20);

    // Registry data become the machine's code page: 张三 in GBK.
    std::string owner;
    ASSERT_TRUE(machine.registry().readString(os::RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                              "RegisteredOwner", owner));
    EXPECT_EQ(owner, "\xD5\xC5\xC8\xFD");
    EXPECT_TRUE(machine.registry().keyExists(os::RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\MSSQL$OLD"));
    rmdir(root.c_str());
}

// Every machine has the user's Shell Folders, where the shortcuts go: in the profile on the Windows drive
// for the NT family, below the Windows directory for 9x; a [Registry] line replaces one.
TEST(MachineFile, TheUsersShellFoldersAreThereUnlessTheFileGivesThem) {
    char pattern[] = "/tmp/ts-machine-file-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    // The values in the machine's code page, as the test's literals are.
    auto folder = [&](os::sim::SimMachine& machine, const char* name) {
        std::string value;
        return machine.registry().readString(os::RootKey::CurrentUser, kShellFolders, name, value)
                   ? value
                   : std::string("<missing>");
    };
    auto host = [&](char) { return root; };

    os::sim::SimMachine nt;
    setupcheck::ApplyMachineFile(ParseMachineFile("[Machine]\nWindowsDir=D:\\WINNT\n"), nt, host);
    EXPECT_EQ(folder(nt, "Programs"), "D:\\Documents and Settings\\Administrator\\「开始」菜单\\程序");
    EXPECT_EQ(folder(nt, "Startup"), "D:\\Documents and Settings\\Administrator\\「开始」菜单\\程序\\启动");
    EXPECT_EQ(folder(nt, "Desktop"), "D:\\Documents and Settings\\Administrator\\桌面");

    os::sim::SimMachine old;
    setupcheck::ApplyMachineFile(ParseMachineFile("[Machine]\nVersion=9x\nWindowsDir=C:\\WINDOWS\\\n"), old, host);
    EXPECT_EQ(folder(old, "Programs"), "C:\\WINDOWS\\「开始」菜单\\程序");

    os::sim::SimMachine given;
    setupcheck::ApplyMachineFile(
        ParseMachineFile("[Registry]\nHKCU\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS|Programs=\n"),
        given, host);
    EXPECT_EQ(folder(given, "Programs"), "");
    EXPECT_EQ(folder(given, "Startup"), "C:\\Documents and Settings\\Administrator\\「开始」菜单\\程序\\启动");
    rmdir(root.c_str());
}

// A Western European machine: ANSI 1252, OEM 437. Names stored in a package are OEM bytes and become ANSI
// names; the base directory the caller gives is ANSI already and must reach the disk unchanged, also on
// the second extraction. "é" is 0x82 in OEM 437 and 0xE9 in ANSI 1252, "ö" 0x94 and 0xF6.
TEST(MachineFile, OemCodePageRunsAMachineWhoseCodePagesDiffer) {
    MachineFile file = ParseMachineFile("[Machine]\nCodePage=1252\nOemCodePage=437\n[Drives]\nC=fixed,100\n");
    EXPECT_EQ(file.codePage, 1252u);
    EXPECT_EQ(file.oemCodePage, 437u);
    EXPECT_NE(ErrorOf("[Machine]\nOemCodePage=latin\n").find("line 2: OemCodePage is not a number"), std::string::npos);

    char pattern[] = "/tmp/ts-machine-file-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    os::sim::SimMachine same;
    setupcheck::ApplyMachineFile(ParseMachineFile("[Machine]\nCodePage=1252\n"), same, [&](char) { return root; });
    EXPECT_EQ(same.codePage().oemCodePage(), 1252u);

    os::sim::SimMachine machine;
    setupcheck::ApplyMachineFile(file, machine, [&](char) { return root; });
    EXPECT_EQ(machine.codePage().ansiCodePage(), 1252u);
    EXPECT_EQ(machine.codePage().oemCodePage(), 437u);
    EXPECT_EQ(machine.codePage().oemToAnsi("Caf\x82"), "Caf\xE9");

    struct Installed {
        explicit Installed(os::Machine* machine) : previous(os::setMachine(machine)) {}
        ~Installed() { os::setMachine(previous); }
        os::Machine* previous;
    } installed(&machine);

    test_support::ZipBuilder builder;
    builder.Add("Caf\x82.txt", "stored in OEM bytes");
    builder.Add("K\x94ln/Men\x81.txt", "in an OEM-named folder");  // "ü" is 0x81 in OEM 437, 0xFC in ANSI
    ASSERT_TRUE(machine.files().createDirectory("C:\\pack"));
    test_support::WriteFile("C:\\pack\\SETUP.DAT", builder.Build());

    // Taken for OEM bytes, "Köln" would become "K÷ln". "Café" would become "CafΘ", which has no ANSI 1252
    // form: Windows writes a best-fit letter for it, the simulated machine keeps such a name unchanged.
    for (const std::string& base : {std::string("C:\\Caf\xE9"), std::string("C:\\K\xF6ln")}) {
        SCOPED_TRACE(base);
        ASSERT_TRUE(machine.files().createDirectory(base));
        archive::TArUnZipper zip;
        zip.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
        std::vector<int> failures;
        zip.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                       archive::TArErrorClass, int code) { failures.push_back(code); };
        zip.SetBaseDirectory(base);
        zip.SetFileName("C:\\pack\\SETUP.DAT");
        ASSERT_EQ(zip.Count(), 2);
        EXPECT_EQ(zip.GetItem(0)->GetFileName(), "Caf\xE9.txt");
        for (int run = 0; run < 2; ++run) {
            zip.ExtractFiles("*.*");
            EXPECT_EQ(zip.BaseDirectory(), base);
        }
        EXPECT_TRUE(failures.empty());
        EXPECT_TRUE(test_support::FileExists(base + "\\Caf\xE9.txt"));
        EXPECT_TRUE(test_support::FileExists(base + "\\K\xF6ln\\Men\xFC.txt"));
    }
    // On the host the names are UTF-8.
    EXPECT_TRUE(std::filesystem::exists(root + "/Caf\xC3\xA9/Caf\xC3\xA9.txt"));
    EXPECT_TRUE(std::filesystem::exists(root + "/K\xC3\xB6ln/K\xC3\xB6ln/Men\xC3\xBC.txt"));
    std::filesystem::remove_all(root);
}

// [Faults]: every kind read with its target and number, and applied to the machine in its code page.
TEST(MachineFileFaults, EveryKindIsReadAndApplied) {
    const MachineFile file = ParseMachineFile(
        "[Faults]\n"
        "DiskFull=c,0          ; full at once\n"
        "ReadError=E:\\DATA,ONE.DAT,4096\n"  // the number follows the last comma
        "NotReady=E:,3\n"
        "Locked=C:\\WINDOWS\\WIN.INI\n"
        "DenyWrite=C:\\\xE7\xA8\x8B\xE5\xBA\x8F\n"  // 程序
        "DenyRegistry=HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessarine\n");
    using Kind = setupcheck::MachineFault::Kind;
    ASSERT_EQ(file.faults.size(), 6u);
    EXPECT_EQ(file.faults[0].kind, Kind::DiskFull);
    EXPECT_EQ(file.faults[0].target, "C");
    EXPECT_EQ(file.faults[0].number, 0u);
    EXPECT_EQ(file.faults[1].target, "E:\\DATA,ONE.DAT");
    EXPECT_EQ(file.faults[1].number, 4096u);
    EXPECT_EQ(file.faults[2].target, "E");
    EXPECT_EQ(file.faults[2].line, 4);

    os::sim::SimMachine machine;
    setupcheck::ApplyMachineFile(file, machine, [](char) { return std::string(); });
    os::sim::Faults& faults = machine.faults();
    EXPECT_EQ(faults.diskFullAfter.at('C'), 0u);
    EXPECT_EQ(faults.notReadyAfter.at('E'), 3u);
    ASSERT_EQ(faults.readErrors.size(), 1u);
    EXPECT_EQ(faults.readErrors[0].second, 4096);
    ASSERT_EQ(faults.denyWrite.size(), 1u);
    EXPECT_EQ(faults.denyWrite[0], "C:\\\xB3\xCC\xD0\xF2");  // GBK
    EXPECT_EQ(faults.locked.at(0), "C:\\WINDOWS\\WIN.INI");
    EXPECT_EQ(faults.denyRegistry.at(0), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessarine");
}

// Whole MiB, or a fraction of one: a small installation fills up part-way only below one MiB.
TEST(MachineFileFaults, DiskFullCountsMiBAndItsFractions) {
    os::sim::SimMachine machine;
    setupcheck::ApplyMachineFile(ParseMachineFile("[Faults]\nDiskFull=C,2\n"), machine, [](char) { return std::string(); });
    EXPECT_EQ(machine.faults().diskFullAfter.at('C'), uint64_t(2) << 20);
    EXPECT_EQ(ParseMachineFile("[Faults]\nDiskFull=C,0.5\n").faults[0].number, uint64_t(1) << 19);
    EXPECT_EQ(ParseMachineFile("[Faults]\nDiskFull=C,.001\n").faults[0].number, 1048u);
    EXPECT_NE(ErrorOf("[Faults]\nDiskFull=C,1.\n").find("not a number"), std::string::npos);
    EXPECT_NE(ErrorOf("[Faults]\nDiskFull=C,-1\n").find("not a number"), std::string::npos);
    EXPECT_NE(ErrorOf("[Faults]\nDiskFull=C,1.2.3\n").find("not a number"), std::string::npos);
}

TEST(MachineFileFaults, MalformedLinesAreErrorsByLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Faults]\nDiskFull=C\n", "line 2: DiskFull must be DRIVE,MiB"},
        {"[Faults]\nDiskFull=CD,1\n", "line 2: DiskFull names a drive by its letter"},
        {"[Faults]\nDiskFull=C,many\n", "line 2: the MiB DiskFull allows is not a number"},
        {"[Faults]\nDiskFull=C,\n", "line 2: the MiB DiskFull allows is empty"},
        {"[Faults]\n\nNotReady=Q,1\n", "line 3: the machine has no drive Q"},
        {"[Faults]\nReadError=E:\\A.DAT\n", "line 2: ReadError must be PATH,OFFSET"},
        {"[Faults]\nReadError=A.DAT,5\n", "line 2: ReadError needs a full path"},
        {"[Faults]\nLocked=\n", "line 2: Locked needs a full path"},
        {"[Faults]\nDenyWrite=\\\\SERVER\\SHARE\n", "line 2: DenyWrite needs a full path"},
        {"[Faults]\nDenyRegistry=SOFTWARE\\X\n", "line 2: DenyRegistry needs a key"},
        {"[Faults]\nFlood=C\n", "line 2: unknown fault Flood"},
        {"[Faults]\nLocked\n", "line 2: expected KEY=VALUE"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_NE(ErrorOf(text).find(expected), std::string::npos) << text << " gave: " << ErrorOf(text);
}

TEST(MachineFileFaults, ADriveFaultMayComeBeforeTheDrives) {
    const MachineFile file = ParseMachineFile("[Faults]\nNotReady=F,0\n[Drives]\nC=fixed,100\nF=cdrom\n");
    ASSERT_EQ(file.faults.size(), 1u);
    EXPECT_NE(ErrorOf("[Faults]\nNotReady=E,0\n[Drives]\nC=fixed,100\nF=cdrom\n").find("line 2"), std::string::npos);
}
