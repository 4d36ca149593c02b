// The screen is state: after any change to graphic controls, what the window shows equals what a forced full
// repaint draws. And auto-size labels take the size the system's DrawText gives their text.
#include <cstdint>
#include <vector>

#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/stdctrls.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl;
using namespace vcl_win32_test;

namespace {

// A 2x2 24-bit BMP: red, green / blue, yellow (bottom row first), so a stretched copy has visible structure.
std::vector<uint8_t> FourColourBitmap() {
    std::vector<uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bmp.insert(bmp.end(), {0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0, 0});  // blue, yellow (B, G, R) + padding
    bmp.insert(bmp.end(), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0});  // red, green + padding
    return bmp;
}

// Dispatches until the form has nothing left to paint.
void Settle(HWND window) {
    for (int round = 0; round < 20; ++round) {
        backend().ProcessMessages();
        RECT pending;
        if (!GetUpdateRect(window, &pending, FALSE)) {
            bool childPending = false;
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (GetUpdateRect(child, &pending, FALSE)) childPending = true;
            if (!childPending) return;
        }
        Sleep(10);
    }
}

// The client area's pixels as 0x00RRGGBB, row by row, read from the window's device context.
std::vector<uint32_t> Capture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits),
                                 static_cast<uint32_t*>(bits) + size_t(client.right) * size_t(client.bottom));
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return pixels;
}

// What a forced full repaint of the window and its children draws.
std::vector<uint32_t> CaptureAfterFullRepaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(window);
    return Capture(window);
}

size_t Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size());
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

// The header of a wizard page: a white panel with a stretched banner on its left and transparent auto-size
// labels over panel and banner; a centred title below as the main window has it.
class ScreenState : public RealWindows {
protected:
    void SetUp() override {
        RealWindows::SetUp();
        if (IsSkipped()) return;
        form.SetBorderStyle(TBorderStyle::bsNone);
        form.SetBounds(40, 40, 420, 200);
        panel.SetParent(&form);
        panel.SetBounds(0, 0, 420, 60);
        panel.SetColor(clWhite);
        panel.SetBevelOuter(TBevelCut::bvNone);
        banner.SetParent(&panel);
        banner.SetBounds(0, 0, 120, 60);
        banner.SetStretch(true);
        banner.Picture.LoadFromBytes(FourColourBitmap(), "banner.bmp");
        title.SetParent(&panel);
        title.SetLeft(69);
        title.SetTop(8);
        title.Font.SetBold(true);
        title.SetTransparent(true);
        title.SetCaption("Licence agreement of the product");
        describe.SetParent(&panel);
        describe.SetLeft(88);
        describe.SetTop(27);
        describe.SetTransparent(true);
        describe.SetCaption("Short");
        centred.SetParent(&form);
        centred.SetTop(100);
        centred.Font.SetSize(16);
        Centre("A long module title here");
        form.Show();
        Settle(Hwnd(form));
    }
    void Centre(const std::string& caption) {
        centred.SetCaption(caption);
        centred.SetLeft((form.ClientWidth() - centred.Width()) / 2);
    }
    void ExpectScreenEqualsRepaint(const char* after) {
        Settle(Hwnd(form));
        std::vector<uint32_t> shown = Capture(Hwnd(form));
        std::vector<uint32_t> repainted = CaptureAfterFullRepaint(Hwnd(form));
        EXPECT_EQ(Differences(shown, repainted), 0u) << "after " << after;
    }
    TForm form{nullptr};
    TPanel panel{&form};
    TImage banner{&form};
    TLabel title{&form}, describe{&form}, centred{&form};
};

}  // namespace

TEST_F(ScreenState, EqualsAFullRepaintAfterEveryChangeOfGraphicControls) {
    ExpectScreenEqualsRepaint("showing");
    title.SetCaption("Readme");  // longer to shorter, over the banner and the panel
    describe.SetCaption("The readme file describes what the program does and what is new");  // shorter to longer
    ExpectScreenEqualsRepaint("caption changes");
    title.Font.SetColor(clRed);
    Centre("Short");
    ExpectScreenEqualsRepaint("a font colour change and a shorter centred title");
    describe.Hide();
    title.SetBounds(30, 30, title.Width(), title.Height());
    ExpectScreenEqualsRepaint("hiding and moving");
    describe.Show();
    title.SetAutoSize(false);
    title.SetBounds(69, 8, 40, 13);
    title.SetCaption("Clipped to forty pixels");
    ExpectScreenEqualsRepaint("a fixed-size label with a longer text");
    banner.SetBounds(200, 0, 60, 60);
    title.BringToFront();
    ExpectScreenEqualsRepaint("moving the picture under the labels");
}

// A label paints inside its bounds only: hiding it changes no pixel outside them (and some inside). An
// auto-size label's bounds hold all of its text; a fixed-size label's text is cut at them.
TEST_F(ScreenState, ALabelPaintsInsideItsBoundsOnly) {
    describe.SetCaption("WWWW auto-size");
    title.SetAutoSize(false);
    title.SetBounds(10, 35, 8, 20);
    title.SetCaption("WWWWWWWW");
    for (TLabel* label : {&describe, &title}) {
        Settle(Hwnd(form));
        std::vector<uint32_t> with = Capture(Hwnd(form));
        label->Hide();
        Settle(Hwnd(form));
        std::vector<uint32_t> without = Capture(Hwnd(form));
        label->Show();
        RECT client;
        GetClientRect(Hwnd(form), &client);
        POINT origin{0, 0};
        MapWindowPoints(Hwnd(panel), Hwnd(form), &origin, 1);
        RECT bounds{origin.x + label->Left(), origin.y + label->Top(), origin.x + label->Left() + label->Width(),
                    origin.y + label->Top() + label->Height()};
        size_t outside = 0, inside = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                size_t i = size_t(y) * size_t(client.right) + size_t(x);
                POINT p{x, y};
                (PtInRect(&bounds, p) ? inside : outside) += with[i] != without[i];
            }
        EXPECT_EQ(outside, 0u) << label->Caption();
        EXPECT_GT(inside, 0u) << label->Caption();
    }
}

// Auto-size labels take DrawText's DT_CALCRECT size of their caption in their own font; a word-wrapped
// one keeps its width and takes the wrapped height; a right-justified one keeps its right edge.
TEST_F(ScreenState, AutoSizeLabelsTakeTheSizeDrawTextGivesTheirText) {
    // An edit with the label's font hands back the font the backend draws that font with.
    TEdit probe(&form);
    probe.SetParent(&form);
    probe.SetBounds(0, 170, 50, 20);
    auto calc = [&](const TLabel& label, const std::string& text, UINT flags, int width) {
        probe.Font.Assign(label.Font);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(Hwnd(probe), WM_GETFONT, 0, 0));
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        RECT r{0, 0, width, 0};
        DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS | flags);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return r;
    };
    struct Case {
        const char* text;
        const char* font;
        int size;
    } cases[] = {
        {"Licence agreement", "MS Sans Serif", 8},
        {"\xD5\xFD\xD4\xDA\xBD\xA8\xC1\xA2\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD", "\xCB\xCE\xCC\xE5", 9},  // GBK text
        {"\xC1\xA5\xCA\xE9 title", "\xC1\xA5\xCA\xE9", 24},                                   // a large CJK face
        {"first line\r\nsecond, longer line", "MS Sans Serif", 8},
        {"&Accelerator and a\ttab", "MS Sans Serif", 8},
    };
    for (const Case& c : cases) {
        centred.Font.SetName(c.font);
        centred.Font.SetSize(c.size);
        centred.SetCaption(c.text);
        RECT expected = calc(centred, c.text, 0, 0);
        EXPECT_EQ(centred.Width(), expected.right) << c.text;
        EXPECT_EQ(centred.Height(), expected.bottom) << c.text;
    }
    centred.SetCaption("");
    RECT space = calc(centred, " ", 0, 0);
    EXPECT_EQ(centred.Width(), space.right) << "an empty caption measures as a space";
    EXPECT_EQ(centred.Height(), space.bottom);

    const char* wrapped = "Words that do not fit on one line of eighty pixels wrap onto several lines";
    describe.SetWordWrap(true);
    describe.SetWidth(80);
    describe.SetCaption(wrapped);
    RECT expected = calc(describe, wrapped, DT_WORDBREAK, 80);
    EXPECT_EQ(describe.Width(), 80);
    EXPECT_EQ(describe.Height(), expected.bottom);
    EXPECT_GT(describe.Height(), 3 * calc(describe, "W", 0, 0).bottom);

    title.SetAlignment(TAlignment::taRightJustify);
    int right = title.Left() + title.Width();
    title.SetCaption("Right");
    EXPECT_EQ(title.Left() + title.Width(), right);
}
