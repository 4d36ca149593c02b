// The description loader on small media built in scratch folders: every member of the table, the
// messages and where loading stops, truncation at the table's capacities, and package sizes read from
// the archives.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/description_loader.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

namespace {

using app::kMbIconStop;
using app::kMbIconWarning;

struct Message {
    std::string text, caption;
    unsigned flags = 0;
    bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Message& m) {
    return out << "{" << m.text << " | " << m.caption << " | " << m.flags << "}";
}

// A medium in a scratch folder: description files (GBK bytes, as the literals are compiled) and packages.
class Loader : public testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) { test_support::WriteFile(In(name), text); }
    std::string In(const std::string& name) const { return folder + "\\" + name; }

    // A package whose items hold the given numbers of bytes.
    void Package(const std::string& name, const std::vector<size_t>& sizes) {
        test_support::ZipBuilder builder;
        for (size_t i = 0; i < sizes.size(); ++i)
            builder.Add("f" + std::to_string(i) + ".txt", std::string(sizes[i], 'x'));
        test_support::WriteFile(In(name), builder.Build());
    }

    void Load() {
        app::LoaderContext context;
        context.setupFolder = folder;
        context.messageBox = [this](const std::string& text, const std::string& caption, unsigned flags) {
            messages.push_back({text, caption, flags});
            return 1;
        };
        context.packageReader = &reader;
        app::LoadSetupDescription(*table, context);
    }

    // The three files with one product of one module in one mode.
    void WriteSmallMedium() {
        Write("SETUP.INI",
              "[InstallMode]\r\nMode1=标准,0,全部\r\n"
              "[Products Name]\r\nProductName1=Shop,1,0,ShopKey\r\n"
              "[Product1Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
        Package("a.dat", {10});
        Write("CONFIG.INI", "[Service Runonce]\r\nName1=svc\r\n");
        Write("COMMENT.INI", "[Product1Ins1Mod1]\r\nName=Base title\r\n");
    }

    std::string folder = test_support::MakeTempDir();
    std::unique_ptr<app::TProductTable> table = std::make_unique<app::TProductTable>();
    std::vector<Message> messages;
    archive::TArUnZipper reader;
    std::string windows = os::system().windowsDirectory();
};

TEST_F(Loader, CompleteMediumFillsTheTable) {
    Write("SETUP.INI",
          "[LoginInfo]\r\nServer = db01 \r\nUser=sa\r\nNote=  登录 信息  \r\n"
          "[InstallMode]\r\nMode1=标准安装,0,安装全部模块\r\nMode2=自定义,1,自己选择, 可以\r\n"
          "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nDefaultDrive=D\r\n"
          "[Products Name]\r\nProductName1=财务系统,2,1,FinanceKey\r\nProductName2=Finance\r\n"
          "[Product1Mode1]\r\n"
          "Name1=Base,1,base.bmp,,2,a.dat,,b.dat,bin\r\n"
          "Name2=报表,3,rep.bmp,ignored,1,c.dat,_WIN_\\Fonts\r\n"
          "[Product1Mode2]\r\nName1=Only,0,o.bmp,,1,a.dat,\r\n"
          "[Public Module]\r\nName1=1,_WINSYS_\\Shared,pub.dat,anything,more\r\n"
          "[ShortCut]\r\nName1=1,_MAINPATH_1\\shop.exe,商店,Shop\r\nName2=2,x.exe,G,Link,with comma\r\n");
    Package("a.dat", {100, 23});
    Package("b.dat", {1000});
    Package("c.dat", {7, 0, 5});
    Package("pub.dat", {1});
    Write("CONFIG.INI",
          "[Config]\r\nProductIni1=2,IniA,IniB\r\nProductReg1=1,RegA\r\nProductBat1=Bat1\r\nProductCfg1=Cfg1\r\n"
          "[IniA]\r\nPath=_MAINPATH_1\r\nFileName=shop.ini\r\nName1=Db,Server,_MSDE_\r\nName2=Db,Port,1433,x\r\n"
          "[IniB]\r\nPath=_WIN_\r\nFileName=win.ini\r\n"
          "[RegA]\r\nRoot=\\SOFTWARE\\Shop\r\nName1=Path,_MAINPATH_1,x\r\n"
          "[Bat1]\r\nName1=SET SHOP=1\r\nName2=@ECHO OFF\r\n"
          "[Cfg1]\r\nName1=FILES=40\r\n"
          "[Service Runonce]\r\nName1=svc,net start x\r\n"
          "[Additional Programs]\r\nPrompt=ignored\r\nName1=配置,_MAINPATH_1\\cfg.exe /s\r\nName2=b,c\r\n");
    Write("COMMENT.INI",
          "[Product1Ins1Mod1]\r\nName=基础模块\r\nComm1=第一行\r\nComm2=second\r\n"
          "[Product1Ins2Mod1]\r\nName=Only title\r\n");
    Load();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table->DescriptionLoaded, 1);
    EXPECT_EQ(table->LoginInfo[0], "db01");
    EXPECT_EQ(table->LoginInfo[1], "sa");
    EXPECT_EQ(table->LoginInfo[2], "登录 信息");
    for (int i = 3; i < app::kMaxLoginInfo; ++i) EXPECT_EQ(table->LoginInfo[i], "") << i;

    ASSERT_EQ(table->ModeCount, 2);
    EXPECT_EQ(table->InstallModes[0].Name, "标准安装");
    EXPECT_EQ(table->InstallModes[0].Kind, 0);
    EXPECT_EQ(table->InstallModes[0].Description, "安装全部模块");
    EXPECT_EQ(table->InstallModes[1].Kind, 1);
    EXPECT_EQ(table->InstallModes[1].Description, "自己选择, 可以");
    EXPECT_EQ(table->DefaultMSDE, "TESSARERP");

    ASSERT_EQ(table->ProductCount, 2);
    const app::TProduct& finance = table->Products[0];
    EXPECT_EQ(finance.Name, "财务系统");
    EXPECT_EQ(finance.ModuleCount, 2);
    EXPECT_EQ(finance.ModuleOption, 1);
    EXPECT_EQ(finance.RegKey, "FinanceKey");
    EXPECT_EQ(finance.MainPath, "C:\\Shop");
    // A product entry without commas: only the last field, the registry key, gets the text.
    const app::TProduct& bare = table->Products[1];
    EXPECT_EQ(bare.Name, "");
    EXPECT_EQ(bare.ModuleCount, 0);
    EXPECT_EQ(bare.ModuleOption, 0);
    EXPECT_EQ(bare.RegKey, "Finance");
    EXPECT_EQ(bare.MainPath, "");

    const app::TModule& base = table->Modules[0][0][0];
    EXPECT_EQ(base.Name, "Base");
    EXPECT_EQ(base.State, 1);
    EXPECT_EQ(base.Picture, "base.bmp");
    ASSERT_EQ(base.PackageCount, 2);
    EXPECT_EQ(base.Packages[0].FileName, "a.dat");
    EXPECT_EQ(base.Packages[0].Directory, "");
    EXPECT_EQ(base.Packages[1].FileName, "b.dat");
    EXPECT_EQ(base.Packages[1].Directory, "bin");
    EXPECT_EQ(base.Size, 100 + 23 + 1000);
    const app::TModule& report = table->Modules[0][0][1];
    EXPECT_EQ(report.Name, "报表");
    EXPECT_EQ(report.State, 3);
    EXPECT_EQ(report.PackageCount, 1);
    EXPECT_EQ(report.Packages[0].Directory, windows + "\\Fonts");  // substituted while loading
    EXPECT_EQ(report.Size, 12);
    // Mode 2 lists one of the two modules; the second slot stays empty.
    EXPECT_EQ(table->Modules[1][0][0].Name, "Only");
    EXPECT_EQ(table->Modules[1][0][0].Size, 123);
    EXPECT_EQ(table->Modules[1][0][1].Name, "");
    EXPECT_EQ(table->Modules[1][0][1].State, 0);
    EXPECT_EQ(table->Modules[1][0][1].PackageCount, 0);

    ASSERT_EQ(table->PublicModuleCount, 1);
    EXPECT_EQ(table->PublicModules[0].ProductNo, 1);
    EXPECT_EQ(table->PublicModules[0].Directory, os::system().systemDirectory() + "\\Shared");
    EXPECT_EQ(table->PublicModules[0].FileName, "pub.dat");

    ASSERT_EQ(table->ShortCutCount, 2);
    EXPECT_EQ(table->ShortCuts[0].ProductNo, 1);
    EXPECT_EQ(table->ShortCuts[0].Target, "_MAINPATH_1\\shop.exe");  // substituted by the shortcut stage
    EXPECT_EQ(table->ShortCuts[0].Group, "商店");
    EXPECT_EQ(table->ShortCuts[0].LinkName, "Shop");
    EXPECT_EQ(table->ShortCuts[1].LinkName, "Link,with comma");

    const app::TProductConfig& config = table->ProductConfigs[0];
    ASSERT_EQ(config.IniFileCount, 2);
    EXPECT_EQ(config.IniFiles[0].Path, "_MAINPATH_1");
    EXPECT_EQ(config.IniFiles[0].FileName, "shop.ini");
    ASSERT_EQ(config.IniFiles[0].EntryCount, 2);
    EXPECT_EQ(config.IniFiles[0].Entries[0].A, "Db");
    EXPECT_EQ(config.IniFiles[0].Entries[0].B, "Server");
    EXPECT_EQ(config.IniFiles[0].Entries[0].Rest, "_MSDE_");
    EXPECT_EQ(config.IniFiles[0].Entries[1].Rest, "1433,x");
    EXPECT_EQ(config.IniFiles[1].Path, "_WIN_");
    EXPECT_EQ(config.IniFiles[1].EntryCount, 0);
    ASSERT_EQ(config.RegKeyCount, 1);
    EXPECT_EQ(config.RegKeys[0].Root, "\\SOFTWARE\\Shop");
    ASSERT_EQ(config.RegKeys[0].EntryCount, 1);
    EXPECT_EQ(config.RegKeys[0].Entries[0].A, "Path");
    EXPECT_EQ(config.RegKeys[0].Entries[0].Rest, "_MAINPATH_1,x");
    ASSERT_EQ(config.BatLineCount, 2);
    EXPECT_EQ(config.BatLines[0], "SET SHOP=1");
    EXPECT_EQ(config.BatLines[1], "@ECHO OFF");
    ASSERT_EQ(config.CfgLineCount, 1);
    EXPECT_EQ(config.CfgLines[0], "FILES=40");
    EXPECT_EQ(table->ProductConfigs[1].IniFileCount, 0);
    EXPECT_EQ(table->ProductConfigs[1].RegKeyCount, 0);
    ASSERT_EQ(table->ServiceRunonceCount, 1);
    EXPECT_EQ(table->ServiceRunonce[0], "svc,net start x");
    ASSERT_EQ(table->AddProgramCount, 2);
    EXPECT_EQ(table->AddPrograms[0], "配置,_MAINPATH_1\\cfg.exe /s");

    EXPECT_EQ(table->Comments[0][0][0].Title, "基础模块");
    EXPECT_EQ(table->Comments[0][0][0].Lines[0], "第一行");
    EXPECT_EQ(table->Comments[0][0][0].Lines[1], "second");
    EXPECT_EQ(table->Comments[0][0][0].Lines[2], "");
    EXPECT_EQ(table->Comments[1][0][0].Title, "Only title");
    EXPECT_EQ(table->Comments[0][0][1].Title, "");

    // Run-time members keep their starting values.
    EXPECT_TRUE(table->IsWin9x);
    EXPECT_EQ(table->CurMode, 0);
    EXPECT_EQ(table->WizardResult, 0);
    EXPECT_EQ(table->CopyProgress, 0);
    EXPECT_EQ(table->UninstallFileNo, 0);
}

// Numeric fields carry no sign: "-1" reads as 0 like any other text without a leading digit, so such a
// module is not selected and such a product shows no module button.
TEST_F(Loader, SignedNumbersReadAsZeroAndTheDefaultInstanceComesFromSetupIni) {
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,-1,d\r\n"
          "[Default MainPath]\r\nDefaultMSDE=SHOPDB\r\n"
          "[Products Name]\r\nProductName1=Shop, 2,-1,ShopKey\r\nProductName2=Tools,+1,1,ToolsKey\r\n"
          "[Product1Mode1]\r\nName1=Base,-1,,,1,a.dat,\r\nName2=Other, 2,,,-1,a.dat,\r\n"
          "[Product2Mode1]\r\nName1=T,1,,,1,a.dat,\r\n");
    Package("a.dat", {10});
    Write("CONFIG.INI", "");
    Write("COMMENT.INI", "");
    Load();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table->DefaultMSDE, "SHOPDB");
    EXPECT_EQ(table->InstallModes[0].Kind, 0);
    ASSERT_EQ(table->ProductCount, 2);
    EXPECT_EQ(table->Products[0].ModuleCount, 2);  // leading blanks are skipped
    EXPECT_EQ(table->Products[0].ModuleOption, 0);
    const app::TModule& base = table->Modules[0][0][0];
    EXPECT_EQ(base.State, 0);
    EXPECT_EQ(base.PackageCount, 1);
    const app::TModule& other = table->Modules[0][0][1];
    EXPECT_EQ(other.State, 2);
    EXPECT_EQ(other.PackageCount, 0);  // "-1" packages: none
    EXPECT_EQ(other.Size, 0);
    EXPECT_EQ(table->Products[1].ModuleCount, 0);  // "+1" is no number: the product lists no module
    EXPECT_EQ(table->Modules[0][1][0].Name, "");
}

TEST_F(Loader, MissingDescriptionFilesStopWithAStopMessage) {
    Load();  // empty folder
    EXPECT_EQ(messages, (std::vector<Message>{{"找不到SETUP.INI，无法安装！", "提示", kMbIconStop}}));
    EXPECT_EQ(table->DescriptionLoaded, 0);
    EXPECT_EQ(table->ModeCount, 0);

    WriteSmallMedium();
    ASSERT_TRUE(os::files().deleteFile(In("CONFIG.INI")));
    messages.clear();
    table = std::make_unique<app::TProductTable>();
    Load();
    EXPECT_EQ(messages, (std::vector<Message>{{"找不到CONFIG.INI，无法安装！", "提示", kMbIconStop}}));
    EXPECT_EQ(table->DescriptionLoaded, 0);
    EXPECT_EQ(table->ProductCount, 1);  // SETUP.INI data stays
    EXPECT_EQ(table->Modules[0][0][0].Size, 10);
    EXPECT_EQ(table->ServiceRunonceCount, 0);

    Write("CONFIG.INI", "[Service Runonce]\r\nName1=svc\r\n");
    ASSERT_TRUE(os::files().deleteFile(In("COMMENT.INI")));
    messages.clear();
    table = std::make_unique<app::TProductTable>();
    Load();
    EXPECT_EQ(messages, (std::vector<Message>{{"找不到COMMENT.INI，无法安装！", "提示", kMbIconStop}}));
    EXPECT_EQ(table->DescriptionLoaded, 0);
    EXPECT_EQ(table->ServiceRunonceCount, 1);
    EXPECT_EQ(table->Comments[0][0][0].Title, "");
}

TEST_F(Loader, ShortPackageListWarnsAndStopsLoading) {
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n"
          "[Products Name]\r\nProductName1=P,3,0,K\r\n"
          "[Product1Mode1]\r\nName1=First,1,,,1,a.dat,\r\n"
          "Name2=Short,1,,,3,a.dat,,a.dat,sub\r\nName3=Later,1,,,1,a.dat,\r\n"
          "[Public Module]\r\nName1=1,x,a.dat,\r\n[ShortCut]\r\nName1=1,t,g,l\r\n");
    Package("a.dat", {4, 4});
    Write("CONFIG.INI", "[Service Runonce]\r\nName1=svc\r\n[Additional Programs]\r\nName1=a,b\r\n");
    Write("COMMENT.INI", "[Product1Ins1Mod1]\r\nName=T\r\n");
    Load();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Name2后的包只有2个，少于setup.ini中的3个，\r\n请调整setup.ini;");
    EXPECT_EQ(messages[0].caption, "提示");
    EXPECT_EQ(messages[0].flags, kMbIconWarning);
    // The setup goes on with what was loaded: the packages before the fault, nothing after it.
    EXPECT_EQ(table->DescriptionLoaded, 1);
    EXPECT_EQ(table->Modules[0][0][0].Size, 8);
    const app::TModule& shortModule = table->Modules[0][0][1];
    EXPECT_EQ(shortModule.Name, "Short");
    EXPECT_EQ(shortModule.PackageCount, 2);
    EXPECT_EQ(shortModule.Packages[1].Directory, "sub");
    EXPECT_EQ(shortModule.Size, 16);
    EXPECT_EQ(table->Modules[0][0][2].Name, "");
    EXPECT_EQ(table->PublicModuleCount, 0);
    EXPECT_EQ(table->ShortCutCount, 0);
    EXPECT_EQ(table->ServiceRunonceCount, 0);
    EXPECT_EQ(table->AddProgramCount, 0);
    EXPECT_EQ(table->Comments[0][0][0].Title, "");
}

TEST_F(Loader, MissingPackageFileWarnsWithItsPathAndStopsLoading) {
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
          "[Product1Mode1]\r\nName1=Mod,1,,,3,a.dat,,gone.dat,x,a.dat,\r\n[ShortCut]\r\nName1=1,t,g,l\r\n");
    Package("a.dat", {5});
    Write("CONFIG.INI", "");
    Write("COMMENT.INI", "");
    Load();
    EXPECT_EQ(messages, (std::vector<Message>{{"文件" + In("gone.dat") + "不存在！", "提示", kMbIconWarning}}));
    EXPECT_EQ(table->DescriptionLoaded, 1);
    EXPECT_EQ(table->Modules[0][0][0].PackageCount, 1);
    EXPECT_EQ(table->Modules[0][0][0].Size, 5);
    EXPECT_EQ(table->ShortCutCount, 0);

    // A public module's package: the modules are loaded, the shortcuts are not.
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
          "[Product1Mode1]\r\nName1=Mod,1,,,1,a.dat,\r\n"
          "[Public Module]\r\nName1=1,d,a.dat,\r\nName2=1,d,gone.dat,\r\n[ShortCut]\r\nName1=1,t,g,l\r\n");
    messages.clear();
    table = std::make_unique<app::TProductTable>();
    Load();
    EXPECT_EQ(messages, (std::vector<Message>{{"文件" + In("gone.dat") + "不存在！", "提示", kMbIconWarning}}));
    EXPECT_EQ(table->Modules[0][0][0].Size, 5);
    EXPECT_EQ(table->PublicModuleCount, 1);
    EXPECT_EQ(table->ShortCutCount, 0);

    // A last package written without its trailing comma takes its name as the directory and leaves the
    // file name empty: the description is faulty, and the folder itself is reported missing.
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
          "[Product1Mode1]\r\nName1=Mod,1,,,1,a.dat\r\n");
    messages.clear();
    table = std::make_unique<app::TProductTable>();
    Load();
    EXPECT_EQ(messages, (std::vector<Message>{{"文件" + folder + "\\不存在！", "提示", kMbIconWarning}}));
    EXPECT_EQ(table->Modules[0][0][0].Packages[0].Directory, "a.dat");
    EXPECT_EQ(table->Modules[0][0][0].PackageCount, 0);
}

TEST_F(Loader, NumberedKeysEndAtTheFirstGapAndBootLinesAtTheFirstProductWithout) {
    Write("SETUP.INI",
          "[LoginInfo]\r\nA=1\r\n"
          "[InstallMode]\r\nMode1=M1,0,\r\nMode3=M3,0,\r\n"
          "[Products Name]\r\nProductName1=P1,0,0,K1\r\nProductName2=P2,0,0,K2\r\nProductName3=P3,0,0,K3\r\n"
          "[ShortCut]\r\nName1=1,a,b,c\r\nName2=\r\nName3=1,a,b,c\r\n");
    Write("CONFIG.INI",
          "[Config]\r\nProductBat1=\r\nProductBat2=Bat2\r\nProductCfg1=Cfg1\r\nProductCfg2=\r\nProductCfg3=Cfg3\r\n"
          "ProductIni1=1,Ini\r\n"
          "[Bat2]\r\nName1=never read\r\n[Cfg1]\r\nName1=c1\r\nName2=c2\r\nName4=c4\r\n[Cfg3]\r\nName1=never\r\n"
          "[Ini]\r\nName1=s,k,v\r\nName3=s,k,v\r\n");
    Write("COMMENT.INI", "");
    Load();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table->LoginInfo[0], "1");
    EXPECT_EQ(table->LoginInfo[1], "");
    EXPECT_EQ(table->ModeCount, 1);
    EXPECT_EQ(table->ProductCount, 3);
    EXPECT_EQ(table->ShortCutCount, 1);
    EXPECT_EQ(table->ProductConfigs[0].BatLineCount, 0);
    EXPECT_EQ(table->ProductConfigs[1].BatLineCount, 0);
    EXPECT_EQ(table->ProductConfigs[0].CfgLineCount, 2);
    EXPECT_EQ(table->ProductConfigs[1].CfgLineCount, 0);
    EXPECT_EQ(table->ProductConfigs[2].CfgLineCount, 0);
    EXPECT_EQ(table->ProductConfigs[0].IniFiles[0].EntryCount, 1);
}

TEST_F(Loader, LoginInfoKeepsFileOrderAndTwentyValues) {
    std::string setup = "[LoginInfo]\r\n";
    for (int i = 25; i >= 1; --i) setup += "Key" + std::to_string(i) + "= v" + std::to_string(i) + " \r\n";
    Write("SETUP.INI", setup);
    Write("CONFIG.INI", "");
    Write("COMMENT.INI", "");
    Load();
    for (int i = 0; i < app::kMaxLoginInfo; ++i) EXPECT_EQ(table->LoginInfo[i], "v" + std::to_string(25 - i)) << i;
}

TEST_F(Loader, DescriptionsBeyondTheCapacitiesAreTruncated) {
    std::string setup = "[InstallMode]\r\n";
    for (int i = 1; i <= 12; ++i) setup += "Mode" + std::to_string(i) + "=M,0,\r\n";
    setup += "[Products Name]\r\nProductName1=P,40,0,K\r\n";
    for (int p = 2; p <= 12; ++p) setup += "ProductName" + std::to_string(p) + "=P,0,0,K\r\n";
    // Module 1 declares 35 packages and lists 31: 30 are loaded, without a warning.
    setup += "[Product1Mode1]\r\nName1=Big,1,,,35";
    for (int l = 0; l < 31; ++l) setup += ",p.dat,d" + std::to_string(l);
    setup += "\r\n";
    for (int k = 2; k <= 31; ++k) setup += "Name" + std::to_string(k) + "=M" + std::to_string(k) + ",1,,,0,\r\n";
    setup += "[Public Module]\r\n";
    for (int i = 1; i <= 31; ++i) setup += "Name" + std::to_string(i) + "=1,d,p.dat,\r\n";
    Write("SETUP.INI", setup);
    Package("p.dat", {2});

    std::string config = "[Config]\r\nProductIni1=12";
    for (int j = 1; j <= 12; ++j) config += ",S" + std::to_string(j);
    config += "\r\nProductReg1=11";
    for (int j = 1; j <= 11; ++j) config += ",R" + std::to_string(j);
    config += "\r\nProductBat1=B\r\n[S1]\r\n";
    for (int i = 1; i <= 105; ++i) config += "Name" + std::to_string(i) + "=s,k,v" + std::to_string(i) + "\r\n";
    config += "[S10]\r\nFileName=ten.ini\r\n[R10]\r\nRoot=ten\r\n[B]\r\n";
    for (int i = 1; i <= 105; ++i) config += "Name" + std::to_string(i) + "=line\r\n";
    config += "[Service Runonce]\r\n";
    for (int i = 1; i <= 12; ++i) config += "Name" + std::to_string(i) + "=s\r\n";
    config += "[Additional Programs]\r\n";
    for (int i = 1; i <= 105; ++i) config += "Name" + std::to_string(i) + "=a,b\r\n";
    Write("CONFIG.INI", config);
    std::string comment = "[Product1Ins1Mod1]\r\n";
    for (int i = 1; i <= 35; ++i) comment += "Comm" + std::to_string(i) + "=c" + std::to_string(i) + "\r\n";
    Write("COMMENT.INI", comment);
    Load();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table->ModeCount, 10);
    EXPECT_EQ(table->ProductCount, 10);
    EXPECT_EQ(table->Products[0].ModuleCount, 30);
    const app::TModule& big = table->Modules[0][0][0];
    EXPECT_EQ(big.PackageCount, 30);
    EXPECT_EQ(big.Packages[29].Directory, "d29");
    EXPECT_EQ(big.Size, 60);
    EXPECT_EQ(table->Modules[0][0][29].Name, "M30");
    EXPECT_EQ(table->PublicModuleCount, 30);
    const app::TProductConfig& config0 = table->ProductConfigs[0];
    EXPECT_EQ(config0.IniFileCount, 10);
    EXPECT_EQ(config0.IniFiles[9].FileName, "ten.ini");  // "S10" was read as a field, not with the rest
    EXPECT_EQ(config0.IniFiles[0].EntryCount, 100);
    EXPECT_EQ(config0.IniFiles[0].Entries[99].Rest, "v100");
    EXPECT_EQ(config0.RegKeyCount, 10);
    EXPECT_EQ(config0.RegKeys[9].Root, "ten");
    EXPECT_EQ(config0.BatLineCount, 100);
    EXPECT_EQ(table->ServiceRunonceCount, 10);
    EXPECT_EQ(table->AddProgramCount, 100);
    EXPECT_EQ(table->Comments[0][0][0].Lines[29], "c30");
}

TEST_F(Loader, PackageDirectoriesGoThroughTheGivenSubstitution) {
    WriteSmallMedium();
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
          "[Product1Mode1]\r\nName1=Mod,1,,,2,a.dat,one,a.dat,two\r\n[Public Module]\r\nName1=1,three,a.dat,\r\n");
    std::vector<std::string> seen;
    app::LoaderContext context;
    context.setupFolder = folder;
    context.messageBox = [](const std::string&, const std::string&, unsigned) { return 1; };
    context.substituteMacros = [&seen](std::string& text) {
        seen.push_back(text);
        text = "<" + text + ">";
    };
    context.packageReader = &reader;  // the caller's component is used, and closed again
    app::LoadSetupDescription(*table, context);
    EXPECT_EQ(seen, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(table->Modules[0][0][0].Packages[1].Directory, "<two>");
    EXPECT_EQ(table->PublicModules[0].Directory, "<three>");
    EXPECT_EQ(table->Modules[0][0][0].Size, 20);
    EXPECT_EQ(reader.Count(), 0);
    EXPECT_EQ(reader.Archive(), nullptr);
}

TEST_F(Loader, PackageThatIsNoArchiveEndsLoadingWithTheArchiveError) {
    WriteSmallMedium();
    Write("a.dat", "not a zip archive");
    EXPECT_ANY_THROW(Load());
    EXPECT_TRUE(messages.empty());
}

#ifndef _WIN32
// A package that exists but cannot be read while its size is totalled (a scratched disc): the stream's
// exception goes on to the exception box, now with the package and the Windows error after its text.
TEST_F(Loader, UnreadablePackageEndsLoadingNamingThePackageAndTheWindowsError) {
    WriteSmallMedium();
    auto& sim = dynamic_cast<os::sim::SimMachine&>(os::machine());
    const std::string package = In("a.dat");
    // Within the directory's last entry, just before the 22-byte end record: the end record is read
    // (and the archive type known) before the directory fails.
    const int64_t size = int64_t(test_support::ReadFile(package).size());
    sim.faults().readErrors.push_back({package, size - 30});
    struct Mend {
        os::sim::SimMachine& sim;
        ~Mend() { sim.faults().readErrors.clear(); }
    } mend{sim};
    try {
        Load();
        ADD_FAILURE() << "loading went on";
    } catch (const rtl::EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error: " + package + " (Windows error 23)");
        EXPECT_EQ(e.ErrorCode, 23);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(Loader, DriveRootSetupFolderHasOneSeparator) {
    auto& sim = dynamic_cast<os::sim::SimMachine&>(os::machine());
    auto host = sim.hostPath(folder);
    ASSERT_TRUE(host);
    sim.addDrive('R', {os::DriveType::CdRom, *host});
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=M,0,\r\n[Products Name]\r\nProductName1=P,1,0,K\r\n"
          "[Product1Mode1]\r\nName1=Mod,1,,,1,gone.dat,\r\n");
    app::LoaderContext context;
    context.setupFolder = "R:\\";
    context.messageBox = [this](const std::string& text, const std::string& caption, unsigned flags) {
        messages.push_back({text, caption, flags});
        return 1;
    };
    context.packageReader = &reader;
    app::LoadSetupDescription(*table, context);
    EXPECT_EQ(messages, (std::vector<Message>{{"文件R:\\gone.dat不存在！", "提示", kMbIconWarning}}));
    EXPECT_EQ(table->ProductCount, 1);
}
#endif

}  // namespace
