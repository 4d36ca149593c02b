// The stop's comparison of real windows with the description: each kind of mismatch is found, and the
// disabling of other forms by a modal loop is not one.
#include <gtest/gtest.h>

#include "setupbot/stops.h"
#include "vcl/win32/robot_protocol.h"

#include "setupbot/win32_api.h"

namespace setupbot {
namespace {

void Name(HWND window, const char* name) {
    SetPropA(window, vcl::win32::robot::kNameProperty, reinterpret_cast<HANDLE>(UINT_PTR(GlobalAddAtomA(name))));
}

std::string ControlLine(const char* name, const char* className, bool showing, bool enabled, const RECT& r,
                        const char* text) {
    return std::string("control\tfrmTest\t") + name + "\t" + className + "\tfrmTest\t" + (showing ? "1" : "0") + "\t" +
           (enabled ? "1" : "0") + "\t" + std::to_string(r.left) + "\t" + std::to_string(r.top) + "\t" +
           std::to_string(r.right - r.left) + "\t" + std::to_string(r.bottom - r.top) + "\t0\t\t" + text + "\n";
}

class ConsistencyTest : public testing::Test {
protected:
    void SetUp() override {
        form_ = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
        if (!form_) GTEST_SKIP() << "no window can be made here (no display?)";
        Name(form_, "frmTest");
        button_ = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, 5, 5, 80, 24, form_, nullptr, nullptr, nullptr);
        Name(button_, "BitBtn2");
        panel_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 40, 200, 100, form_, nullptr, nullptr, nullptr);
        Name(panel_, "Panel1");
        edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 5, 5, 100, 20, panel_, nullptr, nullptr, nullptr);
        Name(edit_, "Edit1");
        SendMessageA(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
        options_.report = L"unused";
        robot_ = std::make_unique<Robot>(options_);
        robot_->program.Attach(GetCurrentProcessId());
    }
    void TearDown() override {
        for (HWND window : {edit_, panel_, button_, form_})
            if (window)
                if (ATOM atom = ATOM(reinterpret_cast<UINT_PTR>(RemovePropA(window, vcl::win32::robot::kNameProperty))))
                    GlobalDeleteAtom(atom);
        if (form_) DestroyWindow(form_);
    }
    RECT Bounds(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    // The description of the test form, as it matches the windows unless a line is overridden.
    std::vector<std::string> Check(const std::string& button, const std::string& edit) {
        std::string text = "wait\tmodal\tfrmTest\nform\tfrmTest\tTest\t1\t1\t1\t10\t10\t300\t200\n";
        text += button + ControlLine("Panel1", "TPanel", true, true, Bounds(panel_), "");
        text += "control\tfrmTest\tLabel1\tTLabel\tfrmTest\t1\t1\t0\t0\t1\t1\t0\t\tno window\n";
        text += edit;
        robot_->report.inconsistent.clear();
        CheckConsistency(*robot_, ParseDescription(text), 3);
        return robot_->report.inconsistent;
    }
    Options options_;
    std::unique_ptr<Robot> robot_;
    HWND form_ = nullptr, button_ = nullptr, panel_ = nullptr, edit_ = nullptr;
};

TEST_F(ConsistencyTest, MatchingWindowsGiveNoMismatch) {
    EXPECT_TRUE(Check(ControlLine("BitBtn2", "TBitBtn", true, true, Bounds(button_), "OK"),
                      ControlLine("Edit1", "TEdit", true, true, Bounds(edit_), "typed"))
                    .empty());
    // A modal loop elsewhere disables the whole form's window: its controls still count as enabled.
    EnableWindow(form_, FALSE);
    EXPECT_TRUE(Check(ControlLine("BitBtn2", "TBitBtn", true, true, Bounds(button_), "OK"),
                      ControlLine("Edit1", "TEdit", true, true, Bounds(edit_), "typed"))
                    .empty());
}

TEST_F(ConsistencyTest, NamesEachMismatchWithBothValues) {
    RECT moved = Bounds(button_);
    moved.left += 1;
    auto found = Check(ControlLine("BitBtn2", "TBitBtn", false, true, moved, "Cancel"),
                       ControlLine("Edit1", "TEdit", true, true, Bounds(edit_), "typed"));
    RECT r = Bounds(button_);
    std::string real = std::to_string(r.left) + "," + std::to_string(r.top) + " 80x24";
    std::string described = std::to_string(r.left + 1) + "," + std::to_string(r.top) + " 79x24";
    EXPECT_EQ(found, (std::vector<std::string>{
                         "stop 3: frmTest.BitBtn2: showing: window 1, description 0",
                         "stop 3: frmTest.BitBtn2: text: window \"OK\", description \"Cancel\"",
                         "stop 3: frmTest.BitBtn2: rect: window " + real + ", description " + described}));
}

TEST_F(ConsistencyTest, ReadsAnEditsTextFromTheControlAndADisabledParentDisablesIt) {
    EnableWindow(panel_, FALSE);
    auto found = Check(ControlLine("BitBtn2", "TBitBtn", true, true, Bounds(button_), "OK"),
                       ControlLine("Edit1", "TEdit", true, true, Bounds(edit_), "other"));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "stop 3: frmTest.Panel1: enabled: window 0, description 1",
                         "stop 3: frmTest.Edit1: enabled: window 0, description 1",
                         "stop 3: frmTest.Edit1: text: window \"typed\", description \"other\""}));
}

}  // namespace
}  // namespace setupbot
