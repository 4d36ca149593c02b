// setupcheck simulate: whole runs of the setup on a small medium (the wizard confirmed, cancelled, left
// waiting), the report's JSON form, and the arguments and files that end the command with status 2.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/machine.h"
#include "setupcheck/report.h"
#include "setupcheck/simulate.h"
#include "support/zip_builder.h"

namespace fs = std::filesystem;
using namespace setupcheck;

namespace {

void WriteHost(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

class Simulation : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "simulate-test-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder = pattern;
        medium = folder / "medium";
        // Two products, three modes; texts are the program's code page, as on a real medium.
        WriteHost(medium / "SETUP.INI",
                  "[InstallMode]\r\nMode1=完全安装,0,全部\r\nMode2=客户端,0,只装客户端\r\nMode3=服务器,1,服务器\r\n"
                  "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\n"
                  "[Products Name]\r\nProductName1=商店,1,0,ShopKey\r\nProductName2=Tools,1,0,ToolsKey\r\n"
                  "[Product1Mode1]\r\nName1=MSDE2000,1,,,1,a.dat,\r\n"
                  "[Product1Mode2]\r\nName1=Client,1,,,1,a.dat,\r\n"
                  "[Product1Mode3]\r\nName1=MSDE2000,0,,,1,a.dat,\r\n"
                  "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
        test_support::ZipBuilder zip;
        zip.Add("readme.txt", std::string("package"));
        std::vector<uint8_t> bytes = zip.Build();
        WriteHost(medium / "a.dat", std::string(bytes.begin(), bytes.end()));
        WriteHost(medium / "CONFIG.INI", "[Additional Programs]\r\nName1=Readme,notepad.exe readme.txt\r\n");
        WriteHost(medium / "notepad.exe", "MZ");
        WriteHost(medium / "COMMENT.INI", "[Product1Ins1Mod1]\r\nName=数据库\r\n");
        previousMachine = &os::machine();
    }
    void TearDown() override {
        // The run must hand the test machine back.
        EXPECT_EQ(&os::machine(), previousMachine);
        fs::remove_all(folder);
    }

    Report Run(const std::string& session) {
        SimulateOptions options;
        options.medium = medium.string();
        options.sessionFile = (folder / "session.txt").string();
        WriteHost(options.sessionFile, session);
        return Simulate(options);
    }
    int Command(const std::vector<std::string>& arguments, std::string* out = nullptr, std::string* err = nullptr) {
        std::ostringstream o, e;
        int status = RunSimulateCommand(arguments, o, e);
        if (out) *out = o.str();
        if (err) *err = e.str();
        return status;
    }

    fs::path folder, medium;
    os::Machine* previousMachine = nullptr;
};

// Through the wizard to the install command: Next, the licence accepted, Next to page 5, then Next through
// the instance page (mode 1's lead module is a selected "MSDE2000"), the path page and the summary.
const std::string kInstall = "click BitBtn2\nclick RadioButton1\n" + [] {
    std::string nexts;
    for (int i = 0; i < 7; ++i) nexts += "click BitBtn2\n";
    return nexts;
}();

// The report's texts are UTF-8; the sources' plain literals become the program's code page.
std::string U(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TEST_F(Simulation, ConfirmedWizardRunsEveryStepAndLaunchesTheAdditionalProgram) {
    Report report = Run(kInstall);
    EXPECT_EQ(report.endKind, "closed");
    EXPECT_EQ(report.endMessage, "");
    EXPECT_EQ(report.steps, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(report.messages.empty());
    EXPECT_EQ(report.wizard.result, 1);
    EXPECT_EQ(report.wizard.products, (std::vector<std::string>{"checked", "checked"}));
    EXPECT_EQ(report.wizard.paths, (std::vector<std::string>{"C:\\Shop", "C:\\Tools"}));
    ASSERT_EQ(report.wizard.modules.size(), 2u);
    EXPECT_EQ(report.wizard.modules[0], std::vector<int>{1});
    ASSERT_EQ(report.launched.size(), 1u);
    EXPECT_EQ(report.launched[0].program, "notepad.exe");
    EXPECT_EQ(report.launched[0].parameters, " readme.txt");  // the blank after the program stays
    EXPECT_EQ(report.launched[0].show, "minimize");
    EXPECT_EQ(report.busy.size(), 1u);
    // Prompt marks: two, then one per mode and per product, in UTF-8.
    EXPECT_EQ(report.prompt.size(), (2u + 3u + 2u) * 3u) << report.prompt;
    EXPECT_TRUE(report.unused.empty());
}

TEST_F(Simulation, CancelledWizardReportsTheQuestionAndActionsLeftOver) {
    Report report = Run("click BitBtn1\nanswer ok\nclick BitBtn2\n");
    EXPECT_EQ(report.endKind, "closed");
    EXPECT_EQ(report.steps, std::vector<int>{1});
    ASSERT_EQ(report.messages.size(), 1u);
    const ReportMessage& box = report.messages[0];
    EXPECT_EQ(box.caption, "\xE6\x8F\x90\xE7\xA4\xBA\xEF\xBC\x81");  // "提示！" in UTF-8
    EXPECT_EQ(box.icon, "warning");
    EXPECT_EQ(box.buttons, "okcancel");
    EXPECT_EQ(box.answer, "ok");
    EXPECT_EQ(box.by, "session");
    EXPECT_EQ(report.wizard.result, 0);
    EXPECT_TRUE(report.launched.empty());
    EXPECT_EQ(report.unused, std::vector<std::string>{"click BitBtn2"});
}

TEST_F(Simulation, SessionThatRunsOutOrIsRefusedEndsTheRun) {
    Report empty = Run("");
    EXPECT_EQ(empty.endKind, "session");
    EXPECT_FALSE(empty.endMessage.empty());
    EXPECT_EQ(empty.steps, std::vector<int>{1});

    Report refused = Run("click NoSuchButton\n");
    EXPECT_EQ(refused.endKind, "session");
    EXPECT_NE(refused.endMessage.find("NoSuchButton"), std::string::npos) << refused.endMessage;
}

TEST_F(Simulation, WizardPagesAreReportedAsShownWithThePathListAndTheSummary) {
    Report report = Run(kInstall);
    EXPECT_EQ(report.wizard.pages, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(report.wizard.shown.size(), 8u);
    const ReportShownPage& welcome = report.wizard.shown[0];
    EXPECT_EQ(welcome.page, 1);
    EXPECT_EQ(welcome.title, "");  // the header is hidden on page 1
    EXPECT_EQ(welcome.next, U(u8"下一步(&N)"));
    EXPECT_TRUE(welcome.nextEnabled);
    EXPECT_FALSE(welcome.backVisible);
    const ReportShownPage& licence = report.wizard.shown[1];
    EXPECT_EQ(licence.title, U(u8"许可协议"));
    EXPECT_EQ(licence.description, U(u8"许可协议描述了您的权利与义务"));
    EXPECT_FALSE(licence.nextEnabled);  // nothing accepted yet
    EXPECT_TRUE(licence.backVisible);
    EXPECT_EQ(report.wizard.shown[5].title, U(u8"产品配置"));
    const ReportShownPage& summary = report.wizard.shown[7];
    EXPECT_EQ(summary.page, 8);
    EXPECT_EQ(summary.title, U(u8"准备复制文件"));
    EXPECT_EQ(summary.next, U(u8"安装(&I)"));
    ASSERT_EQ(report.wizard.pathlist.size(), 2u);
    EXPECT_EQ(report.wizard.pathlist[0][0], U(u8"商店"));
    EXPECT_EQ(report.wizard.pathlist[0][1], "C:\\Shop");
    ASSERT_FALSE(report.wizard.summary.empty());
    EXPECT_EQ(report.wizard.summary[0], U(u8"安装信息："));
    std::string json = ReportToJson(report);
    EXPECT_NE(json.find("\"next_enabled\": false"), std::string::npos) << json;
    EXPECT_NE(json.find("\"back_visible\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"pathlist\": ["), std::string::npos) << json;
}

TEST_F(Simulation, RefusedInstanceNameIsAMessageAndThePageStays) {
    Report report = Run("click BitBtn2\nclick RadioButton1\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\n"
                        "click BitBtn2\ntype EdtInsName my db\nclick BitBtn2\n");
    EXPECT_EQ(report.endKind, "session");
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0].text, U(u8"实例中包含特殊字符"));
    EXPECT_EQ(report.messages[0].caption, U(u8"提示"));
    EXPECT_EQ(report.messages[0].icon, "stop");
    EXPECT_EQ(report.wizard.pages.back(), 6);
    EXPECT_EQ(report.wizard.instance, "my db");
}

TEST_F(Simulation, CommandWritesTheJsonReport) {
    WriteHost(folder / "session.txt", kInstall);
    std::string out;
    ASSERT_EQ(Command({medium.string(), "--session", (folder / "session.txt").string()}, &out), 0);
    EXPECT_NE(out.find("\"steps\": [1, 2, 3, 4, 5]"), std::string::npos) << out;
    EXPECT_NE(out.find("\"kind\": \"closed\""), std::string::npos) << out;

    // The same run into a file, on a machine given by a machine file and a root with a file already on C:.
    WriteHost(folder / "root" / "c" / "OLD.TXT", "old");
    WriteHost(folder / "machine.ini", "[Machine]\nSetupFolder=D:\\SETUP\n[Drives]\nC=fixed,100\nD=cdrom\n");
    std::string report = (folder / "report.json").string();
    ASSERT_EQ(Command({medium.string(), "--session", (folder / "session.txt").string(), "--machine",
                       (folder / "machine.ini").string(), "--root", (folder / "root").string(), "--report", report}),
              0);
    std::ifstream in(report);
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(json.find("\"kind\": \"closed\""), std::string::npos) << json;
    EXPECT_EQ(json.find("OLD.TXT"), std::string::npos) << json;  // untouched, so no change
    // The root was copied, not used.
    EXPECT_FALSE(fs::exists(folder / "root" / "d"));
}

TEST_F(Simulation, LinksInTheMediumAndRootAreCopiedAsLinksNotFollowed) {
    // A folder link back up the tree (as a Wine prefix's drive links are) would make a followed copy
    // endless; the copy keeps it a link.
    fs::create_directory_symlink(folder, medium / "loop");
    fs::create_directories(folder / "root" / "c");
    fs::create_directory_symlink(folder, folder / "root" / "c" / "loop");
    WriteHost(folder / "session.txt", "click BitBtn1\nanswer ok\n");
    EXPECT_EQ(Command({medium.string(), "--session", (folder / "session.txt").string(), "--root",
                       (folder / "root").string()}),
              0);
}

TEST_F(Simulation, BadArgumentsAndFilesExitWithTwo) {
    std::string err;
    EXPECT_EQ(Command({}, nullptr, &err), 2);
    EXPECT_NE(err.find("medium"), std::string::npos);
    EXPECT_EQ(Command({medium.string(), "--bogus"}), 2);
    EXPECT_EQ(Command({medium.string(), "--session"}), 2);
    EXPECT_EQ(Command({medium.string(), medium.string()}), 2);
    EXPECT_EQ(Command({medium.string(), "--in-place"}), 2);
    EXPECT_EQ(Command({(folder / "missing").string()}), 2);
    EXPECT_EQ(Command({medium.string(), "--session", (folder / "missing.txt").string()}), 2);
    WriteHost(folder / "bad-session.txt", "jump BitBtn2\n");
    EXPECT_EQ(Command({medium.string(), "--session", (folder / "bad-session.txt").string()}, nullptr, &err), 2);
    EXPECT_NE(err.find("1"), std::string::npos) << err;
    WriteHost(folder / "bad-machine.ini", "[Machine]\nScreen=huge\n");
    EXPECT_EQ(Command({medium.string(), "--machine", (folder / "bad-machine.ini").string()}), 2);
    WriteHost(folder / "nowhere.ini", "[Machine]\nSetupFolder=Q:\\\n");
    EXPECT_EQ(Command({medium.string(), "--machine", (folder / "nowhere.ini").string()}), 2);
}

TEST(ReportJson, EscapesTextsAndWritesEmptyFields) {
    EXPECT_EQ(JsonString("a\"b\\c\r\n\x01"), "\"a\\\"b\\\\c\\r\\n\\u0001\"");
    EXPECT_EQ(JsonString("\xE4\xB8\xAD"), "\"\xE4\xB8\xAD\"");  // UTF-8 passes through
    EXPECT_EQ(JsonString("\xD6\xD0"), "\"\\ufffd\\ufffd\"");    // stray GBK bytes never reach the output
    Report report;
    report.changes.files["C:\\A.TXT"] = {12, 0x1a2b3c4d};
    report.changes.registry["HKLM\\SOFTWARE\\X"] = std::map<std::string, std::optional<std::string>>{{"Name", "data"}};
    report.changes.registry["HKLM\\SOFTWARE\\OLD"] = std::nullopt;
    std::string json = ReportToJson(report);
    EXPECT_NE(json.find("\"C:\\\\A.TXT\": {\n        \"size\": 12,\n        \"crc32\": \"1a2b3c4d\"\n      }"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"HKLM\\\\SOFTWARE\\\\OLD\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"Name\": \"data\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"messages\": [],"), std::string::npos) << json;
    EXPECT_NE(json.find("\"unused\": []\n}"), std::string::npos) << json;
}
