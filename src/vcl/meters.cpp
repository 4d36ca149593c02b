// Painting rules of the archive meter and the gauge, and their controls' value handling.
#include "vcl/meters.h"

#include <algorithm>

namespace vcl {

std::vector<TFill> PaintMeter(const TMeterPaintInput& in) {
    std::vector<TFill> fills;
    const int right = in.width, bottom = in.height;
    fills.push_back({{0, 0, right, bottom}, in.unusedColor});
    const int blocks = std::clamp(in.value, 0, 99) / 10;
    if (in.orientation == archive::TArMeterOrientation::moHorizontal) {
        const int w = (in.width + 1 - 20) / 10 + 1;
        for (int i = 0; i < blocks; ++i) {
            int left = i * 2 + i * w + 1;
            fills.push_back({{left, 1, left + w, bottom - 1}, in.usedColor});
        }
    } else {
        const int h = (in.height + 1 - 11) / 10 + 1;
        for (int i = 0; i < blocks; ++i) {
            int lower = bottom - (i + i * h + 1);
            fills.push_back({{2, lower - h, right - 2, lower}, in.usedColor});
        }
    }
    if (in.borderStyle != TBorderStyle::bsNone) {
        TColor dark = in.ctl3D ? clBtnShadow : clBlack;
        TColor light = in.ctl3D ? clBtnHighlight : clBlack;
        fills.push_back({{0, 0, right, 1}, dark});
        fills.push_back({{0, 0, 1, bottom}, dark});
        fills.push_back({{0, bottom - 1, right, bottom}, light});
        fills.push_back({{right - 1, 0, right, bottom}, light});
    }
    return fills;
}

TArMeter::TArMeter(TComponent* owner) : TGraphicControl(owner) {}

void TArMeter::Refresh() { TGraphicControl::Refresh(); }

std::vector<TFill> TArMeter::PaintRects() const {
    TMeterPaintInput input;
    input.width = Width();
    input.height = Height();
    input.orientation = Orientation;
    input.value = Value();
    input.borderStyle = borderStyle_;
    input.ctl3D = ctl3D_;
    input.usedColor = usedColor_;
    input.unusedColor = unusedColor_;
    return PaintMeter(input);
}

TGaugePicture PaintGauge(const TGaugePaintInput& in) {
    TGaugePicture picture;
    TRect inside{0, 0, in.width, in.height};
    if (in.borderStyle != TBorderStyle::bsNone) {
        picture.fills.push_back({{0, 0, in.width, in.height}, clBlack});
        inside = {1, 1, std::max(in.width - 1, 1), std::max(in.height - 1, 1)};
    }
    picture.fills.push_back({inside, in.backColor});
    const int percent = std::clamp(in.percent, 0, 100);
    const int done = int(int64_t(inside.Width()) * percent / 100);
    if (done > 0) picture.fills.push_back({{inside.Left, inside.Top, inside.Left + done, inside.Bottom}, in.foreColor});
    if (in.showText) picture.text = std::to_string(percent) + "%";
    return picture;
}

void TCGauge::SetMinValue(int value) {
    minValue_ = value;
    maxValue_ = std::max(maxValue_, minValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    Changed(TChange::Value);
}

void TCGauge::SetMaxValue(int value) {
    maxValue_ = std::max(value, minValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    Changed(TChange::Value);
}

void TCGauge::SetProgress(int value) {
    value = std::clamp(value, minValue_, maxValue_);
    if (value == progress_) return;
    progress_ = value;
    Changed(TChange::Value);
}

int TCGauge::PercentDone() const {
    if (maxValue_ == minValue_) return 0;
    return int((int64_t(progress_) - minValue_) * 100 / (int64_t(maxValue_) - minValue_));
}

TGaugePicture TCGauge::Picture() const {
    TGaugePaintInput input;
    input.width = Width();
    input.height = Height();
    input.percent = PercentDone();
    input.borderStyle = borderStyle_;
    input.foreColor = foreColor_;
    input.backColor = backColor_;
    input.showText = showText_;
    return PaintGauge(input);
}

}  // namespace vcl
