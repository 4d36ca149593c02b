// The published application list "autopublish.ini": its sections and keys in the order the client reads
// them, numbering across products, groups shared without regard to case, the programs never published,
// and a fresh file for every installation. The windows are created on a three-product medium as the
// program creates them; each test sets the product marks and the shortcut list and runs the stage.
#include <gtest/gtest.h>

#include "install/stage_fixture.h"
#include "support/test_machine.h"

namespace {

using namespace install_test;

class Publishing : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
#ifndef _WIN32
        Sim().settings().systemDirectory = test_support::MakeTempDir();
#endif
        file = os::system().systemDirectory() + "\\autopublish.ini";
        os::files().deleteFile(file);
        WriteMedium("[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                    "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\n"
                    "MainPath3=C:\\Report\r\n"
                    "[Products Name]\r\nProductName1=商店,0,0,Shop\r\n"
                    "ProductName2=Tools,0,0,Tools\r\nProductName3=报表,0,0,Report\\V2\r\n");
        ASSERT_NO_FATAL_FAILURE(CreateWindows(3));
    }

    void TearDown() override {
        os::files().deleteFile(file);
        InstallStage::TearDown();
    }

    // The file as the profile calls read it: "[Section]" lines and "key=value" lines in file order.
    std::vector<std::string> Published() {
        std::vector<std::string> lines;
        for (const std::string& section : os::profile().sectionNames(file)) {
            lines.push_back("[" + section + "]");
            for (const std::string& key : os::profile().sectionKeys(file, section))
                lines.push_back(key + "=" + os::profile().readString(file, section, key, "<missing>"));
        }
        return lines;
    }
    // The six keys of one application.
    static std::vector<std::string> App(int n, const std::string& name, const std::string& path) {
        return {"[App" + std::to_string(n) + "]", "AppName=" + name, "Hint=" + name,
                "AppPath=%installpath%\\" + path, "AppWorkdir=%installpath%\\", "IconID=0", "ClientStyle=0"};
    }
    static std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    std::string file;
};

TEST_F(Publishing, GroupsAreNumberedOnceAndListEveryApplicationOfTheirGroup) {
    Choose("x--");
    Shortcuts({{1, "_MAINPATH_1\\bin\\a1.exe", "Tools", "A1"},
               {1, "_MAINPATH_1\\bin\\a2.exe", "Tools", "A2"},
               {1, "_MAINPATH_1\\b.exe", "报表组", "B"},
               {1, "_MAINPATH_1\\a3.exe", "Tools", "A3"},
               {1, "_MAINPATH_1\\root.exe", "", "Root"}});
    Table().PublishApplications();
    EXPECT_EQ(Published(),
              Join({{"[InstallPath]", "PathKey=SOFTWARE\\Tessarine\\Shop", "ValueName=ProductPath1"},
                    {"[Root]", "Dir1=", "Dir2=", "App5="},
                    {"[Dir1]", "Name=Tools", "Hint=Tools", "AppList=AppList1"},
                    {"[AppList1]", "App1=", "App2=", "App4="},
                    App(1, "A1", "bin\\a1.exe"),
                    App(2, "A2", "bin\\a2.exe"),
                    {"[Dir2]", "Name=报表组", "Hint=报表组", "AppList=AppList2"},
                    {"[AppList2]", "App3="},
                    App(3, "B", "b.exe"),
                    App(4, "A3", "a3.exe"),
                    App(5, "Root", "root.exe")}));
    EXPECT_TRUE(failures.empty());
}

TEST_F(Publishing, NumbersRunOnAcrossProductsAndGroupsAreSharedWhateverTheirCase) {
    Choose("x-g");  // a grayed mark counts as chosen
    Shortcuts({{3, "_MAINPATH_3\\r.exe", "common", "R"},
               {2, "_MAINPATH_2\\t.exe", "", "T"},  // product 2 is not chosen: no number used
               {1, "_MAINPATH_1\\s.exe", "Common", "S"},
               {1, "_MAINPATH_1\\x.exe", "Startup", "X"}});  // an ordinary group here
    Table().PublishApplications();
    EXPECT_EQ(Published(),
              Join({{"[InstallPath]", "PathKey=SOFTWARE\\Tessarine\\Report\\V2", "ValueName=ProductPath1"},
                    {"[Root]", "Dir1=", "Dir2="},
                    {"[Dir1]", "Name=Common", "Hint=Common", "AppList=AppList1"},
                    {"[AppList1]", "App1=", "App3="},
                    App(1, "S", "s.exe"),
                    {"[Dir2]", "Name=Startup", "Hint=Startup", "AppList=AppList2"},
                    {"[AppList2]", "App2="},
                    App(2, "X", "x.exe"),
                    App(3, "R", "r.exe")}))
        << "the last chosen product's PathKey remains";
}

TEST_F(Publishing, TheFamilysConfigurationAndHostProgramsAreNeverPublished) {
    Choose("x--");
    Shortcuts({{1, "_MAINPATH_1\\PrtCfg.exe", "", "Printer"},
               {1, "_MAINPATH_1\\bin\\deskhost.EXE", "Grp", "Host"},
               {1, "_MAINPATH_1\\main.exe", "", "Main"},
               {1, "_MAINPATH_1", "", "Short"}});  // a target as short as its prefix gives the bare folder
    Table().PublishApplications();
    EXPECT_EQ(Published(), Join({{"[InstallPath]", "PathKey=SOFTWARE\\Tessarine\\Shop", "ValueName=ProductPath1"},
                                 {"[Root]", "App1=", "App2="},
                                 App(1, "Main", "main.exe"),
                                 App(2, "Short", "")}));
}

TEST_F(Publishing, EveryInstallationWritesAFreshFile) {
    test_support::WriteFile(file, "[Root]\r\nApp9=\r\n[App9]\r\nAppName=Old\r\n");
    Choose("x--");
    Shortcuts({{1, "_MAINPATH_1\\main.exe", "", "Main"}});
    Table().PublishApplications();
    EXPECT_EQ(Published(), Join({{"[InstallPath]", "PathKey=SOFTWARE\\Tessarine\\Shop", "ValueName=ProductPath1"},
                                 {"[Root]", "App1="},
                                 App(1, "Main", "main.exe")}));
    EXPECT_EQ(Table().ShortCuts[0].Target, "_MAINPATH_1\\main.exe") << "publishing leaves the table as it is";
}

TEST_F(Publishing, WithNoProductChosenTheOldFileIsOnlyDeleted) {
    test_support::WriteFile(file, "[Root]\r\nApp1=\r\n");
    Choose("---");
    Shortcuts({{1, "_MAINPATH_1\\main.exe", "", "Main"}});
    Table().PublishApplications();
    EXPECT_EQ(os::files().getFileAttributes(file), os::kInvalidAttributes);
    EXPECT_TRUE(failures.empty());
}

TEST_F(Publishing, AnOldFileThatCannotBeDeletedIsNoted) {
    test_support::WriteFile(file, "[Root]\r\nApp1=\r\n");
    auto open = os::files().openFile(file, os::kOpenRead | os::kShareExclusive);
    ASSERT_TRUE(open);
    Choose("---");
    Table().PublishApplications();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("autopublish.ini"), std::string::npos) << failures[0];
}

}  // namespace
