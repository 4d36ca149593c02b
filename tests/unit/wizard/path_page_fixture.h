// The wizard with a three-product medium and a table of drives, for the path page, the path dialog, the
// summary and the disk-space check. The forms are created as the program creates them; tests call the
// page operations directly and answer the dialogs they open through the script.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "wizard/drive_table.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/wizard_fixture.h"

namespace wizard_test {

class PathPageTest : public WizardTest {
protected:
    // Products (mode 0): "商店" on C:\Shop with modules Client and Shop, "工具" on D:\Tools\Bin with
    // Base, "Office" on C:\Office\ with Docs and an unselected Extra. Drives: C and D fixed.
    void SetUp() override {
        WizardTest::SetUp();
        drives = std::make_unique<DriveTable>();
        drives->Set('C', {os::DriveType::Fixed, uint64_t(20480) << 20});
        drives->Set('D', {os::DriveType::Fixed, uint64_t(20480) << 20});
        WriteMedium(
            "[InstallMode]\r\nMode1=完全安装,0,全部安装\r\n"
            "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=D:\\Tools\\Bin\r\nMainPath3=C:\\Office\\\r\n"
            "[Products Name]\r\nProductName1=商店,2,1,ShopKey\r\nProductName2=工具,1,1,ToolsKey\r\n"
            "ProductName3=Office,2,1,OfficeKey\r\n"
            "[Product1Mode1]\r\nName1=Client,1,,,1,a.dat,\r\nName2=Shop,1,,,1,a.dat,bin\r\n"
            "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n"
            "[Product3Mode1]\r\nName1=Docs,1,,,1,a.dat,\r\nName2=Extra,0,,,1,a.dat,extra\r\n");
    }
    void TearDown() override {
        drives.reset();
        WizardTest::TearDown();
    }
    // Creates the windows (after any change to the drive table's screen width).
    void Create() {
        CreateForms();
        ASSERT_EQ(Table().ProductCount, 3);
    }

    std::string& PathOf(int product) { return Table().Products[size_t(product)].MainPath; }
    int64_t& SizeOf(int product, int module) { return Table().Modules[0][size_t(product)][size_t(module)].Size; }
    wizard::TfrmPath& Dialog() { return *app::frmPath; }
    // The rows of ListView1 as "caption|sub-item|sub-item".
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < Wizard().ListView1.ItemCount(); ++i) {
            const vcl::TListItem& item = Wizard().ListView1.Item(i);
            std::string row = item.Caption;
            for (const std::string& sub : item.SubItems) row += "|" + sub;
            rows.push_back(row);
        }
        return rows;
    }

    std::unique_ptr<DriveTable> drives;
};

}  // namespace wizard_test
