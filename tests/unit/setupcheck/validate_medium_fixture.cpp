// The clean medium of the validate tests and the helpers that break and validate it.
#include "validate_medium_fixture.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "setupcheck/validate/validate.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace validate_test {

std::string Package(const std::vector<std::string>& items) {
    test_support::ZipBuilder zip;
    for (const std::string& item : items) {
        test_support::ZipBuildEntry& entry = zip.Add(item, "contents of " + item);
        entry.method = 8;
        entry.password = app::kPackagePassword;
    }
    std::vector<uint8_t> bytes = zip.Build();
    return std::string(bytes.begin(), bytes.end());
}

MediumFiles CleanMedium() {
    MediumFiles files;
    files["SETUP.INI"] =
        "[InstallMode]\r\n"                              // 1
        "Mode1=服务器,1,全部\r\n"                         // 2
        "[Default MainPath]\r\n"                         // 3
        "DefaultMSDE=SHOP\r\n"                           // 4
        "MainPath1=C:\\Shop\r\n"                         // 5
        "[Products Name]\r\n"                            // 6
        "ProductName1=商店,2,1,ShopKey\r\n"               // 7
        "[Product1Mode1]\r\n"                            // 8
        "Name1=MSDE引擎,1,DB.JPG,,1,DB.DAT,DB\r\n"        // 9
        "Name2=Base,1,BASE.BMP,,1,BASE.DAT,\r\n"         // 10
        "[Public Module]\r\n"                            // 11
        "Name1=1,_WINSYS_,SYS.DAT,系统\r\n"               // 12
        "[ShortCut]\r\n"                                 // 13
        "Name1=1,_MAINPATH_1\\SHOP.EXE,,商店\r\n";        // 14
    files["CONFIG.INI"] =
        "[Config]\r\n"                                   // 1
        "ProductIni1=1,Ini_Shop\r\n"                     // 2
        "ProductReg1=1,Reg_Shop\r\n"                     // 3
        "ProductBat1=Bat_Shop\r\n"                       // 4
        "[Ini_Shop]\r\n"                                 // 5
        "Path=_MAINPATH_1\r\n"                           // 6
        "FileName=SHOP.INI\r\n"                          // 7
        "Name1=Database,Server,(local)\\_MSDE_\r\n"      // 8
        "[Reg_Shop]\r\n"                                 // 9
        "Root=\\SOFTWARE\\Shop\r\n"                      // 10
        "Name1=Path,_MAINPATH_1\r\n"                     // 11
        "[Bat_Shop]\r\n"                                 // 12
        "Name1=SET SHOP=_MAINPATH_1\r\n"                 // 13
        "[Service Runonce]\r\n"                          // 14
        "Name1=_MAINPATH_1\\DB\\SVC.BAT /i\r\n"          // 15
        "[Additional Programs]\r\n"                      // 16
        "Name1=配置,_MAINPATH_1\\SHOP.EXE /setup\r\n";    // 17
    files["COMMENT.INI"] =
        "[Product1Ins1Mod1]\r\n"                         // 1
        "Name=数据库引擎\r\n"                              // 2
        "[Product1Ins1Mod2]\r\n"                         // 3
        "Name=基础\r\n";                                  // 4
    files["DB.DAT"] = Package({"SVC.BAT", "DATA/EMPTY.MDF"});
    files["BASE.DAT"] = Package({"SHOP.EXE", "SHOP.INI"});
    files["SYS.DAT"] = Package({"SHOPSYS.DLL"});
    files["DB.JPG"] = std::string("\xFF\xD8\xFF\xE0", 4) + "jpeg";
    files["BASE.BMP"] = "BMbitmap";
    files["setup1024.JPG"] = files["DB.JPG"];
    files["setup800.JPG"] = files["DB.JPG"];
    files["License.TXT"] = "许可协议\r\n";
    files["Readme.TXT"] = "说明\r\n";
    return files;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

std::vector<setupcheck::validate::Finding> Validate(const MediumFiles& files) {
    std::string folder = test_support::MakeTempDir();
    for (const auto& [name, bytes] : files) test_support::WriteFile(folder + "\\" + name, bytes);
    return setupcheck::validate::ValidateMedium(folder);
}

}  // namespace validate_test
