// The simulated machine's own behaviour: mapping Windows paths onto host folders and back, and the
// Windows rules Wine does not enforce, so the contract tests cannot check them against the real machine.
#ifndef _WIN32
#include "os/sim/sim_machine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

class SimMachineTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ts-sim-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/c/Program Files/Mixed Case");
        std::filesystem::create_directories(root_ + "/d");
        std::ofstream(root_ + "/c/Program Files/Mixed Case/File.TXT") << "x";
        machine_.addDrive('c', {os::DriveType::Fixed, root_ + "/c/"});
        machine_.addDrive('D', {os::DriveType::CdRom, root_ + "/d"});
        machine_.addDrive('E', {os::DriveType::Removable, ""});
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string root_;
    os::sim::SimMachine machine_;
};

TEST_F(SimMachineTest, HostPathsMatchExistingNamesCaseInsensitively) {
    EXPECT_EQ(machine_.hostPath("C:\\PROGRAM FILES\\mixed case\\file.txt"), root_ + "/c/Program Files/Mixed Case/File.TXT");
    EXPECT_EQ(machine_.hostPath("c:/program files/new dir/New.txt"), root_ + "/c/Program Files/new dir/New.txt")
        << "missing names keep the case they were given";
    EXPECT_EQ(machine_.hostPath("C:\\"), root_ + "/c");
    EXPECT_EQ(machine_.hostPath("E:\\x"), std::nullopt) << "a drive without a medium has no host folder";
    EXPECT_EQ(machine_.hostPath("Q:\\x"), std::nullopt);
    EXPECT_EQ(machine_.hostPath("\\\\server\\share\\x"), std::nullopt);
}

TEST_F(SimMachineTest, GbkNamesMapToUtf8HostNames) {
    // "中文" in GBK; its host name is UTF-8. 0x95 0x5C is one character whose second byte is '\'.
    auto host = machine_.hostPath("C:\\\xD6\xD0\xCE\xC4\\\x95\x5C.txt");
    ASSERT_TRUE(host);
    EXPECT_EQ(*host, root_ + "/c/\xE4\xB8\xAD\xE6\x96\x87/" + machine_.codePage().ansiToUtf8("\x95\x5C") + ".txt");
    EXPECT_EQ(machine_.windowsPath(*host), "C:\\\xD6\xD0\xCE\xC4\\\x95\x5C.txt");
}

TEST_F(SimMachineTest, WindowsPathsOfHostPaths) {
    EXPECT_EQ(machine_.windowsPath(root_ + "/c/Program Files/a.txt"), "C:\\Program Files\\a.txt");
    EXPECT_EQ(machine_.windowsPath(root_ + "/d"), "D:\\");
    EXPECT_EQ(machine_.windowsPath(root_ + "/dx/a"), std::nullopt) << "a sibling folder is not below D:";
    EXPECT_EQ(machine_.windowsPath("/elsewhere/a"), std::nullopt);
    machine_.addDrive('Z', {os::DriveType::Fixed, "/"});
    EXPECT_EQ(machine_.windowsPath("/elsewhere/a"), "Z:\\elsewhere\\a");
    EXPECT_EQ(machine_.windowsPath(root_ + "/c/x"), "C:\\x") << "the deepest drive wins";
}

TEST_F(SimMachineTest, DriveTypesAndCodePagesComeFromTheMachineFile) {
    auto& fs = machine_.files();
    EXPECT_EQ(fs.getDriveType("D:\\"), os::DriveType::CdRom);
    EXPECT_EQ(fs.getDriveType("e:\\"), os::DriveType::Removable);
    EXPECT_EQ(fs.getDriveType("Q:\\"), os::DriveType::NoRootDir);
    machine_.setCodePages(1252, 850);
    EXPECT_EQ(machine_.codePage().ansiCodePage(), 1252u);
    EXPECT_FALSE(machine_.codePage().isLeadByte(0xD6));
    EXPECT_EQ(machine_.codePage().oemToAnsi("\x82"), "\xE9") << "OEM 850 e-acute is 0xE9 in 1252";
}

// Windows refuses to set a file's time through a handle opened for reading (Wine does not check).
TEST_F(SimMachineTest, SettingTheTimeNeedsWriteAccess) {
    auto& fs = machine_.files();
    auto reader = fs.openFile("C:\\Program Files\\Mixed Case\\File.TXT", os::kOpenRead | os::kShareDenyNone);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->setLastWriteTime({2010, 1, 1, 0, 0, 0}));
    EXPECT_EQ(fs.lastError(), os::kErrorAccessDenied);
}

}  // namespace
#endif
