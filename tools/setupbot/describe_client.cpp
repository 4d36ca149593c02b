// Describe: a message sent to a form window, answered by WM_COPYDATA to our window before it returns.
#include "setupbot/describe_client.h"

#include <windows.h>

#include "vcl/win32/robot_protocol.h"

namespace setupbot {
namespace {

namespace robot = vcl::win32::robot;
constexpr wchar_t kClassName[] = L"SetupBotDescribeClient";

}  // namespace

DescribeClient::DescribeClient() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(&DescribeClient::WindowProc);
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    // A top-level window that is never shown (a message-only window cannot be found by the setup's
    // SendMessage as easily on every system, and costs nothing here).
    window_ = CreateWindowExW(0, kClassName, L"setupbot", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    describeMessage_ = RegisterWindowMessageA(robot::kDescribeMessage);
    holdMessage_ = RegisterWindowMessageA(robot::kHoldMessage);
    releaseMessage_ = RegisterWindowMessageA(robot::kReleaseMessage);
}

DescribeClient::~DescribeClient() {
    if (window_) DestroyWindow(window_);
}

long long __stdcall DescribeClient::WindowProc(Window window, unsigned message, unsigned long long wParam,
                                               long long lParam) {
    if (message == WM_COPYDATA) {
        auto* self = reinterpret_cast<DescribeClient*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (self && data && data->dwData == robot::kDescriptionData) {
            self->received_ = std::string(static_cast<const char*>(data->lpData), data->cbData);
            // A terminating zero, if the setup sends one, is not part of the text.
            while (!self->received_->empty() && self->received_->back() == '\0') self->received_->pop_back();
            return TRUE;
        }
        return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::optional<Description> DescribeClient::Describe(Window formWindow, unsigned timeoutMs) {
    received_.reset();
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(formWindow, describeMessage_, reinterpret_cast<WPARAM>(window_), 0,
                                       SMTO_NORMAL, timeoutMs, &result);
    if (!sent || result != DWORD_PTR(robot::kDescribeAnswered) || !received_) return std::nullopt;
    try {
        return ParseDescription(*received_);
    } catch (const DescriptionError& error) {
        lastError_ = error.what();
        return std::nullopt;
    }
}

std::optional<Description> DescribeClient::Describe(const Program& program, unsigned timeoutMs) {
    for (Window window : program.TopLevelWindows(false)) {
        if (WindowName(window).empty()) continue;
        if (auto description = Describe(window, timeoutMs)) return description;
        // The thread is one: if it did not answer one form, it answers none now.
        return std::nullopt;
    }
    return std::nullopt;
}

void DescribeClient::PostHold(Window formWindow) const { PostMessageA(formWindow, holdMessage_, 0, 0); }
void DescribeClient::PostRelease(Window formWindow) const { PostMessageA(formWindow, releaseMessage_, 0, 0); }

}  // namespace setupbot
