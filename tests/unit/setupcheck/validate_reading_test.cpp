// setupcheck validate: its own reading of the description files (the profile calls' rules, with lines),
// the GBK test, the output forms and the command's exit statuses.
#include <gtest/gtest.h>

#include <sstream>

#include "setupcheck/validate/findings.h"
#include "setupcheck/validate/gbk.h"
#include "setupcheck/validate/ini_document.h"
#include "setupcheck/validate/validate.h"

using namespace setupcheck::validate;

TEST(ValidateIniDocument, ReadsAsTheProfileCallsWithLines) {
    IniDocument doc("; remark\r\n[Setup]\r\n  name1 = \"quoted\" \r\nName1=second\r\nbare\r\n[SETUP]\r\nName2=x\r\n[Other]\r\nKey=v");
    EXPECT_EQ(doc.Read("setup", "NAME1"), "quoted");       // letter case, blanks, quotes
    EXPECT_EQ(doc.LineOf("Setup", "Name1"), 3);            // the first key of a name wins
    EXPECT_EQ(doc.Read("Setup", "Name2", "none"), "none");  // only the first section of a name is read
    EXPECT_EQ(doc.Read("Setup", "bare", "none"), "none");   // a key without '=' has no value
    EXPECT_EQ(doc.LineOf("Setup", "Missing"), 2);           // the section's header
    EXPECT_EQ(doc.LineOf("Nowhere", "Key"), 0);
    EXPECT_EQ(doc.Read("Other", "Key"), "v");               // last line without line end
}

TEST(ValidateIniDocument, DoubleByteNamesKeepTheirTrailBytes) {
    // 0x5D (']') and 0x61 ('a') are trail bytes of these GBK characters: neither ends the header nor folds.
    IniDocument doc("[\xB1\x5D]\r\nK=1\r\n[\xC4\x61]\r\nK=2\r\n");
    EXPECT_EQ(doc.Read("\xB1\x5D", "K"), "1");
    EXPECT_EQ(doc.Read("\xC4\x41", "K"), "");
    EXPECT_EQ(doc.Read("\xC4\x61", "K"), "2");
}

TEST(ValidateGbk, NamesTheFirstLineThatIsNotGbk) {
    EXPECT_EQ(GbkProblem("[\xB2\xC6\xCE\xF1]", true), "");
    EXPECT_NE(GbkProblem("\xEF\xBB\xBF[Setup]", true), "");            // byte-order mark
    EXPECT_NE(GbkProblem("Name=\xE8\xB4\xA2\xE5\x8A\xA1", false), "");  // UTF-8, valid GBK byte for byte
    EXPECT_NE(GbkProblem("Name=\xB2", false), "");                      // a lead byte without trail
    EXPECT_NE(GbkProblem("Name=\xFF", false), "");
    IniDocument doc("[A]\r\nK=\xB2\xC6\r\nL=\xB2\r\nM=\xFF\r\n");
    EXPECT_EQ(doc.badLine(), 3);
}

TEST(ValidateOutput, TextAndJsonForms) {
    std::vector<Finding> findings = {{"SETUP.INI", 7, Severity::Error, "no-regkey", "say \"x\""},
                                     {"License.TXT", 0, Severity::Warning, "missing-text-file", "gone"}};
    EXPECT_EQ(FindingsToText(findings),
              "SETUP.INI:7: error: say \"x\"\nLicense.TXT:0: warning: gone\n1 errors, 1 warnings\n");
    EXPECT_EQ(FindingsToJson(findings),
              "[\n  {\"file\": \"SETUP.INI\", \"line\": 7, \"severity\": \"error\", \"code\": \"no-regkey\", "
              "\"message\": \"say \\\"x\\\"\"},\n  {\"file\": \"License.TXT\", \"line\": 0, \"severity\": "
              "\"warning\", \"code\": \"missing-text-file\", \"message\": \"gone\"}\n]\n");
    EXPECT_EQ(FindingsToJson({}), "[]\n");
}

TEST(ValidateOutput, FileOrderThenLine) {
    Findings findings;
    findings.Warning("COMMENT.INI", 1, "a", "a");
    findings.Error("License.TXT", 0, "b", "b");
    findings.Error("SETUP.INI", 9, "c", "c");
    findings.Error("SETUP.INI", 2, "d", "d");
    findings.Error("SETUP.INI", 2, "d", "d");  // the same finding twice counts once
    std::vector<Finding> sorted = findings.Sorted();
    ASSERT_EQ(sorted.size(), 4u);
    EXPECT_EQ(sorted[0].code, "d");
    EXPECT_EQ(sorted[1].code, "c");
    EXPECT_EQ(sorted[2].code, "a");
    EXPECT_EQ(sorted[3].code, "b");
}

TEST(ValidateCommand, CannotRunGivesStatusTwo) {
    std::ostringstream out, err;
    EXPECT_EQ(RunValidateCommand({}, out, err), 2);
    EXPECT_EQ(RunValidateCommand({"medium", "--bogus"}, out, err), 2);
    EXPECT_EQ(RunValidateCommand({"no-such-folder-here"}, out, err), 2);
    EXPECT_EQ(RunValidateCommand({".", "--machine"}, out, err), 2);
    EXPECT_TRUE(out.str().empty());
}
