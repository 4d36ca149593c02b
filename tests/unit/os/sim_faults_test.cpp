// The simulated machine's faults: a full disk, a scratched disc, a disc taken out, a locked file, folders
// and keys the user may not change. Each refuses exactly the calls it names, with the Windows error a
// real machine gives, and leaves everything else alone.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/sim/sim_machine.h"

namespace {

class SimFaults : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ts-faults-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/c/DATA");
        std::filesystem::create_directories(root_ + "/c/DATA2");
        std::filesystem::create_directories(root_ + "/e");
        Put("c/DATA/OLD.TXT", "old text");
        Put("e/PACK.DAT", std::string(1000, 'p'));
        Put("e/OTHER.DAT", std::string(1000, 'o'));
        machine_.addDrive('C', {os::DriveType::Fixed, root_ + "/c"});
        machine_.addDrive('D', {os::DriveType::Fixed, root_ + "/c/DATA2"});
        machine_.addDrive('E', {os::DriveType::CdRom, root_ + "/e"});
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    void Put(const std::string& name, const std::string& bytes) { std::ofstream(root_ + "/" + name, std::ios::binary) << bytes; }
    std::string Host(const std::string& name) {
        std::ifstream in(root_ + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int64_t Write(os::File& file, const std::string& bytes) { return file.write(bytes.data(), int64_t(bytes.size())); }
    uint32_t Error() { return machine_.files().lastError(); }

    std::string root_;
    os::sim::SimMachine machine_;
    os::FileSystem& fs_ = machine_.files();
};

TEST_F(SimFaults, AFullDiskTakesWhatFitsThenRefuses) {
    machine_.faults().diskFullAfter['C'] = 10;
    auto file = fs_.createFile("C:\\DATA\\NEW.TXT");
    ASSERT_TRUE(file);
    EXPECT_EQ(Write(*file, "123456"), 6);
    EXPECT_EQ(Write(*file, "789abc"), -1);
    EXPECT_EQ(Error(), os::kErrorDiskFull);
    EXPECT_EQ(Write(*file, "x"), -1);  // and stays full
    file.reset();
    EXPECT_EQ(Host("c/DATA/NEW.TXT"), "123456789a");
    // Overwriting bytes a file already has needs no space; other drives have their own.
    auto old = fs_.openFile("C:\\DATA\\OLD.TXT", os::kOpenReadWrite);
    ASSERT_TRUE(old);
    EXPECT_EQ(Write(*old, "OLD"), 3);
    old.reset();
    EXPECT_EQ(Host("c/DATA/OLD.TXT"), "OLD text");
    auto other = fs_.createFile("D:\\X.TXT");
    ASSERT_TRUE(other);
    EXPECT_EQ(Write(*other, "plenty of room"), 14);
}

TEST_F(SimFaults, AScratchedDiscFailsTheReadThatReachesTheDamage) {
    machine_.faults().readErrors.push_back({"e:\\pack.dat", 500});
    auto file = fs_.openFile("E:\\PACK.DAT", os::kOpenRead);
    ASSERT_TRUE(file);
    std::string buffer(600, '\0');
    EXPECT_EQ(file->read(buffer.data(), 500), 500);  // up to the damaged byte
    EXPECT_EQ(file->read(buffer.data(), 1), -1);
    EXPECT_EQ(Error(), 23u);  // ERROR_CRC
    EXPECT_EQ(file->seek(501, os::SeekOrigin::Begin), 501);
    EXPECT_EQ(file->read(buffer.data(), 100), 100);  // beyond it
    EXPECT_EQ(file->seek(0, os::SeekOrigin::Begin), 0);
    EXPECT_EQ(file->read(buffer.data(), 600), -1);  // across it
    EXPECT_FALSE(fs_.copyFile("E:\\PACK.DAT", "C:\\PACK.DAT", false));
    EXPECT_TRUE(fs_.copyFile("E:\\OTHER.DAT", "C:\\OTHER.DAT", false));
}

TEST_F(SimFaults, ADiscTakenOutAnswersNotReadyAfterItsLastRead) {
    machine_.faults().notReadyAfter['E'] = 2;
    auto file = fs_.openFile("E:\\PACK.DAT", os::kOpenRead);
    ASSERT_TRUE(file);
    char buffer[10];
    EXPECT_EQ(file->read(buffer, 10), 10);
    EXPECT_EQ(file->read(buffer, 10), 10);
    EXPECT_EQ(file->read(buffer, 10), -1);
    EXPECT_EQ(Error(), os::kErrorNotReady);
    EXPECT_EQ(file->size(), -1);
    EXPECT_FALSE(fs_.openFile("E:\\OTHER.DAT", os::kOpenRead));
    EXPECT_EQ(Error(), os::kErrorNotReady);
    EXPECT_EQ(fs_.getFileAttributes("E:\\"), os::kInvalidAttributes);
    EXPECT_EQ(Error(), os::kErrorNotReady);
    EXPECT_EQ(fs_.getDriveType("E:\\"), os::DriveType::CdRom);  // the drive itself is still there
    EXPECT_NE(fs_.getFileAttributes("C:\\DATA\\OLD.TXT"), os::kInvalidAttributes);
}

TEST_F(SimFaults, ALockedFileCanBeReadButNotChanged) {
    machine_.faults().locked.push_back("C:\\data\\old.txt");
    EXPECT_TRUE(fs_.openFile("C:\\DATA\\OLD.TXT", os::kOpenRead | os::kShareDenyNone));
    EXPECT_FALSE(fs_.openFile("C:\\DATA\\OLD.TXT", os::kOpenReadWrite));
    EXPECT_EQ(Error(), os::kErrorSharingViolation);
    EXPECT_FALSE(fs_.createFile("C:\\DATA\\OLD.TXT"));
    EXPECT_EQ(Error(), os::kErrorSharingViolation);
    EXPECT_FALSE(fs_.deleteFile("C:\\DATA\\OLD.TXT"));
    EXPECT_EQ(Error(), os::kErrorSharingViolation);
    EXPECT_FALSE(fs_.moveFile("C:\\DATA\\OLD.TXT", "C:\\DATA\\MOVED.TXT"));
    EXPECT_FALSE(fs_.copyFile("E:\\OTHER.DAT", "C:\\DATA\\OLD.TXT", false));
    EXPECT_EQ(Host("c/DATA/OLD.TXT"), "old text");
    // A file of that name that does not exist yet is no one's to hold.
    machine_.faults().locked.push_back("C:\\DATA\\FREE.TXT");
    EXPECT_TRUE(fs_.createFile("C:\\DATA\\FREE.TXT"));
}

TEST_F(SimFaults, ADeniedFolderRefusesEveryChangeAtOrBelowIt) {
    machine_.faults().denyWrite.push_back("C:\\Data\\");
    EXPECT_FALSE(fs_.createFile("C:\\DATA\\NEW.TXT"));
    EXPECT_EQ(Error(), os::kErrorAccessDenied);
    EXPECT_FALSE(fs_.openFile("C:\\DATA\\OLD.TXT", os::kOpenWrite));
    EXPECT_FALSE(fs_.deleteFile("C:\\DATA\\OLD.TXT"));
    EXPECT_FALSE(fs_.setFileAttributes("C:\\DATA\\OLD.TXT", os::kAttrHidden));
    EXPECT_FALSE(fs_.createDirectory("C:\\DATA\\SUB"));
    EXPECT_FALSE(fs_.removeDirectory("C:\\DATA"));
    EXPECT_FALSE(fs_.moveFile("C:\\DATA\\OLD.TXT", "C:\\OLD.TXT"));
    EXPECT_EQ(Error(), os::kErrorAccessDenied);
    EXPECT_TRUE(fs_.openFile("C:\\DATA\\OLD.TXT", os::kOpenRead));
    // A sibling whose name merely begins the same is not below it.
    EXPECT_TRUE(fs_.createFile("C:\\DATA2\\NEW.TXT"));
    EXPECT_TRUE(fs_.createFile("C:\\NEW.TXT"));
    EXPECT_EQ(Host("c/DATA/OLD.TXT"), "old text");
}

TEST_F(SimFaults, ADeniedKeyRefusesChangesAtOrBelowIt) {
    os::Registry& registry = machine_.registry();
    ASSERT_TRUE(registry.writeString(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\App", "Old", "1"));
    machine_.faults().denyRegistry.push_back("HKLM\\software\\firm");
    EXPECT_FALSE(registry.createKey(os::RootKey::LocalMachine, "\\SOFTWARE\\FIRM\\New"));
    EXPECT_EQ(Error(), os::kErrorAccessDenied);
    // The registry's own error says so too, after every refused change; a file call does not change it.
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    ASSERT_FALSE(fs_.openFile("C:\\NO-SUCH-FILE", os::kOpenRead));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    std::string missing;
    EXPECT_FALSE(registry.readString(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\Missing", "X", missing));
    EXPECT_EQ(registry.lastError(), os::kErrorFileNotFound);
    EXPECT_FALSE(registry.writeString(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\App", "Old", "2"));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    EXPECT_FALSE(registry.deleteValue(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\App", "Old"));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    EXPECT_FALSE(registry.deleteKey(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\App"));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    std::string value;
    EXPECT_TRUE(registry.readString(os::RootKey::LocalMachine, "SOFTWARE\\Firm\\App", "Old", value));
    EXPECT_EQ(value, "1");
    EXPECT_TRUE(registry.writeString(os::RootKey::LocalMachine, "SOFTWARE\\Firmament", "X", "1"));
    EXPECT_TRUE(registry.writeString(os::RootKey::CurrentUser, "SOFTWARE\\Firm", "X", "1"));
}

// The profile calls edit a file in place; under a fault the file ends as it was, never cut short.
TEST_F(SimFaults, AProfileWriteThatDoesNotFitLeavesTheFileAsItWas) {
    const std::string ini = "[A]\r\nKey=1\r\n[B]\r\nOther=2\r\n";
    Put("c/DATA/APP.INI", ini);
    machine_.faults().diskFullAfter['C'] = 4;
    EXPECT_FALSE(machine_.profile().writeString("C:\\DATA\\APP.INI", "A", "NewKey", "a longer value"));
    EXPECT_EQ(Error(), os::kErrorDiskFull);
    EXPECT_EQ(Host("c/DATA/APP.INI"), ini);
    // A change that needs no more room still goes through.
    EXPECT_TRUE(machine_.profile().writeString("C:\\DATA\\APP.INI", "A", "Key", "2"));
    EXPECT_EQ(Host("c/DATA/APP.INI"), "[A]\r\nKey=2\r\n[B]\r\nOther=2\r\n");
}

TEST_F(SimFaults, AProfileFileThatCannotBeReadIsNotRewritten) {
    const std::string ini = "[A]\r\nKey=1\r\n[B]\r\nOther=2\r\n";
    Put("c/DATA/APP.INI", ini);
    machine_.faults().readErrors.push_back({"C:\\DATA\\APP.INI", 10});
    EXPECT_FALSE(machine_.profile().writeString("C:\\DATA\\APP.INI", "C", "New", "1"));
    EXPECT_FALSE(machine_.profile().deleteSection("C:\\DATA\\APP.INI", "B"));
    EXPECT_EQ(Host("c/DATA/APP.INI"), ini);
}

}  // namespace
#endif
