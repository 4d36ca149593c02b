// The archive meter's and the gauge's pictures, and the meter as the archive engine drives it (every change
// paints at once and lets the message loop run through the application object).
#include <gtest/gtest.h>

#include "archive/hooks.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/meters.h"

using namespace vcl;
using archive::TArMeterOrientation;

namespace {

TMeterPaintInput Meter(int width, int height, int value, TArMeterOrientation orientation) {
    TMeterPaintInput input;
    input.width = width;
    input.height = height;
    input.value = value;
    input.orientation = orientation;
    input.usedColor = clNavy;
    input.unusedColor = clSilver;
    return input;
}

// The used blocks of a picture: every fill after the background in the used colour.
std::vector<TRect> Blocks(const std::vector<TFill>& fills) {
    std::vector<TRect> blocks;
    for (size_t i = 1; i < fills.size(); ++i)
        if (fills[i].color == clNavy) blocks.push_back(fills[i].rect);
    return blocks;
}

}  // namespace

TEST(MeterPaint, HorizontalBlocksAreTwelveWideAt129Pixels) {
    // w = (130 - 20) div 10 + 1 = 12, blocks start at 1, 15, 29, ... and leave one pixel top and bottom.
    auto fills = PaintMeter(Meter(129, 16, 33, TArMeterOrientation::moHorizontal));
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0], (TFill{{0, 0, 129, 16}, clSilver}));
    EXPECT_EQ(Blocks(fills), (std::vector<TRect>{{1, 1, 13, 15}, {15, 1, 27, 15}, {29, 1, 41, 15}}));
    EXPECT_EQ(Blocks(PaintMeter(Meter(129, 16, 66, TArMeterOrientation::moHorizontal))).size(), 6u);
    EXPECT_EQ(Blocks(PaintMeter(Meter(129, 16, 0, TArMeterOrientation::moHorizontal))).size(), 0u);
    EXPECT_EQ(Blocks(PaintMeter(Meter(129, 16, 9, TArMeterOrientation::moHorizontal))).size(), 0u);
}

TEST(MeterPaint, NinetyNineFillsNineBlocksInsideTheControl) {
    // 200 wide: w = (201 - 20) div 10 + 1 = 19; the ninth block (i = 8) starts at 16 + 152 + 1.
    auto blocks = Blocks(PaintMeter(Meter(200, 20, 99, TArMeterOrientation::moHorizontal)));
    ASSERT_EQ(blocks.size(), 9u);
    EXPECT_EQ(blocks.back(), (TRect{169, 1, 188, 19}));
}

TEST(MeterPaint, VerticalBlocksGrowUpFromTheBottom) {
    // 16 x 129: h = (130 - 11) div 10 + 1 = 12; block i ends at 129 - (i + 12i + 1), two pixels in at the sides.
    auto blocks = Blocks(PaintMeter(Meter(16, 129, 50, TArMeterOrientation::moVertical)));
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0], (TRect{2, 116, 14, 128}));
    EXPECT_EQ(blocks[1], (TRect{2, 103, 14, 115}));
    EXPECT_EQ(blocks[4], (TRect{2, 64, 14, 76}));
}

TEST(MeterPaint, BorderIsThreeDimensionalOrBlack) {
    TMeterPaintInput input = Meter(50, 10, 0, TArMeterOrientation::moHorizontal);
    input.borderStyle = TBorderStyle::bsSingle;
    input.ctl3D = true;
    auto fills = PaintMeter(input);
    ASSERT_EQ(fills.size(), 5u);
    EXPECT_EQ(fills[1], (TFill{{0, 0, 50, 1}, clBtnShadow}));   // top
    EXPECT_EQ(fills[2], (TFill{{0, 0, 1, 10}, clBtnShadow}));   // left
    EXPECT_EQ(fills[3], (TFill{{0, 9, 50, 10}, clBtnHighlight}));  // bottom
    EXPECT_EQ(fills[4], (TFill{{49, 0, 50, 10}, clBtnHighlight}));  // right
    input.ctl3D = false;
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(PaintMeter(input)[i].color, clBlack);
}

TEST(MeterPaint, GaugeFillsItsShareOfTheInside) {
    TCGauge gauge(nullptr);
    gauge.SetBounds(0, 0, 102, 20);
    gauge.SetForeColor(clNavy);
    gauge.SetBackColor(clTeal);
    gauge.SetMaxValue(400);
    gauge.SetProgress(100);
    EXPECT_EQ(gauge.PercentDone(), 25);
    TGaugePicture picture = gauge.Picture();
    ASSERT_EQ(picture.fills.size(), 3u);
    EXPECT_EQ(picture.fills[1], (TFill{{1, 1, 101, 19}, clTeal}));
    EXPECT_EQ(picture.fills[2], (TFill{{1, 1, 26, 19}, clNavy}));
    EXPECT_EQ(picture.text, "25%");

    gauge.SetProgress(1000);  // kept within the range
    EXPECT_EQ(gauge.Progress(), 400);
    gauge.SetMaxValue(100);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetMaxValue(0);
    EXPECT_EQ(gauge.PercentDone(), 0);  // an empty range shows nothing rather than dividing by zero
    EXPECT_EQ(gauge.Picture().fills.size(), 2u);
}

TEST(MeterPaint, EngineDrivenMeterPaintsAtOnceAndRunsTheMessageLoop) {
    headless::HeadlessBackend backend;
    Backend* previous = SetBackend(&backend);
    Application->Initialize();  // installs the engine's links
    {
        TArMeter meter(nullptr);
        meter.SetBounds(0, 0, 129, 16);
        archive::TArVCLMeterLink link;
        link.SetMeter(&meter);
        link.DoProgress(33);
        link.DoProgress(33);   // unchanged: no repaint
        link.DoProgress(100);  // a finished meter shows empty
        EXPECT_EQ(meter.Value(), 0);
        EXPECT_EQ(backend.PaintCount(meter), 2);
        EXPECT_EQ(backend.ProcessMessagesCount(), 2);
        link.DoProgress(66);
        EXPECT_EQ(Blocks(meter.PaintRects()).size(), 6u);
    }
    SetBackend(previous);
}
