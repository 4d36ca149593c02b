// The path dialog: its design on wide and narrow screens, filling it for the selected row, the drive-type
// refusals and what an accepted path does to every product.
#include <gtest/gtest.h>

#include "wizard/install_paths.h"
#include "wizard/path_page_fixture.h"
#include "wizard/setup_prompt.h"

namespace wizard_test {
namespace {

TEST_F(PathPageTest, PathDialogIsBuiltAsDesigned) {
    Create();
    wizard::TfrmPath& d = Dialog();
    EXPECT_EQ(d.Caption(), "安装路径设置");
    EXPECT_EQ(d.ClientWidth(), 367);
    EXPECT_EQ(d.ClientHeight(), 76);
    EXPECT_EQ(d.BorderStyle(), vcl::TBorderStyle::bsSingle);
    EXPECT_EQ(d.BorderIcons(), 0u);
    EXPECT_EQ(d.Label1.Left(), 8);
    EXPECT_EQ(d.Label1.Top(), 8);
    EXPECT_EQ(d.Edit1.BoundsRect(), (vcl::TRect{8, 24, 8 + 353, 24 + d.Edit1.Height()}));
    EXPECT_EQ(d.BitBtn1.BoundsRect(), (vcl::TRect{184, 50, 184 + 57, 50 + 25}));
    EXPECT_EQ(d.BitBtn1.Caption(), "确认");
    EXPECT_TRUE(d.BitBtn1.Default());
    EXPECT_EQ(d.BitBtn1.ModalResult(), vcl::mrOk);
    EXPECT_EQ(d.BitBtn2.BoundsRect(), (vcl::TRect{272, 50, 272 + 57, 50 + 25}));
    EXPECT_EQ(d.BitBtn2.Caption(), "取消");
    EXPECT_TRUE(d.BitBtn2.Cancel());
    EXPECT_EQ(d.BitBtn2.ModalResult(), vcl::mrCancel);
}

TEST_F(PathPageTest, PathDialogShrinksOnNarrowScreensAndSitsAt250) {
    drives->screenWidth = 800;
    Create();
    wizard::TfrmPath& d = Dialog();
    EXPECT_EQ(d.Top(), 250);
    EXPECT_EQ(d.BitBtn1.BoundsRect(), (vcl::TRect{184 * 25 / 32, 50 * 28 / 32 + 1, 184 * 25 / 32 + 57 * 25 / 32,
                                                  50 * 28 / 32 + 1 + 25 * 25 / 32}));
    EXPECT_EQ(d.BitBtn2.Left(), 272 * 25 / 32);
    EXPECT_EQ(d.BitBtn2.Top(), 50 * 28 / 32 + 1);
    EXPECT_EQ(d.Edit1.Left(), 8 * 25 / 32);
    EXPECT_EQ(d.Edit1.Top(), 24 * 28 / 32);
    EXPECT_EQ(d.Edit1.Width(), 353 * 25 / 32);
    // The frame is the backend's (none headless), so the outer size is the client's here.
    EXPECT_EQ(d.Width(), 367 * 25 / 32);
    EXPECT_EQ(d.Height(), 76 * 28 / 32);
}

TEST_F(PathPageTest, PathDialogAddsOnePromptMarkWhenCreated) {
    Create();
    std::string before = app::frmPrompt->Prompt.Caption();
    wizard::TfrmPath another(nullptr);
    another.AfterConstruction();
    EXPECT_EQ(app::frmPrompt->Prompt.Caption(), before + "■");
}

TEST_F(PathPageTest, PathDialogShowsTheSelectedProductAndItsPath) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(1);
    Dialog().FormShow(&Dialog());
    EXPECT_EQ(Dialog().Label1.Caption(), "“工具”的安装路径");
    EXPECT_EQ(Dialog().Edit1.Text(), "D:\\Tools\\Bin");
}

// Pressing "确认" as a user does: the button's OK result first, then its handler.
vcl::TModalResult Confirm(wizard::TfrmPath& dialog, const std::string& typed) {
    dialog.SetModalResult(vcl::mrNone);
    dialog.Edit1.SetText(typed);
    dialog.BitBtn1.Click();
    return dialog.ModalResult();
}

TEST_F(PathPageTest, PathsOnMissingFloppyNetworkOrCdRomDrivesAreRefusedAndTheDialogStaysOpen) {
    drives->Set('A', {os::DriveType::Removable, 0});
    drives->Set('N', {os::DriveType::Remote, 0});
    drives->Set('E', {os::DriveType::CdRom, 0});
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    const struct {
        const char* typed;
        const char* refusal;
    } cases[] = {
        {"Q:\\Apps", "所选择的磁盘分区不存在，请重新选择！"},
        {"a:\\Apps", "所选择的路径位于软驱上，不能安装，请重新选择！"},
        {"N:\\Apps", "所选择的路径为网络路径，不能安装，请重新选择！"},
        {"E:\\", "所选择的路径为光盘路径，请重新选择！"},
        // Without a drive letter the products would not know their drive.
        {"Apps\\Shop", "所选择的磁盘分区不存在，请重新选择！"},
        {"", "所选择的磁盘分区不存在，请重新选择！"},
        {"\\\\server\\share\\Shop", "所选择的磁盘分区不存在，请重新选择！"},
        {"  D:\\Apps", "所选择的磁盘分区不存在，请重新选择！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        size_t boxes = Boxes().size();
        EXPECT_EQ(Confirm(Dialog(), c.typed), vcl::mrNone);
        ASSERT_EQ(Boxes().size(), boxes + 1);
        EXPECT_EQ(Boxes().back().text, c.refusal);
        EXPECT_EQ(Boxes().back().caption, "警告");
        EXPECT_EQ(Boxes().back().flags, unsigned(vcl::mbOK));
    }
    EXPECT_EQ(PathOf(0), "C:\\Shop");
    EXPECT_EQ(PathOf(1), "D:\\Tools\\Bin");
    EXPECT_EQ(PathOf(2), "C:\\Office\\");
}

TEST_F(PathPageTest, AcceptedPathMovesEveryProductAndSetsTheSelectedOneWithoutTrailingBackslash) {
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    EXPECT_EQ(Confirm(Dialog(), "D:\\Program Files\\Shop\\ "), vcl::mrOk);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(PathOf(0), "D:\\Program Files\\Shop");
    EXPECT_EQ(PathOf(1), "D:\\Tools\\Bin");
    EXPECT_EQ(PathOf(2), "D:\\Office") << "the others lose a trailing backslash too";

    Wizard().ListView1.Select(2);
    EXPECT_EQ(Confirm(Dialog(), "c:\\"), vcl::mrOk);
    EXPECT_EQ(PathOf(0), "c:\\Program Files\\Shop");
    EXPECT_EQ(PathOf(1), "c:\\Tools\\Bin");
    EXPECT_EQ(PathOf(2), "c:");
}

// The medium may give a product a path on a server share, a relative path or one that begins with a
// Chinese folder name; moving the others to the typed drive must leave such paths whole.
TEST_F(PathPageTest, AcceptedPathLeavesPathsWithoutADriveLetterWhole) {
    Create();
    PathOf(1) = "\\\\server\\share\\Tools\\";
    PathOf(2) = "办公\\Office\\";
    Wizard().FillPathList();
    Wizard().ListView1.Select(0);
    EXPECT_EQ(Confirm(Dialog(), "D:\\Shop"), vcl::mrOk);
    EXPECT_EQ(PathOf(0), "D:\\Shop");
    EXPECT_EQ(PathOf(1), "\\\\server\\share\\Tools\\");
    EXPECT_EQ(PathOf(2), "办公\\Office\\");

    // The product of the selected row takes the typed path whatever its own was.
    Wizard().ListView1.Select(1);
    EXPECT_EQ(Confirm(Dialog(), "C:\\Tools\\"), vcl::mrOk);
    EXPECT_EQ(PathOf(0), "C:\\Shop");
    EXPECT_EQ(PathOf(1), "C:\\Tools");
    EXPECT_EQ(PathOf(2), "办公\\Office\\");
}

TEST_F(PathPageTest, RamDisksAndDrivesOfUnknownTypeAreAccepted) {
    drives->Set('R', {os::DriveType::RamDisk, 0});
    drives->Set('U', {os::DriveType::Unknown, 0});
    Create();
    Wizard().FillPathList();
    Wizard().ListView1.Select(1);
    EXPECT_EQ(Confirm(Dialog(), "R:\\Tools"), vcl::mrOk);
    EXPECT_EQ(PathOf(1), "R:\\Tools");
    EXPECT_EQ(Confirm(Dialog(), "U:\\Tools"), vcl::mrOk);
    EXPECT_EQ(PathOf(1), "U:\\Tools");
    EXPECT_EQ(PathOf(0), "U:\\Shop");
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace wizard_test
