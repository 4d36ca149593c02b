// SubstituteMacros: which macros are found (letter case, first occurrence, the '@' rule, the searched
// length, double-byte texts) and what replaces them (directories, short product paths, the instance name).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/macros.h"
#include "os/machine.h"
#include "support/test_machine.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

namespace {

using app::MacroContext;
using app::SubstituteMacros;

class Macros : public testing::Test {
protected:
    void SetUp() override {
        table = std::make_unique<app::TProductTable>();
        table->ProductCount = 2;
        table->Products[0].MainPath = "C:\\Missing Product Folder\\One";
        table->Products[1].MainPath = "C:\\Missing Product Folder\\Two";
        context.table = table.get();
        context.instanceName = [this] { return instance; };
    }

    std::string Substitute(std::string text) { return SubstituteMacros(text, context); }

    std::string windows = os::system().windowsDirectory();
    std::string system = os::system().systemDirectory();
    std::string instance = "SHOP01";
    std::unique_ptr<app::TProductTable> table;
    MacroContext context;
};

TEST_F(Macros, DirectoryMacrosMatchInAnyCaseAndOnlyTheFirstOccurrence) {
    EXPECT_EQ(Substitute("_win_\\a.ini"), windows + "\\a.ini");
    EXPECT_EQ(Substitute("_WinSys_\\b.dll"), system + "\\b.dll");
    EXPECT_EQ(Substitute("_WIN_;_WIN_"), windows + ";_WIN_");
    EXPECT_EQ(Substitute("_WINSYS_ _WIN_"), system + " " + windows);
    EXPECT_EQ(Substitute("no macros here"), "no macros here");
    // The returned reference is the caller's text.
    std::string text = "_WIN_";
    EXPECT_EQ(&SubstituteMacros(text, context), &text);
    EXPECT_EQ(text, windows);
}

TEST_F(Macros, InstanceMacroIsUpperCaseOnly) {
    EXPECT_EQ(Substitute("SERVER\\_MSDE_"), "SERVER\\SHOP01");
    EXPECT_EQ(Substitute("SERVER\\_msde_"), "SERVER\\_msde_");
    EXPECT_EQ(Substitute("_MSDE_,_MSDE_"), "SHOP01,_MSDE_");
    // The name is read at the call, not when the context is made.
    instance = "OTHER";
    EXPECT_EQ(Substitute("_MSDE_"), "OTHER");
    // Without an instance-name source (while loading) the macro stays.
    context.instanceName = nullptr;
    EXPECT_EQ(Substitute("_MSDE_"), "_MSDE_");
}

TEST_F(Macros, MainPathTakesTheShortNameOrTheLongPathWhenThereIsNone) {
    // Missing folders have no short name: the long path goes in.
    EXPECT_EQ(Substitute("_MAINPATH_1\\bin"), table->Products[0].MainPath + "\\bin");
    EXPECT_EQ(Substitute("x _mainpath_2"), "x " + table->Products[1].MainPath);

    std::string folder = test_support::MakeTempDir() + "\\A Rather Long Folder Name";
    ASSERT_TRUE(os::files().createDirectory(folder));
    table->Products[0].MainPath = folder;
    std::string shortName;
    ASSERT_TRUE(os::system().shortPathName(folder, shortName));
    EXPECT_EQ(Substitute("_MainPath_1\\bin"), shortName + "\\bin");
    // Only the first occurrence.
    EXPECT_EQ(Substitute("_MAINPATH_1;_MAINPATH_2"), shortName + ";_MAINPATH_2");
}

TEST_F(Macros, MainPathWithoutAValidProductDigitStaysInTheText) {
    EXPECT_EQ(Substitute("_MAINPATH_3\\bin"), "_MAINPATH_3\\bin");  // beyond the loaded products
    EXPECT_EQ(Substitute("_MAINPATH_0"), "_MAINPATH_0");
    EXPECT_EQ(Substitute("_MAINPATH_x"), "_MAINPATH_x");
    EXPECT_EQ(Substitute("a_MAINPATH_"), "a_MAINPATH_");             // macro ends the text
    // The other macros are still replaced.
    EXPECT_EQ(Substitute("_WIN_ _MAINPATH_9 _MSDE_"), windows + " _MAINPATH_9 SHOP01");
    context.table = nullptr;
    EXPECT_EQ(Substitute("_MAINPATH_1"), "_MAINPATH_1");
}

TEST_F(Macros, SingleAtSignLeavesTheTextAlonePairIsKept) {
    EXPECT_EQ(Substitute("@ECHO _WIN_\\x"), "@ECHO _WIN_\\x");
    EXPECT_EQ(Substitute("@PATH@;_WIN_;_MSDE_"), "@PATH@;" + windows + ";SHOP01");
    EXPECT_EQ(Substitute("a@b@c@_WIN_"), "a@b@c@" + windows);
}

TEST_F(Macros, DoubleByteTrailBytesAreNotMacroCharacters) {
    // "丂" is 81 40 in GBK: its trail byte is '@', which is not a lone '@' of the text.
    std::string text = "丂_WIN_";
    ASSERT_EQ(text.size(), 2u + 5u);
    ASSERT_EQ(text[1], '@');
    EXPECT_EQ(Substitute(text), "丂" + windows);
    // Chinese text around a macro keeps its bytes.
    EXPECT_EQ(Substitute("程序_WIN_目录"), "程序" + windows + "目录");
}

TEST_F(Macros, OnlyTheFirst255CharactersAreSearchedAndNothingIsCut) {
    std::string head(250, 'a');
    // _WIN_ at 250..254 lies within the searched characters.
    EXPECT_EQ(Substitute(head + "_WIN_" + "tail"), head + windows + "tail");
    // At 251..255 its last character is past them.
    std::string longer = head + "b_WIN_tail";
    EXPECT_EQ(Substitute(longer), longer);
    // An early macro in a long text: replaced, and the rest of the text is kept whole.
    std::string tail(400, 'z');
    EXPECT_EQ(Substitute("_WIN_" + tail), windows + tail);
}

#ifndef _WIN32
TEST_F(Macros, DirectoriesAreAskedAtEveryCall) {
    auto& settings = dynamic_cast<os::sim::SimMachine&>(os::machine()).settings();
    os::sim::Settings saved = settings;
    settings.windowsDirectory = "D:\\WINNT";
    settings.systemDirectory = "D:\\WINNT\\SYSTEM32";
    EXPECT_EQ(Substitute("_WIN_|_WINSYS_"), "D:\\WINNT|D:\\WINNT\\SYSTEM32");
    // A later step searches the text as the earlier ones left it: a Windows directory that itself holds
    // _WINSYS_ gets that replaced.
    settings.windowsDirectory = "E:\\_WINSYS_";
    EXPECT_EQ(Substitute("_WIN_"), "E:\\D:\\WINNT\\SYSTEM32");
    settings = saved;
}
#endif

}  // namespace
