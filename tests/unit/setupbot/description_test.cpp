// The Describe answer parser: every line kind, the escapes, and malformed answers.
#include <gtest/gtest.h>

#include "setupbot/description.h"

namespace setupbot {
namespace {

// A wizard waiting on page 1 with a message box open, one of each line kind. Fields are tab-separated.
const char kAnswer[] =
    "wait\tmessagebox\tfrmSetupGuide\n"
    "form\tMainForm\tSetup\t1\t0\t0\t0\t0\t1024\t768\n"
    "form\tfrmSetupGuide\tWizard\t1\t1\t1\t388\t270\t503\t362\n"
    "control\tfrmSetupGuide\tBitBtn2\tTBitBtn\tPanel0\t1\t1\t683\t597\t85\t25\t80000008\t\tNext(&N)\n"
    "control\tfrmSetupGuide\tMemo1\tTMemo\tSetupTab2\t0\t1\t1\t2\t3\t4\t000000FF\t\tline one\\r\\nline\\ttwo\\\\\n"
    "item\tfrmSetupGuide\tCheckListBox1\t0\tchecked\t1\tShop\n"
    "item\tfrmSetupGuide\tCheckListBox1\t1\tgrayed\t0\tTools\n"
    "column\tfrmSetupGuide\tListView1\t0\t120\tName\n"
    "row\tfrmSetupGuide\tListView1\t0\tShop\tC:\\\\Shop\t0 M\n"
    "messagebox\tNote\t49\tReally quit?\\nOK ends it.\n";

TEST(DescriptionParser, ReadsEveryLineKind) {
    Description d = ParseDescription(kAnswer);
    EXPECT_EQ(d.wait, "messagebox");
    EXPECT_EQ(d.waitForm, "frmSetupGuide");
    ASSERT_EQ(d.forms.size(), 2u);
    EXPECT_TRUE(d.forms[0].visible);
    EXPECT_FALSE(d.forms[0].enabled);
    EXPECT_TRUE(d.forms[1].active);
    EXPECT_EQ(d.forms[1].rect, (Rect{388, 270, 503, 362}));

    const ControlInfo* next = d.Control("frmSetupGuide", "BitBtn2");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->className, "TBitBtn");
    EXPECT_EQ(next->parent, "Panel0");
    EXPECT_EQ(next->color, 0x80000008u);
    EXPECT_EQ(next->state, "");
    EXPECT_EQ(next->text, "Next(&N)");
    EXPECT_EQ(d.Control("MainForm", "BitBtn2"), nullptr) << "controls are looked up per form";

    auto items = d.Items("frmSetupGuide", "CheckListBox1");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->state, "grayed");
    EXPECT_FALSE(items[1]->enabled);
    EXPECT_EQ(items[1]->text, "Tools");

    ASSERT_EQ(d.columns.size(), 1u);
    EXPECT_EQ(d.columns[0].width, 120);
    auto rows = d.Rows("frmSetupGuide", "ListView1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->cells, (std::vector<std::string>{"Shop", "C:\\Shop", "0 M"}));

    ASSERT_TRUE(d.messageBox.has_value());
    EXPECT_EQ(d.messageBox->flags, 49u);
    EXPECT_EQ(d.messageBox->text, "Really quit?\nOK ends it.");
    EXPECT_FALSE(d.browser.has_value());
}

TEST(DescriptionParser, UndoesTextEscapes) {
    Description d = ParseDescription(kAnswer);
    EXPECT_EQ(d.Control("frmSetupGuide", "Memo1")->text, "line one\r\nline\ttwo\\");
    EXPECT_EQ(UnescapeField("a\\\\tb"), "a\\tb") << "an escaped backslash does not start another escape";
    // Escapes work on bytes: the second byte 0x5C of a GBK character arrives doubled like any backslash.
    EXPECT_EQ(UnescapeField("\xD5\x5C\x5C\\\\"), "\xD5\x5C\\");
}

TEST(DescriptionParser, AcceptsCrLfEmptyLinesAndUnknownKinds) {
    Description d = ParseDescription("wait\tbrowser\t\r\n\r\nfuture\tsomething\tnew\r\nbrowser\t65\tPick a folder\r\n");
    EXPECT_EQ(d.wait, "browser");
    EXPECT_EQ(d.waitForm, "");
    ASSERT_TRUE(d.browser.has_value());
    EXPECT_EQ(d.browser->flags, 65u);
    EXPECT_EQ(d.browser->title, "Pick a folder");
}

TEST(DescriptionParser, RejectsMalformedAnswersNamingTheLine) {
    auto failure = [](const std::string& text) {
        try {
            ParseDescription(text);
        } catch (const DescriptionError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(failure(""), "description: no wait line");
    EXPECT_EQ(failure("form\tMainForm\tx\t1\t1\t1\t0\t0\t1\t1\n"), "description: no wait line");
    EXPECT_EQ(failure("wait\tmodal\tX\nform\tMainForm\tx\t1\t1\n"), "description, line 2: too few fields");
    EXPECT_EQ(failure("wait\tmodal\tX\nform\tMainForm\tx\t1\t1\t1\t0\t0\t1x\t1\n"), "description, line 2: not a number: 1x");
    EXPECT_EQ(failure("wait\tmodal\tX\nform\tMainForm\tx\t2\t1\t1\t0\t0\t1\t1\n"), "description, line 2: not a flag: 2");
    EXPECT_EQ(failure("wait\tmodal\tX\nitem\tF\tL\t0\tchecked\t1\tbad \\q\n"), "description, line 2: unknown escape \\q");
    EXPECT_EQ(failure("wait\tmodal\tX\nitem\tF\tL\t0\tchecked\t1\tends \\\n"),
              "description, line 2: a text ends with a lone backslash");
    EXPECT_EQ(failure("wait\tmodal\tX\ncontrol\tF\tC\tTLabel\tP\t1\t1\t0\t0\t1\t1\tnothex\t\tt\n"),
              "description, line 2: not a number: nothex");
}

}  // namespace
}  // namespace setupbot
