// Contract of the port's shell links, where a creation stops: callers that report only failed saves (with
// the thread's last error) rely on the step being told apart from a link object that could not be made.
#include <thread>

#include "contract_support.h"

namespace contract {
namespace {

class ShellLinkSteps : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        ASSERT_GE(os::shell().initializeCom(), 0);
        Put("tool.exe", "MZ");
    }
    void TearDown() override {
        os::shell().uninitializeCom();
        PortTest::TearDown();
    }
    os::ShellLinkSpec Spec() { return {Path("tool.exe"), "", dir_, ""}; }
};

TEST_F(ShellLinkSteps, ASavedLinkReachesTheEnd) {
    os::ShellLinkStep reached = os::ShellLinkStep::CreateObject;
    EXPECT_EQ(os::shell().createShellLink(Spec(), Path("Tool.lnk"), true, reached), 0);
    EXPECT_EQ(reached, os::ShellLinkStep::Saved);
    EXPECT_NE(fs().getFileAttributes(Path("Tool.lnk")), os::kInvalidAttributes);
}

TEST_F(ShellLinkSteps, WithoutComTheObjectIsNotCreated) {
    os::ShellLinkStep reached = os::ShellLinkStep::Saved;
    int32_t status = 0;
    std::thread([&] { status = os::shell().createShellLink(Spec(), Path("NoCom.lnk"), true, reached); }).join();
    EXPECT_LT(status, 0);
    EXPECT_EQ(reached, os::ShellLinkStep::CreateObject);
}

TEST_F(ShellLinkSteps, AMissingFolderAndAnOverlongNameFailAtTheSave) {
    os::ShellLinkStep reached = os::ShellLinkStep::Saved;
    EXPECT_LT(os::shell().createShellLink(Spec(), Path("No Folder\\Tool.lnk"), true, reached), 0);
    EXPECT_EQ(reached, os::ShellLinkStep::Save);
    EXPECT_EQ(os::system().lastError(), os::kErrorPathNotFound);

    reached = os::ShellLinkStep::Saved;
    EXPECT_LT(os::shell().createShellLink(Spec(), Path(std::string(270, 'n')) + ".lnk", true, reached), 0);
    EXPECT_EQ(reached, os::ShellLinkStep::Save);
}

}  // namespace
}  // namespace contract
