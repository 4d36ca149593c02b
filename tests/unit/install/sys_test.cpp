// The system operations: removing files whatever their attributes, privileges, the NT test and restart
// requests, the desktop shortcut and its command splitting, the last-error boxes of shell links, and
// directories created with a shell notice.
#include <gtest/gtest.h>

#include <thread>

#include "install/stage_fixture.h"
#include "support/test_machine.h"
#include "sys/reg.h"
#include "sys/syscomm.h"
#include "vcl/dialogs.h"

#ifndef _WIN32
#include "os/sim/lnk_writer.h"
#include "os/sim/sim_shell.h"
#include "os/sim/sim_system.h"
#endif

namespace {

using namespace install_test;

const unsigned kExclamationOk = vcl::mbOK | vcl::mbIconWarning;

// The operations need no windows: only the scratch folder, the backend and the user's Desktop folder,
// which some tests point elsewhere.
class SystemOperations : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
        KeepShellFolder("Desktop");
    }
};

// --- RemoveFile and privileges ---

TEST_F(SystemOperations, RemoveFileDeletesReadOnlyHiddenAndSystemFiles) {
    const std::string file = In("old.dll");
    test_support::WriteFile(file, "old");
    ASSERT_TRUE(os::files().setFileAttributes(file, os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem));
    EXPECT_TRUE(sys::RemoveFile(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(sys::RemoveFile(file)) << "a missing file gives false";
    EXPECT_TRUE(Boxes().empty());
#ifndef _WIN32
    const auto& calls = os::sim::SimSystemOf(Sim()).privilegeCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().name, "SeDebugPrivilege");
    EXPECT_TRUE(calls.back().enable);
#endif
}

TEST_F(SystemOperations, AFileThatCannotBeDeletedKeepsItsAttributes) {
    const std::string file = In("busy.dll");
    test_support::WriteFile(file, "in use");
    ASSERT_TRUE(os::files().setFileAttributes(file, os::kAttrReadOnly | os::kAttrHidden));
    // What the file system keeps of them (Wine keeps no hidden flag on some host file systems).
    const uint32_t kept = os::files().getFileAttributes(file) & (os::kAttrReadOnly | os::kAttrHidden);
    ASSERT_TRUE(kept & os::kAttrReadOnly);
    {
        auto open = os::files().openFile(file, os::kOpenRead | os::kShareExclusive);
        ASSERT_TRUE(open);
        EXPECT_FALSE(sys::RemoveFile(file));
        EXPECT_EQ(os::system().lastError(), os::kErrorSharingViolation);
    }
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(os::files().getFileAttributes(file) & (os::kAttrReadOnly | os::kAttrHidden), kept);
}

TEST_F(SystemOperations, PrivilegesAreAdjustedByKnownNamesOnly) {
    EXPECT_TRUE(sys::SetPrivilege("SeShutdownPrivilege", true));
    EXPECT_FALSE(sys::SetPrivilege("SeNoSuchPrivilege", true));
}

// --- The NT test and restarting (a restart is only ever requested of the simulated machine) ---

TEST_F(SystemOperations, IsWinNTFollowsThePlatform) {
    EXPECT_TRUE(sys::IsWinNT());
#ifndef _WIN32
    Sim().settings().versionWord = 0xC0000A04;  // Windows 98
    EXPECT_FALSE(sys::IsWinNT());
#endif
}

#ifndef _WIN32
TEST_F(SystemOperations, ReBootSystemEnablesShutdownOnNtAndRequestsARestart) {
    auto& system = os::sim::SimSystemOf(Sim());
    const size_t privileges = system.privilegeCalls().size(), requests = system.exitRequests().size();
    EXPECT_TRUE(sys::ReBootSystem());
    ASSERT_EQ(system.privilegeCalls().size(), privileges + 1);
    EXPECT_EQ(system.privilegeCalls().back().name, "SeShutdownPrivilege");
    ASSERT_EQ(system.exitRequests().size(), requests + 1);
    EXPECT_EQ(system.exitRequests().back(), 2u) << "EWX_REBOOT";

    Sim().settings().versionWord = 0xC0000A04;  // the 9x family has no privileges to enable
    EXPECT_TRUE(sys::ReBootSystem());
    EXPECT_EQ(system.privilegeCalls().size(), privileges + 1);
    EXPECT_EQ(system.exitRequests().size(), requests + 2);
}

TEST_F(SystemOperations, InstallSysServiceStartsTheProgramHiddenWithItsSwitches) {
    auto& shell = os::sim::SimShellOf(Sim());
    EXPECT_EQ(sys::InstallSysService("Svc", In("svc.exe")), 0);
    ASSERT_FALSE(shell.startedPrograms().empty());
    EXPECT_EQ(shell.startedPrograms().back().file, In("svc.exe") + " /Install /Silent");
    EXPECT_EQ(shell.startedPrograms().back().showCommand, os::kSwHide);
}
#endif

// --- The desktop shortcut ---

class DesktopShortcut : public SystemOperations {
protected:
    void SetUp() override {
        SystemOperations::SetUp();
        desktop = In("Desktop");
        ASSERT_TRUE(os::files().createDirectory(desktop));
        ASSERT_TRUE(os::registry().writeString(HKCU, kShellFolders, "Desktop", desktop));
        ASSERT_TRUE(os::files().createDirectory(In("Bin")));
        test_support::WriteFile(In("Bin\\Tool.exe"), "MZ");
        ASSERT_GE(os::shell().initializeCom(), 0);
    }
    void TearDown() override {
        os::shell().uninitializeCom();
        SystemOperations::TearDown();
    }
#ifndef _WIN32
    os::sim::detail::LinkContents Link(const std::string& name) {
        auto bytes = test_support::ReadFile(desktop + "\\" + name + ".lnk");
        return os::sim::detail::ReadShellLink(std::string(bytes.begin(), bytes.end()));
    }
#endif
    // The Desktop value is written again before every shortcut: Wine's shell puts the real folder back
    // into the user's Shell Folders whenever it resolves it.
    void CreateShortCut(const std::string& commandLine, const std::string& name) {
        ASSERT_TRUE(os::registry().writeString(HKCU, kShellFolders, "Desktop", desktop));
        sys::CreateShortCut(commandLine, name);
    }
    std::string desktop;
};

TEST_F(DesktopShortcut, AProgramInAnExistingFolderGetsItsParametersAsArguments) {
    CreateShortCut("  " + In("Bin\\Tool.exe") + " -a  b \t", "Tool");
    ASSERT_TRUE(Exists(desktop + "\\Tool.lnk"));
#ifndef _WIN32
    auto link = Link("Tool");
    EXPECT_EQ(link.localBasePath, In("Bin\\Tool.exe"));
    EXPECT_EQ(link.arguments, "-a  b");
    EXPECT_EQ(link.workingDirectory, In("Bin"));
#endif
}

TEST_F(DesktopShortcut, WithoutItsFolderTheWholeLineIsThePath) {
    CreateShortCut(In("Missing\\Tool.EXE -a"), "Missing");
    ASSERT_TRUE(Exists(desktop + "\\Missing.lnk"));
#ifndef _WIN32
    auto link = Link("Missing");
    EXPECT_EQ(link.localBasePath, In("Missing\\Tool.EXE -a"));
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.workingDirectory, In("Missing"));
#endif
    // ".EXE" not followed by a blank: no arguments either.
    CreateShortCut(In("Bin\\Tool.exe"), "Plain");
    ASSERT_TRUE(Exists(desktop + "\\Plain.lnk"));
#ifndef _WIN32
    EXPECT_EQ(Link("Plain").arguments, "");
    EXPECT_EQ(Link("Plain").workingDirectory, In("Bin"));
#endif
    EXPECT_TRUE(Boxes().empty());
}

// --- Shell links and their error boxes ---

class Links : public SystemOperations {
protected:
    void SetUp() override {
        SystemOperations::SetUp();
        test_support::WriteFile(In("tool.exe"), "MZ");
        ASSERT_GE(os::shell().initializeCom(), 0);
    }
    void TearDown() override {
        os::shell().uninitializeCom();
        SystemOperations::TearDown();
    }
};

TEST_F(Links, ASavedLinkShowsNothing) {
    bool shown = true;
    EXPECT_EQ(sys::CreateLink(In("tool.exe"), In("Tool.LNK"), "", folder, &shown), 0);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(Exists(In("Tool.LNK")));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Links, ALinkIntoAMissingFolderShowsTheLastErrorAndReturnsTheFailure) {
    bool shown = false;
    const int32_t status = sys::CreateLink(In("tool.exe"), In("No Folder\\Tool.LNK"), "", folder, &shown);
    EXPECT_EQ(status, static_cast<int32_t>(0x80070003));
    EXPECT_TRUE(shown);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, os::system().errorText(os::kErrorPathNotFound));
    EXPECT_FALSE(Boxes()[0].text.empty());
    EXPECT_EQ(Boxes()[0].caption.rfind("Generic, Line=", 0), 0u) << Boxes()[0].caption;
    EXPECT_EQ(Boxes()[0].caption.substr(Boxes()[0].caption.size() - 14), ", File=reg.cpp");
    EXPECT_EQ(Boxes()[0].flags, kExclamationOk);
}

TEST_F(Links, ALinkObjectThatCannotBeMadeIsReturnedWithoutABox) {
    int32_t status = 0;
    bool shown = true;
    // A thread of its own has no COM.
    std::thread([&] { status = sys::CreateLink(In("tool.exe"), In("NoCom.LNK"), "", folder, &shown); }).join();
    EXPECT_LT(status, 0);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(Exists(In("NoCom.LNK")));
}

TEST_F(SystemOperations, ShowLastErrorNamesTheLineAndFileOrTheBareCode) {
    os::system().setLastError(os::kErrorAccessDenied);
    sys::ShowLastError(321, "Unit1.cpp");
    const uint32_t noText = 0x20001234;  // a customer code: the system has no text for it
    os::system().setLastError(noText);
    sys::ShowLastError(7, "Unit1.cpp");
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].caption, "Generic, Line=321, File=Unit1.cpp");
    EXPECT_EQ(Boxes()[0].text, os::system().errorText(os::kErrorAccessDenied));
    EXPECT_EQ(Boxes()[0].flags, kExclamationOk);
    EXPECT_EQ(Boxes()[1].caption, "Generic");
    EXPECT_EQ(Boxes()[1].text, "An error occured calling FormatMessage().Error Code 536875572");
    EXPECT_EQ(Boxes()[1].flags, kExclamationOk);
}

TEST_F(SystemOperations, CreateFolderNotifiesTheShellAndAlwaysSucceeds) {
    EXPECT_TRUE(sys::CreateFolder(In("New")));
    EXPECT_TRUE(os::files().getFileAttributes(In("New")) & os::kAttrDirectory);
    EXPECT_TRUE(sys::CreateFolder(In("New"))) << "an existing directory";
    EXPECT_TRUE(sys::CreateFolder(In("No\\Such\\Level"))) << "a directory that cannot be made";
    EXPECT_FALSE(Exists(In("No")));
#ifndef _WIN32
    const auto& notices = os::sim::SimShellOf(Sim()).createdDirectoryNotices();
    ASSERT_GE(notices.size(), 3u);
    EXPECT_EQ(notices[notices.size() - 3], In("New"));
    EXPECT_EQ(notices.back(), In("No\\Such\\Level"));
#endif
}

}  // namespace
