// Starting the program under test and finding its windows.
#include "setupbot/process.h"

#include <windows.h>

#include "setupbot/text.h"
#include "vcl/win32/robot_protocol.h"

namespace setupbot {
namespace {

// Quotes one argument the way CommandLineToArgvW and the C runtime split it back.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') quoted.append(backslashes * 2 + 1, L'\\');
        else quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

struct WindowSearch {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && (!search.visibleOnly || IsWindowVisible(window))) search.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

}  // namespace

Deadline::Deadline(unsigned seconds) : end_(GetTickCount64() + uint64_t(seconds) * 1000) {}
bool Deadline::Passed() const { return GetTickCount64() >= end_; }
unsigned Deadline::RemainingMs() const {
    uint64_t now = GetTickCount64();
    return now >= end_ ? 0 : unsigned(end_ - now);
}

Program::~Program() {
    if (process_) CloseHandle(process_);
}

bool Program::Start(const std::vector<std::wstring>& arguments, std::string& error) {
    std::wstring commandLine;
    for (const std::wstring& argument : arguments) {
        if (!commandLine.empty()) commandLine += L' ';
        commandLine += QuoteArgument(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        error = "cannot start " + WideToUtf8(commandLine) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    WaitForInputIdle(info.hProcess, 10000);
    return true;
}

bool Program::Exited() const {
    if (!process_) return processId_ == 0;
    return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}
bool Program::WaitExit(unsigned ms) const { return !process_ || WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }

void Program::Terminate() {
    if (process_ && WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

std::vector<Window> Program::TopLevelWindows(bool visibleOnly) const {
    WindowSearch search{processId_, visibleOnly, {}};
    if (processId_) EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Window Program::FindTopLevel(const char* className) const {
    for (HWND window : TopLevelWindows(true))
        if (WindowClassName(window) == className) return window;
    return nullptr;
}

Window Program::FindForm(const std::string& name) const {
    for (HWND window : TopLevelWindows(false))
        if (WindowName(window) == name) return window;
    return nullptr;
}

std::string WindowName(Window window) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(window, vcl::win32::robot::kNameProperty)));
    if (!atom) return {};
    char name[256] = {};
    UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
    return std::string(name, length);
}

std::vector<Window> Descendants(Window window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

Window FindNamedDescendant(Window root, const std::string& name) {
    for (HWND child : Descendants(root))
        if (WindowName(child) == name) return child;
    return nullptr;
}

bool HasPendingPaint(Window window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return true;
    // A hidden window is never painted: an update region it kept from before it was hidden stays.
    for (HWND child : Descendants(window))
        if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) return true;
    return false;
}

std::wstring WindowTextWide(Window window) {
    // GetWindowText reads another process's window title as the system stored it, which an edit control
    // does not keep up to date: WM_GETTEXT asks the control itself.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 2000, &length)) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, WPARAM(length + 1), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, 2000, &got))
        return {};
    text.resize(size_t(got) <= size_t(length) ? size_t(got) : size_t(length));
    return text;
}

std::string WindowTextUtf8(Window window) { return WideToUtf8(WindowTextWide(window)); }

std::string WindowClassName(Window window) {
    char name[256] = {};
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, size_t(length > 0 ? length : 0));
}

void PumpAndSleep(unsigned ms) {
    uint64_t end = GetTickCount64() + ms;
    while (true) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        uint64_t now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(end - now), QS_ALLINPUT);
    }
}

}  // namespace setupbot
