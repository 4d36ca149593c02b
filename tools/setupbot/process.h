// The program under test: starting it, its windows, its end; and the run's deadline.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct HWND__;

namespace setupbot {

using Window = HWND__*;

// The whole run's time limit, counted from construction.
class Deadline {
public:
    explicit Deadline(unsigned seconds);
    bool Passed() const;
    unsigned RemainingMs() const;

private:
    uint64_t end_;
};

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // Starts the program with the given arguments (quoted as the C runtime reads them), in the current
    // directory. False with a message when it cannot be started.
    bool Start(const std::vector<std::wstring>& arguments, std::string& error);
    // Follows a process already running, for its windows only (it is not waited for or ended).
    void Attach(unsigned long processId) { processId_ = processId; }
    bool Exited() const;
    void Terminate();
    void* Handle() const { return process_; }
    // Waits up to ms for the program to end.
    bool WaitExit(unsigned ms) const;

    // The program's top-level windows; visibleOnly leaves out hidden ones.
    std::vector<Window> TopLevelWindows(bool visibleOnly) const;
    // A visible top-level window of the given class ("#32770" for message boxes and the folder browser).
    Window FindTopLevel(const char* className) const;
    // The top-level window whose name property is the form's name.
    Window FindForm(const std::string& name) const;

private:
    void* process_ = nullptr;
    unsigned long processId_ = 0;
};

// The design name a window carries as its name property, or empty.
std::string WindowName(Window window);
// Every descendant window of a window, hidden ones included.
std::vector<Window> Descendants(Window window);
// The descendant carrying the name property, or null.
Window FindNamedDescendant(Window root, const std::string& name);
// True when the window or a visible descendant has a pending update region.
bool HasPendingPaint(Window window);
// The window's text, asked of the window itself (WM_GETTEXT), as UTF-16 and as UTF-8.
std::wstring WindowTextWide(Window window);
std::string WindowTextUtf8(Window window);
std::string WindowClassName(Window window);

// Sleeps while dispatching this thread's messages, so sent messages are taken.
void PumpAndSleep(unsigned ms);

}  // namespace setupbot
