// The program group: shortcut folders from the user's Shell Folders, the links of the chosen products
// with their targets' macros replaced, the Startup group, missing targets, failed saves, the gauge, COM
// and the status line; and the directory-path helper shared with the copy stage. The windows are created
// on a two-product medium as the program creates them; the user's Programs and Startup folders point into
// the test's folder for the duration of a test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/stage_fixture.h"
#include "support/test_machine.h"
#include "vcl/backend.h"
#include "vcl/dialogs.h"

#ifndef _WIN32
#include "os/sim/lnk_writer.h"
#include "os/sim/sim_shell.h"
#endif

namespace {

using namespace install_test;

bool IsDirectory(const std::string& path) {
    uint32_t attributes = os::files().getFileAttributes(path);
    return attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory);
}

class ProgramGroup : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
        KeepShellFolder("Programs");
        KeepShellFolder("Startup");
        programs = folder + "\\Start Menu\\Programs";
        startup = programs + "\\Startup";
        os::registry().writeString(HKCU, kShellFolders, "Programs", programs + "\\");  // the '\' is dropped
        os::registry().writeString(HKCU, kShellFolders, "Startup", startup);

        shop = folder + "\\Shop";
        os::files().createDirectory(shop);
        os::files().createDirectory(shop + "\\bin");
        test_support::WriteFile(shop + "\\bin\\shop.exe", "MZ");
        test_support::WriteFile(shop + "\\PrtCfg.exe", "MZ");
        test_support::WriteFile(shop + "\\help.txt", "help");
        WriteMedium("[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                    "[Default MainPath]\r\nMainPath1=" + shop + "\r\nMainPath2=" + folder +
                        "\r\n[Products Name]\r\nProductName1=商店,0,0,Shop\r\nProductName2=Tools,0,0,Tools\r\n");
        ASSERT_NO_FATAL_FAILURE(CreateWindows(2));
        if (!os::system().shortPathName(shop, shortShop)) shortShop = shop;
    }

#ifndef _WIN32
    // The target and working directory a link file holds (the simulated machine writes ANSI strings).
    static std::pair<std::string, std::string> LinkOf(const std::string& path) {
        auto bytes = test_support::ReadFile(path);
        auto link = os::sim::detail::ReadShellLink(std::string(bytes.begin(), bytes.end()));
        return {link.localBasePath, link.workingDirectory};
    }
#endif

    std::string programs, startup, shop, shortShop;
};

// --- Shortcut folders ---

TEST_F(ProgramGroup, ShortcutFoldersFollowTheGroup) {
    EXPECT_EQ(Table().GetShortcutFolder("", "商店"), programs + "\\商店");
    EXPECT_EQ(Table().GetShortcutFolder("工具", "商店"), programs + "\\商店\\工具");
    EXPECT_EQ(Table().GetShortcutFolder("STARTUP", "商店"), startup);
    EXPECT_EQ(Table().GetShortcutFolder("startUp", "商店"), startup) << "the value named as written, any case";
}

TEST_F(ProgramGroup, WithoutShellFoldersValuesTheFolderIsTheProductNameAlone) {
    os::registry().deleteValue(HKCU, kShellFolders, "Programs");
    os::registry().deleteValue(HKCU, kShellFolders, "Startup");
    EXPECT_EQ(Table().GetShortcutFolder("", "商店"), "\\商店");
    EXPECT_EQ(Table().GetShortcutFolder("Tools", "商店"), "\\商店\\Tools");
    EXPECT_EQ(Table().GetShortcutFolder("Startup", "商店"), "");
}

// --- The stage ---

TEST_F(ProgramGroup, ChosenProductsGetTheirLinksWithMacrosReplaced) {
    Choose("x-");
    Shortcuts({{1, "_MAINPATH_1\\bin\\shop.exe", "", "商店"},
               {1, "_MAINPATH_1\\help.txt", "帮助", "Help"},
               {1, "_MAINPATH_1\\PrtCfg.exe", "startup", "Printer"},  // linked though never published
               {2, "_MAINPATH_2\\SETUP.INI", "", "Tools"}});             // product 2 is not chosen
    Table().CreateProgramGroup();

    const std::string shopLink = programs + "\\商店\\商店.LNK", helpLink = programs + "\\商店\\帮助\\Help.LNK",
                      printerLink = startup + "\\Printer.LNK";
    EXPECT_TRUE(Exists(shopLink));
    EXPECT_TRUE(Exists(helpLink));
    EXPECT_TRUE(Exists(printerLink));
    EXPECT_FALSE(Exists(programs + "\\Tools"));
    EXPECT_FALSE(Exists(programs + "\\商店\\startup")) << "no product folder for the Startup group";
    // The table keeps the replaced targets; the other product's stays as written.
    EXPECT_EQ(Table().ShortCuts[0].Target, shortShop + "\\bin\\shop.exe");
    EXPECT_EQ(Table().ShortCuts[3].Target, "_MAINPATH_2\\SETUP.INI");
#ifndef _WIN32
    EXPECT_EQ(LinkOf(shopLink), std::make_pair(shortShop + "\\bin\\shop.exe", shortShop + "\\bin"));
    EXPECT_EQ(LinkOf(helpLink), std::make_pair(shortShop + "\\help.txt", shortShop));
    EXPECT_EQ(os::sim::SimShellOf(Sim()).comDepth(), 0)
        << "COM is uninitialised again";
#endif
    EXPECT_EQ(Table().Label5.Caption(), "正在建立快捷方式...");
    EXPECT_EQ(Table().CGauge1.MaxValue(), 4);
    EXPECT_EQ(Table().CGauge1.Progress(), 4);
    EXPECT_FALSE(Table().CGauge1.Visible());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(failures.empty());
}

TEST_F(ProgramGroup, MissingTargetsAreSkippedSilently) {
    Choose("xg");
    Shortcuts({{1, "_MAINPATH_1\\gone.exe", "Grp", "Gone"},
               {2, "no backslash.exe", "", "Relative"},  // not in the current folder either
               {1, "_MAINPATH_1\\bin\\shop.exe", "Grp", "Shop"}});
    Table().CreateProgramGroup();
    EXPECT_FALSE(Exists(programs + "\\商店\\Grp\\Gone.LNK"));
    EXPECT_FALSE(Exists(programs + "\\Tools"));
    EXPECT_TRUE(Exists(programs + "\\商店\\Grp\\Shop.LNK"));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(Table().CGauge1.Progress(), 3);
}

TEST_F(ProgramGroup, ALinkThatCannotBeSavedIsReportedAndTheStageGoesOn) {
    Choose("x-");
    Shortcuts({{1, "_MAINPATH_1\\bin\\shop.exe", "", "No Such Folder\\Shop"},
               {1, "_MAINPATH_1\\help.txt", "", "Help"}});
    Table().CreateProgramGroup();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption.rfind("Generic, Line=", 0), 0u) << Boxes()[0].caption;
    EXPECT_EQ(Boxes()[0].text, os::system().errorText(os::kErrorPathNotFound));
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconWarning));
    EXPECT_TRUE(Exists(programs + "\\商店\\Help.LNK"));
    EXPECT_TRUE(failures.empty()) << "the box is the report";
}

// The captions the status line showed: those it had whenever it was painted. Everything else is the
// fixture's headless backend.
class StatusRecorder : public vcl::Backend {
public:
    StatusRecorder(vcl::Backend& inner, const vcl::TControl& status) : inner_(inner), status_(status) {}
    std::vector<std::string> shown;

    void CreateHandle(vcl::TWinControl& control) override { inner_.CreateHandle(control); }
    void DestroyHandle(vcl::TWinControl& control) override { inner_.DestroyHandle(control); }
    void ControlDestroyed(vcl::TControl& control) override { inner_.ControlDestroyed(control); }
    void Changed(vcl::TControl& control, vcl::TChange what) override { inner_.Changed(control, what); }
    void PaintNow(vcl::TControl& control) override {
        if (&control == &status_) shown.push_back(status_.Caption());
        inner_.PaintNow(control);
    }
    int FrameWidth(const vcl::TForm& form) override { return inner_.FrameWidth(form); }
    int FrameHeight(const vcl::TForm& form) override { return inner_.FrameHeight(form); }
    void HandleMessage(vcl::TForm* modalForm) override { inner_.HandleMessage(modalForm); }
    void ProcessMessages() override { inner_.ProcessMessages(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return inner_.ShowMessageBox(text, caption, flags);
    }
    bool BrowseForFolder(const std::string& title, std::string& path) override {
        return inner_.BrowseForFolder(title, path);
    }
    void TimerChanged(vcl::TTimer& timer) override { inner_.TimerChanged(timer); }
    void TimerDestroyed(vcl::TTimer& timer) override { inner_.TimerDestroyed(timer); }

private:
    vcl::Backend& inner_;
    const vcl::TControl& status_;
};

// The user sees the group being made, then the shortcuts: each text is painted as it is set.
TEST_F(ProgramGroup, StatusLineShowsTheGroupAndThenTheShortcuts) {
    Choose("x-");
    Shortcuts({{1, "_MAINPATH_1\\bin\\shop.exe", "", "商店"}});
    StatusRecorder recorder(backend, Table().Label5);
    vcl::SetBackend(&recorder);
    Table().CreateProgramGroup();
    vcl::SetBackend(&backend);
    EXPECT_EQ(recorder.shown, (std::vector<std::string>{"正在建立程序组...", "正在建立快捷方式..."}));
}

// --- Directory paths ---

TEST_F(ProgramGroup, MakeDirectoryPathCreatesEveryMissingLevel) {
    Table().MakeDirectoryPath(folder + "\\One\\Two\\Three");
    EXPECT_TRUE(IsDirectory(folder + "\\One\\Two\\Three"));
    // All levels there already, or a trailing backslash: nothing changes, nothing is reported.
    Table().MakeDirectoryPath(folder + "\\One\\Two\\Three");
    Table().MakeDirectoryPath(folder + "\\One\\Four\\");
    EXPECT_TRUE(IsDirectory(folder + "\\One\\Four"));
    // A relative path starts from the current folder, its first level included.
    Table().MakeDirectoryPath("Rel\\Sub");
    EXPECT_TRUE(IsDirectory(folder + "\\Rel\\Sub"));
    EXPECT_TRUE(failures.empty());
    // A level that cannot be made (a file is in the way) stops the levels below it: no message, one
    // failure naming the folder that is missing and the Windows error.
    test_support::WriteFile(folder + "\\File", "x");
    Table().MakeDirectoryPath(folder + "\\File\\Below");
    EXPECT_FALSE(Exists(folder + "\\File\\Below"));
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind("create folder " + folder + "\\File\\Below failed (Windows error ", 0), 0u) << failures[0];
}

TEST_F(ProgramGroup, MakeDirectoryPathKeepsDoubleByteNamesWhole) {
    // "\x81\x5C" is one GBK character whose trail byte is '\'.
    const std::string name = "\x81\x5C" "Dir";
    Table().MakeDirectoryPath(folder + "\\" + name + "\\Sub");
    EXPECT_TRUE(IsDirectory(folder + "\\" + name + "\\Sub"));
#ifndef _WIN32
    // Windows cannot name the lead byte alone (the conversion to UTF-16 drops it), so only the simulated
    // machine can be asked.
    EXPECT_FALSE(Exists(folder + "\\\x81")) << "no directory named after the lead byte alone";
#endif
}

}  // namespace
