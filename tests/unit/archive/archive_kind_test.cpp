// Deciding what kind of archive a file is: a kind the caller asserts is verified against the content,
// ".EXE" files are taken as self-extracting archives only with an executable stub in front of a ZIP
// archive, and a file that is no ZIP archive at all is told apart from a volume of a spanned set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/unzipper.h"
#include "archive/zip_directory.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::ArDetermineArcType;
using archive::TArArchiveStatus;
using archive::TArArchiveType;
using test_support::Bytes;
using test_support::ZipBuilder;

std::string Write(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = dir + "\\" + name;
    test_support::WriteFile(path, bytes);
    return path;
}

std::vector<uint8_t> Zip() {
    ZipBuilder zip;
    zip.Add("A.TXT", "a");
    return zip.Build();
}

// An executable stub ("MZ" and some code) with a ZIP archive behind it.
std::vector<uint8_t> SelfExtracting() {
    std::vector<uint8_t> bytes = Bytes("MZ\x90\x01 stub code that would unpack what follows");
    std::vector<uint8_t> zip = Zip();
    bytes.insert(bytes.end(), zip.begin(), zip.end());
    return bytes;
}

TEST(ArchiveKind, AnAssertedKindIsVerifiedAgainstAnExistingFile) {
    std::string dir = test_support::MakeTempDir();
    const std::string zip = Write(dir, "PLAIN.BIN", Zip());
    const std::string sfx = Write(dir, "STUB.BIN", SelfExtracting());
    const std::string text = Write(dir, "WORDS.BIN", Bytes("no archive here, only words and more words"));

    EXPECT_EQ(ArDetermineArcType(zip, TArArchiveType::atZip), TArArchiveType::atZip);
    EXPECT_EQ(ArDetermineArcType(text, TArArchiveType::atZip), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(sfx, TArArchiveType::atSelfExtZip), TArArchiveType::atSelfExtZip);
    EXPECT_EQ(ArDetermineArcType(zip, TArArchiveType::atSelfExtZip), TArArchiveType::atUnknown);  // no stub
    // Spanned sets have no verifier, and the kinds that are not read verify as nothing.
    EXPECT_EQ(ArDetermineArcType(zip, TArArchiveType::atSpannedZip), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(zip, TArArchiveType::atTar), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(zip, TArArchiveType::atCab), TArArchiveType::atUnknown);

    // A missing file keeps the asserted kind, whatever its extension says.
    for (TArArchiveType kind : {TArArchiveType::atZip, TArArchiveType::atSpannedZip, TArArchiveType::atTar,
                                TArArchiveType::atGzippedTar, TArArchiveType::atCab})
        EXPECT_EQ(ArDetermineArcType(dir + "\\MISSING.EXE", kind), kind) << int(kind);
}

TEST(ArchiveKind, ExeFilesAreSelfExtractingOnlyWithAStubAndAnArchive) {
    std::string dir = test_support::MakeTempDir();
    EXPECT_EQ(ArDetermineArcType(Write(dir, "SETUP.EXE", SelfExtracting()), TArArchiveType::atUnknown),
              TArArchiveType::atSelfExtZip);
    EXPECT_EQ(ArDetermineArcType(Write(dir, "lower.exe", SelfExtracting()), TArArchiveType::atUnknown),
              TArArchiveType::atSelfExtZip);
    // A ZIP archive without the stub, and a stub without an archive, are neither.
    EXPECT_EQ(ArDetermineArcType(Write(dir, "NOSTUB.EXE", Zip()), TArArchiveType::atUnknown), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(Write(dir, "PROGRAM.EXE", Bytes("MZ just a program")), TArArchiveType::atUnknown),
              TArArchiveType::atUnknown);
    // Missing or empty: the extension alone, and ".EXE" names no kind.
    EXPECT_EQ(ArDetermineArcType(dir + "\\MISSING.EXE", TArArchiveType::atUnknown), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(Write(dir, "EMPTY.EXE", {}), TArArchiveType::atUnknown), TArArchiveType::atUnknown);
    EXPECT_EQ(ArDetermineArcType(dir + "\\MISSING.DAT", TArArchiveType::atUnknown), TArArchiveType::atZip);
    EXPECT_EQ(ArDetermineArcType(dir + "\\MISSING.TGZ", TArArchiveType::atUnknown), TArArchiveType::atGzippedTar);
}

// Loading a file that has no end record: without "PK" at its start it is no ZIP archive and the archive
// goes invalid; with "PK" it may be the first volume of a set, whose last volume is looked for.
TEST(ArchiveKind, NoEndRecordAndNoPKIsAnInvalidArchive) {
    std::string dir = test_support::MakeTempDir();
    std::vector<uint8_t> notZip = Bytes("PX\x03\x04 looks almost like a local header, but is none");
    std::vector<uint8_t> maybeVolume = Bytes("PK\x05\x05 begins like a ZIP record, but ends without a directory");

    archive::TArUnZipper zip;
    zip.SetCompressionType(TArArchiveType::atZip, true);  // so that loading is reached at all
    EXPECT_THROW(zip.SetFileName(Write(dir, "NOTZIP.DAT", notZip)), archive::EArZipInvalid);
    EXPECT_EQ(zip.Status(), TArArchiveStatus::asInvalid);
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_THROW(zip.ExtractFiles("*.*"), archive::EArNoArchive);

    EXPECT_THROW(zip.SetFileName(Write(dir, "VOLUME.DAT", maybeVolume)), archive::EArFileNotFound);
    EXPECT_NE(zip.Status(), TArArchiveStatus::asInvalid);

    // Without the forced kind the content check already refuses the first file.
    archive::TArUnZipper detecting;
    EXPECT_THROW(detecting.SetFileName(dir + "\\NOTZIP.DAT"), archive::EArUnhandledType);
}

}  // namespace
