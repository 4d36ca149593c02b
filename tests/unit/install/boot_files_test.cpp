// C:\AUTOEXEC.BAT and C:\CONFIG.SYS: PATH lines in short form, the chosen products' lines appended after
// a backup, the two refused backups and where each leaves the stage, and what no line or a long line does;
// files that exist but cannot be read or looked up, and backups that break off.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "install/boot_files.h"
#include "install/faulty_machine.h"
#include "install/stage_fixture.h"
#include "rtl/strings.h"
#include "support/test_machine.h"

namespace {

using namespace install_test;

std::string Rewritten(std::string line) {
    app::RewritePathLine(line);
    return line;
}

// --- RewritePathLine ---

TEST(RewritePathLine, ExistingLongFolderBecomesItsShortFormAndPathReferenceStays) {
    const std::string folder = test_support::MakeTempDir() + "\\Long Folder Name";
    ASSERT_TRUE(os::files().createDirectory(folder));
    const std::string upper = rtl::AnsiUpperCase(folder);
    const std::string shortForm = ShortOf(upper);
    ASSERT_NE(shortForm, upper);
    EXPECT_EQ(Rewritten("path=" + rtl::AnsiLowerCase(folder) + ";%path%"), "PATH = " + shortForm + ";%PATH%;");
}

TEST(RewritePathLine, MissingFoldersAreKeptInUpperCaseEachFollowedBySeparator) {
    EXPECT_EQ(Rewritten("path=c:\\no\\such;d:\\other"), "PATH = C:\\NO\\SUCH;D:\\OTHER;");
    // Blanks and control characters after '=' go; a final ';' adds no empty element.
    EXPECT_EQ(Rewritten("PATH = \t c:\\x;"), "PATH = C:\\X;");
    // Empty elements between two separators stay.
    EXPECT_EQ(Rewritten("PATH=c:\\x;;c:\\y"), "PATH = C:\\X;;C:\\Y;");
    // Only the first '=' separates the name.
    EXPECT_EQ(Rewritten("PATH=c:\\a=b"), "PATH = C:\\A=B;");
    // Nothing after '=': the bare prefix.
    EXPECT_EQ(Rewritten("path=   "), "PATH = ");
}

TEST(RewritePathLine, LineWithoutEqualsKeepsTheWordPathInItsFirstElement) {
    EXPECT_EQ(Rewritten("path c:\\dos;c:\\win"), "PATH = PATH C:\\DOS;C:\\WIN;");
}

TEST(RewritePathLine, DoubleByteCharactersAreKeptWhole) {
    // "乤" is 0x81 0x61 in GBK: its trail byte is the letter 'a' and must not become 'A'.
    EXPECT_EQ(Rewritten("path=c:\\乤\\bin"), "PATH = C:\\乤\\BIN;");
}

TEST(RewritePathLine, ElementsLongerThan255CharactersAreKeptWhole) {
    const std::string longFolder = "C:\\" + std::string(300, 'L');
    EXPECT_EQ(Rewritten("PATH=" + longFolder + ";%PATH%"), "PATH = " + longFolder + ";%PATH%;");
}

// --- The two steps ---

constexpr const char* kBat = kBootFiles[0];
constexpr const char* kBatBackup = kBootFiles[1];
constexpr const char* kSys = kBootFiles[2];
constexpr const char* kSysBackup = kBootFiles[3];
constexpr const char* kBatPartial = kPartialBackups[0];
constexpr const char* kSysPartial = kPartialBackups[1];

// The six windows on a two-product medium (both products checked), with the boot files of drive C
// removed before and after.
class BootFiles : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
        WriteTwoProductMedium("MainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\n");
        RemoveBootFiles();
        ASSERT_NO_FATAL_FAILURE(CreateWindows(2));
    }

    void TearDown() override {
        InstallStage::TearDown();
        RemoveBootFiles();
    }

    void BatLines(int p, const std::vector<std::string>& lines) {
        app::TProductConfig& config = Table().ProductConfigs[size_t(p)];
        config.BatLineCount = int(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) config.BatLines[i] = lines[i];
    }
    void CfgLines(int p, const std::vector<std::string>& lines) {
        app::TProductConfig& config = Table().ProductConfigs[size_t(p)];
        config.CfgLineCount = int(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) config.CfgLines[i] = lines[i];
    }
};

// Lines of both products in table order, each after a line break, macros replaced; PATH lines (also of a
// variable whose name begins with PATH) rewritten, a SET PATH line not. The backup holds the old bytes.
TEST_F(BootFiles, ChosenProductsLinesAreAppendedAfterABackupOfTheFile) {
    const std::string before = "@ECHO OFF\r\nREM 旧的";
    test_support::WriteFile(kBat, before);
    BatLines(0, {"SET TEMP=_WIN_\\TEMP", "path=c:\\nowhere;%path%", "SET PATH=c:\\x"});
    BatLines(1, {"PATHEXT=.com;.exe", "@_WIN_"});
    Table().EditAutoexecBat();

    const std::string windows = os::system().windowsDirectory();
    EXPECT_EQ(ReadText(kBat), before + "\r\nSET TEMP=" + windows + "\\TEMP" + "\r\nPATH = C:\\NOWHERE;%PATH%;" +
                                  "\r\nSET PATH=c:\\x" + "\r\nPATH = .COM;.EXE;" + "\r\n@_WIN_");
    EXPECT_EQ(ReadText(kBatBackup), before);
    EXPECT_TRUE(Table().CGauge1.Visible());
    EXPECT_EQ(Table().CGauge1.MaxValue(), 5);
    EXPECT_EQ(Table().CGauge1.Progress(), 4);  // set before each line
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(failures.empty());
}

TEST_F(BootFiles, UnchosenProductsLinesAreLeftOut) {
    BatLines(0, {"REM one"});
    BatLines(1, {"REM two"});
    CfgLines(0, {"FILES=40"});
    CfgLines(1, {"BUFFERS=20"});
    Choose("-x");
    Table().EditAutoexecBat();
    Table().EditConfigSys();
    EXPECT_EQ(ReadText(kBat), "\r\nREM two");
    EXPECT_EQ(ReadText(kSys), "\r\nBUFFERS=20");
    EXPECT_EQ(Table().CGauge1.MaxValue(), 1);
}

TEST_F(BootFiles, ConfigSysLinesAreSubstitutedButNotRewritten) {
    const std::string before = "DEVICE=HIMEM.SYS\r\n";
    test_support::WriteFile(kSys, before);
    CfgLines(0, {"path=c:\\nowhere", "DEVICE=_WINSYS_\\drv.sys"});
    Table().EditConfigSys();
    EXPECT_EQ(ReadText(kSys),
              before + "\r\npath=c:\\nowhere\r\nDEVICE=" + os::system().systemDirectory() + "\\drv.sys");
    EXPECT_EQ(ReadText(kSysBackup), before);
}

TEST_F(BootFiles, WithoutLinesNoBackupIsMadeButAMissingFileIsCreatedEmpty) {
    test_support::WriteFile(kSys, "FILES=40");
    Table().EditAutoexecBat();
    Table().EditConfigSys();
    EXPECT_TRUE(test_support::FileExists(kBat));
    EXPECT_EQ(ReadText(kBat), "");
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    EXPECT_FALSE(test_support::FileExists(kBatBackup));
    EXPECT_FALSE(test_support::FileExists(kSysBackup));
}

TEST_F(BootFiles, MissingFileLeavesAnEmptyBackupAndReceivesTheLines) {
    BatLines(0, {"REM new"});
    Table().EditAutoexecBat();
    EXPECT_EQ(ReadText(kBat), "\r\nREM new");
    EXPECT_TRUE(test_support::FileExists(kBatBackup));
    EXPECT_EQ(ReadText(kBatBackup), "");
}

TEST_F(BootFiles, ReadOnlyFileLosesTheAttributeAndReceivesTheLines) {
    test_support::WriteFile(kSys, "FILES=40");
    ASSERT_TRUE(os::files().setFileAttributes(kSys, os::kAttrReadOnly));
    CfgLines(0, {"BUFFERS=20"});
    Table().EditConfigSys();
    EXPECT_EQ(os::files().getFileAttributes(kSys) & os::kAttrReadOnly, 0u);
    EXPECT_EQ(ReadText(kSys), "FILES=40\r\nBUFFERS=20");
}

// A backup that cannot be made (a folder stands in its place) while the file exists: the box, and the
// file keeps its bytes. For AUTOEXEC.BAT the stage goes on with CONFIG.SYS.
TEST_F(BootFiles, RefusedAutoexecBackupIsReportedAndConfigSysStillReceivesItsLines) {
    test_support::WriteFile(kBat, "@ECHO OFF");
    ASSERT_TRUE(os::files().createDirectory(kBatBackup));
    BatLines(0, {"REM never"});
    CfgLines(0, {"FILES=40"});
    Table().ConfigureEnvironment();
    const auto boxes = BoxesSaying("修改批处理文件错误!");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "提示!");
    EXPECT_EQ(boxes[0].flags, unsigned(vcl::mbOK | vcl::mbIconWarning));
    EXPECT_EQ(ReadText(kBat), "@ECHO OFF");
    EXPECT_EQ(ReadText(kSys), "\r\nFILES=40");
}

TEST_F(BootFiles, RefusedConfigSysBackupIsReportedAndNothingIsAppended) {
    test_support::WriteFile(kSys, "FILES=40");
    ASSERT_TRUE(os::files().createDirectory(kSysBackup));
    BatLines(0, {"REM yes"});
    CfgLines(0, {"BUFFERS=20"});
    Table().ConfigureEnvironment();
    const auto boxes = BoxesSaying("修改配置文件错误!");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "提示!");
    EXPECT_EQ(boxes[0].flags, unsigned(vcl::mbOK | vcl::mbIconWarning));
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    EXPECT_EQ(ReadText(kBat), "\r\nREM yes");
    EXPECT_TRUE(BoxesSaying("修改批处理文件错误!").empty());
}

TEST_F(BootFiles, RefusedBackupOfAMissingFileIsNoError) {
    ASSERT_TRUE(os::files().createDirectory(kBatBackup));
    BatLines(0, {"REM new"});
    Table().EditAutoexecBat();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ReadText(kBat), "\r\nREM new");
}

// Long lines and lines that grow past 255 characters through their macros are written whole.
TEST_F(BootFiles, LongLinesAreWrittenWhole) {
    const std::string longLine = "REM " + std::string(400, 'x');
    const std::string longPath = "PATH=_WIN_;C:\\" + std::string(260, 'D');
    BatLines(0, {longLine, longPath});
    Table().EditAutoexecBat();
    // The Windows directory as the system gives its short form (Windows keeps the letters given, Wine
    // those on the disk).
    std::string windows = rtl::AnsiUpperCase(os::system().windowsDirectory()), shortWindows;
    if (os::system().shortPathName(windows, shortWindows) && !shortWindows.empty()) windows = shortWindows;
    EXPECT_EQ(ReadText(kBat), "\r\n" + longLine + "\r\nPATH = " + windows + ";C:\\" + std::string(260, 'D') + ";");
}

// DOS reads a text file up to an end-of-file mark; the lines go in front of it, the backup keeps it.
TEST_F(BootFiles, LinesReplaceAnEndOfFileMarkAtTheEnd) {
    const std::string before = "REM old\r\n\x1A";
    test_support::WriteFile(kBat, before);
    BatLines(0, {"REM new"});
    Table().EditAutoexecBat();
    EXPECT_EQ(ReadText(kBat), "REM old\r\n\r\nREM new");
    EXPECT_EQ(ReadText(kBatBackup), before);
}

// A file that exists but cannot be opened for appending (a folder of that name), in a step with no line
// to append and so no backup: noted, never replaced, no message; the stage goes on.
TEST_F(BootFiles, FileThatCannotBeOpenedIsNotedAndTheStageGoesOn) {
    ASSERT_TRUE(os::files().createDirectory(kBat));
    CfgLines(0, {"FILES=40"});
    Table().ConfigureEnvironment();
    EXPECT_EQ(std::count_if(failures.begin(), failures.end(),
                            [](const std::string& what) { return what.find(kBat) != std::string::npos; }),
              1);
    EXPECT_EQ(os::files().getFileAttributes(kBat) & os::kAttrDirectory, uint32_t(os::kAttrDirectory));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ReadText(kSys), "\r\nFILES=40");
}

// --- Sources that exist but cannot be read ---

// Only "not found" means there is no file: a file that cannot be opened for reading cannot be saved, so
// it counts as a refused backup, with the step's box and rule, and receives no line. An earlier backup
// is left as it was.
TEST_F(BootFiles, SourceThatCannotBeReadIsARefusedBackupAndReceivesNoLine) {
    test_support::WriteFile(kBat, "@ECHO OFF");
    test_support::WriteFile(kBatBackup, "earlier backup");
    BatLines(0, {"REM never"});
    CfgLines(0, {"FILES=40"});
    {
        FaultyMachine faulty;  // reading is refused, writing would be allowed
        faulty.FailReadOpen(kBat, os::kErrorAccessDenied);
        Table().ConfigureEnvironment();
    }
    EXPECT_EQ(BoxesSaying("修改批处理文件错误!").size(), 1u);
    EXPECT_EQ(ReadText(kBat), "@ECHO OFF");
    EXPECT_EQ(ReadText(kBatBackup), "earlier backup");
    EXPECT_EQ(ReadText(kSys), "\r\nFILES=40") << "AUTOEXEC.BAT's refusal skips only its own step";
}

// Held open without sharing by another program: CONFIG.SYS cannot be read, so the stage ends with its box.
TEST_F(BootFiles, LockedConfigSysIsARefusedBackup) {
    test_support::WriteFile(kSys, "FILES=40");
    CfgLines(0, {"BUFFERS=20"});
    {
        std::unique_ptr<os::File> lock = os::files().openFile(kSys, os::kOpenReadWrite | os::kShareExclusive);
        ASSERT_TRUE(lock);
        Table().EditConfigSys();
    }
    const auto boxes = BoxesSaying("修改配置文件错误!");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "提示!");
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    EXPECT_TRUE(failures.empty()) << "the box is the report";
}

// A folder named AUTOEXEC.BAT exists and cannot be read: with lines to append, that is a refused backup.
TEST_F(BootFiles, FolderInPlaceOfTheFileIsARefusedBackupWhenThereAreLines) {
    ASSERT_TRUE(os::files().createDirectory(kBat));
    BatLines(0, {"REM lost"});
    Table().EditAutoexecBat();
    EXPECT_EQ(BoxesSaying("修改批处理文件错误!").size(), 1u);
    EXPECT_EQ(os::files().getFileAttributes(kBat) & os::kAttrDirectory, uint32_t(os::kAttrDirectory));
}

// An attribute lookup that fails for another reason than "not found" does not make the file missing: it
// is not created anew (which would empty it), with or without a backup; the failure is noted.
TEST_F(BootFiles, FailedAttributeLookupNeverEmptiesTheFile) {
    test_support::WriteFile(kBat, "@ECHO OFF");
    test_support::WriteFile(kSys, "FILES=40");
    BatLines(0, {"REM more"});  // CONFIG.SYS has no line: no backup of it is made
    {
        FaultyMachine faulty;
        faulty.FailAttributes(kBat, os::kErrorAccessDenied);
        faulty.FailAttributes(kSys, os::kErrorSharingViolation);
        Table().ConfigureEnvironment();
    }
    EXPECT_EQ(ReadText(kBat), "@ECHO OFF");
    EXPECT_EQ(ReadText(kBatBackup), "@ECHO OFF");
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    for (const char* path : {kBat, kSys})
        EXPECT_EQ(std::count_if(failures.begin(), failures.end(),
                                [path](const std::string& what) { return what.find(path) != std::string::npos; }),
                  1)
            << path;
    EXPECT_TRUE(Boxes().empty());
}

// --- Backups ---

TEST_F(BootFiles, AnEarlierBackupIsReplacedWhole) {
    test_support::WriteFile(kSys, "FILES=40");
    test_support::WriteFile(kSysBackup, "a longer backup of an earlier installation");
    CfgLines(0, {"BUFFERS=20"});
    Table().EditConfigSys();
    EXPECT_EQ(ReadText(kSysBackup), "FILES=40");
    EXPECT_EQ(ReadText(kSys), "FILES=40\r\nBUFFERS=20");
}

// A backup that breaks off part-way (the disk fills up, the source cannot be read to its end) is a refused
// backup: the box, and the file keeps its bytes. The source is longer than one copy buffer.
TEST_F(BootFiles, BackupFailingPartWayIsARefusedBackup) {
    std::string before(100000, 'x');
    for (size_t i = 0; i < before.size(); i += 80) before.replace(i, 2, "\r\n");
    test_support::WriteFile(kBat, before);
    test_support::WriteFile(kSys, before);
    BatLines(0, {"REM never"});
    CfgLines(0, {"REM never either"});
    {
        FaultyMachine faulty;
        faulty.LimitWrites(kBatBackup, 70000);
        faulty.LimitWrites(kBatPartial, 70000);
        faulty.LimitReads(kSys, 70000);
        Table().ConfigureEnvironment();
    }
    EXPECT_EQ(BoxesSaying("修改批处理文件错误!").size(), 1u);
    EXPECT_EQ(BoxesSaying("修改配置文件错误!").size(), 1u);
    EXPECT_EQ(ReadText(kBat), before);
    EXPECT_EQ(ReadText(kSys), before);
}

// The backup is written under a name of its own and takes the backup's name only when complete: a backup
// that breaks off on a full disk leaves an earlier backup whole, and no partial file. (The limit is set on
// both names, so that a backup written in place would be cut off too.)
TEST_F(BootFiles, ABackupThatBreaksOffLeavesTheEarlierBackupWhole) {
    const std::string before(100000, 'b');
    test_support::WriteFile(kBat, before);
    test_support::WriteFile(kBatBackup, "earlier backup");
    BatLines(0, {"REM never"});
    {
        FaultyMachine faulty;
        faulty.LimitWritesPartly(kBatBackup, 70000);
        faulty.LimitWritesPartly(kBatPartial, 70000);
        Table().EditAutoexecBat();
    }
    EXPECT_EQ(BoxesSaying("修改批处理文件错误!").size(), 1u);
    EXPECT_EQ(ReadText(kBat), before);
    EXPECT_EQ(ReadText(kBatBackup), "earlier backup");
    EXPECT_FALSE(Exists(kBatPartial));
}

#ifndef _WIN32
// The same with the simulated machine's full disk: drive C fills up while the backup is written.
TEST_F(BootFiles, ABackupOnAFullDiskLeavesTheEarlierBackupWhole) {
    const std::string before(100000, 's');
    test_support::WriteFile(kSys, before);
    test_support::WriteFile(kSysBackup, "earlier backup");
    CfgLines(0, {"BUFFERS=20"});
    os::sim::SimMachine& sim = Sim();
    sim.faults().diskFullAfter['C'] = 60000;
    struct Mend {
        os::sim::SimMachine& sim;
        ~Mend() { sim.faults().diskFullAfter.clear(); }
    } mend{sim};
    Table().EditConfigSys();
    EXPECT_EQ(BoxesSaying("修改配置文件错误!").size(), 1u);
    EXPECT_EQ(ReadText(kSys), before);
    EXPECT_EQ(ReadText(kSysBackup), "earlier backup");
    EXPECT_FALSE(Exists(kSysPartial));
}
#endif

// The read-only attribute is cleared to append; lines that are taken back leave the file as it was, its
// attributes included. (A file that receives its lines keeps the attribute cleared: see above.)
TEST_F(BootFiles, AReadOnlyFileLeftAsItWasIsReadOnlyAgain) {
    test_support::WriteFile(kSys, "FILES=40");
    ASSERT_TRUE(os::files().setFileAttributes(kSys, os::kAttrReadOnly));
    CfgLines(0, {"BUFFERS=20"});
    {
        FaultyMachine faulty;
        faulty.LimitWritesPartly(kSys, 3);
        Table().EditConfigSys();
    }
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    EXPECT_EQ(os::files().getFileAttributes(kSys) & os::kAttrReadOnly, uint32_t(os::kAttrReadOnly));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("the file was left as it was"), std::string::npos) << failures[0];
}

// Lines that do not fit on the disk are taken back: the file ends as it was, its end-of-file mark
// included, and keeps its complete backup; the failure names the file and the Windows error.
TEST_F(BootFiles, AppendingToAFullDiskLeavesTheFileAsItWas) {
    const std::string before = "@ECHO OFF\r\nPATH C:\\DOS\r\n\x1A";
    test_support::WriteFile(kBat, before);
    BatLines(0, {"REM one", "REM two", "REM three"});
    {
        FaultyMachine faulty;
        faulty.LimitWritesPartly(kBat, 12);  // part of the lines, over the mark, then the disk is full
        Table().EditAutoexecBat();
    }
    EXPECT_EQ(ReadText(kBat), before);
    EXPECT_EQ(ReadText(kBatBackup), before);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "append to C:\\AUTOEXEC.BAT failed (Windows error 112); the file was left as it was");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(BootFiles, AppendingToAFullDiskLeavesAFileWithoutMarkAsItWas) {
    const std::string before = "FILES=40";
    test_support::WriteFile(kSys, before);
    CfgLines(0, {"BUFFERS=20"});
    {
        FaultyMachine faulty;
        faulty.LimitWritesPartly(kSys, 3);
        Table().EditConfigSys();
    }
    EXPECT_EQ(ReadText(kSys), before);
    EXPECT_EQ(ReadText(kSysBackup), before);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Windows error 112"), std::string::npos) << failures[0];
}

}  // namespace
