// The robot interface seen from a robot: design names on the windows, Describe answered through WM_COPYDATA
// to a message-only window, the wait state of each loop, and Hold/Release.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"
#include "vcl/win32/robot_protocol.h"
#include "fixture.h"  // last: it brings in the Win32 API

using namespace vcl;
using namespace vcl_win32_test;
namespace robot = vcl::win32::robot;

namespace {

using Fields = std::vector<std::string>;

// Splits a description into lines of tab-separated fields, escapes undone.
std::vector<Fields> Parse(const std::string& description) {
    std::vector<Fields> lines;
    std::istringstream in(description);
    std::string line;
    while (std::getline(in, line)) {
        Fields fields(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\t') {
                fields.emplace_back();
            } else if (line[i] == '\\' && i + 1 < line.size()) {
                char next = line[++i];
                fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
            } else {
                fields.back() += line[i];
            }
        }
        lines.push_back(fields);
    }
    return lines;
}

// The robot's side: a message-only window that keeps what WM_COPYDATA brings.
class Asker {
public:
    Asker() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TSRobotTestAsker";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "TSRobotTestAsker", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Asker() { DestroyWindow(window_); }
    HWND Window() const { return window_; }
    // Every description received, in order.
    std::vector<std::string> received;
    // Runs after each description arrives (to close a message box, say).
    std::function<void()> onReceived;

    std::vector<Fields> Describe(HWND form) {
        LRESULT answer = SendMessageA(form, RegisterWindowMessageA(robot::kDescribeMessage),
                                      reinterpret_cast<WPARAM>(window_), 0);
        EXPECT_EQ(answer, robot::kDescribeAnswered);
        return received.empty() ? std::vector<Fields>{} : Parse(received.back());
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Asker*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COPYDATA && self) {
            auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data->dwData == robot::kDescriptionData) {
                self->received.emplace_back(static_cast<const char*>(data->lpData), data->cbData);
                if (self->onReceived) self->onReceived();
            }
            return TRUE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

const Fields* Find(const std::vector<Fields>& lines, const std::string& kind, const std::string& name) {
    for (const Fields& line : lines)
        if (line[0] == kind && line.size() > 2 && (kind == "form" ? line[1] : line[2]) == name) return &line;
    return nullptr;
}

std::string NameProperty(HWND window) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, robot::kNameProperty)));
    char name[256] = {};
    if (atom) GlobalGetAtomNameA(atom, name, sizeof(name));
    return name;
}

class Robot : public RealWindows {
protected:
    void SetUp() override {
        RealWindows::SetUp();
        if (IsSkipped()) return;
        form.SetName("frmRobotProbe");
        form.SetCaption("Probe");
        form.SetBounds(50, 60, 400, 300);
        panel.SetName("Panel1");
        panel.SetParent(&form);
        panel.SetBounds(10, 20, 200, 100);
        label.SetName("Label1");
        label.SetParent(&panel);
        label.SetLeft(7);
        label.SetTop(9);
        label.Font.SetColor(clRed);
        label.SetCaption("Tab\there, back\\slash\r\nnew line");
        button.SetName("BitBtn1");
        button.SetParent(&form);
        button.SetBounds(220, 250, 75, 25);
        button.SetCaption("Next");
        button.SetEnabled(false);
        checks.SetName("CheckListBox1");
        checks.SetParent(&form);
        checks.SetBounds(220, 20, 150, 60);
        checks.Items.Add("Program");
        checks.Items.Add("Help");
        checks.SetChecked(1, true);
        checks.SetItemEnabled(0, false);
        checks.SetItemIndex(1);
        view.SetName("ListView1");
        view.SetParent(&form);
        view.SetBounds(10, 130, 300, 100);
        view.AddColumn("Name", 120);
        view.AddItem("Program", {"C:\\Apps"});
        form.Show();
    }
    TForm form{nullptr};
    TPanel panel{&form};
    TLabel label{&form};
    TBitBtn button{&form};
    TCheckListBox checks{&form};
    TListView view{&form};
    Asker asker;
};

}  // namespace

TEST_F(Robot, EveryWindowCarriesItsDesignNameUntilItGoes) {
    EXPECT_EQ(NameProperty(Hwnd(form)), "frmRobotProbe");
    EXPECT_EQ(NameProperty(Hwnd(panel)), "Panel1");
    EXPECT_EQ(NameProperty(Hwnd(button)), "BitBtn1");
    EXPECT_EQ(NameProperty(Hwnd(checks)), "CheckListBox1");
    // Run-time controls are named after they are made; the window follows the name.
    auto* extra = new TEdit(&form);
    extra->SetParent(&form);
    extra->SetName("RobotProbeEdit[1]");
    extra->SetText("x");
    EXPECT_EQ(NameProperty(Hwnd(*extra)), "RobotProbeEdit[1]");
    HWND window = Hwnd(*extra);
    delete extra;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GlobalFindAtomA("RobotProbeEdit[1]"), 0) << "the atom is deleted with the window";
}

// The in-place answer (a record in the setup's memory, nothing sent back) holds the same text.
TEST_F(Robot, DescribeInPlaceGivesTheSameTextAsTheSentAnswer) {
    asker.Describe(Hwnd(form));
    ASSERT_FALSE(asker.received.empty());
    LRESULT answer = SendMessageA(Hwnd(form), RegisterWindowMessageA(robot::kDescribeInPlaceMessage), 0, 0);
    ASSERT_NE(answer, 0);
    const auto* record = reinterpret_cast<const robot::DescriptionRecord*>(answer);
    EXPECT_EQ(record->signature, robot::kDescriptionData);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record->text), size_t(record->size)), asker.received.back());
}

TEST_F(Robot, DescribeListsFormsControlsItemsAndRows) {
    std::vector<Fields> lines = asker.Describe(Hwnd(form));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], (Fields{"wait", "busy", ""})) << "outside any loop";

    const Fields* formLine = Find(lines, "form", "frmRobotProbe");
    ASSERT_NE(formLine, nullptr);
    RECT frame;
    GetWindowRect(Hwnd(form), &frame);
    EXPECT_EQ(*formLine, (Fields{"form", "frmRobotProbe", "Probe", "1", "1", "0", std::to_string(frame.left),
                                 std::to_string(frame.top), std::to_string(frame.right - frame.left),
                                 std::to_string(frame.bottom - frame.top)}));

    // A graphic control: the parent window's client origin plus its bounds; texts escaped and restored.
    const Fields* labelLine = Find(lines, "control", "Label1");
    ASSERT_NE(labelLine, nullptr);
    POINT origin{0, 0};
    ClientToScreen(Hwnd(panel), &origin);
    EXPECT_EQ(*labelLine, (Fields{"control", "frmRobotProbe", "Label1", "TLabel", "Panel1", "1", "1",
                                  std::to_string(origin.x + 7), std::to_string(origin.y + 9),
                                  std::to_string(label.Width()), std::to_string(label.Height()), "000000FF", "",
                                  "Tab\there, back\\slash\r\nnew line"}));
    const Fields* buttonLine = Find(lines, "control", "BitBtn1");
    ASSERT_NE(buttonLine, nullptr);
    RECT buttonRect;
    GetWindowRect(Hwnd(button), &buttonRect);
    EXPECT_EQ((*buttonLine)[3], "TBitBtn");
    EXPECT_EQ((*buttonLine)[6], "0") << "disabled";
    EXPECT_EQ((*buttonLine)[7], std::to_string(buttonRect.left));
    EXPECT_EQ((*buttonLine)[8], std::to_string(buttonRect.top));
    EXPECT_EQ((*buttonLine)[13], "Next");
    EXPECT_EQ((*Find(lines, "control", "CheckListBox1"))[12], "1") << "the item index";

    // Parents come before their children.
    auto position = [&](const std::string& name) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i][0] == "control" && lines[i][2] == name) return i;
        return lines.size();
    };
    EXPECT_LT(position("Panel1"), position("Label1"));

    std::vector<Fields> items, rows, columns;
    for (const Fields& line : lines) {
        if (line[0] == "item") items.push_back(line);
        if (line[0] == "row") rows.push_back(line);
        if (line[0] == "column") columns.push_back(line);
    }
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], (Fields{"item", "frmRobotProbe", "CheckListBox1", "0", "unchecked", "0", "Program"}));
    EXPECT_EQ(items[1], (Fields{"item", "frmRobotProbe", "CheckListBox1", "1", "checked", "1", "Help"}));
    EXPECT_EQ(columns, (std::vector<Fields>{{"column", "frmRobotProbe", "ListView1", "0", "120", "Name"}}));
    EXPECT_EQ(rows, (std::vector<Fields>{{"row", "frmRobotProbe", "ListView1", "0", "Program", "C:\\Apps"}}));
}

// Describe reports what the thread is doing when it answers: a posted request is answered by whichever loop
// dispatches it.
TEST_F(Robot, TheWaitLineNamesTheLoopThatAnswered) {
    UINT describe = RegisterWindowMessageA(robot::kDescribeMessage);
    auto post = [&] { PostMessageA(Hwnd(form), describe, reinterpret_cast<WPARAM>(asker.Window()), 0); };

    post();
    backend().ProcessMessages();
    ASSERT_EQ(asker.received.size(), 1u);
    EXPECT_EQ(Parse(asker.received.back())[0], (Fields{"wait", "busy", ""}));

    post();
    PostMessageA(Hwnd(form), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.ShowModal(), mrCancel);
    ASSERT_EQ(asker.received.size(), 2u);
    std::vector<Fields> modal = Parse(asker.received.back());
    EXPECT_EQ(modal[0], (Fields{"wait", "modal", "frmRobotProbe"}));
    EXPECT_EQ((*Find(modal, "form", "frmRobotProbe"))[5], "1") << "the modal form is the active one";

    form.Show();
    post();
    asker.onReceived = [] {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                if (ClassOf(window) == "#32770") PostMessageA(window, WM_COMMAND, IDOK, 0);
                return TRUE;
            },
            0);
    };
    backend().ShowMessageBox("Disk\tfull", "Setup", 0x30);
    asker.onReceived = nullptr;
    ASSERT_EQ(asker.received.size(), 3u);
    std::vector<Fields> box = Parse(asker.received.back());
    EXPECT_EQ(box[0], (Fields{"wait", "messagebox", ""}));
    EXPECT_EQ(box.back(), (Fields{"messagebox", "Setup", "48", "Disk\tfull"}));
}

// Hold keeps the thread dispatching (Describe says "hold") until Release reaches the same window.
TEST_F(Robot, HoldLastsUntilReleasedThroughTheSameWindow) {
    TForm other(nullptr);
    other.SetName("frmOther");
    other.SetBounds(0, 0, 100, 100);
    other.Show();
    UINT describe = RegisterWindowMessageA(robot::kDescribeMessage);
    WPARAM to = reinterpret_cast<WPARAM>(asker.Window());
    PostMessageA(Hwnd(form), RegisterWindowMessageA(robot::kHoldMessage), 0, 0);
    PostMessageA(Hwnd(other), RegisterWindowMessageA(robot::kReleaseMessage), 0, 0);  // not the held window
    PostMessageA(Hwnd(form), describe, to, 0);
    PostMessageA(Hwnd(form), RegisterWindowMessageA(robot::kReleaseMessage), 0, 0);
    PostMessageA(Hwnd(form), describe, to, 0);
    backend().ProcessMessages();
    ASSERT_EQ(asker.received.size(), 2u);
    EXPECT_EQ(Parse(asker.received[0])[0], (Fields{"wait", "hold", ""}));
    EXPECT_EQ(Parse(asker.received[1])[0], (Fields{"wait", "busy", ""}));
    EXPECT_NE(Find(Parse(asker.received[0]), "form", "frmOther"), nullptr);
}
