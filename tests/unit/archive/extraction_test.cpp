// Extracting a package's items: output paths and directories, overwriting, base directory rules, file
// dates and attributes, passwords, damaged items and names that would leave the base directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArArchiveStatus;
using archive::TArErrorClass;
using test_support::Bytes;
using test_support::ZipBuilder;

const char* const kPassword = "s3cret_*&!";

struct Failure {
    std::string name;
    TArErrorClass errorClass;
    int code;
};

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> data = test_support::ReadFile(path);
    return {data.begin(), data.end()};
}

bool DirectoryExists(const std::string& path) {
    uint32_t attributes = os::files().getFileAttributes(path);
    return attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory);
}

// The component set up as the setup uses it: directories created, stored paths restored, the package
// password given and no password event.
class Extraction : public testing::Test {
protected:
    void SetUp() override {
        home_ = test_support::MakeTempDir();
        out_ = test_support::MakeTempDir();
        zip_.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
        zip_.SetPassword(kPassword);
        zip_.SetBaseDirectory(out_);
        zip_.OnProcessItemFailure = [this](void*, archive::TArArchiveItem* item, archive::TArProcessType type,
                                           TArErrorClass errorClass, int code) {
            EXPECT_EQ(type, archive::TArProcessType::ptExtract);
            failures_.push_back({item->GetFileName(), errorClass, code});
        };
    }

    void Open(const ZipBuilder& builder) {
        std::string path = home_ + "\\P" + std::to_string(++opened_) + ".DAT";
        test_support::WriteFile(path, builder.Build());
        zip_.SetFileName(path);
    }

    std::string Out(const std::string& relative) const { return out_ + "\\" + relative; }

    std::string home_, out_;
    int opened_ = 0;
    archive::TArUnZipper zip_;
    std::vector<Failure> failures_;
};

TEST_F(Extraction, EveryMethodAndSizeComesOutWhole) {
    std::vector<uint8_t> big(200000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 251);
    ZipBuilder zip;
    zip.Add("stored.bin", big);
    zip.Add("blocks.bin", big).method = 8;
    auto& fixed = zip.Add("fixed.bin", std::vector<uint8_t>(big.begin(), big.begin() + 3000));
    fixed.method = 8;
    fixed.fixedHuffman = true;
    zip.Add("empty.txt", "");
    zip.Add("empty-deflated.txt", "").method = 8;
    zip.Add("secret-stored.bin", std::vector<uint8_t>(big.begin(), big.begin() + 2500)).password = kPassword;
    auto& secretDeflated = zip.Add("secret-deflated.bin", std::vector<uint8_t>(big.begin(), big.begin() + 70000));
    secretDeflated.method = 8;
    secretDeflated.password = kPassword;
    auto& descriptor = zip.Add("descriptor.txt", "the check byte comes from the time");
    descriptor.flags = 8;
    descriptor.password = kPassword;
    descriptor.method = 8;
    descriptor.fixedHuffman = true;
    Open(zip);
    zip_.ExtractFiles("*.*");

    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(test_support::ReadFile(Out("stored.bin")), big);
    EXPECT_EQ(test_support::ReadFile(Out("blocks.bin")), big);
    EXPECT_EQ(test_support::ReadFile(Out("fixed.bin")), std::vector<uint8_t>(big.begin(), big.begin() + 3000));
    EXPECT_TRUE(test_support::ReadFile(Out("empty.txt")).empty());
    EXPECT_TRUE(test_support::ReadFile(Out("empty-deflated.txt")).empty());
    EXPECT_EQ(test_support::ReadFile(Out("secret-stored.bin")), std::vector<uint8_t>(big.begin(), big.begin() + 2500));
    EXPECT_EQ(test_support::ReadFile(Out("secret-deflated.bin")),
              std::vector<uint8_t>(big.begin(), big.begin() + 70000));
    EXPECT_EQ(ReadText(Out("descriptor.txt")), "the check byte comes from the time");
    EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
}

TEST_F(Extraction, StoredPathsAreRecreatedBelowTheBaseDirectory) {
    ZipBuilder zip;
    zip.Add("top.txt", "top");
    zip.Add("d1/", "");
    zip.Add("d1/b.txt", "b");
    zip.Add("d1\\d2\\c", "c");
    zip.Add("lonely/", "");
    zip.fileOrder = {4, 3, 2, 1, 0};
    Open(zip);
    zip_.ExtractFiles("*.*");
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(ReadText(Out("top.txt")), "top");
    EXPECT_EQ(ReadText(Out("d1\\b.txt")), "b");
    EXPECT_EQ(ReadText(Out("d1\\d2\\c")), "c");
    // A stored directory entry matches no mask, so an empty directory is not made.
    EXPECT_FALSE(DirectoryExists(Out("lonely")));
}

TEST_F(Extraction, WithoutStoredPathsEverythingLandsInTheBaseDirectory) {
    ZipBuilder zip;
    zip.Add("x/same.txt", "first");
    zip.Add("a.txt", "a");
    zip.Add("y/z/same.txt", "second");
    Open(zip);
    zip_.SetExtractOptions(0);
    zip_.ExtractFiles("*.*");
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(ReadText(Out("same.txt")), "second");
    EXPECT_EQ(ReadText(Out("a.txt")), "a");
    EXPECT_FALSE(DirectoryExists(Out("x")));
}

TEST_F(Extraction, MissingDirectoryWithoutCreateDirsFailsThatItemOnly) {
    ZipBuilder zip;
    zip.Add("sub/a.txt", "a");
    zip.Add("b.txt", "b");
    Open(zip);
    zip_.SetExtractOptions(archive::eoRestorePath);
    zip_.ExtractFiles("*.*");
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].code, archive::kArNoSuchDirectory);
    EXPECT_EQ(ReadText(Out("b.txt")), "b");
}

TEST_F(Extraction, ExistingFilesAreOverwrittenUnlessTheEventRefuses) {
    test_support::WriteFile(Out("a.txt"), std::string(5000, 'x'));
    test_support::WriteFile(Out("b.txt"), "keep me");
    ZipBuilder zip;
    zip.Add("a.txt", "new a");
    zip.Add("b.txt", "new b");
    zip.Add("c.txt", "new c");
    Open(zip);

    // Without an event nothing is asked and the old content is gone entirely.
    zip_.ExtractFiles("a.txt");
    EXPECT_EQ(ReadText(Out("a.txt")), "new a");

    std::vector<std::string> asked;
    zip_.OnConfirmOverwrite = [&](std::string& name, bool& confirm) {
        asked.push_back(name);
        confirm = false;
    };
    zip_.SetFileName(zip_.FileName());  // the event is wired when an archive is opened
    zip_.ExtractFiles("b.txt;c.txt");
    EXPECT_EQ(ReadText(Out("b.txt")), "keep me");
    EXPECT_EQ(ReadText(Out("c.txt")), "new c");
    ASSERT_EQ(asked.size(), 1u);  // only for the file that exists
    EXPECT_EQ(asked[0], Out("b.txt"));
    EXPECT_TRUE(failures_.empty());
}

TEST_F(Extraction, BaseDirectoryRules) {
    ZipBuilder zip;
    zip.Add("rel/file.txt", "relative");
    Open(zip);

    zip_.SetBaseDirectory("C:\\");
    EXPECT_EQ(zip_.BaseDirectory(), "C:\\");
    zip_.SetBaseDirectory(out_ + "\\");
    EXPECT_EQ(zip_.BaseDirectory(), out_);
    EXPECT_THROW(zip_.SetBaseDirectory(out_ + "\\missing"), archive::EArNoSuchDirectory);
    EXPECT_EQ(zip_.BaseDirectory(), out_);

    // Empty: relative to the current directory.
    std::string saved = os::files().getCurrentDirectory();
    ASSERT_TRUE(os::files().setCurrentDirectory(out_));
    zip_.SetBaseDirectory("");
    zip_.ExtractFiles("*.*");
    os::files().setCurrentDirectory(saved);
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(ReadText(Out("rel\\file.txt")), "relative");

    // A base directory that has gone away is noticed when extraction starts.
    std::string gone = test_support::MakeTempDir();
    zip_.SetBaseDirectory(gone);
    ASSERT_TRUE(os::files().removeDirectory(gone));
    EXPECT_THROW(zip_.ExtractFiles("*.*"), archive::EArNoSuchDirectory);

    // Stored without an archive, refused when the next one is opened; that archive stays attached empty.
    archive::TArUnZipper other;
    other.SetBaseDirectory(gone);
    EXPECT_EQ(other.BaseDirectory(), gone);
    EXPECT_THROW(other.SetFileName(zip_.FileName()), archive::EArNoSuchDirectory);
    EXPECT_EQ(other.Count(), 0);
    EXPECT_NE(other.Archive(), nullptr);
}

TEST_F(Extraction, FilesGetTheItemsDateAndAttributes) {
    ZipBuilder zip;
    auto& dated = zip.Add("dated.txt", "dated");
    dated.date = static_cast<uint16_t>(((2003 - 1980) << 9) | (7 << 5) | 14);
    dated.time = static_cast<uint16_t>((16 << 11) | (45 << 5) | (58 / 2));
    dated.externalAttributes = os::kAttrArchive | os::kAttrHidden;
    auto& undated = zip.Add("undated.txt", "no valid date");
    undated.date = 0;
    undated.time = 0;
    Open(zip);
    zip_.ExtractFiles("*.*");
    EXPECT_TRUE(failures_.empty());

    EXPECT_EQ(os::files().getFileAttributes(Out("dated.txt")), os::kAttrArchive | os::kAttrHidden);
    auto file = os::files().openFile(Out("dated.txt"), os::kOpenRead | os::kShareDenyNone);
    ASSERT_TRUE(file);
    os::LocalDateTime time;
    ASSERT_TRUE(file->getLastWriteTime(time));
    EXPECT_EQ(time.year, 2003);
    EXPECT_EQ(time.month, 7);
    EXPECT_EQ(time.day, 14);
    EXPECT_EQ(time.hour, 16);
    EXPECT_EQ(time.minute, 45);
    EXPECT_EQ(time.second, 58);
    EXPECT_EQ(ReadText(Out("undated.txt")), "no valid date");
}

TEST_F(Extraction, CrcMismatchKeepsTheFileAndIsReported) {
    ZipBuilder zip;
    auto& bad = zip.Add("bad.txt", "damaged content");
    bad.crc = 0x12345678;
    bad.date = static_cast<uint16_t>(((1999 - 1980) << 9) | (12 << 5) | 31);
    auto& badDeflated = zip.Add("bad-deflated.txt", "damaged deflated");
    badDeflated.method = 8;
    badDeflated.crc = 0;
    zip.Add("good.txt", "good");
    Open(zip);
    zip_.ExtractFiles("*.*");
    ASSERT_EQ(failures_.size(), 2u);
    for (const Failure& f : failures_) {
        EXPECT_EQ(f.errorClass, TArErrorClass::ecArchive);
        EXPECT_EQ(f.code, archive::kArZipBadCRC);
    }
    EXPECT_EQ(ReadText(Out("bad.txt")), "damaged content");
    EXPECT_EQ(ReadText(Out("bad-deflated.txt")), "damaged deflated");
    EXPECT_EQ(ReadText(Out("good.txt")), "good");
    auto file = os::files().openFile(Out("bad.txt"), os::kOpenRead | os::kShareDenyNone);
    os::LocalDateTime time;
    ASSERT_TRUE(file && file->getLastWriteTime(time));
    EXPECT_EQ(time.year, 1999);
    EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
}

TEST_F(Extraction, WrongPackagePasswordEndsTheArchive) {
    for (uint16_t method : {uint16_t{0}, uint16_t{8}}) {
        SCOPED_TRACE(method);
        failures_.clear();
        ZipBuilder zip;
        auto& locked = zip.Add("locked.bin", std::string(3000, 'L'));
        locked.password = "another password";
        locked.method = method;
        zip.Add("after.txt", "after");
        Open(zip);
        try {
            zip_.ExtractFiles("*.*");
            ADD_FAILURE() << "the next item must find no archive";
        } catch (const archive::EArNoArchive& e) {
            EXPECT_STREQ(e.what(), "Archive does not exist - FileName is blank");
        }
        ASSERT_EQ(failures_.size(), 1u);
        EXPECT_EQ(failures_[0].name, "locked.bin");
        EXPECT_EQ(failures_[0].errorClass, TArErrorClass::ecArchive);
        EXPECT_EQ(failures_[0].code, archive::kArUserAbort);
        EXPECT_FALSE(test_support::FileExists(Out("locked.bin")));
        EXPECT_FALSE(test_support::FileExists(Out("after.txt")));
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asInvalid);
        EXPECT_THROW(zip_.ExtractFiles("*.*"), archive::EArNoArchive);
    }
}

TEST_F(Extraction, WrongPasswordOnTheLastItemReturnsNormally) {
    ZipBuilder zip;
    zip.Add("first.txt", "first");
    zip.Add("locked.txt", "locked").password = "another password";
    Open(zip);
    EXPECT_NO_THROW(zip_.ExtractFiles("*.*"));
    EXPECT_EQ(ReadText(Out("first.txt")), "first");
    EXPECT_FALSE(test_support::FileExists(Out("locked.txt")));
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].code, archive::kArUserAbort);
}

TEST_F(Extraction, PasswordEventSuppliesTheRightPasswordAfterAWrongOne) {
    ZipBuilder zip;
    zip.Add("stored.txt", "stored secret").password = "right";
    auto& deflated = zip.Add("deflated.txt", "deflated secret");
    deflated.password = "right";
    deflated.method = 8;
    for (const char* first : {"wrong", ""}) {
        SCOPED_TRACE(first);
        int asked = 0;
        zip_.SetPassword(first);
        zip_.OnNeedPassword = [&](void*, std::string& password) {
            ++asked;
            password = "right";
        };
        Open(zip);
        zip_.ExtractFiles("*.*");
        EXPECT_TRUE(failures_.empty());
        EXPECT_EQ(asked, 1);  // the answer is kept for the next item
        EXPECT_EQ(zip_.Password(), "right");
        EXPECT_EQ(ReadText(Out("stored.txt")), "stored secret");
        EXPECT_EQ(ReadText(Out("deflated.txt")), "deflated secret");
    }
}

TEST_F(Extraction, PasswordRequestsAreLimited) {
    ZipBuilder zip;
    zip.Add("stored.txt", "stored secret").password = "right";
    auto& deflated = zip.Add("deflated.txt", "deflated secret");
    deflated.password = "right";
    deflated.method = 8;
    int asked = 0;
    zip_.SetPasswordRetries(2);
    zip_.OnNeedPassword = [&](void*, std::string& password) {
        ++asked;
        password = "still wrong";
    };
    Open(zip);
    zip_.ExtractFiles("*.*");
    ASSERT_EQ(failures_.size(), 2u);
    EXPECT_EQ(failures_[0].code, archive::kArZipInvalidPassword);
    EXPECT_EQ(failures_[1].code, archive::kArZipInvalidPassword);
    EXPECT_EQ(asked, 2 + 2);  // stored: as many requests as retries; deflated: one after each failed check
    EXPECT_FALSE(test_support::FileExists(Out("stored.txt")));
    EXPECT_FALSE(test_support::FileExists(Out("deflated.txt")));
    EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
}

TEST_F(Extraction, NoPasswordAtAllFailsTheItemAndGoesOn) {
    ZipBuilder zip;
    zip.Add("locked.txt", "locked").password = kPassword;
    zip.Add("open.txt", "open");
    zip_.SetPassword("");
    Open(zip);
    zip_.ExtractFiles("*.*");
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].code, archive::kArZipInvalidPassword);
    EXPECT_FALSE(test_support::FileExists(Out("locked.txt")));
    EXPECT_EQ(ReadText(Out("open.txt")), "open");
}

TEST_F(Extraction, ItemsThatCannotBeExtractedAreReportedAndSkipped) {
    ZipBuilder zip;
    auto& method = zip.Add("method12.bin", "x");
    method.method = 12;
    method.payload = Bytes("x");
    zip.Add("signature.txt", "s").localSignature = 0x04034B51;
    auto& v21 = zip.Add("v21.txt", "version 2.1");
    v21.versionNeeded = 21;
    v21.method = 8;
    zip.Add("v22.txt", "version 2.2").versionNeeded = 22;
    auto& corrupt = zip.Add("corrupt.txt", "x");
    corrupt.method = 8;
    corrupt.payload = std::vector<uint8_t>{0x07, 0xFF, 0xFF, 0xFF};  // reserved block type
    zip.Add("last.txt", "last");
    Open(zip);
    zip_.ExtractFiles("*.*");

    ASSERT_EQ(failures_.size(), 4u);
    EXPECT_EQ(failures_[0].name, "method12.bin");
    EXPECT_EQ(failures_[0].code, archive::kArZipInvalidMethod);
    EXPECT_EQ(failures_[1].name, "signature.txt");
    EXPECT_EQ(failures_[1].code, archive::kArZipInvalid);
    EXPECT_EQ(failures_[2].name, "v22.txt");
    EXPECT_EQ(failures_[2].code, archive::kArZipVersion);
    EXPECT_EQ(failures_[3].name, "corrupt.txt");
    EXPECT_EQ(failures_[3].errorClass, TArErrorClass::ecOther);
    for (const char* name : {"method12.bin", "signature.txt", "v22.txt", "corrupt.txt"})
        EXPECT_FALSE(test_support::FileExists(Out(name))) << name;
    EXPECT_EQ(ReadText(Out("v21.txt")), "version 2.1");
    EXPECT_EQ(ReadText(Out("last.txt")), "last");
}

TEST_F(Extraction, NamesLeadingOutOfTheBaseDirectoryAreRefused) {
    // The base directory is one level below a folder of its own, so an escape would be visible.
    std::string outer = test_support::MakeTempDir();
    std::string base = outer + "\\base";
    ASSERT_TRUE(os::files().createDirectory(base));
    zip_.SetBaseDirectory(base);
    const std::vector<std::string> unsafe = {
        "../evil1.txt", "..\\evil2.txt", "sub/../../evil3.txt", "/evil4.txt", "\\evil5.txt",
        "C:\\evil6.txt", "C:evil7.txt", "./evil8.txt", "sub/./evil9.txt", "sub/..", "stream:evil10",
        ".. /evil11.txt", ".../evil12.txt"};
    ZipBuilder zip;
    for (const std::string& name : unsafe) zip.Add(name, "escape");
    zip.Add("sub/fine.txt", "fine");
    Open(zip);
    zip_.ExtractFiles("*.*");

    ASSERT_EQ(failures_.size(), unsafe.size());
    for (size_t i = 0; i < unsafe.size(); ++i) {
        EXPECT_EQ(failures_[i].name, unsafe[i]);
        EXPECT_EQ(failures_[i].errorClass, TArErrorClass::ecArchive);
        EXPECT_EQ(failures_[i].code, archive::kArUnsafeName);
    }
    for (int i = 1; i <= 12; ++i) {
        std::string name = "evil" + std::to_string(i) + ".txt";
        EXPECT_FALSE(test_support::FileExists(outer + "\\" + name)) << name;
        EXPECT_FALSE(test_support::FileExists(base + "\\" + name)) << name;
    }
    EXPECT_EQ(ReadText(base + "\\sub\\fine.txt"), "fine");
    EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
}

TEST_F(Extraction, NothingToExtractWithoutAnOpenArchive) {
    EXPECT_THROW(zip_.ExtractFiles("*.*"), archive::EArNoArchive);
    zip_.SetFileName(home_ + "\\MISSING.DAT");
    EXPECT_THROW(zip_.ExtractFiles("*.*"), archive::EArNoArchive);
}

TEST(CreateDirectory, MakesEveryMissingLevelOfAbsoluteAndRelativePaths) {
    std::string root = test_support::MakeTempDir();
    archive::ArCreateDirectory(root + "\\a1\\a2\\a3");
    EXPECT_TRUE(DirectoryExists(root + "\\a1\\a2\\a3"));
    archive::ArCreateDirectory(root + "\\a1\\a2\\a3");  // already there

    std::string saved = os::files().getCurrentDirectory();
    ASSERT_TRUE(os::files().setCurrentDirectory(root));
    archive::ArCreateDirectory("r1\\r2\\r3");
    os::files().setCurrentDirectory(saved);
    EXPECT_TRUE(DirectoryExists(root + "\\r1\\r2\\r3"));

    test_support::WriteFile(root + "\\file", "x");
    EXPECT_THROW(archive::ArCreateDirectory(root + "\\file\\below"), rtl::EInOutError);
    EXPECT_FALSE(archive::ArDirectoryExists(root + "\\a*"));
}

}  // namespace

// Small encrypted items are read and decrypted ahead on a second thread; what comes out, and what is
// reported, must be exactly what reading them one by one gives.
TEST_F(Extraction, ReadingSmallEncryptedItemsAheadChangesNothing) {
    // The prefetcher serves runs kept on the caller's thread (one processor).
    archive::SetArWorkerLimit(1);
    struct RestoreLimit {
        ~RestoreLimit() { archive::SetArWorkerLimit(0); }
    } restoreLimit;
    ZipBuilder zip;
    std::vector<std::string> texts;
    for (int i = 0; i < 8; ++i) {
        texts.push_back(std::string(100 + i * 3000, static_cast<char>('a' + i)) + std::to_string(i));
        auto& entry = zip.Add("dir" + std::to_string(i % 3) + "/item" + std::to_string(i) + ".txt", texts.back());
        entry.method = 8;
        entry.fixedHuffman = i % 2 == 1;
        entry.password = kPassword;
    }
    zip.entries[3].localSignature = 0x04034B51;  // damaged: reported, the others go on
    auto& other = zip.Add("last.txt", "under another password");
    other.method = 8;
    other.password = "another password";
    Open(zip);
    zip_.ExtractFiles("*.*");
    for (int i = 0; i < 8; ++i) {
        std::string name = "dir" + std::to_string(i % 3) + "\\item" + std::to_string(i) + ".txt";
        if (i == 3) {
            EXPECT_FALSE(test_support::FileExists(Out(name)));
        } else {
            EXPECT_EQ(ReadText(Out(name)), texts[static_cast<size_t>(i)]) << name;
        }
    }
    ASSERT_EQ(failures_.size(), 2u);
    EXPECT_EQ(failures_[0].code, archive::kArZipInvalid);
    EXPECT_EQ(failures_[1].name, "last.txt");
    EXPECT_EQ(failures_[1].code, archive::kArUserAbort);
    // The seven good items under the package password came from the prefetcher: the damaged one and the
    // one under another password were read in line.
    EXPECT_EQ(zip_.Archive()->PrefetchedItems, 7);

    // Testing takes the same road.
    failures_.clear();
    Open(zip);
    zip_.TestFiles("*.*");
    ASSERT_EQ(failures_.size(), 2u);
    EXPECT_EQ(failures_[0].code, archive::kArZipInvalid);
    EXPECT_EQ(failures_[1].code, archive::kArUserAbort);
    EXPECT_EQ(zip_.Archive()->PrefetchedItems, 7);
}
