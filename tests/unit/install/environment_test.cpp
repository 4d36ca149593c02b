// The environment stage's frame (its steps in order under their status texts, the progress controls and
// the status line) and its first step, the products' INI files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/stage_fixture.h"
#include "support/test_machine.h"
#include "wizard/setup_guide.h"

namespace {

using namespace install_test;

// The six windows on a two-product medium whose products install below a scratch folder: product 1 into
// "Shop Program" (made, so it has a short form), product 2 into "Tools" (not made). Both start checked.
class EnvironmentStage : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
        shopPath = folder + "\\Shop Program";
        toolsPath = folder + "\\Tools";
        os::files().createDirectory(shopPath);
        WriteTwoProductMedium("MainPath1=" + shopPath + "\r\nMainPath2=" + toolsPath + "\r\nDefaultMSDE=SHOPDB\r\n");
        RemoveBootFiles();
        ASSERT_NO_FATAL_FAILURE(CreateWindows(2));
    }

    void TearDown() override {
        InstallStage::TearDown();
        RemoveBootFiles();
    }

    // Describes one INI file of product p (0-based) in its table.
    app::TIniFileSpec& IniFile(int p, int f, const std::string& path, const std::string& name,
                               const std::vector<app::TIniEntry>& entries) {
        app::TProductConfig& config = Table().ProductConfigs[size_t(p)];
        config.IniFileCount = std::max(config.IniFileCount, f + 1);
        app::TIniFileSpec& spec = config.IniFiles[size_t(f)];
        spec.Path = path;
        spec.FileName = name;
        spec.EntryCount = int(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) spec.Entries[i] = entries[i];
        return spec;
    }
    std::string Value(const std::string& file, const std::string& section, const std::string& key) {
        return os::profile().readString(file, section, key, "<none>");
    }

    std::string shopPath, toolsPath;
};

struct StepSeen {
    std::string step, status;
    bool repainted;  // the status line was repainted since the step before
    bool operator==(const StepSeen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StepSeen& seen) {
    return out << seen.step << " [" << os::codePage().ansiToUtf8(seen.status) << "]" << (seen.repainted ? " repainted" : "");
}

TEST_F(EnvironmentStage, StepsRunInOrderUnderTheirStatusTexts) {
    std::vector<StepSeen> seen;
    int paints = backend.PaintCount(Table().Label5);
    Table().OnEnvironmentStep = [&](const std::string& step) {
        const int now = backend.PaintCount(Table().Label5);
        seen.push_back({step, Table().Label5.Caption(), now > paints});
        paints = now;
    };
    Table().ConfigureEnvironment();
    const std::string ini = "正在配置“系统配置文件”...", registry = "正在配置“系统注册表”...";
    EXPECT_EQ(seen, (std::vector<StepSeen>{{"WriteIniFiles", ini, true},
                                           {"RegisterProducts", registry, true},
                                           {"RegisterInstallInfo", registry, false},
                                           {"RegisterRunOnce", registry, false},
                                           {"CopyUninstaller", registry, false},
                                           {"WriteLoginInfo", registry, false},
                                           {"RegisterUninstall", registry, false},
                                           {"EditAutoexecBat", "正在配置“AUTOEXEC.BAT...", true},
                                           {"EditConfigSys", "正在配置“CONFIG.SYS...", true}}));
}

TEST_F(EnvironmentStage, ProgressControlsAreHiddenAndTheStatusLineSitsAboveTheGauge) {
    app::TMainForm& m = Table();
    for (vcl::TControl* shown : std::initializer_list<vcl::TControl*>{&m.Label5, &m.CGauge1, &m.amPack, &m.amFile})
        shown->Show();
    m.CGauge1.SetTop(600);
    m.Label5.SetTop(100);
    bool hiddenDuringRegistration = false;
    m.OnEnvironmentStep = [&](const std::string& step) {
        if (step == "RegisterUninstall")
            hiddenDuringRegistration = !m.CGauge1.Visible() && !m.amPack.Visible() && !m.amFile.Visible();
    };
    m.ConfigureEnvironment();
    EXPECT_TRUE(hiddenDuringRegistration);
    EXPECT_EQ(m.Label5.Top(), 600 - m.Label5.Height() - 5);
    EXPECT_TRUE(m.Label5.Visible());
    // The boot-file steps show the gauge again; the meters stay hidden.
    EXPECT_TRUE(m.CGauge1.Visible());
    EXPECT_FALSE(m.amPack.Visible());
    EXPECT_FALSE(m.amFile.Visible());
}

// Product 1's file lies in its own folder, named through the macro; its entries use every macro, and the
// table keeps the substituted texts. Product 2 is unchosen: nothing of it is written.
TEST_F(EnvironmentStage, IniEntriesOfChosenProductsAreWrittenWithTheirMacrosReplaced) {
    app::frmSetupGuide->EdtInsName.SetText("SHOPDB");
    const std::string existing = shopPath + "\\shop.ini";
    test_support::WriteFile(existing, "; kept\r\n[Server]\r\nInstance=OLD\r\nPort=1433\r\n");
    app::TIniFileSpec& shop = IniFile(0, 0, "_MAINPATH_1", "shop.ini",
                                      {{"Server", "Instance", "_MSDE_"},
                                       {"Paths", "System", "_winsys_\\odbc.dll"},
                                       {"Paths", "Data", "_MAINPATH_1\\data"},
                                       {"_MSDE_", "Home", "_WIN_"}});
    IniFile(1, 0, toolsPath, "tools.ini", {{"Main", "Path", "_MAINPATH_2"}});
    Choose("x-");

    Table().WriteIniFiles();

    const std::string shortShop = ShortOf(shopPath);
    const std::string systemDirectory = os::system().systemDirectory();
    EXPECT_EQ(Value(existing, "Server", "Instance"), "SHOPDB");
    EXPECT_EQ(Value(existing, "Server", "Port"), "1433");
    EXPECT_EQ(Value(existing, "Paths", "System"), systemDirectory + "\\odbc.dll");
    EXPECT_EQ(Value(existing, "Paths", "Data"), shortShop + "\\data");
    EXPECT_EQ(Value(existing, "SHOPDB", "Home"), os::system().windowsDirectory());
    EXPECT_EQ(ReadText(existing).rfind("; kept\r\n[Server]\r\nInstance=SHOPDB\r\n", 0), 0u);
    EXPECT_EQ(shop.Entries[1].Rest, systemDirectory + "\\odbc.dll");
    EXPECT_EQ(shop.Entries[3].A, "SHOPDB");
    EXPECT_EQ(shop.Path, "_MAINPATH_1");  // the file name is built anew, the table's parts stay
    EXPECT_EQ(Table().CGauge1.Progress(), 4);  // entries written
    EXPECT_FALSE(test_support::FileExists(toolsPath + "\\tools.ini"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(EnvironmentStage, GrayedProductCountsAsChosen) {
    os::files().createDirectory(toolsPath);
    IniFile(1, 0, toolsPath, "tools.ini", {{"Main", "Path", "_MAINPATH_2"}});
    Choose("xg");
    Table().WriteIniFiles();
    EXPECT_EQ(Value(toolsPath + "\\tools.ini", "Main", "Path"), ShortOf(toolsPath));
}

TEST_F(EnvironmentStage, FilesWithoutEntriesOrBeyondTheCountAreNotCreated) {
    IniFile(0, 0, shopPath, "empty.ini", {});
    // A second file described in the table but outside IniFileCount.
    IniFile(0, 1, shopPath, "beyond.ini", {{"S", "K", "V"}});
    Table().ProductConfigs[0].IniFileCount = 1;
    Table().WriteIniFiles();
    EXPECT_FALSE(test_support::FileExists(shopPath + "\\empty.ini"));
    EXPECT_FALSE(test_support::FileExists(shopPath + "\\beyond.ini"));
}

TEST_F(EnvironmentStage, IniFileThatCannotBeWrittenIsNotedOnceAndTheOthersAreStillWritten) {
    const std::string missingFolder = folder + "\\no such folder";
    IniFile(0, 0, missingFolder, "lost.ini", {{"A", "K1", "1"}, {"A", "K2", "2"}});
    IniFile(0, 1, shopPath, "kept.ini", {{"A", "K", "V"}});
    Table().WriteIniFiles();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find(missingFolder + "\\lost.ini"), std::string::npos) << failures[0];
    EXPECT_EQ(Value(shopPath + "\\kept.ini", "A", "K"), "V");
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
