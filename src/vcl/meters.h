// Progress controls: the archive engine's block meter (TArMeter) and the percentage gauge (TCGauge).
// Their painting is a pure function from size and state to the rectangles to fill, in order, so the
// window backend draws exactly what the tests check.
#pragma once
#include <string>
#include <vector>

#include "archive/meters.h"
#include "vcl/controls.h"

namespace vcl {

struct TFill {
    TRect rect;  // Right and Bottom exclusive
    TColor color;
    bool operator==(const TFill&) const = default;
};

struct TMeterPaintInput {
    int width = 0, height = 0;  // the client rectangle is (0, 0, width, height)
    archive::TArMeterOrientation orientation = archive::TArMeterOrientation::moHorizontal;
    int value = 0;  // 0..99
    TBorderStyle borderStyle = TBorderStyle::bsNone;
    bool ctl3D = true;
    TColor usedColor = clNavy, unusedColor = clBtnFace;
};

// The meter's picture: the whole client in UnusedColor, then value div 10 blocks in UsedColor, then (with a
// border) a one-pixel frame: button shadow on top and left, highlight on bottom and right with Ctl3D,
// black without.
//   Horizontal: w = (width + 1 - 20) div 10 + 1; block i covers x from i*2 + i*w + 1 to that + w,
//   y from 1 to height - 1.
//   Vertical: h = (height + 1 - 11) div 10 + 1; block i covers y from height - (i + i*h + 1) - h to
//   height - (i + i*h + 1), x from 2 to width - 2.
// (The +1: the rules measure the client rectangle inclusively, right - left + 1.)
std::vector<TFill> PaintMeter(const TMeterPaintInput& input);

// The archive engine's meter as a control. Every change of value repaints it at once (Refresh) and
// lets the message loop run (the engine's rule).
class TArMeter : public TGraphicControl, public archive::TArCustomMeter {
public:
    explicit TArMeter(TComponent* owner);
    TColor UsedColor() const { return usedColor_; }
    void SetUsedColor(TColor value) { usedColor_ = value; Changed(TChange::Style); }
    TColor UnusedColor() const { return unusedColor_; }
    void SetUnusedColor(TColor value) { unusedColor_ = value; Changed(TChange::Style); }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; Changed(TChange::Style); }
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; Changed(TChange::Style); }
    void SetOrientation(archive::TArMeterOrientation value) { Orientation = value; Changed(TChange::Style); }

    // Overrides both the control's and the engine meter's Refresh: paints at once.
    void Refresh() override;
    std::vector<TFill> PaintRects() const;

private:
    TColor usedColor_ = clNavy, unusedColor_ = clBtnFace;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool ctl3D_ = true;
};

struct TGaugePaintInput {
    int width = 0, height = 0;
    int percent = 0;  // 0..100
    TBorderStyle borderStyle = TBorderStyle::bsSingle;
    TColor foreColor = clBlack, backColor = clWhite;
    bool showText = true;
};

struct TGaugePicture {
    std::vector<TFill> fills;  // frame, background, done part
    std::string text;          // "NN%" centred, or empty
};

// The gauge's picture: a one-pixel black frame (with a border), the inside in BackColor, and from its left
// edge percent/100 of the inside width (rounded down) in ForeColor.
TGaugePicture PaintGauge(const TGaugePaintInput& input);

// A horizontal percentage bar. Progress is kept within MinValue..MaxValue.
class TCGauge : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    int Progress() const { return progress_; }
    // A maximum below the minimum is raised to it; progress is clamped again.
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetProgress(int value);
    void AddProgress(int delta) { SetProgress(progress_ + delta); }
    // (Progress - Min) * 100 / (Max - Min), rounded down; 0 when Max equals Min.
    int PercentDone() const;
    TColor ForeColor() const { return foreColor_; }
    void SetForeColor(TColor value) { foreColor_ = value; Changed(TChange::Style); }
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value) { backColor_ = value; Changed(TChange::Style); }
    bool ShowText() const { return showText_; }
    void SetShowText(bool value) { showText_ = value; Changed(TChange::Style); }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; Changed(TChange::Style); }
    TGaugePicture Picture() const;

private:
    int minValue_ = 0, maxValue_ = 100, progress_ = 0;
    TColor foreColor_ = clBlack, backColor_ = clWhite;
    bool showText_ = true;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

}  // namespace vcl
