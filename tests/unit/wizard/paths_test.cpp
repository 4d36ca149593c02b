// The path page (list, row selection, folder browser, path dialog), the summary page and the disk-space
// check, on the three-product medium of PathPageTest.
#include <gtest/gtest.h>

#include "wizard/disk_space.h"
#include "wizard/path_page_fixture.h"

using vcl::headless::ScriptAction;

namespace wizard_test {
namespace {

constexpr int64_t MiB = 1048576;

// ---- The path list ----

TEST_F(PathPageTest, ListHasOneRowPerProductNumberAndEmptyRowsForUncheckedProducts) {
    Create();
    SizeOf(0, 0) = MiB;
    SizeOf(0, 1) = MiB / 2;  // 1.5 MiB in all: "1 M"
    SizeOf(1, 0) = MiB - 1;  // below 1 MiB: "0 M"
    SizeOf(2, 0) = 3 * MiB;
    SizeOf(2, 1) = 500 * MiB;  // not selected
    Wizard().CheckListBox1.SetChecked(1, false);
    Wizard().BitBtn5.SetEnabled(true);
    Wizard().BitBtn6.SetEnabled(true);
    Wizard().FillPathList();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"商店|C:\\Shop|1 M", "", "Office|C:\\Office\\|3 M"}));
    EXPECT_EQ(Wizard().ListView1.SelectedIndex(), -1);
    EXPECT_FALSE(Wizard().BitBtn5.Enabled());
    EXPECT_FALSE(Wizard().BitBtn6.Enabled());

    // Selecting row 3 and typing a path changes product 3.
    Wizard().ListView1.Select(2);
    script.Add(ScriptAction::Type("Edit1", "D:\\Docs"));
    script.Add(ScriptAction::Click("BitBtn1"));
    Wizard().BitBtn6Click(&Wizard().BitBtn6);
    EXPECT_EQ(PathOf(2), "D:\\Docs");
    EXPECT_EQ(Rows()[2], "Office|D:\\Docs|3 M");
    EXPECT_EQ(Rows()[1], "");
}

TEST_F(PathPageTest, GrayedProductsAreListedAndSizesOf2GiBAndMoreDoNotWrap) {
    Create();
    Wizard().CheckListBox1.SetState(0, vcl::TCheckBoxState::cbGrayed);
    SizeOf(0, 0) = 0x7FFFFFFF;
    SizeOf(0, 1) = 0x7FFFFFFF;  // together 4 GiB - 2 bytes
    Wizard().FillPathList();
    EXPECT_EQ(Rows()[0], "商店|C:\\Shop|4095 M");
}

TEST_F(PathPageTest, ARowSelectedEnablesBothPathButtonsAndNoSelectionDisablesThem) {
    Create();
    Wizard().CheckListBox1.SetChecked(1, false);
    Wizard().FillPathList();
    Wizard().ListView1.Select(1);  // an empty row is selected like any other
    EXPECT_TRUE(Wizard().BitBtn5.Enabled());
    EXPECT_TRUE(Wizard().BitBtn6.Enabled());
    Wizard().ListView1.Select(-1);
    EXPECT_FALSE(Wizard().BitBtn5.Enabled());
    EXPECT_FALSE(Wizard().BitBtn6.Enabled());
}

// ---- The folder browser ----

TEST_F(PathPageTest, BrowsingToADriveRootGivesTheDriveAndMovesEveryProductThere) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(1);
    script.Add(ScriptAction::Browse("E:\\"));
    Wizard().BitBtn5Click(&Wizard().BitBtn5);
    EXPECT_EQ(PathOf(0), "E:\\Shop");
    EXPECT_EQ(PathOf(1), "E:");
    EXPECT_EQ(PathOf(2), "E:\\Office\\");  // the browser leaves the others' backslashes alone
    EXPECT_EQ(Rows()[1], "工具|E:|0 M");
    EXPECT_FALSE(Wizard().BitBtn5.Enabled()) << "the list was rebuilt";
    ASSERT_EQ(backend.FolderBrowsers().size(), 1u);
    EXPECT_EQ(backend.FolderBrowsers()[0].title, "请选择一个新文件夹的位置");
    EXPECT_EQ(backend.FolderBrowsers()[0].startPath, "");
    EXPECT_EQ(backend.FolderBrowsers()[0].flags, 0u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PathPageTest, BrowsingToAFolderDropsItsTrailingBackslash) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    script.Add(ScriptAction::Browse("D:\\Program Files\\Shop\\"));
    Wizard().BitBtn5Click(&Wizard().BitBtn5);
    EXPECT_EQ(PathOf(0), "D:\\Program Files\\Shop");
    EXPECT_EQ(PathOf(1), "D:\\Tools\\Bin");
    EXPECT_EQ(PathOf(2), "D:\\Office\\");
}

TEST_F(PathPageTest, BrowserRefusalsAndCancelLeaveEveryPathAsItWas) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    const std::vector<std::string> before{PathOf(0), PathOf(1), PathOf(2)};
    script.Add(ScriptAction::Browse(""));  // an item that is no file-system folder
    script.Add(ScriptAction::Browse("\\\\server\\share"));
    script.Add(ScriptAction::BrowseCancel());
    for (int i = 0; i < 3; ++i) Wizard().BitBtn5Click(&Wizard().BitBtn5);
    EXPECT_EQ((std::vector<std::string>{PathOf(0), PathOf(1), PathOf(2)}), before);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text, "您选择的路径无效！请重新选择路径！");
    EXPECT_EQ(Boxes()[1].text, "您不能在“网上邻居”中安装！请重新选择路径！");
    for (const auto& box : Boxes()) {
        EXPECT_EQ(box.caption, "提示");
        EXPECT_EQ(box.flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    }
    EXPECT_EQ(Wizard().ListView1.SelectedIndex(), 0) << "the list was not rebuilt";
}

// Only paths that begin with a drive letter move: an empty path has no drive, and the first byte of a
// server share, a relative path or a path that begins with a double-byte character is no drive letter.
TEST_F(PathPageTest, PathsWithoutADriveLetterStayAsTheyAreWhenTheOthersMoveDrive) {
    Create();
    PathOf(2).clear();
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    script.Add(ScriptAction::Browse("E:\\Apps"));
    Wizard().BitBtn5Click(&Wizard().BitBtn5);
    EXPECT_EQ(PathOf(0), "E:\\Apps");
    EXPECT_EQ(PathOf(1), "E:\\Tools\\Bin");
    EXPECT_EQ(PathOf(2), "");

    for (const char* path : {"\\\\server\\share\\x", "Office\\Bin", "办公\\Office"}) {
        PathOf(2) = path;
        Wizard().ListView1.Select(0);  // the list rebuilt by the last move has no selection
        script.Add(ScriptAction::Browse("F:\\"));
        Wizard().BitBtn5Click(&Wizard().BitBtn5);
        EXPECT_EQ(PathOf(2), path);
        EXPECT_EQ(PathOf(1), "F:\\Tools\\Bin");
        PathOf(1) = "E:\\Tools\\Bin";
    }
    EXPECT_EQ(Rows()[2], "Office|办公\\Office|0 M");
}

// ---- The path dialog from the page ----

TEST_F(PathPageTest, PathDialogCancelledChangesNothingAndKeepsTheList) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(1);
    script.Add(ScriptAction::Type("Edit1", "D:\\Other"));
    script.Add(ScriptAction::Click("BitBtn2"));
    Wizard().BitBtn6Click(&Wizard().BitBtn6);
    EXPECT_EQ(PathOf(0), "C:\\Shop");
    EXPECT_EQ(PathOf(1), "D:\\Tools\\Bin");
    EXPECT_EQ(Wizard().ListView1.SelectedIndex(), 1) << "the list was not rebuilt";
    EXPECT_TRUE(Wizard().BitBtn6.Enabled());
}

// ---- The summary ----

TEST_F(PathPageTest, SummaryListsCheckedProductsWithTheirSelectedModulesOnly) {
    Create();
    Wizard().CheckListBox1.SetChecked(1, false);
    Wizard().EdtInsName.SetText("SHOPDB");  // neither the instance name nor the paths are summarised
    Wizard().ListBox1.Items.Add("old line");
    Wizard().FillSummary();
    EXPECT_EQ(Wizard().ListBox1.Items.Lines(),
              (std::vector<std::string>{"安装信息：", " ", "商店", "    Client", "    Shop", " ", "Office", "    Docs",
                                        " "}));
}

// ---- The disk-space check ----

TEST_F(PathPageTest, RequirementOfExactlyTheFreeSpaceFitsAndOneKiBMoreDoesNot) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 100 * MiB});
    SizeOf(0, 0) = 60 * MiB;
    SizeOf(0, 1) = 30 * MiB;
    SizeOf(1, 0) = 6 * MiB;  // product 2 lies on D:, but only the first product's drive is measured
    SizeOf(2, 0) = 4 * MiB;
    Table().IsWin9x = false;
    EXPECT_FALSE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().RequiredBytes, 100 * MiB);
    EXPECT_EQ(Wizard().FreeMB, 100);
    EXPECT_EQ(Wizard().DriveNo, 3);
    EXPECT_EQ(drives->freeSpaceCalls, (std::vector<std::string>{"Ex C:\\"})) << "total free bytes, NT family";

    SizeOf(2, 0) += 1023;
    EXPECT_FALSE(Wizard().CheckDiskSpace());
    SizeOf(2, 0) += 1;
    EXPECT_TRUE(Wizard().CheckDiskSpace());
    EXPECT_EQ(wizard::ShortageMessage(Wizard().RequiredBytes, Wizard().DriveNo, Wizard().FreeMB),
              "磁盘空间不够，至少需要 100 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
              "“C”盘只有 100兆 的剩余空间！");
}

TEST_F(PathPageTest, UncheckedProductsStillCountAndALowerCaseDriveIsMeasuredUpperCased) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 10 * MiB});
    PathOf(0) = "c:\\shop";
    Wizard().CheckListBox1.SetChecked(2, false);
    SizeOf(2, 0) = 11 * MiB;
    Table().IsWin9x = true;
    EXPECT_TRUE(Wizard().CheckDiskSpace());
    EXPECT_EQ(drives->freeSpaceCalls, (std::vector<std::string>{"A C:\\"}));
    EXPECT_EQ(Wizard().DriveNo, 3);
    EXPECT_EQ(Wizard().FreeMB, 10);
    EXPECT_EQ(PathOf(0), "c:\\shop") << "the stored path keeps its case";
    EXPECT_NE(wizard::ShortageMessage(Wizard().RequiredBytes, Wizard().DriveNo, Wizard().FreeMB).find("“C”盘"),
              std::string::npos);
}

TEST_F(PathPageTest, SelectionsOf2GiBAndMoreAreShortOnASmallDrive) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 1024 * MiB});
    SizeOf(0, 0) = 0x7FFFFFFF;
    SizeOf(0, 1) = 0x7FFFFFFF;
    SizeOf(1, 0) = 0x7FFFFFFF;  // about 6 GiB: a 32-bit sum would come out negative
    SizeOf(2, 0) = 0;
    EXPECT_TRUE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().RequiredBytes, 3 * int64_t(0x7FFFFFFF));
    EXPECT_NE(wizard::ShortageMessage(Wizard().RequiredBytes, Wizard().DriveNo, Wizard().FreeMB)
                  .find("至少需要 6143 兆"),
              std::string::npos);
}

TEST_F(PathPageTest, AModuleOf3GiBIsShortOnADriveWith2AndAHalfGiBFree) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 2560 * MiB});
    SizeOf(0, 0) = 3072 * MiB;  // one module beyond the 2 GiB a 32-bit size could hold
    SizeOf(0, 1) = 0;
    SizeOf(1, 0) = 0;
    SizeOf(2, 0) = 0;
    Wizard().FillPathList();
    EXPECT_EQ(Rows()[0], "商店|C:\\Shop|3072 M");
    for (bool win9x : {false, true}) {
        Table().IsWin9x = win9x;
        EXPECT_TRUE(Wizard().CheckDiskSpace()) << win9x;
        EXPECT_EQ(Wizard().RequiredBytes, 3072 * MiB);
        EXPECT_EQ(Wizard().FreeMB, 2560);
        EXPECT_EQ(wizard::ShortageMessage(Wizard().RequiredBytes, Wizard().DriveNo, Wizard().FreeMB),
                  "磁盘空间不够，至少需要 3072 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
                  "“C”盘只有 2560兆 的剩余空间！");
    }
    SizeOf(0, 0) = 2560 * MiB;  // exactly the free space: fits
    EXPECT_FALSE(Wizard().CheckDiskSpace());
}

// A drive that cannot be measured has no free space: neither the figure of the drive measured before nor
// anything else lets the selection through, and the message names the drive that was asked.
TEST_F(PathPageTest, ADriveWhoseFreeSpaceCannotBeMeasuredCountsAsFull) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 50 * MiB});
    SizeOf(0, 0) = 40 * MiB;
    EXPECT_FALSE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().FreeMB, 50);

    PathOf(0) = "Q:\\Shop";  // no such drive
    for (bool win9x : {false, true}) {
        Table().IsWin9x = win9x;
        EXPECT_TRUE(Wizard().CheckDiskSpace()) << win9x;
        EXPECT_EQ(Wizard().FreeMB, 0);
        EXPECT_EQ(Wizard().DriveNo, 17);
        EXPECT_EQ(wizard::ShortageMessage(Wizard().RequiredBytes, Wizard().DriveNo, Wizard().FreeMB)
                      .substr(std::string("磁盘空间不够，至少需要 ").size()),
                  "40 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n“Q”盘只有 0兆 的剩余空间！");
    }

    // A drive that exists but whose calls fail (no medium, no access) is no different.
    PathOf(0) = "D:\\Shop";
    drives->Set('D', {os::DriveType::Fixed, 20480 * MiB, false});
    EXPECT_TRUE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().FreeMB, 0);
    EXPECT_EQ(Wizard().DriveNo, 4);

    // Choosing a drive that can be measured lets the selection through again.
    PathOf(0) = "C:\\Shop";
    EXPECT_FALSE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().FreeMB, 50);
}

// Only a path that begins with a drive letter names a drive to measure. Without one the check has nothing
// to compare with and reports no shortage; it never names the drive "@" (letter 0 + 64) or "\".
TEST_F(PathPageTest, AFirstProductWithoutADriveLetterIsNotMeasured) {
    Create();
    drives->Set('C', {os::DriveType::Fixed, 0});
    SizeOf(0, 0) = 40 * MiB;
    SizeOf(0, 1) = SizeOf(1, 0) = SizeOf(2, 0) = 0;
    EXPECT_TRUE(Wizard().CheckDiskSpace());
    EXPECT_EQ(Wizard().DriveNo, 3);
    for (const char* path : {"", "\\\\server\\share\\Shop", "Shop"}) {
        drives->freeSpaceCalls.clear();
        PathOf(0) = path;
        EXPECT_FALSE(Wizard().CheckDiskSpace()) << path;
        EXPECT_EQ(Wizard().RequiredBytes, 40 * MiB) << "the sum is still made";
        EXPECT_EQ(Wizard().DriveNo, 0) << path;
        EXPECT_EQ(Wizard().FreeMB, 0) << path;
        EXPECT_TRUE(drives->freeSpaceCalls.empty()) << path;
    }
}

}  // namespace
}  // namespace wizard_test
