// Registration of an installation: the products' own registry keys, the install information key, RunOnce,
// the uninstaller copy, the login-information file, the uninstall entry and the per-package file lists.
// The windows are created on a three-product medium as the program creates them; each test sets the
// product marks and the table members it needs and calls the registration steps directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "install/faulty_machine.h"
#include "install/stage_fixture.h"
#include "support/test_machine.h"

namespace {

using namespace install_test;

// RegKeys of the three products; unusual enough not to meet another test's keys in a shared registry.
const char* const kRegKeys[] = {"RegTestShop", "RegTestTools", "RegTestReport"};
const std::string kRunOnce = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE";
const std::string kUninstall = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\Tessarine RegTestShop";
// The RunOnce value name: "晨帆", product 1's Name, a blank and its RegKey.
const std::string kRunOnceName = "晨帆商店 RegTestShop";

std::string Value(const std::string& key, const std::string& name) {
    std::string value;
    return os::registry().readString(HKLM, key, name, value) ? value : "<missing>";
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class Registration : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
#ifndef _WIN32
        // A Windows directory of this test's own, so copies from earlier tests are not found there.
        Sim().settings().windowsDirectory = test_support::MakeTempDir();
#endif
        windows = os::system().windowsDirectory();
        shop = folder + "\\Shop";
        os::files().createDirectory(shop);
        WriteMedium("[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                    "[Default MainPath]\r\nMainPath1=" + shop + "\r\nMainPath2=" + folder +
                        "\\Tools\r\nMainPath3=" + folder + "\\Report\r\n"
                    "[Products Name]\r\nProductName1=商店,0,0,RegTestShop\r\n"
                    "ProductName2=Tools,0,0,RegTestTools\r\nProductName3=报表,0,0,RegTestReport\r\n");
        ASSERT_NO_FATAL_FAILURE(CreateWindows(3));
        Table().IsWin9x = false;

        for (const char* key : kRegKeys) DeleteTree(kFamily + key);
        DeleteTree("\\SOFTWARE\\RegTestProduct");
        DeleteTree(kUninstall);
        os::registry().deleteValue(HKLM, kRunOnce, kRunOnceName);
    }

    std::string shop, windows;
};

// --- The products' own keys ---

TEST_F(Registration, ProductKeysOfChosenProductsGetTheirValuesWithMacrosReplaced) {
    Choose("x-x");
    app::TProductConfig& first = Table().ProductConfigs[0];
    first.RegKeyCount = 2;
    first.RegKeys[0].Root = "\\SOFTWARE\\RegTestProduct\\Paths";  // from the root key
    first.RegKeys[0].EntryCount = 2;
    first.RegKeys[0].Entries[0] = {"Home", "_MAINPATH_1\\bin"};
    first.RegKeys[0].Entries[1] = {"_win_Dir", "_WIN_"};  // the name carries a macro too
    first.RegKeys[1].Root = "SOFTWARE\\RegTestProduct\\_WIN_";  // no leading backslash; no macro in a key path
    first.RegKeys[1].EntryCount = 1;
    first.RegKeys[1].Entries[0] = {"Flag", "1"};
    first.RegKeys[2].Root = "\\SOFTWARE\\RegTestProduct\\Beyond";  // past RegKeyCount
    first.RegKeys[2].EntryCount = 1;
    first.RegKeys[2].Entries[0] = {"No", "no"};
    Table().ProductConfigs[1].RegKeyCount = 1;  // product 2 is not chosen
    Table().ProductConfigs[1].RegKeys[0].Root = "\\SOFTWARE\\RegTestProduct\\Tools";
    Table().ProductConfigs[1].RegKeys[0].EntryCount = 1;
    Table().ProductConfigs[1].RegKeys[0].Entries[0] = {"No", "no"};
    app::TProductConfig& third = Table().ProductConfigs[2];
    third.RegKeyCount = 1;
    third.RegKeys[0].Root = "\\SOFTWARE\\RegTestProduct\\Report";
    third.RegKeys[0].EntryCount = 0;  // the key is created all the same

    Table().RegisterProducts();

    std::string shortShop;
    if (!os::system().shortPathName(shop, shortShop)) shortShop = shop;
    const std::string paths = "\\SOFTWARE\\RegTestProduct\\Paths";
    EXPECT_EQ(Value(paths, "Home"), shortShop + "\\bin");
    EXPECT_EQ(Value(paths, windows + "Dir"), windows);
    EXPECT_EQ(Value("\\SOFTWARE\\RegTestProduct\\_WIN_", "Flag"), "1");
    EXPECT_TRUE(os::registry().keyExists(HKLM, "\\SOFTWARE\\RegTestProduct\\Report"));
    EXPECT_FALSE(os::registry().keyExists(HKLM, "\\SOFTWARE\\RegTestProduct\\Beyond"));
    EXPECT_FALSE(os::registry().keyExists(HKLM, "\\SOFTWARE\\RegTestProduct\\Tools"));
    // The table keeps the replaced texts.
    EXPECT_EQ(first.RegKeys[0].Entries[1].A, windows + "Dir");
    EXPECT_EQ(Table().ProductConfigs[1].RegKeys[0].Entries[0].Rest, "no");
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(Boxes().empty());
}

// --- The install information key ---

TEST_F(Registration, InstallInformationNumbersTheChosenProductsUnderTheFirstProductsKey) {
    Choose("-xg");  // a grayed mark is chosen too
    Table().RegisterInstallInfo();
    const std::string key = kFamily + "RegTestShop";
    EXPECT_EQ(Value(key, "ProductName1"), "Tools");
    EXPECT_EQ(Value(key, "ProductPath1"), folder + "\\Tools");
    EXPECT_EQ(Value(key, "ProductUninstallFlag1"), "0");
    EXPECT_EQ(Value(key, "ProductName2"), "报表");
    EXPECT_EQ(Value(key, "ProductPath2"), folder + "\\Report");
    EXPECT_EQ(Value(key, "ProductUninstallFlag2"), "0");
    EXPECT_EQ(Value(key, "ProductNumber"), "2");
    EXPECT_EQ(os::registry().valueNames(HKLM, key).size(), 7u);
    EXPECT_FALSE(os::registry().keyExists(HKLM, kFamily + "RegTestTools"));
}

TEST_F(Registration, InstallInformationWithoutChosenProductsHoldsOnlyTheCount) {
    Choose("---");
    Table().RegisterInstallInfo();
    EXPECT_EQ(os::registry().valueNames(HKLM, kFamily + "RegTestShop"), std::vector<std::string>{"ProductNumber"});
    EXPECT_EQ(Value(kFamily + "RegTestShop", "ProductNumber"), "0");
}

// --- RunOnce ---

TEST_F(Registration, RunOnceKeepsTheLastEntryWhoseProgramExists) {
    test_support::WriteFile(folder + "\\svc1.exe", "MZ");
    test_support::WriteFile(folder + "\\svc2.exe", "MZ");
    os::files().createDirectory(folder + "\\folder.exe");  // a folder is no program
    Table().ServiceRunonceCount = 4;
    Table().ServiceRunonce[0] = folder + "\\svc1.exe /install";
    Table().ServiceRunonce[1] = " " + folder + "\\svc2.exe /s /q";  // tested on the trimmed path, written whole
    Table().ServiceRunonce[2] = folder + "\\missing.exe";
    Table().ServiceRunonce[3] = folder + "\\folder.exe";
    Table().RegisterRunOnce();
    EXPECT_EQ(Value(kRunOnce, kRunOnceName), " " + folder + "\\svc2.exe /s /q");
}

TEST_F(Registration, RunOnceEntriesAreMacroSubstitutedAndNamedPathsFromTheSetupFolder) {
    test_support::WriteFile(shop + "\\svc.exe", "MZ");
    test_support::WriteFile(folder + "\\local.exe", "MZ");
    Table().ServiceRunonceCount = 1;
    Table().ServiceRunonce[0] = "_MAINPATH_1\\svc.exe/start";
    Table().RegisterRunOnce();
    std::string written = Value(kRunOnce, kRunOnceName);
    EXPECT_NE(written.find("\\svc.exe/start"), std::string::npos) << written;
    EXPECT_EQ(written.find("_MAINPATH_"), std::string::npos) << written;

    Table().ServiceRunonce[0] = "local.exe";  // relative: the setup folder is the current directory
    Table().RegisterRunOnce();
    EXPECT_EQ(Value(kRunOnce, kRunOnceName), "local.exe");
}

TEST_F(Registration, RunOnceWithoutExistingProgramsWritesNothing) {
    Table().ServiceRunonceCount = 1;
    Table().ServiceRunonce[0] = folder + "\\missing.exe /s";
    Table().ServiceRunonce[1] = folder + "\\SETUP.INI";  // past the count
    Table().RegisterRunOnce();
    EXPECT_EQ(Value(kRunOnce, kRunOnceName), "<missing>");
    EXPECT_TRUE(os::registry().keyExists(HKLM, kRunOnce));
    EXPECT_TRUE(failures.empty());
}

// --- The uninstaller copy ---

TEST_F(Registration, UninstallerIsCopiedByteForByteAndReplacedOnTheNextRun) {
    std::vector<uint8_t> program(150000);  // longer than one copy buffer, with zero bytes
    for (size_t i = 0; i < program.size(); ++i) program[i] = uint8_t(i * 7 / 3);
    test_support::WriteFile(folder + "\\Setup.CHT", program);
    Table().CopyUninstaller();
    EXPECT_EQ(test_support::ReadFile(windows + "\\Tavrun2.EXE"), program);

    test_support::WriteFile(folder + "\\Setup.CHT", std::string("MZ new"));
    Table().CopyUninstaller();
    EXPECT_EQ(ReadText(windows + "\\Tavrun2.EXE"), "MZ new");
    EXPECT_TRUE(failures.empty());
}

TEST_F(Registration, MissingUninstallerSourceLeavesAnEarlierCopyAndIsNoted) {
    test_support::WriteFile(windows + "\\Tavrun2.EXE", std::string("old copy"));
    Table().CopyUninstaller();
    EXPECT_EQ(ReadText(windows + "\\Tavrun2.EXE"), "old copy");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Setup.CHT"), std::string::npos) << failures[0];
    EXPECT_TRUE(Boxes().empty());
}

// --- The login-information file ---

TEST_F(Registration, LoginInfoJoinsTheNonEmptyTextsWithTabs) {
    Table().LoginInfo[0] = "A";
    Table().LoginInfo[2] = "B";
    Table().WriteLoginInfo();
    EXPECT_EQ(test_support::ReadFile(shop + "\\logininfo.txt"), (std::vector<uint8_t>{'A', 9, 'B'}));

    // A later run replaces the file; a longer old file leaves nothing behind.
    test_support::WriteFile(shop + "\\logininfo.txt", std::string("a much longer old content"));
    Table().LoginInfo = {};
    Table().LoginInfo[5] = "用户";
    Table().LoginInfo[19] = "x y";
    Table().WriteLoginInfo();
    EXPECT_EQ(ReadText(shop + "\\logininfo.txt"), "用户\tx y");

    Table().LoginInfo = {};
    Table().WriteLoginInfo();
    EXPECT_TRUE(test_support::FileExists(shop + "\\logininfo.txt"));
    EXPECT_TRUE(test_support::ReadFile(shop + "\\logininfo.txt").empty());
    EXPECT_TRUE(failures.empty());
}

TEST_F(Registration, LoginInfoThatCannotBeCreatedIsNotedWithoutAMessage) {
    Table().Products[0].MainPath = folder + "\\NotThere";
    Table().LoginInfo[0] = "A";
    Table().WriteLoginInfo();
    EXPECT_FALSE(test_support::FileExists(folder + "\\NotThere\\logininfo.txt"));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("logininfo.txt"), std::string::npos) << failures[0];
    EXPECT_TRUE(Boxes().empty());
}

// --- The uninstall entry ---

TEST_F(Registration, UninstallEntryNamesTheCopiedUninstallerAndTheIconWhenItExists) {
    Table().RegisterUninstall();
    EXPECT_EQ(Value(kUninstall, "DisplayName"), "商店(RegTestShop)");
    EXPECT_EQ(Value(kUninstall, "UnInstallString"), windows + "\\Tavrun2.exe \"RegTestShop\"");
    EXPECT_EQ(Value(kUninstall, "DisplayIcon"), "<missing>");

    test_support::WriteFile(shop + "\\CTLX.EXE", "MZ");
    Table().RegisterUninstall();
    EXPECT_EQ(Value(kUninstall, "DisplayIcon"), shop + "\\CTLX.EXE");
}

// --- The file lists of extracted packages ---

TEST_F(Registration, FileNumbersRunOnAcrossPackagesAndProducts) {
    Table().RecordExtractedFiles(0, shop, {"a.exe", "b.dll", "doc/c.txt"});
    Table().RecordExtractedFiles(0, shop + "\\bin", {"d.dll", "e.dll"});
    Table().RecordExtractedFiles(1, "C:\\Tools", {"f.exe"});
    const std::string first = kFamily + "RegTestShop\\UninstallInfo1";
    EXPECT_EQ(Sorted(os::registry().valueNames(HKLM, first)),
              (std::vector<std::string>{"File0", "File1", "File2", "File3", "File4"}));
    EXPECT_EQ(Value(first, "File0"), shop + "\\a.exe");
    EXPECT_EQ(Value(first, "File2"), shop + "\\doc\\c.txt");  // the path the file was extracted to
    EXPECT_EQ(Value(first, "File3"), shop + "\\bin\\d.dll");
    EXPECT_EQ(Value(first, "File4"), shop + "\\bin\\e.dll");
    const std::string second = kFamily + "RegTestTools\\UninstallInfo2";
    EXPECT_EQ(os::registry().valueNames(HKLM, second), std::vector<std::string>{"File5"});
    EXPECT_EQ(Value(second, "File5"), "C:\\Tools\\f.exe");
    EXPECT_EQ(Table().UninstallFileNo, 6);
}

TEST_F(Registration, FileListsOnTheWindows95FamilyAreEmptyKeys) {
    Table().IsWin9x = true;
    Table().RecordExtractedFiles(2, folder + "\\Report", {"a.exe", "b.exe"});
    const std::string key = kFamily + "RegTestReport\\UninstallInfo3";
    EXPECT_TRUE(os::registry().keyExists(HKLM, key));
    EXPECT_TRUE(os::registry().valueNames(HKLM, key).empty());
    EXPECT_EQ(Table().UninstallFileNo, 0);
}

TEST_F(Registration, FileListOfAProductIndexOutsideTheTableIsRefused) {
    Table().RecordExtractedFiles(-1, shop, {"a.exe"});
    Table().RecordExtractedFiles(app::kMaxProducts, shop, {"a.exe"});
    EXPECT_EQ(failures.size(), 2u);
    EXPECT_EQ(Table().UninstallFileNo, 0);
}

// --- Running the installation again ---

// A second installation writes the same keys: values of the same names take the new texts, none is
// doubled. File numbers start from 0 again in a new run, so the file list's first values are replaced.
TEST_F(Registration, ReRunningTheInstallationOverwritesValuesOfTheSameNames) {
    app::TProductConfig& config = Table().ProductConfigs[0];
    config.RegKeyCount = 1;
    config.RegKeys[0].Root = "\\SOFTWARE\\RegTestProduct";
    config.RegKeys[0].EntryCount = 1;
    config.RegKeys[0].Entries[0] = {"Home", "first"};
    auto install = [&] {
        Table().UninstallFileNo = 0;
        Table().RegisterProducts();
        Table().RegisterInstallInfo();
        Table().RegisterUninstall();
    };
    Choose("xx-");
    install();
    Table().RecordExtractedFiles(0, shop, {"a.exe", "b.exe"});

    config.RegKeys[0].Entries[0] = {"Home", "second"};
    Table().Products[0].Name = "新商店";
    Choose("x-x");
    install();
    Table().RecordExtractedFiles(0, shop + "\\new", {"c.exe"});

    EXPECT_EQ(Value("\\SOFTWARE\\RegTestProduct", "Home"), "second");
    EXPECT_EQ(os::registry().valueNames(HKLM, "\\SOFTWARE\\RegTestProduct").size(), 1u);
    const std::string info = kFamily + "RegTestShop";
    EXPECT_EQ(Value(info, "ProductName1"), "新商店");
    EXPECT_EQ(Value(info, "ProductName2"), "报表");
    EXPECT_EQ(Value(info, "ProductPath2"), folder + "\\Report");
    EXPECT_EQ(Value(info, "ProductNumber"), "2");
    EXPECT_EQ(Value(kUninstall, "DisplayName"), "新商店(RegTestShop)");
    const std::string files = info + "\\UninstallInfo1";
    EXPECT_EQ(Value(files, "File0"), shop + "\\new\\c.exe");
    EXPECT_EQ(Value(files, "File1"), shop + "\\b.exe") << "a value the new run did not write stays";
    EXPECT_EQ(os::registry().valueNames(HKLM, files).size(), 2u);
}

// --- Registry writes that fail ---

// Forwards to the machine under test, but refuses keys whose path holds refusedKey and values named
// refusedValue, with ERROR_ACCESS_DENIED as the registry gives it for a key the user may not change.
class RefusingRegistry : public os::Registry {
public:
    explicit RefusingRegistry(os::Registry& inner) : inner_(inner) {}
    std::string refusedKey = "\x01", refusedValue = "\x01";
    int refusedWrites = 0;

    bool keyExists(os::RootKey r, const std::string& p) override { return inner_.keyExists(r, p); }
    bool createKey(os::RootKey r, const std::string& p) override {
        refused_ = p.find(refusedKey) != std::string::npos;
        return !refused_ && inner_.createKey(r, p);
    }
    bool readString(os::RootKey r, const std::string& p, const std::string& n, std::string& v) override {
        return inner_.readString(r, p, n, v);
    }
    bool writeString(os::RootKey r, const std::string& p, const std::string& n, const std::string& v) override {
        refused_ = p.find(refusedKey) != std::string::npos || n == refusedValue;
        if (refused_) return ++refusedWrites, false;
        return inner_.writeString(r, p, n, v);
    }
    uint32_t lastError() override { return refused_ ? uint32_t(os::kErrorAccessDenied) : inner_.lastError(); }
    bool deleteValue(os::RootKey r, const std::string& p, const std::string& n) override {
        return inner_.deleteValue(r, p, n);
    }
    bool deleteKey(os::RootKey r, const std::string& p) override { return inner_.deleteKey(r, p); }
    std::vector<std::string> subKeyNames(os::RootKey r, const std::string& p) override {
        return inner_.subKeyNames(r, p);
    }
    std::vector<std::string> valueNames(os::RootKey r, const std::string& p) override {
        return inner_.valueNames(r, p);
    }

private:
    os::Registry& inner_;
    bool refused_ = false;  // the last change was refused here
};

class RefusingMachine : public os::Machine {
public:
    explicit RefusingMachine(os::Machine& inner) : inner_(inner), registry_(inner.registry()) {}
    RefusingRegistry& refusing() { return registry_; }
    os::FileSystem& files() override { return inner_.files(); }
    os::CodePage& codePage() override { return inner_.codePage(); }
    os::Registry& registry() override { return registry_; }
    os::Profile& profile() override { return inner_.profile(); }
    os::System& system() override { return inner_.system(); }
    os::Shell& shell() override { return inner_.shell(); }

private:
    os::Machine& inner_;
    RefusingRegistry registry_;
};

TEST_F(Registration, KeysAndValuesThatCannotBeWrittenAreNotedAndTheStepsGoOn) {
    RefusingMachine refusing(os::machine());
    refusing.refusing().refusedKey = "UninstallInfo";
    refusing.refusing().refusedValue = "ProductNumber";
    os::Machine* previous = os::setMachine(&refusing);
    Choose("x--");
    Table().RecordExtractedFiles(0, shop, {"a.exe", "b.exe"});
    Table().RegisterInstallInfo();
    os::setMachine(previous);

    // A key that cannot be created is noted once; its values are not attempted, their numbers are used.
    EXPECT_EQ(Table().UninstallFileNo, 2);
    EXPECT_EQ(refusing.refusing().refusedWrites, 1);
    ASSERT_EQ(failures.size(), 2u);
    // Each names the registry's error, as file failures name theirs.
    EXPECT_EQ(failures[0], "registry key HKLM\\SOFTWARE\\Tessarine\\RegTestShop\\UninstallInfo1 could not be created "
                           "(Windows error 5)");
    EXPECT_EQ(failures[1], "registry value HKLM\\SOFTWARE\\Tessarine\\RegTestShop|ProductNumber could not be written "
                           "(Windows error 5)");
    EXPECT_EQ(Value(kFamily + "RegTestShop", "ProductName1"), "商店");
    EXPECT_TRUE(Boxes().empty());
}

#ifdef _WIN32
// The real registry refuses a key the user may not create: HKLM\HARDWARE is rebuilt at every start and
// takes no lasting sub-key (ERROR_CHILD_MUST_BE_VOLATILE), or none at all without administrator rights.
// The failure names the error the registry gave.
TEST_F(Registration, AKeyTheRegistryRefusesIsNotedWithItsWindowsError) {
    Choose("x--");
    app::TProductConfig& first = Table().ProductConfigs[0];
    first.RegKeyCount = 1;
    first.RegKeys[0].Root = "\\HARDWARE\\RegTestRefused";
    first.RegKeys[0].EntryCount = 1;
    first.RegKeys[0].Entries[0] = {"Name", "value"};
    Table().RegisterProducts();
    ASSERT_EQ(failures.size(), 1u);
    const std::string prefix = "registry key HKLM\\HARDWARE\\RegTestRefused could not be created (Windows error ";
    EXPECT_TRUE(failures[0] == prefix + "1021)" || failures[0] == prefix + "5)") << failures[0];
    EXPECT_FALSE(os::registry().keyExists(HKLM, "\\HARDWARE\\RegTestRefused"));
}
#endif

// --- Copies that break off ---

// The copy is made under another name: a disk that fills up part-way leaves the earlier copy whole and
// no partial file behind.
TEST_F(Registration, AnUninstallerCopyThatBreaksOffLeavesTheEarlierCopy) {
    test_support::WriteFile(windows + "\\Tavrun2.EXE", std::string("old copy"));
    test_support::WriteFile(folder + "\\Setup.CHT", std::string(150000, 'n'));
    {
        install_test::FaultyMachine faulty;
        faulty.LimitWritesPartly(windows + "\\Tavrun2.$$$", 70000);
        Table().CopyUninstaller();
    }
    EXPECT_EQ(ReadText(windows + "\\Tavrun2.EXE"), "old copy");
    EXPECT_FALSE(test_support::FileExists(windows + "\\Tavrun2.$$$"));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Tavrun2.EXE could not be written completely"), std::string::npos) << failures[0];
    EXPECT_NE(failures[0].find("(Windows error 112)"), std::string::npos) << failures[0];
}

TEST_F(Registration, ALoginInfoFileThatBreaksOffIsRemoved) {
    Table().LoginInfo[0] = std::string(100, 'A');
    {
        install_test::FaultyMachine faulty;
        faulty.LimitWritesPartly(shop + "\\logininfo.txt", 10);
        Table().WriteLoginInfo();
    }
    EXPECT_FALSE(test_support::FileExists(shop + "\\logininfo.txt"));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("(Windows error 112); it was removed"), std::string::npos) << failures[0];
}

}  // namespace
