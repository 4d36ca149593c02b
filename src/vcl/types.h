// Shared vocabulary of the form library: colours, rectangles, fonts, event types and the enumerations
// the controls' properties use. Values that Windows also defines carry Windows' numbers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace vcl {

class TComponent;

// 0x00BBGGRR, or 0x80000000 | a system colour index (COLOR_* of GetSysColor).
using TColor = uint32_t;
enum : TColor {
    clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
    clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
    clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
    clWhite = 0xFFFFFF,
    clWindow = 0x80000005, clWindowText = 0x80000008, clBtnFace = 0x8000000F, clBtnShadow = 0x80000010,
    clBtnText = 0x80000012, clBtnHighlight = 0x80000014,
};

// A rectangle as FillRect takes it: Right and Bottom are exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A control's font. Setters tell the owning control, which repaints or updates its native window.
class TFont {
public:
    const std::string& Name() const { return name_; }
    int Size() const { return size_; }
    TColor Color() const { return color_; }
    unsigned Style() const { return style_; }
    bool Bold() const { return (style_ & fsBold) != 0; }
    void SetName(const std::string& name) { name_ = name; Changed(); }
    void SetSize(int points) { size_ = points; Changed(); }
    void SetColor(TColor color) { color_ = color; Changed(); }
    void SetStyle(unsigned style) { style_ = style; Changed(); }
    void SetBold(bool bold) { SetStyle(bold ? (style_ | fsBold) : (style_ & ~unsigned(fsBold))); }
    // Takes another font's name, size, colour and style (not its OnChange).
    void Assign(const TFont& other) {
        name_ = other.name_;
        size_ = other.size_;
        color_ = other.color_;
        style_ = other.style_;
        Changed();
    }

    // Set by the owning control.
    std::function<void()> OnChange;

private:
    void Changed() { if (OnChange) OnChange(); }
    std::string name_ = "MS Sans Serif";
    int size_ = 8;
    TColor color_ = clWindowText;
    unsigned style_ = 0;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A form's modal result; mrOk..mrNo equal the message-box answers idOK..idNo.
using TModalResult = int;
enum : TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                      mrNo = 7, mrAll = 8 };

// Event types. Handlers are usually member functions bound with Method().
using TNotifyEvent = std::function<void(TComponent* sender)>;
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// Binds a member function as an event handler: Button1.OnClick = Method(this, &TForm1::Button1Click).
template <class C, class... A>
std::function<void(A...)> Method(C* object, void (C::*handler)(A...)) {
    return [object, handler](A... args) { (object->*handler)(std::forward<A>(args)...); };
}

}  // namespace vcl
