// The real-window backend's painting: containers paint their background, then their graphic controls
// (labels, bevels, images, meters, gauges) bottom to top, each clipped to its bounds. A graphic control that
// changes invalidates the area it had and the area it has, with the background: the parent repaints what lies
// beneath, so a transparent label shows the panel and the image under it, never its own old text.
#include <cstring>

#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/meters.h"
#include "vcl/stdctrls.h"
#include "vcl/win32/backend_impl.h"

namespace vcl::win32::detail {
namespace {

// Decodes JPEG or BMP bytes with the system's picture decoder; null when it cannot.
IPicture* DecodePicture(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))))
        picture = nullptr;
    stream->Release();
    return picture;
}

// DrawText flags of a label's text; measuring and painting use the same ones, so the text fits its size.
UINT LabelTextFlags(bool wordWrap) { return DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0); }

}  // namespace

COLORREF ToColorRef(TColor color) {
    if (color & 0x80000000u) return GetSysColor(int(color & 0xFF));
    return COLORREF(color & 0xFFFFFF);
}

// ---- fonts and brushes ----

HFONT Win32Backend::Font(const TFont& font) {
    std::string key = font.Name() + '|' + std::to_string(font.Size()) + '|' + std::to_string(font.Style());
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(font.Size(), GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    // Captions are GBK bytes: on a code page 936 system ask for the GB2312 character set explicitly.
    DWORD charset = GetACP() == 936 ? GB2312_CHARSET : DEFAULT_CHARSET;
    HFONT made = CreateFontA(height, 0, 0, 0, font.Bold() ? FW_BOLD : FW_NORMAL, (font.Style() & fsItalic) != 0,
                             (font.Style() & fsUnderline) != 0, (font.Style() & fsStrikeOut) != 0, charset,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             font.Name().c_str());
    fonts_[key] = made;
    return made;
}

HBRUSH Win32Backend::Brush(TColor color) {
    COLORREF rgb = ToColorRef(color);
    auto found = brushes_.find(rgb);
    if (found != brushes_.end()) return found->second;
    HBRUSH made = CreateSolidBrush(rgb);
    brushes_[rgb] = made;
    return made;
}

TSize Win32Backend::MeasureText(const TFont& font, const std::string& text, bool wordWrap, int width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font(font));
    RECT area{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &area, DT_CALCRECT | LabelTextFlags(wordWrap));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return TSize{area.right - area.left, area.bottom - area.top};
}

// ---- invalidation ----

void Win32Backend::InvalidateGraphic(TControl& control) {
    auto known = graphicAreas_.find(&control);
    if (known != graphicAreas_.end() && IsWindow(known->second.parent))
        InvalidateRect(known->second.parent, &known->second.area, TRUE);
    HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr;
    if (!parent) {
        if (known != graphicAreas_.end()) graphicAreas_.erase(known);
        return;
    }
    RECT area = BoundsOf(control);
    InvalidateRect(parent, &area, TRUE);
    graphicAreas_[&control] = GraphicArea{parent, area};
}

void Win32Backend::ForgetGraphicsOn(HWND parent) {
    std::erase_if(graphicAreas_, [parent](const auto& entry) { return entry.second.parent == parent; });
}

void Win32Backend::PaintNow(TControl& control) {
    if (control.IsWindowed()) {
        if (HWND window = Handle(static_cast<TWinControl&>(control))) {
            InvalidateRect(window, nullptr, TRUE);
            UpdateWindow(window);
        }
    } else if (HWND parent = control.Parent() ? Handle(*control.Parent()) : nullptr) {
        InvalidateGraphic(control);
        UpdateWindow(parent);
    }
    RethrowPending();
}

void Win32Backend::DropPicture(const TControl* control) {
    auto found = pictures_.find(control);
    if (found == pictures_.end()) return;
    if (found->second) found->second->Release();
    pictures_.erase(found);
}

// ---- painting ----

void Win32Backend::PaintContainer(TWinControl& control, HDC dc, HWND window) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, Brush(control.Color()));
    HGDIOBJ oldFont = SelectObject(dc, Font(control.Font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(control.Font.Color()));
    if (auto* panel = dynamic_cast<TPanel*>(&control)) {
        RECT inside = client;
        auto edge = [&](TBevelCut cut, UINT raised, UINT lowered) {
            if (cut == TBevelCut::bvRaised || cut == TBevelCut::bvLowered)
                DrawEdge(dc, &inside, cut == TBevelCut::bvRaised ? raised : lowered, BF_RECT | BF_ADJUST);
        };
        edge(panel->BevelOuter(), BDR_RAISEDOUTER, BDR_SUNKENOUTER);
        edge(panel->BevelInner(), BDR_RAISEDINNER, BDR_SUNKENINNER);
        UINT align = panel->Alignment() == TAlignment::taCenter         ? DT_CENTER
                     : panel->Alignment() == TAlignment::taRightJustify ? DT_RIGHT
                                                                        : DT_LEFT;
        DrawTextA(dc, panel->Caption().c_str(), -1, &inside, align | DT_SINGLELINE | DT_VCENTER);
    } else if (dynamic_cast<TGroupBox*>(&control)) {
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        RECT frame = client;
        frame.top += metrics.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!control.Caption().empty()) {
            SIZE extent{};
            GetTextExtentPoint32A(dc, control.Caption().c_str(), int(control.Caption().size()), &extent);
            RECT text{8, 0, 8 + extent.cx + 4, metrics.tmHeight};
            FillRect(dc, &text, Brush(control.Color()));
            text.left += 2;
            DrawTextA(dc, control.Caption().c_str(), -1, &text, DT_SINGLELINE | DT_NOCLIP);
        }
    }
    for (TControl* child : control.Controls())
        if (!child->IsWindowed() && child->Visible()) PaintGraphic(*child, dc, window);
    SelectObject(dc, oldFont);
    if (auto* form = dynamic_cast<TForm*>(&control)) form->Paint();
}

// Paints one graphic control clipped to its bounds, and remembers where it is for its next change.
void Win32Backend::PaintGraphic(TControl& control, HDC dc, HWND parent) {
    RECT area = BoundsOf(control);
    graphicAreas_[&control] = GraphicArea{parent, area};
    int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    if (auto* label = dynamic_cast<TLabel*>(&control)) {
        PaintLabel(*label, dc, area);
    } else if (auto* bevel = dynamic_cast<TBevel*>(&control)) {
        PaintBevel(*bevel, dc, area);
    } else if (auto* image = dynamic_cast<TImage*>(&control)) {
        PaintImage(*image, dc, area);
    } else if (auto* meter = dynamic_cast<TArMeter*>(&control)) {
        PaintFills(meter->PaintRects(), dc, area);
    } else if (auto* gauge = dynamic_cast<TCGauge*>(&control)) {
        TGaugePicture picture = gauge->Picture();
        PaintFills(picture.fills, dc, area);
        if (!picture.text.empty()) {
            SelectObject(dc, Font(gauge->Font));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ToColorRef(gauge->Font.Color()));
            DrawTextA(dc, picture.text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    RestoreDC(dc, saved);
}

void Win32Backend::PaintLabel(TLabel& label, HDC dc, RECT area) {
    if (!label.Transparent()) FillRect(dc, &area, Brush(label.Color()));
    SelectObject(dc, Font(label.Font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, label.EnabledInTree() ? ToColorRef(label.Font.Color()) : GetSysColor(COLOR_GRAYTEXT));
    UINT flags = LabelTextFlags(label.WordWrap());
    if (label.Alignment() == TAlignment::taCenter) flags |= DT_CENTER;
    if (label.Alignment() == TAlignment::taRightJustify) flags |= DT_RIGHT;
    DrawTextA(dc, label.Caption().c_str(), -1, &area, flags);
}

void Win32Backend::PaintBevel(TBevel& bevel, HDC dc, RECT area) {
    bool lowered = bevel.Style() == TBevelStyle::bsLowered;
    UINT line = lowered ? EDGE_ETCHED : EDGE_BUMP;
    switch (bevel.Shape()) {
    case TBevelShape::bsBox:
        DrawEdge(dc, &area, lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        break;
    case TBevelShape::bsFrame:
        DrawEdge(dc, &area, line, BF_RECT);
        break;
    case TBevelShape::bsTopLine:
        DrawEdge(dc, &area, line, BF_TOP);
        break;
    case TBevelShape::bsBottomLine:
        area.top = area.bottom - 2;
        DrawEdge(dc, &area, line, BF_TOP);
        break;
    case TBevelShape::bsLeftLine:
        DrawEdge(dc, &area, line, BF_LEFT);
        break;
    case TBevelShape::bsRightLine:
        area.left = area.right - 2;
        DrawEdge(dc, &area, line, BF_LEFT);
        break;
    case TBevelShape::bsSpacer:
        break;
    }
}

void Win32Backend::PaintImage(TImage& image, HDC dc, const RECT& area) {
    if (image.Picture.Empty()) return;
    auto found = pictures_.find(&image);
    if (found == pictures_.end()) found = pictures_.emplace(&image, DecodePicture(image.Picture.Data())).first;
    IPicture* picture = found->second;
    if (!picture) return;  // undecodable bytes paint nothing, as an empty picture would
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    int x = area.left, y = area.top, cx = image.Picture.Width(), cy = image.Picture.Height();
    if (image.Stretch()) {
        cx = area.right - area.left;
        cy = area.bottom - area.top;
    } else if (image.Center()) {
        x += (area.right - area.left - cx) / 2;
        y += (area.bottom - area.top - cy) / 2;
    }
    picture->Render(dc, x, y, cx, cy, 0, height, width, -height, nullptr);
}

void Win32Backend::PaintFills(const std::vector<TFill>& fills, HDC dc, const RECT& area) {
    for (const TFill& fill : fills) {
        RECT r{fill.rect.Left, fill.rect.Top, fill.rect.Right, fill.rect.Bottom};
        OffsetRect(&r, area.left, area.top);
        FillRect(dc, &r, Brush(fill.color));
    }
}

void Win32Backend::DrawCheckItem(TCheckListBox& list, const DRAWITEMSTRUCT& draw) {
    if (int(draw.itemID) < 0 || int(draw.itemID) >= list.Items.Count()) {
        FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    int index = int(draw.itemID);
    HDC dc = draw.hDC;
    RECT row = draw.rcItem;
    FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));
    int size = std::min<int>(13, row.bottom - row.top - 2);
    RECT box{row.left + 2, row.top + (row.bottom - row.top - size) / 2, 0, 0};
    box.right = box.left + size;
    box.bottom = box.top + size;
    UINT state = DFCS_BUTTONCHECK;
    if (list.State(index) == TCheckBoxState::cbChecked) state |= DFCS_CHECKED;
    if (list.State(index) == TCheckBoxState::cbGrayed) state = DFCS_BUTTON3STATE | DFCS_CHECKED;
    bool enabled = list.ItemEnabled(index) && list.EnabledInTree();
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
    RECT text = row;
    text.left = box.right + 4;
    bool selected = (draw.itemState & ODS_SELECTED) != 0;
    if (selected) FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
    HGDIOBJ old = SelectObject(dc, Font(list.Font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !enabled   ? GetSysColor(COLOR_GRAYTEXT)
                     : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                : ToColorRef(list.Font.Color()));
    RECT label = text;
    label.left += 2;
    DrawTextA(dc, list.Items[index].c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

}  // namespace vcl::win32::detail
