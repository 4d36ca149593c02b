// Describe: a message sent to a form window, answered in place (a record in the program's memory that we
// read) or, by a program that knows only the first form, by WM_COPYDATA to our window before it returns.
#include "setupbot/describe_client.h"

#include <windows.h>

#include "setupbot/remote_memory.h"
#include "vcl/win32/robot_protocol.h"

namespace setupbot {
namespace {

namespace robot = vcl::win32::robot;
constexpr wchar_t kClassName[] = L"SetupBotDescribeClient";
// More than any description of our forms; a larger size is a damaged record.
constexpr std::uint64_t kLargestDescription = 64u << 20;

// The text an in-place answer's record (at address in the process that owns formWindow) points at.
std::optional<std::string> ReadInPlaceAnswer(Window formWindow, std::uint64_t address) {
    DWORD processId = 0;
    GetWindowThreadProcessId(formWindow, &processId);
    HANDLE process = processId ? OpenProcess(PROCESS_VM_READ, FALSE, processId) : nullptr;
    if (!process) return std::nullopt;
    std::optional<std::string> text;
    robot::DescriptionRecord record{}, after{};
    if (ReadRemote(process, address, &record, sizeof record) && record.signature == robot::kDescriptionData &&
        record.size <= kLargestDescription) {
        std::string bytes(size_t(record.size), '\0');
        // The program writes a record only when it answers, and it has answered us: a record that changed
        // while we read is one we did not ask for.
        if ((bytes.empty() || ReadRemote(process, record.text, bytes.data(), bytes.size())) &&
            ReadRemote(process, address, &after, sizeof after) && after.serial == record.serial)
            text = std::move(bytes);
    }
    CloseHandle(process);
    return text;
}

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
    describeInPlaceMessage_ = RegisterWindowMessageA(robot::kDescribeInPlaceMessage);
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
            return TRUE;
        }
        return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::optional<Description> DescribeClient::Describe(Window formWindow, unsigned timeoutMs) {
    received_.reset();
    DWORD_PTR result = 0;
    // In place first: the program answers without sending us anything, so it never waits on us.
    if (!SendMessageTimeoutA(formWindow, describeInPlaceMessage_, 0, 0, SMTO_NORMAL, timeoutMs, &result))
        return std::nullopt;
    std::optional<std::string> text;
    if (result) {
        text = ReadInPlaceAnswer(formWindow, result);
    } else {
        // A window that does not know the in-place form: the answer comes by WM_COPYDATA meanwhile.
        if (!SendMessageTimeoutA(formWindow, describeMessage_, reinterpret_cast<WPARAM>(window_), 0, SMTO_NORMAL,
                                 timeoutMs, &result))
            return std::nullopt;
        if (result == DWORD_PTR(robot::kDescribeAnswered)) text = std::move(received_);
    }
    if (!text) return std::nullopt;
    // A terminating zero, if the program sends one, is not part of the text.
    while (!text->empty() && text->back() == '\0') text->pop_back();
    try {
        return ParseDescription(*text);
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
