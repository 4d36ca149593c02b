// The robot's side of Describe, Hold and Release (src/vcl/win32/robot_protocol.h): Describe in place (the
// answer read from the program's memory), a hidden window that takes a WM_COPYDATA answer from a program
// that knows only that form, and the messages sent or posted to the setup's form windows.
#pragma once
#include <optional>
#include <string>

#include "setupbot/description.h"
#include "setupbot/process.h"

namespace setupbot {

class DescribeClient {
public:
    DescribeClient();
    ~DescribeClient();
    DescribeClient(const DescribeClient&) = delete;
    DescribeClient& operator=(const DescribeClient&) = delete;

    // Sends Describe in place to the form window and waits up to timeoutMs for the answer; a window that
    // does not know it (answers 0) is asked the WM_COPYDATA way. Nothing when the window does not answer in
    // time, answers without a description, or gives one that does not parse (the parse error is kept in
    // LastError()).
    std::optional<Description> Describe(Window formWindow, unsigned timeoutMs);
    // Asks each top-level window of the program with a name property until one answers.
    std::optional<Description> Describe(const Program& program, unsigned timeoutMs);

    void PostHold(Window formWindow) const;
    void PostRelease(Window formWindow) const;
    const std::string& LastError() const { return lastError_; }

private:
    static long long __stdcall WindowProc(Window window, unsigned message, unsigned long long wParam, long long lParam);

    Window window_ = nullptr;
    unsigned describeMessage_ = 0, describeInPlaceMessage_ = 0, holdMessage_ = 0, releaseMessage_ = 0;
    std::optional<std::string> received_;
    std::string lastError_;
};

}  // namespace setupbot
