// The copy stage: the gauge's package count, where packages are extracted, what is recorded for the
// uninstaller, the module display (title, lines, picture), old copies replaced, stored names that lead
// outside the target, packages with a wrong password and target directories that cannot be made. The
// windows are created on a three-product medium as the program creates them; each test fills the modules
// and packages it needs in the table and writes the packages (encrypted with the medium's password) into
// the setup folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "archive/errors.h"
#include "install/faulty_machine.h"
#include "install/stage_fixture.h"
#include "support/test_machine.h"

namespace {

using namespace install_test;

// RegKeys of the three products; unusual enough not to meet another test's keys in a shared registry.
const char* const kRegKeys[] = {"CopyStageShop", "CopyStageTools", "CopyStageReport"};

// A BITMAPFILEHEADER and BITMAPINFOHEADER of a 24-bit picture: all the headless backend reads.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height) {
    std::vector<uint8_t> out = {'B', 'M'};
    auto le32 = [&out](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); };
    le32(54), le32(0), le32(54), le32(40), le32(uint32_t(width)), le32(uint32_t(height));
    out.insert(out.end(), {1, 0, 24, 0});
    for (int i = 0; i < 6; ++i) le32(0);
    return out;
}

class CopyStage : public InstallStage {
protected:
    void SetUp() override {
        InstallStage::SetUp();
        // The products' directories do not exist yet: the stage makes them.
        paths = {folder + "\\Shop\\Program", folder + "\\Tools", folder + "\\Report"};
        WriteMedium("[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                    "[Default MainPath]\r\nMainPath1=" + paths[0] + "\r\nMainPath2=" + paths[1] +
                        "\r\nMainPath3=" + paths[2] + "\r\n"
                    "[Products Name]\r\nProductName1=商店,0,0,CopyStageShop\r\n"
                    "ProductName2=Tools,0,0,CopyStageTools\r\nProductName3=报表,0,0,CopyStageReport\r\n");
        ASSERT_NO_FATAL_FAILURE(CreateWindows(3));
        Table().IsWin9x = false;  // file lists get their values
        Table().OnPackageExtracted = [this](const std::string& package, const std::string&,
                                            const std::vector<std::string>&, int recordedProduct) {
            extracted.push_back(package + "@" + std::to_string(recordedProduct) + "/" +
                                std::to_string(Table().CGauge1.Progress() + 1) + "of" +
                                std::to_string(Table().CGauge1.MaxValue()));
        };
        for (const char* key : kRegKeys) DeleteTree(kFamily + key);
    }

    void TearDown() override {
        InstallStage::TearDown();
        for (const char* key : kRegKeys) DeleteTree(kFamily + key);
    }

    // Describes module k of product p in install mode 1: its state and its packages (directory, file).
    app::TModule& Module(int p, int k, int state, const std::vector<app::TPackageRef>& packages) {
        app::TProduct& product = Table().Products[size_t(p)];
        product.ModuleCount = std::max(product.ModuleCount, k + 1);
        app::TModule& module = Table().Modules[0][size_t(p)][size_t(k)];
        module.State = state;
        module.PackageCount = int(packages.size());
        std::copy(packages.begin(), packages.end(), module.Packages.begin());
        return module;
    }
    void Public(int productNo, const std::string& directory, const std::string& file) {
        Table().PublicModules[size_t(Table().PublicModuleCount++)] = {productNo, directory, file};
    }
    // The file list recorded for product p (0-based), value name to path.
    std::map<std::string, std::string> Recorded(int p) {
        const std::string key = kFamily + kRegKeys[p] + "\\UninstallInfo" + std::to_string(p + 1);
        std::map<std::string, std::string> values;
        for (const std::string& name : os::registry().valueNames(HKLM, key))
            os::registry().readString(HKLM, key, name, values[name]);
        return values;
    }

    std::vector<std::string> paths;
    std::vector<std::string> extracted;  // "package@recorded product/gauge step of maximum", in order
};

// --- What is copied and counted ---

// Product 1 has selected modules of 2 and 3 packages, an unselected one of 4 and a public module; product
// 3 is unchosen, with a module and a public module of its own.
TEST_F(CopyStage, GaugeCountsThePackagesOfSelectedModulesAndThePublicModulesOfChosenProducts) {
    for (const char* file : {"a1.dat", "a2.dat", "b1.dat", "b2.dat", "b3.dat", "pub.dat", "off.dat", "r.dat", "rp.dat"})
        Package(file, {{std::string(file) + ".txt", file}});
    Choose("x--");
    Module(0, 0, 1, {{"", "a1.dat"}, {"", "a2.dat"}});
    Module(0, 1, 2, {{"", "b1.dat"}, {"", "b2.dat"}, {"", "b3.dat"}});
    Module(0, 2, 0, {{"", "off.dat"}, {"", "off.dat"}, {"", "off.dat"}, {"", "off.dat"}});
    Table().Comments[0][0][1].Title = "Second";
    Table().Comments[0][0][2].Title = "Unselected";
    Module(2, 0, 1, {{"", "r.dat"}});
    Public(3, paths[2], "rp.dat");
    Public(1, folder + "\\Common", "pub.dat");

    Table().CopyPackages();

    EXPECT_EQ(extracted, (std::vector<std::string>{"a1.dat@0/1of6", "a2.dat@0/2of6", "b1.dat@0/3of6", "b2.dat@0/4of6",
                                                   "b3.dat@0/5of6", "pub.dat@-1/6of6"}));
    EXPECT_EQ(Table().CGauge1.MaxValue(), 6);
    EXPECT_EQ(Table().CGauge1.Progress(), 6);
    EXPECT_EQ(ReadText(folder + "\\Common\\pub.dat.txt"), "pub.dat");
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\off.dat.txt"));
    EXPECT_EQ(Table().Label20.Caption(), "Second");  // the unselected module is not shown
    EXPECT_FALSE(test_support::FileExists(paths[2] + "\\r.dat.txt"));
    EXPECT_FALSE(test_support::FileExists(paths[2] + "\\rp.dat.txt"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(CopyStage, GrayedProductIsCopiedAndUncheckedOneContributesNothing) {
    Package("s.dat", {{"s.txt", "s"}});
    Package("t.dat", {{"t.txt", "t", 8}});
    Package("tp.dat", {{"tp.txt", "tp"}});
    Choose("-g-");
    Module(0, 0, 1, {{"", "s.dat"}});
    Public(1, folder + "\\ShopCommon", "s.dat");
    Module(1, 0, 3, {{"", "t.dat"}});
    Public(2, folder + "\\ToolsCommon", "tp.dat");

    Table().CopyPackages();

    EXPECT_EQ(extracted, (std::vector<std::string>{"t.dat@1/1of2", "tp.dat@-1/2of2"}));
    EXPECT_EQ(ReadText(paths[1] + "\\t.txt"), "t");
    EXPECT_EQ(ReadText(folder + "\\ToolsCommon\\tp.txt"), "tp");
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\s.txt"));
    EXPECT_FALSE(test_support::FileExists(folder + "\\ShopCommon\\s.txt"));
}

// The products' directories do not exist; MainPath and MainPath\bin\x86 are made for the packages.
TEST_F(CopyStage, PackagesGoIntoMainPathOrTheirDirectoryBelowIt) {
    Package("main.dat", {{"main.exe", "MZ main"}, {"doc/read.txt", "doc", 8}});
    Package("bin.dat", {{"lib.dll", "MZ lib"}});
    Choose("x--");
    Module(0, 0, 1, {{"", "main.dat"}, {"bin\\x86", "bin.dat"}});

    Table().CopyPackages();

    EXPECT_EQ(ReadText(paths[0] + "\\main.exe"), "MZ main");
    EXPECT_EQ(ReadText(paths[0] + "\\doc\\read.txt"), "doc");
    EXPECT_EQ(ReadText(paths[0] + "\\bin\\x86\\lib.dll"), "MZ lib");
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\bin\\x86\\main.exe"));
    EXPECT_EQ(Table().CurTargetDir, paths[0] + "\\bin\\x86");
}

// --- The uninstaller's file lists ---

// Numbers run on across packages and products; a missing package and an empty one change nothing.
TEST_F(CopyStage, EveryExtractedModulePackageIsRecordedOnceAndPublicOnesNever) {
    Package("one.dat", {{"a.exe", "a"}, {"sub/b.dll", "b", 8}});
    Package("empty.dat", {});
    Package("two.dat", {{"c.txt", "c"}});
    Package("tools.dat", {{"d.exe", "d"}});
    Package("pub.dat", {{"p.txt", "p"}});
    Choose("xx-");
    Module(0, 0, 1, {{"", "one.dat"}, {"", "missing.dat"}});
    Module(0, 1, 1, {{"gone", "empty.dat"}, {"bin", "two.dat"}});
    Module(1, 0, 1, {{"", "tools.dat"}});
    Public(1, paths[0], "pub.dat");

    Table().CopyPackages();

    EXPECT_EQ(Recorded(0), (std::map<std::string, std::string>{{"File0", paths[0] + "\\a.exe"},
                                                                {"File1", paths[0] + "\\sub\\b.dll"},
                                                                {"File2", paths[0] + "\\bin\\c.txt"}}));
    EXPECT_EQ(Recorded(1), (std::map<std::string, std::string>{{"File3", paths[1] + "\\d.exe"}}));
    EXPECT_EQ(Table().UninstallFileNo, 4);
    EXPECT_EQ(ReadText(paths[0] + "\\p.txt"), "p");
    EXPECT_EQ(Table().CGauge1.MaxValue(), 6);
    EXPECT_EQ(Table().CGauge1.Progress(), 4);
    EXPECT_EQ(extracted.size(), 4u);
    EXPECT_TRUE(failures.empty());
}

// --- The module display ---

TEST_F(CopyStage, CommentShowsTitleAndLinesAndAnEmptyTitleKeepsThePreviousOne) {
    app::TModuleComment& first = Table().Comments[0][1][0];
    first.Title = "客户端";
    first.Lines[0] = "line 1";
    first.Lines[3] = "line 4";
    first.Lines[10] = "line 11";
    first.Lines[11] = "line 12";  // past the eleven labels
    for (vcl::TLabel* label : Table().CommentLabels) label->SetCaption("stale");
    Table().ShowModuleComment(0, 1, 0);
    EXPECT_EQ(Table().Label20.Caption(), "客户端");
    // The title sizes itself to its text and is centred over the right panel by that width.
    EXPECT_GT(Table().Label20.Width(), 0);
    EXPECT_EQ(Table().Label20.Left(), (Table().Panel4.Width() - Table().Label20.Width()) / 2);
    EXPECT_EQ(Table().Label9.Caption(), "line 1");
    EXPECT_EQ(Table().Label10.Caption(), "");
    EXPECT_EQ(Table().Label12.Caption(), "line 4");
    EXPECT_EQ(Table().Label19.Caption(), "line 11");

    app::TModuleComment& second = Table().Comments[0][1][1];
    second.Lines[1] = "other";
    Table().Label20.SetWidth(60);
    Table().ShowModuleComment(0, 1, 1);
    EXPECT_EQ(Table().Label20.Caption(), "客户端");
    EXPECT_EQ(Table().Label20.Left(), (Table().Panel4.Width() - 60) / 2);  // centred anew all the same
    EXPECT_EQ(Table().Label9.Caption(), "");
    EXPECT_EQ(Table().Label10.Caption(), "other");
    EXPECT_EQ(Table().Label12.Caption(), "");
    EXPECT_EQ(Table().Label19.Caption(), "");
}

// A missing picture leaves the image as it is, an existing one is shown, a damaged one keeps the shown one.
TEST_F(CopyStage, ModulePictureIsShownOnlyWhenItsFileCanBeRead) {
    test_support::WriteFile(In("module.bmp"), Bitmap(120, 90));
    test_support::WriteFile(In("broken.bmp"), std::string("not a picture"));
    Module(0, 0, 1, {}).Picture = "missing.bmp";
    Module(0, 1, 1, {}).Picture = "module.bmp";
    Module(0, 2, 1, {}).Picture = "broken.bmp";
    Module(0, 3, 1, {}).Picture = "missing.bmp";
    ASSERT_FALSE(Table().Image4.Visible());

    Table().CopyModule(0, 0);
    EXPECT_FALSE(Table().Image4.Visible());
    EXPECT_TRUE(Table().Image4.Picture.Empty());
    Table().CopyModule(0, 1);
    EXPECT_TRUE(Table().Image4.Visible());
    EXPECT_EQ(Table().Image4.Picture.FileName(), Table().SetupFolder() + "\\module.bmp");
    EXPECT_EQ(Table().Image4.Width(), 120);
    EXPECT_EQ(Table().Image4.Height(), 90);
    Table().CopyModule(0, 2);
    Table().CopyModule(0, 3);
    EXPECT_TRUE(Table().Image4.Visible());
    EXPECT_EQ(Table().Image4.Picture.FileName(), Table().SetupFolder() + "\\module.bmp");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("broken.bmp"), std::string::npos) << failures[0];
    EXPECT_TRUE(Boxes().empty());
}

// --- Files already in the target ---

TEST_F(CopyStage, ReadOnlyCopiesFromAnEarlierInstallationAreReplaced) {
    const std::string bin = paths[0] + "\\bin";
    os::files().createDirectory(folder + "\\Shop");
    os::files().createDirectory(paths[0]);
    os::files().createDirectory(bin);
    os::files().createDirectory(bin + "\\sub");
    for (const char* name : {"\\old.dll", "\\sub\\deep.dll", "\\keep.txt"}) {
        test_support::WriteFile(bin + name, std::string("old"));
        os::files().setFileAttributes(bin + name, os::kAttrReadOnly);
    }
    Package("bin.dat", {{"old.dll", "new"}, {"sub/deep.dll", "new deep", 8}});
    Choose("x--");
    Module(0, 0, 1, {{"bin", "bin.dat"}});

    Table().CopyPackages();

    EXPECT_EQ(ReadText(bin + "\\old.dll"), "new");
    EXPECT_EQ(ReadText(bin + "\\sub\\deep.dll"), "new deep");
    EXPECT_FALSE(os::files().getFileAttributes(bin + "\\old.dll") & os::kAttrReadOnly);
    EXPECT_EQ(ReadText(bin + "\\keep.txt"), "old");  // not in the package: untouched
    EXPECT_TRUE(os::files().getFileAttributes(bin + "\\keep.txt") & os::kAttrReadOnly);
    EXPECT_EQ(Table().CGauge1.Progress(), 1);
}

// The component refuses to write such names; the files they point at beside the product stay.
TEST_F(CopyStage, NamesLeadingOutsideTheTargetRemoveNothingThere) {
    const std::vector<std::string> outside = {"x.txt", "y.txt", "z.txt", "v.txt"};
    os::files().createDirectory(folder + "\\Shop");
    for (const std::string& name : outside) {
        test_support::WriteFile(folder + "\\Shop\\" + name, "outside " + name);
        os::files().setFileAttributes(folder + "\\Shop\\" + name, os::kAttrReadOnly);
    }
    Package("bad.dat", {{"..\\x.txt", "bad"}, {"../y.txt", "bad"}, {"sub/../../z.txt", "bad"},
                        {".. \\v.txt", "bad"}, {"ok.txt", "ok"}});
    Choose("x--");
    Module(0, 0, 1, {{"", "bad.dat"}});

    Table().CopyPackages();

    for (const std::string& name : outside) EXPECT_EQ(ReadText(folder + "\\Shop\\" + name), "outside " + name);
    EXPECT_EQ(ReadText(paths[0] + "\\ok.txt"), "ok");
    EXPECT_EQ(Table().CGauge1.Progress(), 1);
}

// The uninstaller removes what the file list names: a name the component refused must not put a file
// beside the product on the list.
TEST_F(CopyStage, FileListNamesOnlyFilesBelowTheTarget) {
    Package("bad.dat", {{"..\\x.txt", "bad"}, {"sub/../../y.txt", "bad"}, {"ok.txt", "ok"}});
    Choose("x--");
    Module(0, 0, 1, {{"", "bad.dat"}});

    Table().CopyPackages();

    for (const auto& [name, path] : Recorded(0)) EXPECT_EQ(path.find(".."), std::string::npos) << name << " = " << path;
    EXPECT_EQ(Recorded(0)["File0"], paths[0] + "\\ok.txt");
}

// --- Packages with a wrong password ---

// The component gives up the item and makes the archive unusable; with nothing after it the package ends
// normally and the next one is extracted. An earlier copy of the failed item is gone: it was removed to
// make room for the new one.
TEST_F(CopyStage, WrongPasswordOnTheLastItemLetsTheStageGoOn) {
    for (uint16_t method : {uint16_t(0), uint16_t(8)}) {
        SCOPED_TRACE(method);
        const std::string target = folder + "\\Method" + std::to_string(method);
        os::files().createDirectory(target);
        test_support::WriteFile(target + "\\bad.txt", std::string("old"));
        Table().Products[0].MainPath = target;
        // Names of their own: the component keeps the last package of a run open.
        const std::string pack = "pack" + std::to_string(method) + ".dat", next = "next" + std::to_string(method) + ".dat";
        Package(pack, {{"good.txt", "good", method}, {"bad.txt", "bad", method, "wrong password"}});
        Package(next, {{"next.txt", "next", method}});
        Choose("x--");
        Module(0, 0, 1, {{"", pack}, {"", next}});

        EXPECT_NO_THROW(Table().CopyPackages());

        EXPECT_EQ(ReadText(target + "\\good.txt"), "good");
        EXPECT_FALSE(test_support::FileExists(target + "\\bad.txt"));
        EXPECT_EQ(ReadText(target + "\\next.txt"), "next");
        EXPECT_EQ(Table().CGauge1.Progress(), 2);
    }
}

// The next item meets the unusable archive: ExtractFiles raises, the stage ends there and nothing of the
// package is recorded or counted.
TEST_F(CopyStage, WrongPasswordBeforeFurtherItemsEndsTheStageWithTheComponentsError) {
    Package("pack.dat", {{"bad.txt", "bad", 0, "wrong password"}, {"after.txt", "after"}});
    Package("next.dat", {{"next.txt", "next"}});
    Choose("x--");
    Module(0, 0, 1, {{"", "pack.dat"}, {"", "next.dat"}});

    EXPECT_THROW(Table().CopyPackages(), archive::EArNoArchive);

    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\bad.txt"));
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\after.txt"));
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\next.txt"));
    EXPECT_EQ(Table().CGauge1.Progress(), 0);
    EXPECT_TRUE(Recorded(0).empty());
    EXPECT_TRUE(extracted.empty());
}

// --- Target directories that cannot be made ---

// A file stands where the first package's directory should go: the stage cannot make it, the component
// refuses the missing directory when the package is opened, and the stage and the sequence end there.
TEST_F(CopyStage, MissingBaseDirectoryOfTheFirstPackageEndsTheStageWithTheComponentsError) {
    test_support::WriteFile(folder + "\\Shop", std::string("a file, not a folder"));
    Package("shop.dat", {{"shop.exe", "MZ"}});
    Package("tools.dat", {{"tools.exe", "MZ"}});
    Choose("xx-");
    Module(0, 0, 1, {{"", "shop.dat"}});
    Module(1, 0, 1, {{"", "tools.dat"}});
    Public(1, folder + "\\Common", "tools.dat");

    try {
        Table().CopyPackages();
        ADD_FAILURE() << "the stage went on";
    } catch (const archive::EArNoSuchDirectory& e) {
        EXPECT_EQ(e.Message(), "Directory does not exist");
    }

    EXPECT_FALSE(Exists(paths[1] + "\\tools.exe"));
    EXPECT_FALSE(Exists(folder + "\\Common\\tools.exe"));
    EXPECT_EQ(Table().CGauge1.Progress(), 0);
    EXPECT_TRUE(Recorded(0).empty());
    EXPECT_TRUE(extracted.empty());
}

// The second package's directory is blocked while the first package is still open in the component: the
// component refuses it as the base directory is set. The first package stays extracted and recorded.
TEST_F(CopyStage, MissingBaseDirectoryOfALaterPackageEndsTheStageAfterTheEarlierOnes) {
    Package("main.dat", {{"main.exe", "MZ"}});
    Package("bin.dat", {{"lib.dll", "MZ"}});
    Package("tools.dat", {{"tools.exe", "MZ"}});
    os::files().createDirectory(folder + "\\Shop");
    os::files().createDirectory(paths[0]);
    test_support::WriteFile(paths[0] + "\\bin", std::string("a file, not a folder"));
    Choose("xx-");
    Module(0, 0, 1, {{"", "main.dat"}, {"bin", "bin.dat"}});
    Module(1, 0, 1, {{"", "tools.dat"}});

    EXPECT_THROW(Table().CopyPackages(), archive::EArNoSuchDirectory);

    EXPECT_EQ(ReadText(paths[0] + "\\main.exe"), "MZ");
    EXPECT_EQ(extracted, std::vector<std::string>{"main.dat@0/1of3"});
    EXPECT_EQ(Recorded(0).size(), 1u);
    EXPECT_EQ(ReadText(paths[0] + "\\bin"), "a file, not a folder");
    EXPECT_FALSE(Exists(paths[1] + "\\tools.exe"));
    EXPECT_EQ(Table().CGauge1.Progress(), 1);
}

// --- Items that cannot be written ---

// The disk fills up during the second item: the component removes what it wrote of it, the stage names
// it with the Windows error, goes on with the next item, and the uninstaller's list names only what is
// there.
TEST_F(CopyStage, ItemsThatCannotBeWrittenAreNotedAndStayOffTheFileList) {
    Package("pack.dat", {{"a.txt", "first"}, {"b.txt", std::string(5000, 'b'), 8}, {"c.txt", "third"}});
    Choose("x--");
    Module(0, 0, 1, {{"", "pack.dat"}});
    {
        install_test::FaultyMachine faulty;
        faulty.LimitWritesPartly(paths[0] + "\\b.txt", 100);
        Table().CopyPackages();
    }
    EXPECT_EQ(ReadText(paths[0] + "\\a.txt"), "first");
    EXPECT_FALSE(test_support::FileExists(paths[0] + "\\b.txt"));
    EXPECT_EQ(ReadText(paths[0] + "\\c.txt"), "third");
    const std::map<std::string, std::string> recorded = Recorded(0);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded.at("File0"), paths[0] + "\\a.txt");
    EXPECT_EQ(recorded.at("File1"), paths[0] + "\\c.txt");
    ASSERT_EQ(failures.size(), 1u);
    // The component's report carries the Windows error of the failed write: its clean-up calls (closing
    // and removing the partial file) leave other errors behind, and on Windows clear it.
    EXPECT_EQ(failures[0],
              "extract " + paths[0] + "\\b.txt from pack.dat failed (Windows error 112); the file was not installed");
}

}  // namespace
