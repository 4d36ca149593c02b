// The backend seam: everything the form library needs from a window system. The real-window backend
// (vcl/win32) makes child windows and paints; the headless one (vcl/headless) keeps properties only and
// lets a driver answer modal loops, message boxes and folder browsers.
#pragma once
#include <string>

#include "vcl/types.h"

namespace vcl {

class TControl;
class TWinControl;
class TForm;
class TTimer;

// What changed on a control, so a backend can update only that part of its native window.
enum class TChange {
    Bounds,     // Left, Top, Width, Height
    ZOrder,     // the control's place among its siblings (Controls() order, first is bottom)
    Visible,
    Enabled,
    Text,       // Caption or Text
    Font,
    Color,
    Style,      // a creation-time style: border, alignment, word wrap, max length, kind, ...
    Items,      // list contents, columns, memo lines, pages
    Selection,  // item index, check states, checked, active page
    Picture,
    Value,      // meter or gauge value, animation state
};

// A width and height in pixels.
struct TSize {
    int Width = 0, Height = 0;
    bool operator==(const TSize&) const = default;
};

// The size text takes when drawn as a label draws it, without a window system: a deterministic stand-in
// for a 96 dots-per-inch screen with a CJK system font (the headless and the inactive backends use it).
//   - the font's pixel height is Size * 96 / 72 rounded (12 for 9 points, 11 for 8), at least 1; a bold,
//     italic or other face measures the same;
//   - a single-byte character is half the pixel height wide, a double-byte (GBK) character (lead byte
//     0x81..0xFE, with the byte after it) as wide as the height; a line's width is rounded down;
//   - "\r\n", "\r" and "\n" each end a line; every line, empty ones included, is one pixel height tall;
//   - '&' marks the next character as the accelerator and takes no room; "&&" is one '&';
//   - with wordWrap, a line wider than width breaks before the character that would overflow it, at the
//     last space before that point when there is one (a line keeps at least one character).
// The width is the widest line's, the height the number of lines times the pixel height. Empty text is one
// empty line: width 0, one line high.
TSize ApproximateTextSize(const TFont& font, const std::string& text, bool wordWrap, int width);

// Thrown by a backend to end the whole run from inside the library (a script that ran out of actions, an
// action a control refused). Deliberately not a std::exception: the setup's own handlers catch those and
// show them, while this must travel to whoever started the run (a test, `setupcheck simulate`).
class ERunEnded {
public:
    explicit ERunEnded(std::string message) : message_(std::move(message)) {}
    virtual ~ERunEnded() = default;
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// The driver had no action left while a modal form waited for the user.
class ESessionExhausted : public ERunEnded {
public:
    using ERunEnded::ERunEnded;
};

// An action could not be played: no such control, a disabled control, an index out of range.
class EActionRefused : public ERunEnded {
public:
    using ERunEnded::ERunEnded;
};

// The other direction: what a window backend calls when the user acts, so both backends run the same
// library code (and the same events) as the headless actions do:
//   button or radio button pressed       control.Click()
//   check box of a check-list item       TCheckListBox::ClickCheck(index, new state)
//   list box or list view selection      TListBox::Select(index), TListView::Select(index)
//   edit text changed by typing          TEdit::SetText(text)  (Changed(Text) then comes back: compare first)
//   window moved or sized by the system  control.SetBounds(...) (likewise)
//   close box or Alt+F4                  TForm::Close()
//   WM_PAINT of a form                   TForm::Paint() after painting its graphic controls
//   WM_TIMER                             TTimer::Tick()
// Graphic controls are drawn from their properties: PaintMeter and PaintGauge (vcl/meters.h) give the
// rectangles, TPicture::Data() the file bytes to decode.
class Backend {
public:
    virtual ~Backend() = default;

    // Native windows. CreateHandle is called once per windowed control, parent before child, when its form
    // is first shown (or when it joins a parent that has a window). DestroyHandle is called when the control
    // goes; a parent may go before its children, whose windows Windows has then already destroyed, so a
    // backend must accept those. Graphic controls have no window: their parent paints them. (Names avoid
    // <windows.h>'s A/W macros such as CreateWindow and MessageBox.)
    virtual void CreateHandle(TWinControl& control) = 0;
    virtual void DestroyHandle(TWinControl& control) = 0;
    // Any control (graphic ones included) is about to be destroyed; drop every reference to it.
    virtual void ControlDestroyed(TControl& control) = 0;
    // A property changed; the control's fields already hold the new value.
    virtual void Changed(TControl& control, TChange what) = 0;
    // Paint the control now, without waiting for the message loop (Refresh, Repaint, Update).
    virtual void PaintNow(TControl& control) = 0;

    // The size of text drawn in font as a label draws it (tabs expanded, '&' marking the accelerator): the
    // widest line and the height of all lines. With wordWrap, lines break to fit width. Window backends measure with the real font; the default is
    // ApproximateTextSize.
    virtual TSize MeasureText(const TFont& font, const std::string& text, bool wordWrap, int width) {
        return ApproximateTextSize(font, text, wordWrap, width);
    }

    // Width and height the frame and caption add to a form's client area (0 when there is none).
    virtual int FrameWidth(const TForm& form) = 0;
    virtual int FrameHeight(const TForm& form) = 0;

    // Waits for one message and dispatches it. modalForm is the form whose modal loop is running, or null
    // for the application's loop. The library's loops call this until their end condition holds.
    virtual void HandleMessage(TForm* modalForm) = 0;
    // Dispatches every pending message and returns without waiting.
    virtual void ProcessMessages() = 0;

    // A modal message box; returns the idOK..idNo answer.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // The shell's folder browser; true with the chosen path, false when cancelled.
    virtual bool BrowseForFolder(const std::string& title, std::string& path) = 0;
    // The folder browser rooted at the desktop with BIF_* flags and no starting folder; true when
    // confirmed, with path the chosen item's file-system path or empty when it has none. By default the
    // plain browser above answers, started without a folder.
    virtual bool BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) {
        std::string chosen;
        if (!BrowseForFolder(title, chosen)) return false;
        path = chosen;
        return true;
    }

    // A timer's Enabled, Interval or handler changed (start, restart or stop it), or it is destroyed.
    virtual void TimerChanged(TTimer& timer) = 0;
    virtual void TimerDestroyed(TTimer& timer) = 0;
};

// The backend the library talks to. Without an installed one the library keeps properties only, and
// asking for user input (modal loop, message box, folder browser) raises rtl::Exception.
Backend& backend();
// Installs a backend and returns the previous one (null for the built-in inactive one). Caller owns it.
Backend* SetBackend(Backend* backend);

}  // namespace vcl
