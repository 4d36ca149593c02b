// C:\AUTOEXEC.BAT and C:\CONFIG.SYS: PATH lines in short form, the chosen products' lines appended after
// a backup, the two refused backups and where each leaves the stage, and what no line or a long line does.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "install/boot_files.h"
#include "os/machine.h"
#include "rtl/strings.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace {

std::string Rewritten(std::string line) {
    app::RewritePathLine(line);
    return line;
}

std::string ShortOf(const std::string& path) {
    std::string shortPath;
    EXPECT_TRUE(os::system().shortPathName(path, shortPath)) << path;
    return shortPath;
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

void RemoveIfPresent(const std::string& path) {
    const uint32_t attributes = os::files().getFileAttributes(path);
    if (attributes == os::kInvalidAttributes) return;
    if (attributes & os::kAttrDirectory) {
        os::files().removeDirectory(path);
        return;
    }
    os::files().setFileAttributes(path, os::kAttrNormal);
    os::files().deleteFile(path);
}

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = test_support::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

constexpr const char* kBat = "C:\\AUTOEXEC.BAT";
constexpr const char* kBatBackup = "C:\\AUTOEXEC.CHT";
constexpr const char* kSys = "C:\\CONFIG.SYS";
constexpr const char* kSysBackup = "C:\\CONFIG.CHT";

// The six windows on a two-product medium (both products checked), with the boot files of drive C
// removed before and after.
class BootFiles : public testing::Test {
protected:
    void SetUp() override {
        previousBackend_ = vcl::SetBackend(&backend);
        folder = test_support::MakeTempDir();
        previousDirectory_ = os::files().getCurrentDirectory();
        os::files().setCurrentDirectory(folder);
        test_support::WriteFile(In("SETUP.INI"),
                                "[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                                "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\n"
                                "[Products Name]\r\nProductName1=商店,1,0,ShopKey\r\nProductName2=Tools,1,0,ToolsKey\r\n"
                                "[Product1Mode1]\r\nName1=Client,1,,,1,a.dat,\r\n"
                                "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
        test_support::ZipBuilder builder;
        builder.Add("readme.txt", std::string("package"));
        test_support::WriteFile(In("a.dat"), builder.Build());
        test_support::WriteFile(In("CONFIG.INI"), "[Additional Programs]\r\n");
        test_support::WriteFile(In("COMMENT.INI"), "[Product1Ins1Mod1]\r\nName=客户端\r\n");
        for (const char* path : {kBat, kBatBackup, kSys, kSysBackup}) RemoveIfPresent(path);

        vcl::Application->Initialize();
        vcl::Application->CreateForm(app::MainForm);
        vcl::Application->CreateForm(app::frmPrompt);
        vcl::Application->CreateForm(app::frmModuleSel);
        vcl::Application->CreateForm(app::frmPath);
        vcl::Application->CreateForm(app::frmSetup);
        vcl::Application->CreateForm(app::frmSetupGuide);
        ASSERT_EQ(Form().ProductCount, 2);
        Form().OnFailure = [this](const std::string& what) { failures.push_back(what); };
    }

    void TearDown() override {
        vcl::Application->DestroyForms();
        app::MainForm = nullptr;
        app::frmPrompt = nullptr;
        app::frmModuleSel = nullptr;
        app::frmPath = nullptr;
        app::frmSetup = nullptr;
        app::frmSetupGuide = nullptr;
        vcl::SetBackend(previousBackend_);
        os::files().setCurrentDirectory(previousDirectory_);
        for (const char* path : {kBat, kBatBackup, kSys, kSysBackup}) RemoveIfPresent(path);
    }

    std::string In(const std::string& name) const { return folder + "\\" + name; }
    app::TMainForm& Form() { return *app::MainForm; }
    void BatLines(int p, const std::vector<std::string>& lines) {
        app::TProductConfig& config = Form().ProductConfigs[size_t(p)];
        config.BatLineCount = int(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) config.BatLines[i] = lines[i];
    }
    void CfgLines(int p, const std::vector<std::string>& lines) {
        app::TProductConfig& config = Form().ProductConfigs[size_t(p)];
        config.CfgLineCount = int(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) config.CfgLines[i] = lines[i];
    }
    // The message boxes with this text.
    std::vector<vcl::headless::MessageBoxRecord> BoxesSaying(const std::string& text) const {
        std::vector<vcl::headless::MessageBoxRecord> found;
        for (const auto& box : backend.MessageBoxes())
            if (box.text == text) found.push_back(box);
        return found;
    }

    std::string folder;
    std::vector<std::string> failures;
    vcl::headless::ScriptDriver script;
    vcl::headless::HeadlessBackend backend{&script};

private:
    vcl::Backend* previousBackend_ = nullptr;
    std::string previousDirectory_;
};

// Lines of both products in table order, each after a line break, macros replaced; PATH lines (also of a
// variable whose name begins with PATH) rewritten, a SET PATH line not. The backup holds the old bytes.
TEST_F(BootFiles, ChosenProductsLinesAreAppendedAfterABackupOfTheFile) {
    const std::string before = "@ECHO OFF\r\nREM 旧的";
    test_support::WriteFile(kBat, before);
    BatLines(0, {"SET TEMP=_WIN_\\TEMP", "path=c:\\nowhere;%path%", "SET PATH=c:\\x"});
    BatLines(1, {"PATHEXT=.com;.exe", "@_WIN_"});
    Form().EditAutoexecBat();

    const std::string windows = os::system().windowsDirectory();
    EXPECT_EQ(ReadText(kBat), before + "\r\nSET TEMP=" + windows + "\\TEMP" + "\r\nPATH = C:\\NOWHERE;%PATH%;" +
                                  "\r\nSET PATH=c:\\x" + "\r\nPATH = .COM;.EXE;" + "\r\n@_WIN_");
    EXPECT_EQ(ReadText(kBatBackup), before);
    EXPECT_TRUE(Form().CGauge1.Visible());
    EXPECT_EQ(Form().CGauge1.MaxValue(), 5);
    EXPECT_EQ(Form().CGauge1.Progress(), 4);  // set before each line
    EXPECT_TRUE(backend.MessageBoxes().empty());
    EXPECT_TRUE(failures.empty());
}

TEST_F(BootFiles, UnchosenProductsLinesAreLeftOut) {
    BatLines(0, {"REM one"});
    BatLines(1, {"REM two"});
    CfgLines(0, {"FILES=40"});
    CfgLines(1, {"BUFFERS=20"});
    app::frmSetupGuide->CheckListBox1.SetChecked(0, false);
    Form().EditAutoexecBat();
    Form().EditConfigSys();
    EXPECT_EQ(ReadText(kBat), "\r\nREM two");
    EXPECT_EQ(ReadText(kSys), "\r\nBUFFERS=20");
    EXPECT_EQ(Form().CGauge1.MaxValue(), 1);
}

TEST_F(BootFiles, ConfigSysLinesAreSubstitutedButNotRewritten) {
    const std::string before = "DEVICE=HIMEM.SYS\r\n";
    test_support::WriteFile(kSys, before);
    CfgLines(0, {"path=c:\\nowhere", "DEVICE=_WINSYS_\\drv.sys"});
    Form().EditConfigSys();
    EXPECT_EQ(ReadText(kSys),
              before + "\r\npath=c:\\nowhere\r\nDEVICE=" + os::system().systemDirectory() + "\\drv.sys");
    EXPECT_EQ(ReadText(kSysBackup), before);
}

TEST_F(BootFiles, WithoutLinesNoBackupIsMadeButAMissingFileIsCreatedEmpty) {
    test_support::WriteFile(kSys, "FILES=40");
    Form().EditAutoexecBat();
    Form().EditConfigSys();
    EXPECT_TRUE(test_support::FileExists(kBat));
    EXPECT_EQ(ReadText(kBat), "");
    EXPECT_EQ(ReadText(kSys), "FILES=40");
    EXPECT_FALSE(test_support::FileExists(kBatBackup));
    EXPECT_FALSE(test_support::FileExists(kSysBackup));
}

TEST_F(BootFiles, MissingFileLeavesAnEmptyBackupAndReceivesTheLines) {
    BatLines(0, {"REM new"});
    Form().EditAutoexecBat();
    EXPECT_EQ(ReadText(kBat), "\r\nREM new");
    EXPECT_TRUE(test_support::FileExists(kBatBackup));
    EXPECT_EQ(ReadText(kBatBackup), "");
}

TEST_F(BootFiles, ReadOnlyFileLosesTheAttributeAndReceivesTheLines) {
    test_support::WriteFile(kSys, "FILES=40");
    ASSERT_TRUE(os::files().setFileAttributes(kSys, os::kAttrReadOnly));
    CfgLines(0, {"BUFFERS=20"});
    Form().EditConfigSys();
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
    Form().ConfigureEnvironment();
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
    Form().ConfigureEnvironment();
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
    Form().EditAutoexecBat();
    EXPECT_TRUE(backend.MessageBoxes().empty());
    EXPECT_EQ(ReadText(kBat), "\r\nREM new");
}

// Long lines and lines that grow past 255 characters through their macros are written whole.
TEST_F(BootFiles, LongLinesAreWrittenWhole) {
    const std::string longLine = "REM " + std::string(400, 'x');
    const std::string longPath = "PATH=_WIN_;C:\\" + std::string(260, 'D');
    BatLines(0, {longLine, longPath});
    Form().EditAutoexecBat();
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
    Form().EditAutoexecBat();
    EXPECT_EQ(ReadText(kBat), "REM old\r\n\r\nREM new");
    EXPECT_EQ(ReadText(kBatBackup), before);
}

// A file that exists but cannot be opened (a folder of that name): noted, never replaced, no message; the
// stage goes on.
TEST_F(BootFiles, FileThatCannotBeOpenedIsNotedAndTheStageGoesOn) {
    ASSERT_TRUE(os::files().createDirectory(kBat));
    BatLines(0, {"REM lost"});
    CfgLines(0, {"FILES=40"});
    Form().ConfigureEnvironment();
    EXPECT_EQ(std::count_if(failures.begin(), failures.end(),
                            [](const std::string& what) { return what.find(kBat) != std::string::npos; }),
              1);
    EXPECT_EQ(os::files().getFileAttributes(kBat) & os::kAttrDirectory, uint32_t(os::kAttrDirectory));
    EXPECT_TRUE(BoxesSaying("修改批处理文件错误!").empty());
    EXPECT_EQ(ReadText(kSys), "\r\nFILES=40");
}

}  // namespace
