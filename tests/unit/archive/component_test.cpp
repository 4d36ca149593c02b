// The unzipper component's life cycle: opening, reopening and closing through FileName, its events,
// what it reports with no archive open, and settings handed to the open archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArArchiveStatus;
using archive::TArUnZipper;
using test_support::ZipBuilder;

struct Events {
    std::vector<std::string> seen;
    void Wire(TArUnZipper& zip) {
        zip.OnChange = [this](void*) { seen.push_back("change"); };
        zip.OnLoad = [this](void*) { seen.push_back("load"); };
    }
};

TEST(Component, NothingOpen) {
    TArUnZipper zip;
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asInvalid);
    EXPECT_FALSE(zip.Spanned());
    EXPECT_EQ(zip.ZipfileComment(), "");
    EXPECT_STREQ(zip.Version(), "1.00");
    EXPECT_EQ(zip.ExtractOptions(), archive::eoCreateDirs);
    EXPECT_EQ(zip.PasswordRetries(), 3);
    zip.CloseArchive();  // nothing to close
    EXPECT_EQ(zip.Archive(), nullptr);
}

TEST(Component, FileNameWritesOpenReopenAndClose) {
    std::string dir = test_support::MakeTempDir();
    ZipBuilder builder;
    builder.Add("a.txt", "a");
    builder.Add("b.txt", "b");
    std::string path = dir + "\\SETUP.DAT";
    test_support::WriteFile(path, builder.Build());

    TArUnZipper zip;
    Events events;
    events.Wire(zip);
    zip.SetFileName(path);
    EXPECT_EQ(events.seen, (std::vector<std::string>{"load", "change"}));
    ASSERT_EQ(zip.Count(), 2);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asIdle);
    EXPECT_FALSE(zip.Spanned());

    // The same name again: closed and read anew, with new items.
    zip.GetItem(0)->Tagged = true;
    zip.OpenArchive(path);
    ASSERT_EQ(zip.Count(), 2);
    EXPECT_FALSE(zip.GetItem(0)->Tagged);
    EXPECT_EQ(events.seen.size(), 4u);

    // Closing raises OnChange but loads nothing; the file is free again.
    zip.CloseArchive();
    EXPECT_EQ(zip.FileName(), "");
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asInvalid);
    EXPECT_EQ(events.seen.back(), "change");
    EXPECT_EQ(events.seen.size(), 5u);
    EXPECT_TRUE(os::files().deleteFile(path));

    // A missing file: no archive, no load, but a change.
    zip.SetFileName(path);
    EXPECT_EQ(events.seen.size(), 6u);
    EXPECT_EQ(events.seen.back(), "change");
}

TEST(Component, FailedOpensRaiseNoChange) {
    std::string dir = test_support::MakeTempDir();
    ZipBuilder builder;
    builder.Add("a.txt", "a");
    builder.Add("b.txt", "b");
    test_support::ZipLayout layout = builder.Layout();
    // The second central header damaged: loading fails after the first item.
    std::vector<uint8_t> damaged = layout.bytes;
    damaged[layout.directoryOffset + 46 + 5] = 'X';
    test_support::WriteFile(dir + "\\DAMAGED.DAT", damaged);
    test_support::WriteFile(dir + "\\PACK.ZIP", layout.bytes);

    TArUnZipper zip;
    Events events;
    events.Wire(zip);
    EXPECT_THROW(zip.SetFileName(dir + "\\DAMAGED.DAT"), archive::EArZipInvalid);
    EXPECT_EQ(events.seen, std::vector<std::string>{"load"});  // loaded, though unsuccessfully
    EXPECT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asIdle);

    events.seen.clear();
    EXPECT_THROW(zip.SetFileName(dir + "\\PACK.ZIP"), archive::EArUnhandledType);
    EXPECT_TRUE(events.seen.empty());
    EXPECT_EQ(zip.Count(), 0);
}

TEST(Component, ArchivePathMustBeAbsolute) {
    std::string dir = test_support::MakeTempDir();
    ZipBuilder builder;
    builder.Add("a.txt", "a");
    test_support::WriteFile(dir + "\\SETUP.DAT", builder.Build());
    std::string saved = os::files().getCurrentDirectory();
    ASSERT_TRUE(os::files().setCurrentDirectory(dir));
    TArUnZipper zip;
    try {
        zip.SetFileName("SETUP.DAT");
        ADD_FAILURE() << "a relative name must be refused";
    } catch (const archive::EArException& e) {
        EXPECT_STREQ(e.what(), "Full Path Required");
    }
    os::files().setCurrentDirectory(saved);
}

TEST(Component, SettingsReachTheOpenArchive) {
    std::string dir = test_support::MakeTempDir();
    ZipBuilder builder;
    builder.Add("a.txt", "a");
    test_support::WriteFile(dir + "\\SETUP.DAT", builder.Build());
    TArUnZipper zip;
    zip.SetPassword("before");
    zip.SetBaseDirectory(dir);
    zip.SetFileName(dir + "\\SETUP.DAT");
    archive::TArArchive* archive = zip.Archive();
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->Password, "before");
    EXPECT_EQ(archive->BaseDirectory(), dir);
    zip.SetPassword("after");
    zip.SetPasswordRetries(5);
    zip.SetExtractOptions(archive::eoRestorePath);
    EXPECT_EQ(archive->Password, "after");
    EXPECT_EQ(archive->PasswordRetries, 5);
    EXPECT_EQ(archive->ExtractOptions, archive::eoRestorePath);
}

}  // namespace
