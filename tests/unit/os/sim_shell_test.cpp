// The simulated machine's system and shell parts where the contract tests cannot pin them down: Windows'
// numbered 8.3 names, free space and its 9x cap, recorded calls, the exact .LNK layout, and lnkinfo reading
// the links the simulation writes.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_shell.h"
#include "os/sim/sim_system.h"

namespace {

class SimPartsTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ts-simparts-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/c/Program Files");
        machine_.addDrive('C', {os::DriveType::Fixed, root_ + "/c", uint64_t(10) << 30});
        machine_.addDrive('E', {os::DriveType::CdRom, ""});
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    void Touch(const std::string& hostRelative, const std::string& text = "x") {
        std::ofstream(root_ + "/c/" + hostRelative) << text;
    }
    std::string Short(const std::string& path) {
        std::string result;
        EXPECT_TRUE(machine_.system().shortPathName(path, result)) << path;
        return result;
    }
    std::vector<uint8_t> HostBytes(const std::string& hostRelative) {
        std::ifstream in(root_ + "/c/" + hostRelative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::string root_;
    os::sim::SimMachine machine_;
};

uint32_t U32(const std::vector<uint8_t>& data, size_t at) {
    return data.at(at) | data.at(at + 1) << 8 | data.at(at + 2) << 16 | uint32_t(data.at(at + 3)) << 24;
}
uint32_t U16(const std::vector<uint8_t>& data, size_t at) { return data.at(at) | data.at(at + 1) << 8; }

TEST_F(SimPartsTest, ShortNamesAreNumberedInNameOrder) {
    std::filesystem::create_directories(root_ + "/c/Program Files/Long Folder Name");
    Touch("Program Files/Long Folder Name/Long File Name.txt", "name");
    Touch("Program Files/Long Folder Name/Long File Other.txt", "other");
    Touch("Program Files/Long Folder Name/a+b c.html");
    Touch("Program Files/Long Folder Name/My.File.txt");
    Touch("Program Files/Long Folder Name/.profile");
    Touch("Program Files/Long Folder Name/short.txt");
    Touch("Program Files/Long Folder Name/\xE7\xA8\x8B\xE5\xBA\x8F.txt");  // two GBK characters: 4 bytes
    std::string folder = "C:\\PROGRA~1\\LONGFO~1";
    EXPECT_EQ(Short("C:\\Program Files"), "C:\\PROGRA~1");
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\Long File Name.txt"), folder + "\\LONGFI~1.TXT");
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\Long File Other.txt"), folder + "\\LONGFI~2.TXT");
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\a+b c.html"), folder + "\\A_BC~1.HTM");
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\My.File.txt"), folder + "\\MYFILE~1.TXT");
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\.profile"), folder + "\\PROFIL~1");
    EXPECT_EQ(Short("c:\\program files\\long folder name\\short.txt"), "c:\\PROGRA~1\\LONGFO~1\\short.txt")
        << "names that fit 8.3 stay as written";
    EXPECT_EQ(Short("C:\\Program Files\\Long Folder Name\\\xB3\xCC\xD0\xF2.txt"), folder + "\\\xB3\xCC\xD0\xF2.txt");

    // The aliases name the files.
    auto file = machine_.files().openFile(folder + "\\longfi~2.txt", os::kOpenRead);
    ASSERT_TRUE(file);
    char text[5] = {};
    EXPECT_EQ(file->read(text, 5), 5);
    EXPECT_EQ(std::string(text, 5), "other");
    EXPECT_EQ(machine_.files().getFileAttributes(folder + "\\LONGFI~3.TXT"), os::kInvalidAttributes);
}

TEST_F(SimPartsTest, ShortNamesSkipAliasesTakenByExistingNames) {
    Touch("PROGRA~1");
    Touch("PROGR~10");
    EXPECT_EQ(Short("C:\\Program Files"), "C:\\PROGRA~2");
    for (int i = 2; i <= 8; ++i) Touch("Program Name " + std::to_string(i));
    EXPECT_EQ(Short("C:\\Program Name 8"), "C:\\PROGRA~9");
    Touch("Programs And More");
    EXPECT_EQ(Short("C:\\Programs And More"), "C:\\PROGR~11") << "two digits leave five characters";
    std::string ignored;
    EXPECT_FALSE(machine_.system().shortPathName("C:\\Missing\\x", ignored));
    EXPECT_EQ(machine_.system().lastError(), os::kErrorFileNotFound);
}

TEST_F(SimPartsTest, FreeSpaceInFourKilobyteClustersCappedOn9x) {
    os::System& system = machine_.system();
    os::DiskGeometry g;
    ASSERT_TRUE(system.diskFreeSpace("C:\\", g));
    EXPECT_EQ(g.sectorsPerCluster, 8u);
    EXPECT_EQ(g.bytesPerSector, 512u);
    EXPECT_EQ(g.freeClusters, (uint64_t(10) << 30) / 4096);
    uint64_t caller = 0, total = 0, free = 0;
    ASSERT_TRUE(system.diskFreeSpaceEx("c:\\", caller, total, free));
    EXPECT_EQ(free, uint64_t(10) << 30);
    EXPECT_EQ(caller, free);

    machine_.settings().versionWord = 0xC0000A04;  // Windows 98
    EXPECT_EQ(system.platformId(), 1u);
    ASSERT_TRUE(system.diskFreeSpace("C:\\", g));
    EXPECT_EQ(g.freeClusters, 0x7FFFFFFFu / 4096) << "9x never reports more than 2 GB";
    EXPECT_LT(uint64_t(g.freeClusters) * g.sectorsPerCluster * g.bytesPerSector, uint64_t(1) << 31);

    machine_.drive('C')->freeBytes = uint64_t(1) << 50;
    machine_.settings().versionWord = 0x0A280105;
    ASSERT_TRUE(system.diskFreeSpace("C:\\", g));
    EXPECT_EQ(g.freeClusters, 0xFFFFFFFFu) << "counts beyond 32 bits are capped";

    EXPECT_FALSE(system.diskFreeSpace("E:\\", g));
    EXPECT_EQ(system.lastError(), os::kErrorNotReady);
    EXPECT_FALSE(system.diskFreeSpaceEx("Q:\\", caller, total, free));
    EXPECT_EQ(system.lastError(), os::kErrorPathNotFound);
}

TEST_F(SimPartsTest, SettingsPrivilegesErrorTextsAndRestartsAreRecorded) {
    os::System& system = machine_.system();
    machine_.settings().fixedTime = true;
    machine_.settings().time = {2004, 2, 29, 0, 13, 5, 9, 250};
    EXPECT_EQ(system.localTime().minute, 5);
    EXPECT_EQ(system.localTime().milliseconds, 250);
    machine_.settings().screenWidth = 800;
    EXPECT_EQ(system.screenWidth(), 800);
    EXPECT_EQ(system.windowsDirectory(), "C:\\WINDOWS");

    EXPECT_EQ(system.errorText(2), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(system.errorText(183), "Cannot create a file when that file already exists.\r\n");
    EXPECT_EQ(system.errorText(1313), "A specified privilege does not exist.\r\n");

    EXPECT_TRUE(system.setPrivilege("SeDebugPrivilege", true));
    EXPECT_FALSE(system.setPrivilege("SeMadeUpPrivilege", true));
    EXPECT_EQ(system.lastError(), 1313u);
    machine_.settings().versionWord = 0xC0000A04;
    EXPECT_FALSE(system.setPrivilege("SeShutdownPrivilege", true)) << "9x has no process token";
    EXPECT_EQ(system.lastError(), 120u);
    EXPECT_TRUE(system.exitWindows(2));

    auto& record = os::sim::SimSystemOf(machine_);
    ASSERT_EQ(record.privilegeCalls().size(), 3u);
    EXPECT_EQ(record.privilegeCalls()[1].name, "SeMadeUpPrivilege");
    EXPECT_FALSE(record.privilegeCalls()[2].result);
    EXPECT_EQ(record.exitRequests(), std::vector<uint32_t>{2});
}

TEST_F(SimPartsTest, StartedProgramsAreRecordedAndFoundLikeWindows) {
    std::filesystem::create_directories(root_ + "/c/WINDOWS/SYSTEM32");
    Touch("Program Files/Tool App.exe");
    Touch("WINDOWS/SYSTEM32/notepad.exe");
    os::Shell& shell = machine_.shell();
    EXPECT_EQ(shell.shellExecute("open", "C:\\Program Files\\Tool App.exe", "-x", "C:\\Program Files\\", 6), 42);
    EXPECT_EQ(shell.shellExecute("open", "Tool App.exe", "", "C:\\Program Files", 1), 42) << "found in the folder";
    EXPECT_EQ(shell.shellExecute("open", "C:\\none.exe", "", "", 1), 2);
    EXPECT_EQ(shell.winExec("C:\\Program Files\\Tool App.exe /Install /Silent", 0), 33u) << "words are tried in turn";
    EXPECT_EQ(shell.winExec("notepad readme.txt", 1), 33u) << "system folder, .exe added";
    EXPECT_EQ(shell.winExec("C:\\Program Files\\Other.exe", 1), 2u);

    const auto& started = os::sim::SimShellOf(machine_).startedPrograms();
    ASSERT_EQ(started.size(), 6u);
    EXPECT_EQ(started[0].call, os::sim::StartedProgram::Call::ShellExecute);
    EXPECT_EQ(started[0].parameters, "-x");
    EXPECT_EQ(started[0].directory, "C:\\Program Files\\");
    EXPECT_EQ(started[0].showCommand, 6);
    EXPECT_EQ(started[2].result, 2);
    EXPECT_EQ(started[3].call, os::sim::StartedProgram::Call::WinExec);
    EXPECT_EQ(started[3].file, "C:\\Program Files\\Tool App.exe /Install /Silent");

    shell.notifyDirectoryCreated("C:\\New");
    EXPECT_EQ(os::sim::SimShellOf(machine_).createdDirectoryNotices(), std::vector<std::string>{"C:\\New"});
}

TEST_F(SimPartsTest, LinkFileLayout) {
    Touch("Program Files/App.exe", "0123456789");
    os::Shell& shell = machine_.shell();
    ASSERT_EQ(shell.initializeCom(), 0);
    EXPECT_EQ(os::sim::SimShellOf(machine_).comDepth(), 1);
    ASSERT_EQ(shell.createShellLink({"C:\\Program Files\\App.exe", "", "C:\\Program Files", "Desc"}, "C:\\App.lnk",
                                    true),
              0);
    shell.uninitializeCom();
    EXPECT_EQ(os::sim::SimShellOf(machine_).savedLinks(), std::vector<std::string>{"C:\\App.lnk"});

    std::vector<uint8_t> data = HostBytes("App.lnk");
    ASSERT_GE(data.size(), 0x4Cu);
    EXPECT_EQ(U32(data, 0), 0x4Cu);
    EXPECT_EQ(U32(data, 0x14), 0x02u | 0x04u | 0x10u) << "link info, name, working directory; ANSI strings";
    EXPECT_EQ(U32(data, 0x18), os::kAttrArchive);
    EXPECT_EQ(U32(data, 0x34), 10u) << "target size";
    EXPECT_EQ(U32(data, 0x3C), 1u) << "SW_SHOWNORMAL";
    EXPECT_NE(U32(data, 0x2C), 0u) << "write time set";

    size_t info = 0x4C;
    uint32_t infoSize = U32(data, info);
    EXPECT_EQ(U32(data, info + 4), 0x1Cu);
    EXPECT_EQ(U32(data, info + 8), 1u);
    size_t volume = info + U32(data, info + 12);
    EXPECT_EQ(U32(data, volume + 4), 3u) << "fixed drive";
    EXPECT_EQ(U32(data, volume + 12), 0x10u);
    size_t base = info + U32(data, info + 16);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&data[base])), "C:\\Program Files\\App.exe");
    EXPECT_EQ(data.at(info + U32(data, info + 24)), 0) << "empty common path suffix";

    size_t strings = info + infoSize;
    EXPECT_EQ(U16(data, strings), 4u);
    EXPECT_EQ(std::string(data.begin() + strings + 2, data.begin() + strings + 6), "Desc");
    EXPECT_EQ(U16(data, strings + 6), 16u);
    EXPECT_EQ(U32(data, strings + 8 + 16), 0u) << "terminal block";
    EXPECT_EQ(data.size(), strings + 8 + 16 + 4);
}

TEST_F(SimPartsTest, LinkFailures) {
    os::Shell& shell = machine_.shell();
    EXPECT_EQ(shell.createShellLink({"C:\\x.exe", "", "", ""}, "C:\\x.lnk", true), static_cast<int32_t>(0x800401F0))
        << "COM not initialised";
    shell.initializeCom();
    machine_.system().setLastError(0);
    EXPECT_EQ(shell.createShellLink({"C:\\x.exe", "", "", ""}, "C:\\No\\x.lnk", true),
              static_cast<int32_t>(0x80070003));
    EXPECT_EQ(machine_.system().lastError(), os::kErrorPathNotFound);
    EXPECT_EQ(shell.createShellLink({"C:\\x.exe", "", "", ""}, "C:\\" + std::string(300, 'x') + ".lnk", true),
              static_cast<int32_t>(0x800700CE));
    shell.uninitializeCom();
    EXPECT_TRUE(os::sim::SimShellOf(machine_).savedLinks().empty());
}

// lnkinfo (liblnk-utils) is the peer reader of the links the simulation writes.
TEST_F(SimPartsTest, LnkinfoReadsSimulatedLinks) {
    if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "lnkinfo is not installed";
    Touch("Program Files/App.exe");
    os::Shell& shell = machine_.shell();
    shell.initializeCom();
    ASSERT_EQ(shell.createShellLink({"C:\\Program Files\\App.exe", "/x 1", "C:\\Program Files",
                                     "App \xB2\xE2\xCA\xD4"},  // "App 测试" in GBK
                                    "C:\\App.lnk", true),
              0);
    shell.uninitializeCom();
    std::string command = "lnkinfo -c windows-936 '" + root_ + "/c/App.lnk' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_NE(output.find("Local path\t\t\t: C:\\Program Files\\App.exe\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Description\t\t\t: App \xE6\xB5\x8B\xE8\xAF\x95\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Working directory\t\t: C:\\Program Files\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Command line arguments\t\t: /x 1\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Drive type\t\t\t: Fixed (3)"), std::string::npos) << output;
}

}  // namespace
#endif
