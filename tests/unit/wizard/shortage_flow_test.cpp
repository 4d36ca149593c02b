// The disk-space shortage at the summary step (Parts 3.1 and 3.3): the flow shows the message built from
// RequiredBytes, DriveNo and FreeMB, and page 7 stays with Next reading "下一步(&N)". Simulated machine
// only: the free space is the machine's.
#include <gtest/gtest.h>

#ifndef _WIN32
#include "os/machine.h"
#include "os/sim/sim_machine.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;

namespace {

// Drive C's free space for one test.
class FreeSpace {
public:
    explicit FreeSpace(uint64_t bytes) : drive_(dynamic_cast<os::sim::SimMachine&>(os::machine()).drive('C')) {
        saved_ = drive_->freeBytes;
        drive_->freeBytes = bytes;
    }
    ~FreeSpace() { drive_->freeBytes = saved_; }

private:
    os::sim::Drive* drive_;
    uint64_t saved_ = 0;
};

}  // namespace

TEST_F(WizardTest, ShortageKeepsThePathPageAndAFixedSelectionPassesOnTheNextTry) {
    WriteStandardMedium();
    CreateForms();
    FreeSpace free(uint64_t(1) << 20);
    GoToModePage();
    Mode(1);  // no instance page
    Table().Modules[1][0][0].Size = 5 << 20;
    Next();
    ASSERT_EQ(Wizard().PageNo, 7);
    size_t shown = shownPages.size();
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_EQ(shownPages.size(), shown);
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "下一步(&N)");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "提示");
    EXPECT_EQ(Boxes()[0].flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    EXPECT_EQ(Boxes()[0].text,
              "磁盘空间不够，至少需要 5 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
              "“C”盘只有 1兆 的剩余空间！");
    EXPECT_EQ(Wizard().RequiredBytes / 1048576, 5);
    EXPECT_EQ(Wizard().DriveNo, 3);
    EXPECT_EQ(Wizard().FreeMB, 1);
    // The summary was built before the check.
    ASSERT_GT(Wizard().ListBox1.Items.Count(), 0);
    EXPECT_EQ(Wizard().ListBox1.Items[0], "安装信息：");
    Table().Modules[1][0][0].Size = 1000;
    Next();
    EXPECT_EQ(Wizard().PageNo, 8);
    EXPECT_EQ(Wizard().BitBtn2.Caption(), "安装(&I)");
}

#endif  // !_WIN32
