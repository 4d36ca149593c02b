// Reading a package's directory: archive kind by extension and content, the end-record search over
// comments of every awkward length, item order, names and lookup, mask matching, and damaged files.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/errors.h"
#include "archive/items.h"
#include "archive/unzipper.h"
#include "archive/zip_directory.h"
#include "rtl/streams.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArArchiveStatus;
using archive::TArUnZipper;
using test_support::Bytes;
using test_support::ZipBuilder;

std::string Write(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = dir + "\\" + name;
    test_support::WriteFile(path, bytes);
    return path;
}

ZipBuilder TwoEntries() {
    ZipBuilder zip;
    zip.Add("FIRST.TXT", "first file");
    zip.Add("second.ini", "[s]\r\nk=v\r\n").method = 8;
    return zip;
}

// Counts the reads a search makes.
class CountingStream : public rtl::TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    int64_t Read(void* buffer, int64_t count) override {
        ++reads;
        return TMemoryStream::Read(buffer, count);
    }
    int reads = 0;
};

TEST(ArchiveKind, ExtensionAndContentDecideWhetherAPackageOpens) {
    std::string dir = test_support::MakeTempDir();
    TArUnZipper zip;

    // An empty package is an archive without items.
    EXPECT_NO_THROW(zip.SetFileName(Write(dir, "EMPTY.DAT", {})));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asIdle);

    // The extension is compared in upper case.
    std::vector<uint8_t> valid = TwoEntries().Build();
    for (const char* name : {"lower.dat", "UPPER.DAT", "Mixed.Dat"}) {
        SCOPED_TRACE(name);
        zip.SetFileName(Write(dir, name, valid));
        EXPECT_EQ(zip.Count(), 2);
        EXPECT_EQ(zip.Status(), TArArchiveStatus::asIdle);
    }

    // Only .DAT packages are opened, whatever their content.
    EXPECT_THROW(zip.SetFileName(Write(dir, "PACK.ZIP", valid)), archive::EArUnhandledType);
    EXPECT_THROW(zip.SetFileName(Write(dir, "TEXT.DAT", Bytes("this is no archive at all, just words"))),
                 archive::EArUnhandledType);

    // A missing package opens nothing and raises nothing.
    EXPECT_NO_THROW(zip.SetFileName(dir + "\\MISSING.DAT"));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asInvalid);
    EXPECT_FALSE(zip.Spanned());
}

TEST(ArchiveKind, ArchiveCutBeforeItsEndRecordLooksForTheNextVolume) {
    std::string dir = test_support::MakeTempDir();
    std::vector<uint8_t> bytes = TwoEntries().Build();
    bytes.resize(bytes.size() / 2);
    TArUnZipper zip;
    EXPECT_THROW(zip.SetFileName(Write(dir, "SETUP.DAT", bytes)), archive::EArFileNotFound);
}

TEST(EndRecord, FoundAtTheEndByOneSmallRead) {
    test_support::ZipLayout layout = TwoEntries().Layout();
    CountingStream stream(layout.bytes);
    stream.SetPosition(5);
    EXPECT_EQ(archive::FindCentralDirectoryTail(stream), static_cast<int64_t>(layout.endOffset));
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(layout.endOffset));
    EXPECT_EQ(stream.reads, 1);
}

TEST(EndRecord, FoundBehindCommentsOfAnyLength) {
    // Lengths around the 512-byte first window and the doubling windows, with archives of different
    // sizes so that the window borders fall at every kind of place.
    const std::vector<size_t> commentLengths = {0,    1,    2,    21,   22,   23,    100,   490,   491,  511,
                                                512,  513,  1000, 1023, 1024, 1025,  1536,  2047,  3000, 4096,
                                                8191, 8192, 9000, 16384, 32768, 40000, 65535};
    const std::vector<size_t> dataSizes = {0, 7, 300, 70000};
    for (size_t dataSize : dataSizes) {
        for (size_t length : commentLengths) {
            SCOPED_TRACE(testing::Message() << "data " << dataSize << ", comment " << length);
            ZipBuilder zip;
            zip.Add("DATA.BIN", std::vector<uint8_t>(dataSize, 'P'));
            zip.comment.assign(length, 'P');  // every byte a possible start of a signature
            test_support::ZipLayout layout = zip.Layout();
            rtl::TMemoryStream stream(layout.bytes);
            ASSERT_EQ(archive::FindCentralDirectoryTail(stream), static_cast<int64_t>(layout.endOffset));
            EXPECT_EQ(archive::VerifyZip(stream), archive::TArArchiveType::atZip);
        }
    }
}

TEST(EndRecord, CommentReadBackThroughTheComponent) {
    std::string dir = test_support::MakeTempDir();
    TArUnZipper zip;
    for (size_t length : {size_t{0}, size_t{1}, size_t{513}, size_t{65535}}) {
        ZipBuilder builder = TwoEntries();
        for (size_t i = 0; i < length; ++i) builder.comment += static_cast<char>('a' + i % 26);
        zip.SetFileName(Write(dir, "SETUP" + std::to_string(length) + ".DAT", builder.Build()));
        EXPECT_EQ(zip.Count(), 2);
        EXPECT_EQ(zip.ZipfileComment(), builder.comment);
    }
}

TEST(EndRecord, SignatureInsideTheCommentDoesNotQualifyWhenItsLengthCannotFit) {
    ZipBuilder zip = TwoEntries();
    std::string fake("PK\x05\x06", 4);
    fake += std::string(16, '\0');
    fake += "\xF0\x00";  // 240 bytes of comment would have to follow; far fewer do
    zip.comment = "note " + fake + " end";
    test_support::ZipLayout layout = zip.Layout();
    rtl::TMemoryStream stream(layout.bytes);
    EXPECT_EQ(archive::FindCentralDirectoryTail(stream), static_cast<int64_t>(layout.endOffset));

    std::string dir = test_support::MakeTempDir();
    TArUnZipper unzipper;
    unzipper.SetFileName(Write(dir, "SETUP.DAT", layout.bytes));
    EXPECT_EQ(unzipper.Count(), 2);
    EXPECT_EQ(unzipper.ZipfileComment(), zip.comment);
}

TEST(EndRecord, NoneInShortOrForeignDataAndThePositionIsKept) {
    for (size_t size : {size_t{0}, size_t{21}, size_t{22}, size_t{600}, size_t{70000}}) {
        rtl::TMemoryStream stream(std::vector<uint8_t>(size, 'K'));
        stream.SetPosition(static_cast<int64_t>(size / 2));
        EXPECT_EQ(archive::FindCentralDirectoryTail(stream), -1) << size;
        EXPECT_EQ(stream.Position(), static_cast<int64_t>(size / 2));
    }
    // A record cut short of its own 22 bytes.
    std::vector<uint8_t> bytes = TwoEntries().Build();
    bytes.resize(bytes.size() - 1);
    rtl::TMemoryStream stream(bytes);
    EXPECT_EQ(archive::FindCentralDirectoryTail(stream), -1);
}

TEST(Items, ComeInDirectoryOrderWithTheirOwnFields) {
    ZipBuilder zip;
    auto& a = zip.Add("A.TXT", "alpha");
    a.time = 0x1234;
    a.date = 0x3344;
    a.externalAttributes = 0x21;
    a.comment = "about a";
    a.extra = std::string("\x01\x02\x00\x00", 4);
    auto& b = zip.Add("dir/B.TXT", "beta");
    b.method = 8;
    b.flags = 2;        // maximum compression
    b.localMethod = 0;  // the central directory is what counts
    auto& c = zip.Add("dir/sub/C", "gamma");
    c.versionMadeBy = 0x0B14;
    zip.fileOrder = {2, 0, 1};
    zip.directoryOrder = {1, 2, 0};
    test_support::ZipLayout layout = zip.Layout();

    std::string dir = test_support::MakeTempDir();
    TArUnZipper unzipper;
    unzipper.SetFileName(Write(dir, "SETUP.DAT", layout.bytes));
    ASSERT_EQ(unzipper.Count(), 3);
    EXPECT_EQ(unzipper.GetItem(0)->GetFileName(), "dir/B.TXT");
    EXPECT_EQ(unzipper.GetItem(1)->GetFileName(), "dir/sub/C");
    EXPECT_EQ(unzipper.GetItem(2)->GetFileName(), "A.TXT");
    EXPECT_EQ(unzipper.GetItem(0)->DiskFileName, "dir\\B.TXT");
    EXPECT_EQ(unzipper.GetItem(1)->DiskFileName, "dir\\sub\\C");

    const archive::TArZipItem* itemA = unzipper.GetItem(2);
    EXPECT_EQ(itemA->Header.RelativeOffset, layout.localOffsets[0]);
    EXPECT_EQ(itemA->GetLastModFileTime(), 0x1234);
    EXPECT_EQ(itemA->GetLastModFileDate(), 0x3344);
    EXPECT_EQ(itemA->GetExternalFileAttributes(), 0x21u);
    EXPECT_EQ(itemA->GetUncompressedSize(), 5u);
    EXPECT_EQ(itemA->GetCRC32(), archive::ArCrc32("alpha", 5));
    EXPECT_EQ(itemA->Header.FileComment, "about a");
    EXPECT_EQ(itemA->Header.ExtraField.size(), 4u);
    EXPECT_EQ(itemA->Action, archive::TArArchiveAction::aaNone);
    EXPECT_FALSE(itemA->Tagged);

    const archive::TArZipItem* itemB = unzipper.GetItem(0);
    EXPECT_EQ(itemB->CompressionMethod(), 8);
    EXPECT_EQ(itemB->DeflationOption(), archive::TArZipDeflationOption::doMaximum);
    EXPECT_EQ(itemB->DictionarySize(), archive::TArZipDictionarySize::dsInvalid);
    EXPECT_EQ(itemB->Header.RelativeOffset, layout.localOffsets[1]);
    EXPECT_EQ(unzipper.GetItem(1)->Header.VersionMadeBy, 0x0B14);
}

TEST(Items, NamesDifferingInCaseAreAllKeptAndLookupIgnoresCase) {
    ZipBuilder zip;
    zip.Add("readme.txt", "lower");
    zip.Add("README.TXT", "upper");
    zip.Add("Dir/ReadMe.Txt", "nested");
    std::string dir = test_support::MakeTempDir();
    TArUnZipper unzipper;
    unzipper.SetFileName(Write(dir, "SETUP.DAT", zip.Build()));
    ASSERT_EQ(unzipper.Count(), 3);

    const archive::TArArchiveList& list = unzipper.Archive()->ItemList;
    archive::TArArchiveItem* found = list.Find("ReadMe.TXT");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found == unzipper.GetItem(0) || found == unzipper.GetItem(1));
    EXPECT_EQ(list.Find("dir/readme.txt"), unzipper.GetItem(2));
    EXPECT_EQ(list.Find("readme"), nullptr);
    EXPECT_EQ(archive::TArArchiveList::BucketOf("abc"), archive::TArArchiveList::BucketOf("ABC"));
}

// Names that share one bucket: each item added goes to the front of its bucket's chain, and lookup walks
// the chain comparing whole names, so every one of them is found, the first added too.
TEST(Items, LookupKeepsEveryItemAmongManyInOneBucketChain) {
    std::vector<std::string> sameBucket;
    const uint32_t bucket = archive::TArArchiveList::BucketOf("FILE0.TXT");
    for (int i = 0; sameBucket.size() < 12; ++i) {
        std::string name = "FILE" + std::to_string(i) + ".TXT";
        if (archive::TArArchiveList::BucketOf(name) == bucket) sameBucket.push_back(name);
    }
    archive::TArArchiveList list;
    for (const std::string& name : sameBucket) {
        auto item = std::make_unique<archive::TArZipItem>();
        item->SetFileName(name);
        list.Add(std::move(item));
    }
    ASSERT_EQ(list.Count(), 12);
    for (size_t i = 0; i < sameBucket.size(); ++i) {
        std::string lower = sameBucket[i];
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(list.Find(lower), list.Get(static_cast<int>(i))) << sameBucket[i];
    }
    // A name of the same bucket that is not in the list.
    std::string absent;
    for (int i = 100000; absent.empty(); ++i) {
        std::string name = "FILE" + std::to_string(i) + ".TXT";
        if (archive::TArArchiveList::BucketOf(name) == bucket) absent = name;
    }
    EXPECT_EQ(list.Find(absent), nullptr);
    list.Clear();
    EXPECT_EQ(list.Find(sameBucket[0]), nullptr);
}

TEST(Items, LookupFindsEveryItemAmongThousands) {
    archive::TArArchiveList list;
    for (int i = 0; i < 5000; ++i) {
        auto item = std::make_unique<archive::TArZipItem>();
        item->SetFileName("FILE" + std::to_string(i) + ".TXT");
        list.Add(std::move(item));
    }
    for (int i = 0; i < 5000; i += 7) {
        archive::TArArchiveItem* item = list.Find("file" + std::to_string(i) + ".txt");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item, list.Get(i));
    }
}

// The bucket is the PJW/ELF hash of the upper-cased name modulo 1021; values worked out by hand, the
// long name folding its top bits back in.
TEST(Items, BucketIsThePjwHashOfTheUpperCasedName) {
    EXPECT_EQ(archive::TArArchiveList::BucketOf("A"), 65u);
    EXPECT_EQ(archive::TArArchiveList::BucketOf("readme.txt"), 152260740u % 1021);
    EXPECT_EQ(archive::TArArchiveList::BucketOf("Program Files/Subdir/LongName.dll"), 131350380u % 1021);
    EXPECT_EQ(archive::TArArchiveList::BucketOf(""), 0u);
}

bool Matches(const std::string& name, const std::string& mask) {
    archive::TArZipItem item;
    item.SetFileName(name);
    return item.MatchesStoredNameEx(mask);
}

TEST(Masks, SelectItemsByNameDirectoryAndPattern) {
    // "*.*" selects every file in every directory, also names without an extension.
    for (const char* name : {"a.txt", "dir/b.txt", "dir\\sub\\c.dll", "noext", "dir/noext", ".hidden"})
        EXPECT_TRUE(Matches(name, "*.*")) << name;
    // Directory entries have no file-name part.
    EXPECT_FALSE(Matches("dir/", "*.*"));
    EXPECT_FALSE(Matches("dir/sub/", "*"));

    // Several patterns, spaces around them ignored, letters in any case.
    EXPECT_TRUE(Matches("setup.TXT", " *.txt ;  *.INI"));
    EXPECT_TRUE(Matches("win.ini", " *.txt ;  *.INI"));
    EXPECT_FALSE(Matches("win.dll", " *.txt ;  *.INI"));
    EXPECT_TRUE(Matches("abc.d", "A?C.*"));
    EXPECT_FALSE(Matches("abbc.d", "A?C.*"));
    EXPECT_TRUE(Matches("report2009.doc", "rep*20??.doc"));
    EXPECT_FALSE(Matches("report2009.docx", "rep*20??.doc"));

    // A directory part selects only the items stored under it; a drive or share is ignored.
    for (const char* mask : {"sys\\*.dll", "sys/*.dll", "C:\\sys\\*.dll", "\\\\server\\share\\sys\\*.dll"}) {
        SCOPED_TRACE(mask);
        EXPECT_TRUE(Matches("sys/a.dll", mask));
        EXPECT_TRUE(Matches("SYS\\B.DLL", mask));
        EXPECT_FALSE(Matches("a.dll", mask));
        EXPECT_FALSE(Matches("other/a.dll", mask));
        EXPECT_FALSE(Matches("sys/a.txt", mask));
    }

    // An empty mask, or one of separators only, matches nothing.
    EXPECT_FALSE(Matches("a.txt", ""));
    EXPECT_FALSE(Matches("a.txt", " ; ;"));
}

// Every way a package can end early: it opens (with what it holds) or fails with an archive error.
TEST(DamagedArchive, EveryTruncationOpensOrFailsCleanly) {
    ZipBuilder zip;
    zip.Add("ONE.TXT", "one one one");
    zip.Add("dir/TWO.TXT", "two two two two").method = 8;
    zip.comment = "comment";
    std::vector<uint8_t> bytes = zip.Build();
    std::string dir = test_support::MakeTempDir();
    std::string out = test_support::MakeTempDir();
    for (size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        TArUnZipper unzipper;
        unzipper.SetBaseDirectory(out);
        unzipper.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
        std::string path = Write(dir, "SETUP.DAT", std::vector<uint8_t>(bytes.begin(), bytes.begin() + length));
        try {
            unzipper.SetFileName(path);
            EXPECT_EQ(unzipper.Count(), length == bytes.size() ? 2 : 0);
            unzipper.ExtractFiles("*.*");
        } catch (const archive::EArZipInvalid&) {
        } catch (const archive::EArReadError&) {
        } catch (const archive::EArFileNotFound&) {
        } catch (const archive::EArUnhandledType&) {
        }
    }
}

// Any single byte of the directory and end record set to an extreme: an archive error at worst.
TEST(DamagedArchive, CorruptedDirectoryBytesNeverCrash) {
    ZipBuilder zip;
    zip.Add("ONE.TXT", "one one one");
    zip.Add("dir/TWO.TXT", "two two two two").method = 8;
    test_support::ZipLayout layout = zip.Layout();
    std::string dir = test_support::MakeTempDir();
    std::string out = test_support::MakeTempDir();
    for (size_t position = layout.directoryOffset; position < layout.bytes.size(); ++position) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x01}}) {
            SCOPED_TRACE(testing::Message() << "byte " << position << " = " << int(value));
            std::vector<uint8_t> bad = layout.bytes;
            bad[position] = value;
            TArUnZipper unzipper;
            unzipper.SetBaseDirectory(out);
            try {
                unzipper.SetFileName(Write(dir, "SETUP.DAT", bad));
                unzipper.ExtractFiles("*.*");
            } catch (const archive::EArException&) {
            }
        }
    }
}

}  // namespace
