// The wizard fixture (see the header).
#include "wizard/wizard_fixture.h"

#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"
#include "vcl/headless/actions.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace wizard_test {

void WizardTest::SetUp() {
    previousBackend_ = vcl::SetBackend(&backend);
    folder = test_support::MakeTempDir();
    previousDirectory_ = os::files().getCurrentDirectory();
    os::files().setCurrentDirectory(folder);
}

void WizardTest::TearDown() {
    app::DestroySetupWindows();
    vcl::SetBackend(previousBackend_);
    os::files().setCurrentDirectory(previousDirectory_);
}

void WizardTest::Write(const std::string& name, const std::string& text) { test_support::WriteFile(In(name), text); }

void WizardTest::WriteMedium(const std::string& setupIni) {
    Write("SETUP.INI", setupIni);
    test_support::ZipBuilder builder;
    builder.Add("readme.txt", std::string("package"));
    test_support::WriteFile(In("a.dat"), builder.Build());
    Write("CONFIG.INI", "[Additional Programs]\r\n");
    Write("COMMENT.INI", "[Product1Ins1Mod1]\r\nName=数据库\r\n");
}

void WizardTest::WriteStandardMedium() {
    WriteMedium(
        "[InstallMode]\r\nMode1=完全安装,0,全部安装\r\nMode2=客户端,0,只装客户端\r\nMode3=服务器,1,服务器\r\n"
        "Mode4=锁定引擎,0,引擎锁定\r\n"
        "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\nDefaultMSDE=SHOPDB\r\n"
        "[Products Name]\r\nProductName1=商店,2,1,ShopKey\r\nProductName2=Tools,2,2,ToolsKey\r\n"
        "[Product1Mode1]\r\nName1=MSDE2000,1,,,1,a.dat,\r\nName2=Shop,1,,,1,a.dat,bin\r\n"
        "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\nName2=Help,0,,,1,a.dat,help\r\n"
        "[Product1Mode2]\r\nName1=Client,1,,,1,a.dat,\r\nName2=Shop,1,,,1,a.dat,bin\r\n"
        "[Product2Mode2]\r\nName1=Base,1,,,1,a.dat,\r\n"
        "[Product1Mode3]\r\nName1=MSDE2000,0,,,1,a.dat,\r\nName2=Shop,1,,,1,a.dat,bin\r\n"
        "[Product2Mode3]\r\nName1=Base,1,,,1,a.dat,\r\n"
        "[Product1Mode4]\r\nName1=MSDE2000,2,,,1,a.dat,\r\nName2=Shop,3,,,1,a.dat,bin\r\n"
        "[Product2Mode4]\r\nName1=Base,1,,,1,a.dat,\r\n");
}

void WizardTest::CreateForms() {
    app::CreateSetupWindows();
    Wizard().OnPageShown = [this](int page) { shownPages.push_back(page); };
}

void WizardTest::Click(const std::string& name) { vcl::headless::ClickControl(Wizard(), name); }

void WizardTest::GoToModePage() {
    Next();
    Click("RadioButton1");
    Next();
    Next();
    Next();
    ASSERT_EQ(Wizard().PageNo, 5);
}

}  // namespace wizard_test
