// SETUP.EXE /S on the test machine: the command line, the exit statuses, the default answers, the log and
// the journal, and the fold of journalled changes into the report's "changes".
#include <gtest/gtest.h>

#include <sstream>

#include "journal/change.h"
#include "os/machine.h"
#include "setup/change_log.h"
#include "setup/setup_run_fixture.h"
#include "setup/unattended_options.h"
#include "setup/unattended_run.h"
#include "support/test_machine.h"

using namespace setup_test;

namespace {

using unattended::Options;
using unattended::OptionsError;
using unattended::ParseOptions;

TEST(UnattendedOptions, SlashOrDashInAnyCaseAndClearErrors) {
    EXPECT_FALSE(ParseOptions({}).silent);
    Options o = ParseOptions({"/s", "-Session=C:\\a b.txt", "/LOG=x.json"});
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.session, "C:\\a b.txt");
    EXPECT_EQ(o.log, "x.json");
    EXPECT_TRUE(ParseOptions({"-S"}).session.empty());
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"/S", "/X"}, {"/S", "/SESSION="}, {"/S", "/LOG"}, {"/S", "/S"}, {"/LOG=a", "/S", "/LOG=b"},
             {"/SESSION=a"}, {"S"}, {"/"}, {"/S", "file.txt"}, {"/SILENT"}})
        EXPECT_THROW(ParseOptions(bad), OptionsError) << bad.back();
}

TEST(UnattendedExitStatus, FollowsHowTheRunEnded) {
    setupcheck::Report r;
    r.endKind = "error";
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 1);
    r.endKind = "session";
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 3);
    EXPECT_EQ(unattended::ExitStatusOf(r, true), 2);
    r.endKind = "closed";
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 1) << "no wizard: stopped at start-up";
    r.wizard.shown.push_back({});
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 3) << "cancelled";
    r.wizard.result = 1;
    r.steps = {1, 2, 3};
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 1) << "confirmed but not to its end";
    r.steps = {1, 2, 3, 4, 5};
    EXPECT_EQ(unattended::ExitStatusOf(r, false), 0);
}

// Changes made and undone in one run leave nothing; a name keeps its first spelling whatever the case of
// later calls.
TEST(UnattendedFold, TheMachineAsTheRunLeftIt) {
    using journal::Change;
    using journal::ChangeKind;
    auto file = [](const char* path, uint64_t size, bool replaced) {
        Change c;
        c.kind = ChangeKind::FileWritten;
        c.path = path;
        c.size = size;
        c.replaced = replaced;
        return c;
    };
    auto of = [](ChangeKind kind, const char* path, const char* name = "", std::optional<std::string> previous = {}) {
        Change c;
        c.kind = kind;
        c.path = path;
        c.name = name;
        c.value = "v";
        c.previous = previous;
        return c;
    };
    std::vector<Change> changes = {
        file("C:\\App\\a.exe", 1, false), file("c:\\app\\A.EXE", 2, true),  // written twice: the last state
        file("C:\\App\\tmp", 3, false), of(ChangeKind::FileDeleted, "C:\\App\\TMP"),  // made and removed
        of(ChangeKind::FileDeleted, "C:\\old.txt"),                                  // existed before
        of(ChangeKind::RegistryKeyCreated, "HKLM\\SOFTWARE\\Shop"),
        of(ChangeKind::RegistryValueSet, "HKLM\\SOFTWARE\\Shop", "Path"),
        of(ChangeKind::RegistryValueSet, "HKLM\\SOFTWARE\\Shop", "Temp"),
        of(ChangeKind::RegistryValueDeleted, "HKLM\\software\\shop", "TEMP", "v"),   // made here: gone
        of(ChangeKind::RegistryValueDeleted, "HKLM\\SOFTWARE\\Shop", "Old", "x"),    // existed: deleted
        of(ChangeKind::RegistryKeyDeleted, "HKCU\\Gone"),
        of(ChangeKind::ProgramStarted, "C:\\App\\a.exe"),
    };
    setupcheck::ReportChanges out;
    std::vector<setupcheck::ReportLaunch> launched;
    unattended::FoldChanges(changes, out, launched);
    ASSERT_EQ(out.files.size(), 1u);
    EXPECT_EQ(out.files.begin()->first, "C:\\App\\a.exe");
    EXPECT_EQ(out.files.begin()->second.size, 2u);
    EXPECT_EQ(out.deleted, (std::vector<std::string>{"C:\\old.txt"}));
    ASSERT_EQ(out.registry.size(), 2u);
    const auto& shop = out.registry.at("HKLM\\SOFTWARE\\Shop");
    ASSERT_TRUE(shop);
    EXPECT_EQ(shop->size(), 2u);
    EXPECT_EQ(shop->at("Path"), "v");
    EXPECT_EQ(shop->at("Old"), std::nullopt);
    EXPECT_FALSE(out.registry.at("HKCU\\Gone"));
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].program, "C:\\App\\a.exe");
}

class Unattended : public SetupRun {
protected:
    int RunWith(const std::vector<std::string>& arguments) {
        std::ostringstream err;
        int status = unattended::RunUnattended(ParseOptions(arguments), err);
        errors = err.str();
        return status;
    }
    std::string Text(const std::string& path) {
        std::vector<uint8_t> bytes = test_support::ReadFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string errors;
};

TEST_F(Unattended, DefaultAnswersInstallAndTheLogAndJournalRecordEveryChange) {
    WriteMedium();
    const std::string log = test_support::MakeTempDir() + "\\run.json";
    EXPECT_EQ(RunWith({"/S", "/LOG=" + log}), 0) << errors;
    EXPECT_EQ(errors, "");
    ASSERT_TRUE(test_support::FileExists("C:\\Shop\\readme.txt"));
    const std::string json = Text(log);
    EXPECT_NE(json.find("\"exit\": 0"), std::string::npos);
    EXPECT_NE(json.find("\"kind\": \"closed\""), std::string::npos);
    EXPECT_NE(json.find("\"C:\\\\Shop\\\\readme.txt\": {"), std::string::npos) << "in changes.files";
    EXPECT_NE(json.find("\"journal\": ["), std::string::npos);
    // The journal lists the same file, one change a line, as it was written.
    const std::string journal = Text(log + ".journal");
    EXPECT_NE(journal.find("{\"kind\": \"file\", \"path\": \"C:\\\\Shop\\\\readme.txt\", \"size\": 7"),
              std::string::npos);
    EXPECT_EQ(journal.back(), '\n');
    EXPECT_TRUE(vcl::Application->Forms().empty()) << "the windows are freed";
}

TEST_F(Unattended, CancelFailureAndBadInputEndWithTheirStatusAndNeverWait) {
    WriteMedium();
    const std::string dir = test_support::MakeTempDir();
    test_support::WriteFile(dir + "\\cancel.txt", std::string("click BitBtn1\nanswer ok\n"));
    EXPECT_EQ(RunWith({"/S", "/SESSION=" + dir + "\\cancel.txt"}), 3);
    test_support::WriteFile(dir + "\\short.txt", std::string("click BitBtn2\n"));
    EXPECT_EQ(RunWith({"/S", "/SESSION=" + dir + "\\short.txt"}), 3) << "the session ends before the wizard";
    test_support::WriteFile(dir + "\\unknown.txt", std::string("click NoSuchButton\n"));
    EXPECT_EQ(RunWith({"/S", "/SESSION=" + dir + "\\unknown.txt", "/LOG=" + dir + "\\u.json"}), 2);
    EXPECT_NE(Text(dir + "\\u.json").find("NoSuchButton"), std::string::npos);
    test_support::WriteFile(dir + "\\bad.txt", std::string("jump BitBtn2\n"));
    EXPECT_EQ(RunWith({"/S", "/SESSION=" + dir + "\\bad.txt", "/LOG=" + dir + "\\b.json"}), 2);
    EXPECT_NE(errors.find("line 1"), std::string::npos) << errors;
    EXPECT_NE(Text(dir + "\\b.json").find("\"kind\": \"arguments\""), std::string::npos);
    EXPECT_EQ(RunWith({"/S", "/SESSION=" + dir + "\\none.txt"}), 2);
    EXPECT_NE(errors.find("none.txt"), std::string::npos);

    os::files().deleteFile(In("CONFIG.INI"));
    EXPECT_EQ(RunWith({"/S"}), 1) << "the stop message at start-up";
}

}  // namespace
