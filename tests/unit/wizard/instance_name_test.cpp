// The instance-name checks: their order, the special-character rule and the service key probed.
#include <gtest/gtest.h>

#include "os/machine.h"
#include "os/registry.h"
#include "vcl/headless/actions.h"
#include "wizard/instance_name.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;

namespace {

// A service key made for one test and removed afterwards (the registry outlives the test).
class ServiceKey {
public:
    explicit ServiceKey(std::string path) : path_(std::move(path)) {
        os::registry().createKey(os::RootKey::LocalMachine, path_);
    }
    ~ServiceKey() { os::registry().deleteKey(os::RootKey::LocalMachine, path_); }

private:
    std::string path_;
};

}  // namespace

TEST(InstanceName, OnlyAsciiLettersAndDigitsArePlain) {
    EXPECT_FALSE(wizard::HasSpecialChars("Shop2000db"));
    EXPECT_FALSE(wizard::HasSpecialChars(""));
    for (const char* name : {"SHOP_DB", "SHOP DB", "商店", "A-B", "x.y", "\xA3\xC1"})  // last: a full-width 'A'
        EXPECT_TRUE(wizard::HasSpecialChars(name)) << name;
}

TEST(InstanceName, DefaultInstanceInAnyCaseAndOthersUnderMssqlDollar) {
    EXPECT_EQ(wizard::InstanceServiceKey("mssqlServer"), "\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\MSSQLSERVER");
    EXPECT_EQ(wizard::InstanceServiceKey("MSSQLSERVER"), "\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\MSSQLSERVER");
    EXPECT_EQ(wizard::InstanceServiceKey("shopDb"), "\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\MSSQL$SHOPDB");
}

TEST(InstanceName, EmptyFirstThenSpecialThenTheRegistry) {
    EXPECT_EQ(wizard::InstanceNameRefusal(""), "实例名不能为空");
    EXPECT_EQ(wizard::InstanceNameRefusal(" "), "实例中包含特殊字符");  // not trimmed
    EXPECT_EQ(wizard::InstanceNameRefusal("数据库"), "实例中包含特殊字符");
    EXPECT_EQ(wizard::InstanceNameRefusal("TsFreeName7"), "");
    ServiceKey key("SYSTEM\\CurrentControlSet\\Services\\MSSQL$TSTAKEN7");
    EXPECT_EQ(wizard::InstanceNameRefusal("tsTaken7"), "该实例名已经存在！\r\n请指定其他实例名或者将该实例卸载后再安装。");
    // The special-character check comes before the probe: "tsTaken7 " is refused as special.
    EXPECT_EQ(wizard::InstanceNameRefusal("tsTaken7 "), "实例中包含特殊字符");
}

TEST_F(WizardTest, ExistingInstanceIsRefusedOnPage6AndTheTypedTextKept) {
    WriteStandardMedium();
    CreateForms();
    ServiceKey key("SYSTEM\\CurrentControlSet\\Services\\MSSQL$TSTAKEN8");
    GoToModePage();
    Next();
    ASSERT_EQ(Wizard().PageNo, 6);
    for (const char* name : {"", "my_db", "tsTaken8"}) {
        vcl::headless::TypeText(Wizard(), "EdtInsName", name);
        Next();
        EXPECT_EQ(Wizard().PageNo, 6) << name;
        EXPECT_EQ(Wizard().EdtInsName.Text(), name);
    }
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Boxes()[0].text, "实例名不能为空");
    EXPECT_EQ(Boxes()[1].text, "实例中包含特殊字符");
    EXPECT_EQ(Boxes()[2].text, "该实例名已经存在！\r\n请指定其他实例名或者将该实例卸载后再安装。");
    for (const auto& box : Boxes()) {
        EXPECT_EQ(box.caption, "提示");
        EXPECT_EQ(box.flags, unsigned(vcl::mbOK | vcl::mbIconStop));
    }
    vcl::headless::TypeText(Wizard(), "EdtInsName", "tsFree8");
    Next();
    EXPECT_EQ(Wizard().PageNo, 7);
    EXPECT_EQ(Wizard().EdtInsName.Text(), "tsFree8");
}
