// The change journal over the test machine (simulated natively, the real one under Wine): each change is
// reported once, as made, with the size and CRC-32 of what a file holds afterwards and the value an INI
// entry or registry value replaced; failed calls and reads report nothing.
#include <gtest/gtest.h>

#include "archive/crc32.h"
#include "journal/journal_machine.h"
#include "support/test_machine.h"

namespace {

using journal::Change;
using journal::ChangeKind;

class Journal : public testing::Test {
protected:
    void SetUp() override { previous_ = os::setMachine(&machine); }
    void TearDown() override { os::setMachine(previous_); }

    std::string In(const std::string& name) const { return dir + "\\" + name; }
    std::vector<Change>& Changes() { return list.changes; }
    static uint32_t Crc(const std::string& bytes) { return archive::ArCrc32(bytes.data(), bytes.size()); }
    static std::string Read(const std::string& path) {
        std::vector<uint8_t> bytes = test_support::ReadFile(path);
        return std::string(bytes.begin(), bytes.end());
    }

    std::string dir = test_support::MakeTempDir();
    journal::ChangeList list;
    journal::JournalMachine machine{os::machine(), list};

private:
    os::Machine* previous_ = nullptr;
};

TEST_F(Journal, FilesAreReportedWhenClosedWithWhatTheyHold) {
    {
        auto file = os::files().createFile(In("a.bin"));
        ASSERT_TRUE(file);
        file->write("hello ", 6);
        file->write("world", 5);
        EXPECT_TRUE(Changes().empty()) << "nothing before the file is closed";
    }
    ASSERT_EQ(Changes().size(), 1u);
    EXPECT_EQ(Changes()[0].kind, ChangeKind::FileWritten);
    EXPECT_EQ(Changes()[0].path, In("a.bin"));
    EXPECT_EQ(Changes()[0].size, 11u);
    EXPECT_EQ(Changes()[0].crc32, Crc("hello world"));
    EXPECT_FALSE(Changes()[0].replaced);

    // Written out of order and replacing the file: the checksum is of the bytes on disk.
    {
        auto file = os::files().createFile(In("a.bin"));
        file->write("xxxxx", 5);
        file->seek(0, os::SeekOrigin::Begin);
        file->write("ab", 2);
    }
    ASSERT_EQ(Changes().size(), 2u);
    EXPECT_TRUE(Changes()[1].replaced);
    EXPECT_EQ(Changes()[1].size, 5u);
    EXPECT_EQ(Changes()[1].crc32, Crc("abxxx"));

    // Opened for writing but left alone, or only read: no change. Cut short: a change.
    { auto file = os::files().openFile(In("a.bin"), os::kOpenReadWrite | os::kShareExclusive); }
    { auto file = os::files().openFile(In("a.bin"), os::kOpenRead | os::kShareDenyNone); }
    EXPECT_EQ(Changes().size(), 2u);
    {
        auto file = os::files().openFile(In("a.bin"), os::kOpenReadWrite | os::kShareExclusive);
        file->seek(2, os::SeekOrigin::Begin);
        file->truncate();
    }
    ASSERT_EQ(Changes().size(), 3u);
    EXPECT_EQ(Changes()[2].size, 2u);
    EXPECT_EQ(Changes()[2].crc32, Crc("ab"));
    // An empty file created is a change too.
    { auto file = os::files().createFile(In("empty")); }
    ASSERT_EQ(Changes().size(), 4u);
    EXPECT_EQ(Changes()[3].size, 0u);
    EXPECT_EQ(Changes()[3].crc32, 0u);
}

TEST_F(Journal, CopiesMovesDeletionsAndFoldersAreReportedOnlyWhenDone) {
    test_support::WriteFile(In("src.txt"), std::string("content"));
    Changes().clear();
    ASSERT_TRUE(os::files().copyFile(In("src.txt"), In("copy.txt"), true));
    EXPECT_FALSE(os::files().copyFile(In("src.txt"), In("copy.txt"), true));  // exists: refused
    ASSERT_TRUE(os::files().moveFile(In("copy.txt"), In("moved.txt")));
    ASSERT_TRUE(os::files().createDirectory(In("sub")));
    EXPECT_FALSE(os::files().createDirectory(In("sub")));
    ASSERT_TRUE(os::files().removeDirectory(In("sub")));
    ASSERT_TRUE(os::files().setFileAttributes(In("moved.txt"), os::kAttrReadOnly));
    ASSERT_TRUE(os::files().setFileAttributes(In("moved.txt"), os::kAttrNormal));
    ASSERT_TRUE(os::files().deleteFile(In("moved.txt")));
    EXPECT_FALSE(os::files().deleteFile(In("moved.txt")));
    EXPECT_EQ(os::files().lastError(), os::kErrorFileNotFound);  // the failed call's own error

    std::vector<std::pair<ChangeKind, std::string>> seen;
    for (const Change& c : Changes()) seen.push_back({c.kind, c.path});
    EXPECT_EQ(seen, (std::vector<std::pair<ChangeKind, std::string>>{
                        {ChangeKind::FileWritten, In("copy.txt")},
                        {ChangeKind::FileDeleted, In("copy.txt")},
                        {ChangeKind::FileWritten, In("moved.txt")},
                        {ChangeKind::DirectoryCreated, In("sub")},
                        {ChangeKind::DirectoryRemoved, In("sub")},
                        {ChangeKind::AttributesSet, In("moved.txt")},
                        {ChangeKind::AttributesSet, In("moved.txt")},
                        {ChangeKind::FileDeleted, In("moved.txt")},
                    }));
    EXPECT_EQ(Changes()[0].crc32, Crc("content"));
    EXPECT_EQ(Changes()[2].size, 7u);
    EXPECT_EQ(Changes()[5].attributes, uint32_t(os::kAttrReadOnly));
}

TEST_F(Journal, IniEntriesCarryTheValueTheyReplaceAndTheFileTheyChange) {
    const std::string ini = In("app.ini");
    ASSERT_TRUE(os::profile().writeString(ini, "Main", "Path", "C:\\A"));
    ASSERT_TRUE(os::profile().writeString(ini, "main", "PATH", "C:\\B"));
    ASSERT_TRUE(os::profile().deleteKey(ini, "Main", "Path"));
    ASSERT_EQ(Changes().size(), 6u);
    EXPECT_EQ(Changes()[0].kind, ChangeKind::ProfileEntrySet);
    EXPECT_EQ(Changes()[0].path, ini);
    EXPECT_EQ(Changes()[0].section, "Main");
    EXPECT_EQ(Changes()[0].value, "C:\\A");
    EXPECT_FALSE(Changes()[0].previous);
    EXPECT_EQ(Changes()[1].kind, ChangeKind::FileWritten);
    EXPECT_FALSE(Changes()[1].replaced);
    EXPECT_EQ(Changes()[2].previous, "C:\\A");
    EXPECT_EQ(Changes()[3].kind, ChangeKind::FileWritten);
    EXPECT_TRUE(Changes()[3].replaced);
    EXPECT_EQ(Changes()[3].size, Changes()[1].size) << "C:\\A and C:\\B are as long";
    EXPECT_EQ(Changes()[4].kind, ChangeKind::ProfileKeyDeleted);
    EXPECT_EQ(Changes()[4].previous, "C:\\B");
    EXPECT_EQ(Changes()[5].size, Read(ini).size());
    EXPECT_EQ(Changes()[5].crc32, Crc(Read(ini)));
}

// Every key a write adds is reported, the missing ones above it included, from the highest down.
TEST_F(Journal, RegistryValuesCarryTheValueTheyReplace) {
    const std::string key = "Software\\TableSetupJournalTest";
    const std::string leaf = key + "\\Sub\\Leaf";
    auto clean = [&] {
        os::registry().deleteValue(os::RootKey::CurrentUser, leaf, "Name");
        os::registry().deleteKey(os::RootKey::CurrentUser, leaf);
        os::registry().deleteKey(os::RootKey::CurrentUser, key + "\\Sub");
        os::registry().deleteKey(os::RootKey::CurrentUser, key);
    };
    clean();
    ASSERT_TRUE(os::registry().createKey(os::RootKey::CurrentUser, "Software"));
    Changes().clear();
    ASSERT_TRUE(os::registry().writeString(os::RootKey::CurrentUser, leaf, "Name", "one"));
    ASSERT_TRUE(os::registry().writeString(os::RootKey::CurrentUser, "\\" + leaf, "name", "two"));
    ASSERT_TRUE(os::registry().deleteValue(os::RootKey::CurrentUser, leaf, "Name"));
    ASSERT_TRUE(os::registry().deleteKey(os::RootKey::CurrentUser, leaf));
    EXPECT_FALSE(os::registry().deleteKey(os::RootKey::CurrentUser, leaf));
    // The failure's Windows error comes through the journal.
    EXPECT_EQ(os::registry().lastError(), os::kErrorFileNotFound);
    std::vector<std::pair<ChangeKind, std::string>> seen;
    for (const Change& c : Changes()) seen.push_back({c.kind, c.path});
    const std::string hkcu = "HKCU\\";
    EXPECT_EQ(seen, (std::vector<std::pair<ChangeKind, std::string>>{
                        {ChangeKind::RegistryKeyCreated, hkcu + key},
                        {ChangeKind::RegistryKeyCreated, hkcu + key + "\\Sub"},
                        {ChangeKind::RegistryKeyCreated, hkcu + leaf},
                        {ChangeKind::RegistryValueSet, hkcu + leaf},
                        {ChangeKind::RegistryValueSet, hkcu + leaf},  // the leading separator is no part of it
                        {ChangeKind::RegistryValueDeleted, hkcu + leaf},
                        {ChangeKind::RegistryKeyDeleted, hkcu + leaf},
                    }));
    ASSERT_EQ(Changes().size(), 7u);
    EXPECT_EQ(Changes()[3].name, "Name");
    EXPECT_EQ(Changes()[3].value, "one");
    EXPECT_FALSE(Changes()[3].previous);
    EXPECT_EQ(Changes()[4].previous, "one");
    EXPECT_EQ(Changes()[5].previous, "two");
    clean();
}

TEST_F(Journal, LinksAreReportedWithTheirFileAndProgramsWhenStarted) {
    ASSERT_GE(os::shell().initializeCom(), 0);
    const std::string link = In("Tool.lnk");
    ASSERT_EQ(os::shell().createShellLink({In("tool.exe"), "", dir, "Tool"}, link, true), 0);
    os::shell().uninitializeCom();
    ASSERT_EQ(Changes().size(), 2u);
    EXPECT_EQ(Changes()[0].kind, ChangeKind::ShellLinkSaved);
    EXPECT_EQ(Changes()[0].link.description, "Tool");
    EXPECT_EQ(Changes()[1].kind, ChangeKind::FileWritten);
    EXPECT_EQ(Changes()[1].path, link);
    EXPECT_EQ(Changes()[1].size, test_support::ReadFile(link).size());

    os::shell().shellExecute("open", In("missing.exe"), "-x", dir, os::kSwMinimize);
    ASSERT_EQ(Changes().size(), 3u);
    EXPECT_EQ(Changes()[2].kind, ChangeKind::ProgramStarted);
    EXPECT_EQ(Changes()[2].value, "-x");
    EXPECT_EQ(Changes()[2].showCommand, os::kSwMinimize);
}

}  // namespace
