// The memo's border style on a real window: the sunken client edge comes and goes with BorderStyle.
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl;
using namespace vcl_win32_test;

namespace {

bool HasClientEdge(HWND window) { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0; }

class MemoBorderWindows : public RealWindows {
protected:
    TForm form{nullptr};
    TMemo plain{&form}, borderless{&form};
};

}  // namespace

TEST_F(MemoBorderWindows, BorderlessMemoHasNoClientEdgeAndGetsItBack) {
    if (IsSkipped()) return;
    form.SetBounds(40, 30, 300, 200);
    plain.SetParent(&form);
    plain.SetBounds(10, 10, 200, 50);
    borderless.SetParent(&form);
    borderless.SetBounds(10, 80, 200, 50);
    borderless.SetBorderStyle(TBorderStyle::bsNone);
    form.Show();
    EXPECT_TRUE(HasClientEdge(Hwnd(plain)));
    EXPECT_FALSE(HasClientEdge(Hwnd(borderless)));
    borderless.SetBorderStyle(TBorderStyle::bsSingle);
    EXPECT_TRUE(HasClientEdge(Hwnd(borderless)));
    plain.SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_FALSE(HasClientEdge(Hwnd(plain)));
    form.Hide();
}
