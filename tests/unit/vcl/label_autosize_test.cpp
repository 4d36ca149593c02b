// Text measurement without windows (the headless stand-in for a CJK system font) and auto-size labels
// taking the measured size of their captions.
#include <gtest/gtest.h>

#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/stdctrls.h"

using namespace vcl;

namespace {

TFont FontOf(int points) {
    TFont font;
    font.SetSize(points);
    return font;
}

TSize Measure(const std::string& text, int points = 9, bool wordWrap = false, int width = 0) {
    return ApproximateTextSize(FontOf(points), text, wordWrap, width);
}

// GBK bytes of two Chinese characters ("安装").
const std::string kTwoChinese = "\xB0\xB2\xD7\xB0";

}  // namespace

TEST(ApproximateTextSize, HeightFollowsThePointSizeAndWidthTheCharacterKinds) {
    EXPECT_EQ(Measure("AB"), (TSize{12, 12})) << "9 points: 12 pixels high, 6 wide a single-byte character";
    EXPECT_EQ(Measure(kTwoChinese), (TSize{24, 12})) << "a double-byte character is as wide as high";
    EXPECT_EQ(Measure("A" + kTwoChinese), (TSize{30, 12}));
    EXPECT_EQ(Measure("abc", 8), (TSize{16, 11})) << "8 points: 11 pixels, half of 33 rounded down";
    EXPECT_EQ(Measure("x", 24), (TSize{16, 32}));
    EXPECT_EQ(Measure(""), (TSize{0, 12})) << "empty text is one empty line";
    EXPECT_EQ(Measure("\xB0"), (TSize{6, 12})) << "a lead byte at the end counts as a single byte";
}

TEST(ApproximateTextSize, LinesEndAtEachKindOfBreakAndTheWidestCounts) {
    EXPECT_EQ(Measure("ab\r\nabcd\rx\nabc"), (TSize{24, 48}));
    EXPECT_EQ(Measure("a\r\n\r\nb"), (TSize{6, 36})) << "an empty line still takes its height";
    EXPECT_EQ(Measure("a\r\n"), (TSize{6, 24}));
}

TEST(ApproximateTextSize, AnAmpersandMarksTheAcceleratorAndTakesNoRoom) {
    EXPECT_EQ(Measure("&Next"), Measure("Next"));
    EXPECT_EQ(Measure("A&&B"), Measure("AxB")) << "\"&&\" draws one ampersand";
    EXPECT_EQ(Measure("A&B"), Measure("AB"));
    EXPECT_EQ(Measure("&" + kTwoChinese), Measure(kTwoChinese));
}

TEST(ApproximateTextSize, WordWrapBreaksAtTheLastSpaceOrBeforeTheOverflowingCharacter) {
    // "aaaa bbbb cc": 24 + 6 + 24 + 6 + 12 pixels; at 60 pixels "aaaa bbbb" (54) fits, "cc" goes down.
    EXPECT_EQ(Measure("aaaa bbbb cc", 9, true, 60), (TSize{54, 24}));
    EXPECT_EQ(Measure("aaaa bbbb cc", 9, true, 30), (TSize{24, 36}));
    // Chinese text has no spaces: it breaks between characters, never inside one.
    EXPECT_EQ(Measure(kTwoChinese + kTwoChinese + kTwoChinese, 9, true, 50), (TSize{48, 24}));
    // A single character wider than the width still takes a line.
    EXPECT_EQ(Measure(kTwoChinese, 9, true, 5), (TSize{12, 24}));
    EXPECT_EQ(Measure("aaaa bbbb cc", 9, false, 30), (TSize{72, 12})) << "without word wrap nothing breaks";
}

namespace {

class LabelAutoSize : public testing::Test {
protected:
    void SetUp() override {
        previous_ = SetBackend(&backend_);
        form.SetBounds(0, 0, 400, 300);
        panel.SetParent(&form);
        panel.SetBounds(0, 0, 400, 59);
        panel.Font.SetSize(9);
        label.SetParent(&panel);
        label.SetBounds(69, 8, 0, 13);
    }
    void TearDown() override { SetBackend(previous_); }
    headless::HeadlessBackend backend_;
    Backend* previous_ = nullptr;
    TForm form{nullptr};
    TPanel panel{&form};
    TLabel label{&form};
};

}  // namespace

TEST_F(LabelAutoSize, CaptionAndFontChangesResizeTheLabel) {
    label.SetCaption(kTwoChinese + kTwoChinese);
    EXPECT_EQ(label.BoundsRect(), (TRect{69, 8, 69 + 48, 8 + 12}));
    label.SetCaption("OK");  // shorter
    EXPECT_EQ(label.Width(), 12);
    label.Font.SetSize(24);
    EXPECT_EQ(label.Width(), 32);
    EXPECT_EQ(label.Height(), 32);
    label.SetParentFont(true);  // back to the panel's font, and its changes
    EXPECT_EQ(label.Height(), 12);
    panel.Font.SetSize(8);
    EXPECT_EQ(label.Height(), 11);
    label.SetCaption("");
    EXPECT_EQ(label.Width(), 5) << "an empty caption measures as one space";
    EXPECT_EQ(label.Height(), 11);
}

TEST_F(LabelAutoSize, FixedSizeWordWrapAndRightJustifiedLabels) {
    label.SetAutoSize(false);
    label.SetBounds(69, 8, 40, 13);
    label.SetCaption("A caption longer than forty pixels");
    EXPECT_EQ(label.BoundsRect(), (TRect{69, 8, 109, 21})) << "without AutoSize the label keeps its size";
    label.SetAutoSize(true);
    EXPECT_EQ(label.Width(), 34 * 6) << "turning AutoSize on measures at once";
    label.SetWordWrap(true);
    label.SetWidth(60);
    label.SetCaption("aaaa bbbb cc");
    EXPECT_EQ(label.BoundsRect(), (TRect{69, 8, 129, 8 + 24})) << "a wrapped label keeps its width";

    TLabel right(&form);
    right.SetParent(&panel);
    right.SetAlignment(TAlignment::taRightJustify);
    right.SetCaption("abcdef");
    right.SetLeft(300 - right.Width());
    right.SetCaption("ab");
    EXPECT_EQ(right.Left() + right.Width(), 300) << "a right-justified label keeps its right edge";
    EXPECT_EQ(right.Width(), 12);
}

// The main window centres its module title by the title's width: the width must be the text's, not a
// stale design width.
TEST_F(LabelAutoSize, ACentredTitleIsPlacedByItsMeasuredWidth) {
    TLabel title(&form);
    title.SetParent(&form);
    title.Font.SetSize(24);
    auto centre = [&](const std::string& caption) {
        title.SetCaption(caption);
        title.SetLeft((400 - title.Width()) / 2);
    };
    centre(kTwoChinese + kTwoChinese + kTwoChinese);  // 6 characters of 32 pixels
    EXPECT_EQ(title.BoundsRect(), (TRect{104, 0, 296, 32}));
    centre(kTwoChinese);
    EXPECT_EQ(title.BoundsRect(), (TRect{168, 0, 232, 32}));
}
