// setupcheck validate: the clean medium gives no finding, and a medium broken in one way gives exactly
// the findings of that fault, at its file and line and with its severity.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "support/zip_builder.h"
#include "validate_medium_fixture.h"

using setupcheck::validate::Finding;
using setupcheck::validate::Severity;
using namespace validate_test;

namespace {

constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;

struct Expected {
    const char* file;
    int line;
    Severity severity;
    const char* code;
};

struct Case {
    const char* name;
    std::function<void(MediumFiles&)> breakIt;
    std::vector<Expected> expected;
};

std::string Describe(const std::vector<Finding>& findings) {
    std::ostringstream out;
    for (const Finding& f : findings)
        out << f.file << ":" << f.line << ": " << (f.severity == E ? "error" : "warning") << " [" << f.code << "] "
            << f.message << "\n";
    return out.str();
}

void Edit(MediumFiles& files, const char* file, const std::string& from, const std::string& to) {
    Replace(files[file], from, to);
}

std::string Lines(const std::string& word, int from, int to, const std::string& value) {
    std::string text;
    for (int i = from; i <= to; ++i) text += word + std::to_string(i) + "=" + value + "\r\n";
    return text;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // --- description files ---
        {"MissingConfigIni", [](MediumFiles& f) { f.erase("CONFIG.INI"); }, {{"CONFIG.INI", 0, E, "missing-file"}}},
        {"CommentIniSavedAsUtf8",
         [](MediumFiles& f) { f["COMMENT.INI"] = "[Product1Ins1Mod1]\r\nName=\xE6\x95\xB0\xE6\x8D\xAE\xE5\xBA\x93\r\n[Product1Ins1Mod2]\r\nName=Base\r\n"; },
         {{"COMMENT.INI", 2, E, "not-gbk"}}},
        {"ConfigIniWithByteOrderMark", [](MediumFiles& f) { f["CONFIG.INI"] = "\xEF\xBB\xBF" + f["CONFIG.INI"]; },
         {{"CONFIG.INI", 1, E, "not-gbk"}}},
        {"InvalidGbkBytes", [](MediumFiles& f) { Edit(f, "SETUP.INI", "DefaultMSDE=SHOP", "DefaultMSDE=SHOP;\xFF"); },
         {{"SETUP.INI", 4, E, "not-gbk"}, {"SETUP.INI", 4, W, "bad-default-instance"}}},
        // --- packages ---
        {"PackageNotOnMedium", [](MediumFiles& f) { f.erase("SYS.DAT"); }, {{"SETUP.INI", 12, E, "missing-package"}}},
        {"LastPackageWithoutComma", [](MediumFiles& f) { Edit(f, "SETUP.INI", "1,BASE.DAT,\r\n", "1,BASE.DAT\r\n"); },
         {{"SETUP.INI", 10, E, "missing-package"}, {"SETUP.INI", 14, W, "unreachable-shortcut"},
          {"CONFIG.INI", 17, W, "unreachable-program"}}},
        {"PackageListShorterThanCount", [](MediumFiles& f) { Edit(f, "SETUP.INI", ",,1,BASE.DAT,", ",,2,BASE.DAT,"); },
         {{"SETUP.INI", 10, E, "short-package-list"}}},
        {"PackageIsNoZip", [](MediumFiles& f) { f["BASE.DAT"] = "this is no archive"; },
         {{"SETUP.INI", 10, E, "not-zip"}, {"SETUP.INI", 14, W, "unreachable-shortcut"},
          {"CONFIG.INI", 17, W, "unreachable-program"}}},
        {"PackageWithAnotherPassword",
         [](MediumFiles& f) {
             test_support::ZipBuilder zip;
             zip.Add("SHOP.EXE", std::string("program")).password = "another";
             std::vector<uint8_t> bytes = zip.Build();
             f["BASE.DAT"] = std::string(bytes.begin(), bytes.end());
         },
         {{"SETUP.INI", 10, E, "bad-item"}}},
        {"ItemWithWrongChecksum",
         [](MediumFiles& f) {
             test_support::ZipBuilder zip;
             zip.Add("SHOP.EXE", std::string("program")).crc = 0x12345678;
             std::vector<uint8_t> bytes = zip.Build();
             f["BASE.DAT"] = std::string(bytes.begin(), bytes.end());
         },
         {{"SETUP.INI", 10, E, "bad-item"}}},
        {"ItemLeadingOutsideTarget", [](MediumFiles& f) { f["BASE.DAT"] = Package({"SHOP.EXE", "../EVIL.EXE"}); },
         {{"SETUP.INI", 10, E, "unsafe-name"}}},
        {"TwoPackagesWriteOneFile",
         [](MediumFiles& f) {
             Edit(f, "SETUP.INI", "1,_WINSYS_,SYS.DAT", "1,C:\\Shop,SYS.DAT");
             f["SYS.DAT"] = Package({"SHOP.EXE"});
         },
         {{"SETUP.INI", 12, W, "duplicate-target"}}},
        // --- capacities, numbers, shapes ---
        {"ElevenServiceEntries",
         [](MediumFiles& f) { Edit(f, "CONFIG.INI", "Name1=_MAINPATH_1\\DB\\SVC.BAT /i\r\n", Lines("Name", 1, 11, "_MAINPATH_1\\DB\\SVC.BAT /i")); },
         {{"CONFIG.INI", 25, E, "too-many"}}},
        {"StateNotANumber", [](MediumFiles& f) { Edit(f, "SETUP.INI", "Name2=Base,1,", "Name2=Base,x,"); },
         {{"SETUP.INI", 10, E, "not-a-number"}}},
        {"ShortRegistryEntry", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "Name1=Path,_MAINPATH_1", "Name1=Path"); },
         {{"CONFIG.INI", 11, E, "short-entry"}}},
        {"ShortIniEntry", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "Name1=Database,Server,", "Name1=Database;Server;"); },
         {{"CONFIG.INI", 8, E, "short-entry"}}},
        {"ProductWithoutRegKey", [](MediumFiles& f) { Edit(f, "SETUP.INI", ",2,1,ShopKey", ",2,1,"); },
         {{"SETUP.INI", 7, E, "no-regkey"}}},
        {"IniSectionNotInConfig", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "ProductIni1=1,Ini_Shop", "ProductIni1=1,Ini_Shops"); },
         {{"CONFIG.INI", 2, E, "missing-section"}}},
        // --- macros and texts ---
        {"MainPathMacroOfNoProduct", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "SET SHOP=_MAINPATH_1", "SET SHOP=_MAINPATH_2"); },
         {{"CONFIG.INI", 13, E, "bad-mainpath-macro"}}},
        {"TextTooLong", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "SET SHOP=_MAINPATH_1", "SET SHOP=" + std::string(250, 'x')); },
         {{"CONFIG.INI", 13, E, "text-too-long"}}},
        {"WordShapedLikeAMacro", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "SET SHOP=_MAINPATH_1", "SET SHOP=_WINDIR_"); },
         {{"CONFIG.INI", 13, W, "unknown-macro"}}},
        {"MainPathWithoutDigit", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "SET SHOP=_MAINPATH_1", "SET SHOP=_MAINPATH_"); },
         {{"CONFIG.INI", 13, W, "unknown-macro"}}},
        // --- numbered keys ---
        {"ShortCutAfterGap", [](MediumFiles& f) { f["SETUP.INI"] += "Name3=1,_MAINPATH_1\\SHOP.EXE,,Gap\r\n"; },
         {{"SETUP.INI", 15, W, "key-after-gap"}}},
        // --- what the wizard and the main window show ---
        {"PictureThatIsNoJpeg", [](MediumFiles& f) { f["DB.JPG"] = "BMbitmap"; }, {{"SETUP.INI", 9, W, "bad-picture"}}},
        {"PictureMissing", [](MediumFiles& f) { f.erase("BASE.BMP"); }, {{"SETUP.INI", 10, W, "bad-picture"}}},
        {"LicenseMissing", [](MediumFiles& f) { f.erase("License.TXT"); }, {{"License.TXT", 0, W, "missing-text-file"}}},
        {"BackgroundMissing", [](MediumFiles& f) { f.erase("setup800.JPG"); }, {{"setup800.JPG", 0, W, "missing-text-file"}}},
        {"ShortCutToNothing", [](MediumFiles& f) { Edit(f, "SETUP.INI", "\\SHOP.EXE,,", "\\SHOP2.EXE,,"); },
         {{"SETUP.INI", 14, W, "unreachable-shortcut"}}},
        {"RunOnceProgramNowhere", [](MediumFiles& f) { Edit(f, "CONFIG.INI", "\\DB\\SVC.BAT /i", "\\DB\\SVC2.BAT /i"); },
         {{"CONFIG.INI", 15, W, "unreachable-program"}}},
        {"AdditionalProgramOnMedium",
         [](MediumFiles& f) {
             Edit(f, "CONFIG.INI", "_MAINPATH_1\\SHOP.EXE /setup", "TOOL.EXE /setup");
             f["TOOL.EXE"] = "MZ";
         },
         {}},
        {"ModuleWithoutComment", [](MediumFiles& f) { Edit(f, "COMMENT.INI", "Name=基础\r\n", ""); },
         {{"SETUP.INI", 10, W, "no-comment"}}},
        {"CommentOfNoModule", [](MediumFiles& f) { f["COMMENT.INI"] += "[Product1Ins2Mod1]\r\nName=x\r\n"; },
         {{"COMMENT.INI", 5, W, "orphan-comment"}}},
        {"KindOneLedByAnotherModule", [](MediumFiles& f) { Edit(f, "SETUP.INI", "Name1=MSDE引擎", "Name1=引擎"); },
         {{"SETUP.INI", 2, W, "instance-lead"}}},
        {"MsdeModuleNotTheLead", [](MediumFiles& f) { Edit(f, "SETUP.INI", "Name2=Base", "Name2=MSDE Tools"); },
         {{"SETUP.INI", 10, W, "instance-lead"}}},
        {"DefaultInstanceRefused", [](MediumFiles& f) { Edit(f, "SETUP.INI", "DefaultMSDE=SHOP", "DefaultMSDE=SHOP 1"); },
         {{"SETUP.INI", 4, W, "bad-default-instance"}}},
    };
    return cases;
}

class ValidateChecks : public testing::TestWithParam<Case> {};

TEST_P(ValidateChecks, FindsExactlyTheFault) {
    MediumFiles files = CleanMedium();
    GetParam().breakIt(files);
    std::vector<Finding> findings = Validate(files);
    const std::vector<Expected>& expected = GetParam().expected;
    ASSERT_EQ(findings.size(), expected.size()) << Describe(findings);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(Describe(findings));
        EXPECT_EQ(findings[i].file, expected[i].file);
        EXPECT_EQ(findings[i].line, expected[i].line);
        EXPECT_EQ(findings[i].severity, expected[i].severity);
        EXPECT_EQ(findings[i].code, expected[i].code);
        EXPECT_EQ(findings[i].message.find('\n'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(BrokenMedia, ValidateChecks, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ValidateCleanMedium, HasNoFinding) {
    std::vector<Finding> findings = Validate(CleanMedium());
    EXPECT_TRUE(findings.empty()) << Describe(findings);
}

// The setup stops loading at the first package fault; the finding says so, later ones don't repeat it.
TEST(ValidateCleanMedium, FirstPackageFaultSaysLoadingStops) {
    MediumFiles files = CleanMedium();
    files.erase("DB.DAT");
    files.erase("SYS.DAT");
    std::vector<Finding> findings = Validate(files);
    ASSERT_GE(findings.size(), 2u) << Describe(findings);
    EXPECT_NE(findings[0].message.find("stops reading"), std::string::npos) << Describe(findings);
    for (size_t i = 1; i < findings.size(); ++i)
        EXPECT_EQ(findings[i].message.find("stops reading"), std::string::npos) << Describe(findings);
}

}  // namespace
