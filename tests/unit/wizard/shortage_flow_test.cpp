// The disk-space check at the summary step: on a shortage the flow shows the message built from
// RequiredBytes, DriveNo and FreeMB, and page 7 stays with Next reading "下一步(&N)". The drives come from
// a drive table, so the same cases run on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include "vcl/headless/actions.h"
#include "wizard/drive_table.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;

namespace {

constexpr int64_t MiB = 1048576;

// The standard medium at page 7 in mode 1 (no instance page), with its first product on drive C.
class ShortageFlow : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        WriteStandardMedium();
        CreateForms();
        GoToModePage();
        Mode(1);
        Next();
        ASSERT_EQ(Wizard().PageNo, 7);
    }
    // Next from page 7 that must stop there: the page is not shown again and Next keeps its caption.
    void NextStaysOnThePathPage() {
        size_t shown = shownPages.size();
        Next();
        EXPECT_EQ(Wizard().PageNo, 7);
        EXPECT_EQ(shownPages.size(), shown);
        EXPECT_EQ(Wizard().BitBtn2.Caption(), "下一步(&N)");
    }
    app::TModule& Lead() { return Table().Modules[1][0][0]; }
    DriveTable drives;
};

TEST_F(ShortageFlow, ShortageKeepsThePathPageAndAFixedSelectionPassesOnTheNextTry) {
    drives.Set('C', {os::DriveType::Fixed, uint64_t(MiB)});
    Lead().Size = 5 * MiB;
    NextStaysOnThePathPage();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "提示");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    EXPECT_EQ(Boxes()[0].text,
              "磁盘空间不够，至少需要 5 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
              "“C”盘只有 1兆 的剩余空间！");
    EXPECT_EQ(Wizard().RequiredBytes / MiB, 5);
    EXPECT_EQ(Wizard().DriveNo, 3);
    EXPECT_EQ(Wizard().FreeMB, 1);
    // The summary was built before the check.
    ASSERT_GT(Wizard().ListBox1.Items.Count(), 0);
    EXPECT_EQ(Wizard().ListBox1.Items[0], "安装信息：");
    Lead().Size = 1000;
    Next();
    EXPECT_EQ(Wizard().PageNo, 8);
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "安装(&I)");
}

// A drive whose free space cannot be measured stops the user with the message instead of letting the
// copy start; choosing a path on a drive that can be measured lets the user on.
TEST_F(ShortageFlow, AnUnmeasurableDriveStopsWithTheMessageUntilAnotherPathIsChosen) {
    drives.Set('C', {os::DriveType::Fixed, uint64_t(100) * MiB, false});
    drives.Set('D', {os::DriveType::Fixed, uint64_t(100) * MiB});
    Lead().Size = 5 * MiB;
    NextStaysOnThePathPage();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].text.find("“C”盘只有 0兆 的剩余空间！"), std::string::npos);

    vcl::headless::SelectItem(Wizard(), "ListView1", 0);
    script.Add(vcl::headless::ScriptAction::Type("Edit1", "D:\\Shop"));
    script.Add(vcl::headless::ScriptAction::Click("BitBtn1"));
    Click("BitBtn6");
    ASSERT_EQ(Table().Products[0].MainPath, "D:\\Shop");
    Next();
    EXPECT_EQ(Wizard().PageNo, 8);
    EXPECT_EQ(Boxes().size(), 1u);
}

// A first product without a path names no drive: the summary follows without a message about drive "@".
TEST_F(ShortageFlow, AFirstProductWithoutAPathGoesOnToTheSummary) {
    Lead().Size = 5 * MiB;
    Table().Products[0].MainPath.clear();
    Next();
    EXPECT_EQ(Wizard().PageNo, 8);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(drives.freeSpaceCalls.empty());
}

}  // namespace
