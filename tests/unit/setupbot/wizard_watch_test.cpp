// Following the wizard through descriptions: the page on screen, the pages list, the install result.
#include <gtest/gtest.h>

#include "setupbot/wizard_watch.h"

namespace setupbot {
namespace {

std::string Identity(const std::string& text) { return text; }

// A description of the wizard showing page `page` (0: the wizard hidden), with Next's caption and state.
Description WizardOn(int page, const std::string& next = "Next", bool nextEnabled = true,
                     const std::string& firstPath = "C:\\\\Shop") {
    std::string text = "wait\tmodal\tfrmSetupGuide\n";
    text += std::string("form\tfrmSetupGuide\tWizard\t") + (page ? "1" : "0") + "\t1\t1\t0\t0\t10\t10\n";
    for (int n = 1; n <= 8; ++n)
        text += "control\tfrmSetupGuide\tSetupTab" + std::to_string(n) + "\tTTabSheet\tSetupPage\t" +
                (n == page ? "1" : "0") + "\t1\t0\t0\t1\t1\t0\t\t\n";
    text += "control\tfrmSetupGuide\tPrompt\tTLabel\tPanel11\t1\t1\t0\t0\t1\t1\t0\t\tTitle " + std::to_string(page) + "\n";
    text += "control\tfrmSetupGuide\tPromptDescribe\tTLabel\tPanel11\t1\t1\t0\t0\t1\t1\t0\t\tAbout\n";
    text += std::string("control\tfrmSetupGuide\tBitBtn2\tTBitBtn\tPanel0\t1\t") + (nextEnabled ? "1" : "0") +
            "\t0\t0\t1\t1\t0\t\t" + next + "\n";
    text += std::string("control\tfrmSetupGuide\tBitBtn3\tTBitBtn\tPanel0\t") + (page > 1 ? "1" : "0") +
            "\t1\t0\t0\t1\t1\t0\t\tBack\n";
    text += "control\tfrmSetupGuide\tModeButtons[0]\tTRadioButton\tPanel9\t0\t1\t0\t0\t1\t1\t0\t0\tServer\n";
    text += "control\tfrmSetupGuide\tModeButtons[1]\tTRadioButton\tPanel9\t0\t1\t0\t0\t1\t1\t0\t1\tClient\n";
    text += "item\tfrmSetupGuide\tCheckListBox1\t0\tchecked\t1\tShop\n";
    text += "item\tfrmSetupGuide\tCheckListBox1\t1\tunchecked\t1\tTools\n";
    if (page == 7) text += "row\tfrmSetupGuide\tListView1\t0\tShop\t" + firstPath + "\t0 M\n";
    return ParseDescription(text);
}

TEST(WizardWatch, ReportsEachNewPageOnceWithItsHeaderAndButtons) {
    WizardRecord record;
    WizardWatch watch(record, Identity);
    EXPECT_EQ(watch.Observe(WizardOn(1)), 1);
    EXPECT_EQ(watch.Observe(WizardOn(1)), 0) << "the same page again is no new stop";
    EXPECT_EQ(watch.Observe(WizardOn(2, "Next", false)), 2);
    EXPECT_EQ(record.pages, (std::vector<int>{1, 2}));
    ASSERT_EQ(record.shown.size(), 2u);
    EXPECT_EQ(record.shown[0].title, "") << "page 1 has no header";
    EXPECT_FALSE(record.shown[0].backVisible);
    EXPECT_EQ(record.shown[1].title, "Title 2");
    EXPECT_EQ(record.shown[1].description, "About");
    EXPECT_FALSE(record.shown[1].nextEnabled);
    EXPECT_TRUE(record.shown[1].backVisible);
    EXPECT_EQ(record.mode, 1);
    EXPECT_EQ(record.products, (std::vector<std::string>{"checked", "unchecked"}));
}

TEST(WizardWatch, KeepsThePathListAsPageSevenShowedItOnArrival) {
    WizardRecord record;
    WizardWatch watch(record, Identity);
    watch.Observe(WizardOn(7));
    watch.Observe(WizardOn(7, "Next", true, "D:\\\\Elsewhere"));  // the folder browser changed a row
    watch.Observe(WizardOn(8, "Install"));
    ASSERT_EQ(record.pathlist.size(), 1u);
    EXPECT_EQ(record.pathlist[0], (std::vector<std::string>{"Shop", "C:\\Shop", "0 M"}));
}

TEST(WizardWatch, ClosingAfterTheInstallClickIsResultOneAndPageNine) {
    WizardRecord record;
    WizardWatch watch(record, Identity);
    watch.Observe(WizardOn(8, "Install"));
    ASSERT_TRUE(watch.OnLastPage());
    watch.NoteInstallClick();
    watch.Observe(WizardOn(0));
    EXPECT_EQ(record.result, 1);
    EXPECT_EQ(record.pages, (std::vector<int>{8, 9}));
    watch.ProgramEnded();
    EXPECT_EQ(record.pages, (std::vector<int>{8, 9})) << "closing is noted once";
}

TEST(WizardWatch, ARefusedInstallClickLeavesTheResultAtZero) {
    WizardRecord record;
    WizardWatch watch(record, Identity);
    watch.Observe(WizardOn(8, "Install"));
    watch.NoteInstallClick();
    watch.Observe(WizardOn(8, "Install"));  // a refusal: the wizard stays
    watch.Observe(WizardOn(0));             // closed later by another way (cancel)
    EXPECT_EQ(record.result, 0);
    EXPECT_EQ(record.pages, (std::vector<int>{8}));
}

TEST(WizardWatch, TheProgramEndingRightAfterTheInstallClickClosesTheWizard) {
    WizardRecord record;
    WizardWatch watch(record, Identity);
    watch.Observe(WizardOn(8, "Install"));
    watch.NoteInstallClick();
    watch.ProgramEnded();
    EXPECT_EQ(record.result, 1);
    EXPECT_EQ(record.pages, (std::vector<int>{8, 9}));
}

}  // namespace
}  // namespace setupbot
