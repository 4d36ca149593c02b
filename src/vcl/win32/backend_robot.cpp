// The server side of the robot interface (robot_protocol.h): design names as window properties, Describe
// answered in place (the robot reads the record and text from this process) or through WM_COPYDATA, and
// Hold/Release.
#include <cstdint>

#include "vcl/win32/backend_impl.h"
#include "vcl/win32/robot_protocol.h"

namespace vcl::win32::detail {
namespace {

// The last in-place description and its record, kept until the next Describe in place. Only the
// user-interface thread answers, one Describe at a time, so one copy serves the process.
struct InPlaceAnswer {
    std::string text;
    robot::DescriptionRecord record{robot::kDescriptionData, 0, 0, 0};
};
InPlaceAnswer inPlaceAnswer;

}  // namespace

void Win32Backend::RegisterRobotMessages() {
    describeMessage_ = RegisterWindowMessageA(robot::kDescribeMessage);
    holdMessage_ = RegisterWindowMessageA(robot::kHoldMessage);
    releaseMessage_ = RegisterWindowMessageA(robot::kReleaseMessage);
}

void Win32Backend::NameWindow(const TWinControl& control, HWND window) {
    auto known = names_.find(window);
    if (known != names_.end()) {
        if (known->second.name == control.Name()) return;
        UnnameWindow(window);
    }
    // An atom name is at most 255 characters and not empty; a control without a usable name goes unnamed.
    if (control.Name().empty() || control.Name().size() > 255) return;
    ATOM atom = GlobalAddAtomA(control.Name().c_str());
    if (!atom) return;
    if (!SetPropA(window, robot::kNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)))) {
        GlobalDeleteAtom(atom);
        return;
    }
    names_[window] = WindowName{atom, control.Name()};
}

void Win32Backend::UnnameWindow(HWND window) {
    auto known = names_.find(window);
    if (known == names_.end()) return;
    if (IsWindow(window)) RemovePropA(window, robot::kNameProperty);
    GlobalDeleteAtom(known->second.atom);
    names_.erase(known);
}

bool Win32Backend::RobotMessage(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
    if (message == 0) return false;
    if (message == describeMessage_) {
        // The asker waits in SendMessage(Timeout), so its thread takes this sent WM_COPYDATA meanwhile.
        std::string text;
        Guard([&] { text = Describe(); });
        COPYDATASTRUCT data{};
        data.dwData = robot::kDescriptionData;
        data.cbData = DWORD(text.size());
        data.lpData = text.data();
        if (HWND asker = reinterpret_cast<HWND>(wParam); asker && IsWindow(asker))
            SendMessageA(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data));
        result = robot::kDescribeAnswered;
        return true;
    }
    static const UINT describeInPlaceMessage = RegisterWindowMessageA(robot::kDescribeInPlaceMessage);
    if (message == describeInPlaceMessage) {
        // Nothing is sent back: the asker reads the record and the text from this process's memory.
        std::string text;
        Guard([&] { text = Describe(); });
        InPlaceAnswer& answer = inPlaceAnswer;
        answer.text = std::move(text);
        ++answer.record.serial;
        answer.record.text = reinterpret_cast<std::uintptr_t>(answer.text.data());
        answer.record.size = answer.text.size();
        result = reinterpret_cast<LRESULT>(&answer.record);
        return true;
    }
    if (message == holdMessage_) {
        Hold(window);
        result = 0;
        return true;
    }
    if (message == releaseMessage_) {
        if (window == holdWindow_) released_ = true;
        result = 0;
        return true;
    }
    return false;
}

// Dispatches messages (paints, timers, Describe) until Release reaches the window the hold came to. A hold
// while held changes nothing; a WM_QUIT ends the hold and is posted again for the loop that waits for it.
void Win32Backend::Hold(HWND window) {
    if (holdWindow_) return;
    holdWindow_ = window;
    released_ = false;
    {
        WaitScope wait(*this, WaitState{WaitState::Hold});
        while (!released_ && IsWindow(window)) {
            MSG message;
            BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == -1) break;
            if (got == 0) {
                PostQuitMessage(int(message.wParam));
                break;
            }
            Dispatch(message);
        }
    }
    holdWindow_ = nullptr;
    released_ = false;
}

}  // namespace vcl::win32::detail
