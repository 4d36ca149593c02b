// Names on their way to the disk: base directories that end in a double-byte character whose trail byte
// is '\', stored names with an embedded NUL, and the messages that go with the engine's error codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArErrorClass;
using test_support::ZipBuilder;

// "籠" in GBK, the code page of the test machines: lead byte 0xBB, trail byte 0x5C, the byte of '\'.
const std::string kTrailBackslash = "\xBB\x5C";

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> data = test_support::ReadFile(path);
    return {data.begin(), data.end()};
}

struct Failure {
    std::string name;
    TArErrorClass errorClass;
    int code;
};

// A component as the setup wires it, with its item failures collected.
struct Unzipper {
    Unzipper() {
        zip.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
        zip.OnProcessItemFailure = [this](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                          TArErrorClass errorClass, int code) {
            failures.push_back({item->GetFileName(), errorClass, code});
        };
    }
    void Open(const std::string& home, const ZipBuilder& builder) {
        std::string path = home + "\\SETUP.DAT";
        test_support::WriteFile(path, builder.Build());
        zip.SetFileName(path);
    }
    archive::TArUnZipper zip;
    std::vector<Failure> failures;
};

TEST(BaseDirectory, EndingInADoubleByteCharacterKeepsItsLastByte) {
    std::string base = test_support::MakeTempDir() + "\\" + kTrailBackslash;
    ASSERT_TRUE(os::files().createDirectory(base));
    ZipBuilder builder;
    builder.Add("top.txt", "top");
    builder.Add("sub/inner.txt", "inner");

    Unzipper unzipper;
    unzipper.Open(test_support::MakeTempDir(), builder);
    // The trail byte is no separator: nothing is taken off, and an added separator is taken off again.
    unzipper.zip.SetBaseDirectory(base);
    EXPECT_EQ(unzipper.zip.BaseDirectory(), base);
    unzipper.zip.SetBaseDirectory(base + "\\");
    EXPECT_EQ(unzipper.zip.BaseDirectory(), base);

    // Output paths get a separator of their own after it; the extraction re-checks the base twice.
    unzipper.zip.ExtractFiles("*.*");
    unzipper.zip.ExtractFiles("*.*");
    EXPECT_TRUE(unzipper.failures.empty());
    EXPECT_EQ(ReadText(base + "\\top.txt"), "top");
    EXPECT_EQ(ReadText(base + "\\sub\\inner.txt"), "inner");
    EXPECT_EQ(unzipper.zip.BaseDirectory(), base);

    std::string name = "top.txt";
    ASSERT_TRUE(archive::ArConfirmPath(base, name, archive::eoRestorePath, nullptr));
    EXPECT_EQ(name, base + "\\top.txt");
}

TEST(StoredNames, AnEmbeddedNulRefusesTheItemSoNothingIsWrittenUnderAShorterName) {
    std::string base = test_support::MakeTempDir();
    const std::string withNul("cut.txt\0.exe", 12);
    const std::string nulInDirectory("dir\0x/flat.txt", 14);
    ZipBuilder builder;
    builder.Add(withNul, "hidden tail");
    builder.Add(nulInDirectory, "directory with a NUL");
    builder.Add("fine.txt", "fine");

    for (archive::TArExtractOptions options : {archive::eoCreateDirs | archive::eoRestorePath, +archive::eoCreateDirs}) {
        SCOPED_TRACE(int(options));
        Unzipper unzipper;
        unzipper.Open(test_support::MakeTempDir(), builder);
        ASSERT_EQ(unzipper.zip.Count(), 3);
        EXPECT_EQ(unzipper.zip.GetItem(0)->GetFileName(), withNul);
        unzipper.zip.SetExtractOptions(options);
        unzipper.zip.SetBaseDirectory(base);
        unzipper.zip.ExtractFiles("*.*");

        ASSERT_EQ(unzipper.failures.size(), 2u);
        EXPECT_EQ(unzipper.failures[0].name, withNul);
        EXPECT_EQ(unzipper.failures[1].name, nulInDirectory);
        for (const Failure& failure : unzipper.failures) {
            EXPECT_EQ(failure.errorClass, TArErrorClass::ecArchive);
            EXPECT_EQ(failure.code, archive::kArUnsafeName);
        }
        EXPECT_FALSE(test_support::FileExists(base + "\\cut.txt"));
        EXPECT_FALSE(test_support::FileExists(base + "\\flat.txt"));
        EXPECT_EQ(os::files().getFileAttributes(base + "\\dir"), os::kInvalidAttributes);
        EXPECT_EQ(ReadText(base + "\\fine.txt"), "fine");
    }
    // The setup keeps names the component refuses off the uninstaller's list by the same test.
    EXPECT_FALSE(archive::ArIsSafeRelativeName(withNul));
    EXPECT_FALSE(archive::ArIsSafeRelativeName(std::string(1, '\0')));
    EXPECT_TRUE(archive::ArIsSafeRelativeName("dir\\" + kTrailBackslash + "\\file.txt"));
}

// Every code the engine raises has its message, and the exception carries exactly that message, so a
// caller that only gets the code (an item-failure report) can show the same text.
TEST(ErrorCodes, EveryExceptionCarriesTheMessageOfItsCode) {
    auto check = [](const archive::EArException& e) {
        SCOPED_TRACE(e.ErrorCode);
        EXPECT_STRNE(archive::ArErrorMessage(e.ErrorCode), "");
        EXPECT_STREQ(e.what(), archive::ArErrorMessage(e.ErrorCode));
    };
    check(archive::EArZipVersion());
    check(archive::EArZipInvalidMethod());
    check(archive::EArZipNoExtraction());
    check(archive::EArZipInvalidPassword());
    check(archive::EArZipInvalidFactor());
    check(archive::EArUserAbort());
    check(archive::EArZipBadSpanStream());
    check(archive::EArNoSuchDirectory());
    check(archive::EArBadStream());
    check(archive::EArZipBadCRC());
    check(archive::EArFileNotFound());
    check(archive::EArNoArchive());
    check(archive::EArZipInvalid());
    check(archive::EArReadError());
    check(archive::EArUnhandledType());
    check(archive::EArSWSNotEndofStream());
    check(archive::EArSWSSeekFailed());
    check(archive::EArSWSWriteFailed());
    check(archive::EArSWSInvalidOrigin());
    check(archive::EArSWSInvalidNewOrigin());
    check(archive::EArUnsafeName());
    EXPECT_EQ(archive::EArUnsafeName().ErrorCode, 100);
    EXPECT_STREQ(archive::ArErrorMessage(100), "Cannot extract file - name leads outside the base directory");
    EXPECT_STREQ(archive::ArErrorMessage(5), "");  // a code the engine does not know
}

}  // namespace
