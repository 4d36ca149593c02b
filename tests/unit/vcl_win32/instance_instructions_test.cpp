// The wizard's instance-page instructions measured as a label draws them on this system: DrawText with
// word breaks in 宋体 9 pt (or the face the system puts in its place) at the label's width. They must take
// exactly six rows and fit the label's height, which the page keeps above the instance name.
#include <string>

#include "wizard/instance_page.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl_win32_test;

namespace {

// The height DrawText gives text at width, in the font a 9-point 宋体 label is drawn with.
int DrawnHeight(const std::string& text, int width) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    const DWORD charset = GetACP() == 936 ? GB2312_CHARSET : DEFAULT_CHARSET;
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体");
    HGDIOBJ previous = SelectObject(screen, font);
    RECT area{0, 0, width, 0};
    const int drawn = DrawTextA(screen, text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return drawn;
}

}  // namespace

TEST_F(RealWindows, InstanceInstructionsTakeSixRowsWithinTheLabel) {
    if (IsSkipped()) return;
    const int row = DrawnHeight("M", wizard::kInstructionsWidth);
    ASSERT_GT(row, 0);
    const int text = DrawnHeight(wizard::kInstanceInstructions, wizard::kInstructionsWidth);
    EXPECT_EQ(text, wizard::kInstructionLines * row) << "row height " << row;
    EXPECT_LE(text, wizard::kInstructionsHeight) << "row height " << row;
    // What two carriage returns between the lines would take: a lone CR is a line break of its own.
    EXPECT_EQ(DrawnHeight("one\r\rtwo", wizard::kInstructionsWidth), 3 * row);
}
