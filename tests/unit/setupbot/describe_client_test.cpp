// The robot's side of Describe against a stand-in for the setup: a window of this process that answers
// the registered message with WM_COPYDATA to the asker, or in place, as SETUP.EXE does.
#include <gtest/gtest.h>

#include <cstdint>

#include "setupbot/describe_client.h"
#include "vcl/win32/robot_protocol.h"

#include "setupbot/win32_api.h"

namespace setupbot {
namespace {

namespace robot = vcl::win32::robot;

// What the stand-in answers.
struct Answer {
    std::string data;
    ULONG_PTR dwData = robot::kDescriptionData;
    LRESULT result = robot::kDescribeAnswered;
    bool send = true;
    bool inPlace = false;  // answers the in-place form (record in its memory) instead of WM_COPYDATA
    robot::DescriptionRecord record{};
} answer;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == RegisterWindowMessageA(robot::kDescribeInPlaceMessage) && answer.inPlace) {
        if (answer.record.signature == 0) {
            answer.record = {robot::kDescriptionData, 1, reinterpret_cast<std::uintptr_t>(answer.data.data()),
                             answer.data.size()};
        }
        return reinterpret_cast<LRESULT>(&answer.record);
    }
    if (message == RegisterWindowMessageA(robot::kDescribeMessage)) {
        if (answer.send) {
            COPYDATASTRUCT copy{answer.dwData, DWORD(answer.data.size()), answer.data.data()};
            SendMessageA(reinterpret_cast<HWND>(wParam), WM_COPYDATA, WPARAM(window), reinterpret_cast<LPARAM>(&copy));
        }
        return answer.result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class DescribeClientTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = StandInProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SetupbotTestForm";
        RegisterClassA(&windowClass);
        form_ = CreateWindowExA(0, "SetupbotTestForm", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        if (!form_) GTEST_SKIP() << "no window can be made here (no display?)";
        answer = Answer{};
        answer.data = "wait\tmodal\tfrmSetupGuide\nform\tfrmSetupGuide\tWizard\t1\t1\t1\t0\t0\t10\t10\n";
    }
    void TearDown() override {
        if (!form_) return;
        if (ATOM atom = ATOM(reinterpret_cast<UINT_PTR>(RemovePropA(form_, robot::kNameProperty)))) GlobalDeleteAtom(atom);
        DestroyWindow(form_);
    }
    HWND form_ = nullptr;
};

TEST_F(DescribeClientTest, ParsesTheDescriptionSentBeforeTheAnswerReturns) {
    DescribeClient client;
    answer.data += std::string(1, '\0');  // a terminating zero is not part of the text
    auto description = client.Describe(form_, 2000);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->wait, "modal");
    ASSERT_NE(description->Form("frmSetupGuide"), nullptr);
}

TEST_F(DescribeClientTest, RefusesAnswersThatAreNotADescription) {
    DescribeClient client;
    answer.dwData = 0x1234;  // another program's WM_COPYDATA
    EXPECT_FALSE(client.Describe(form_, 2000));
    answer = Answer{"wait\tmodal\t\n"};
    answer.result = 0;  // a window that does not know the message
    EXPECT_FALSE(client.Describe(form_, 2000));
    answer = Answer{"wait\tmodal\t\n"};
    answer.send = false;  // answered, but nothing sent
    EXPECT_FALSE(client.Describe(form_, 2000));
    answer = Answer{"wait\tmodal\t\nform\tF\tx\t1\n"};
    EXPECT_FALSE(client.Describe(form_, 2000));
    EXPECT_EQ(client.LastError(), "description, line 2: too few fields");
}

// A program that answers in place: the record and text are read from its memory; a record that is not
// one (another signature, an impossible size) is refused, not read.
TEST_F(DescribeClientTest, ReadsAnAnswerInPlaceAndRefusesDamagedRecords) {
    DescribeClient client;
    answer.inPlace = true;
    auto description = client.Describe(form_, 2000);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->wait, "modal");
    ASSERT_NE(description->Form("frmSetupGuide"), nullptr);

    answer.record = {0x1234, 1, reinterpret_cast<std::uintptr_t>(answer.data.data()), answer.data.size()};
    EXPECT_FALSE(client.Describe(form_, 2000));
    answer.record = {robot::kDescriptionData, 1, reinterpret_cast<std::uintptr_t>(answer.data.data()),
                     std::uint64_t(1) << 40};
    EXPECT_FALSE(client.Describe(form_, 2000));
}

TEST_F(DescribeClientTest, AsksTheProgramsWindowsThatCarryAName) {
    DescribeClient client;
    Program program;
    program.Attach(GetCurrentProcessId());
    EXPECT_FALSE(client.Describe(program, 2000)) << "no window of ours has a name yet";
    SetPropA(form_, robot::kNameProperty, reinterpret_cast<HANDLE>(UINT_PTR(GlobalAddAtomA("frmSetupGuide"))));
    EXPECT_EQ(program.FindForm("frmSetupGuide"), form_);
    auto description = client.Describe(program, 2000);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->waitForm, "frmSetupGuide");
}

}  // namespace
}  // namespace setupbot
