// Waiting for the program: quiet (answering, painted, screen still), and settled (posted messages taken).
#include <windows.h>

#include <cstdio>

#include "setupbot/robot.h"
#include "setupbot/text.h"

namespace setupbot {
namespace {

constexpr unsigned kDescribeTimeoutMs = 2000;
constexpr int kScreenAttempts = 8;
constexpr int kPaintWaitLimit = 100;  // times 50 ms

bool AnyPendingPaint(const Program& program) {
    for (Window window : program.TopLevelWindows(true))
        if (HasPendingPaint(window)) return true;
    return false;
}

}  // namespace

void Trace(const std::string& line) {
    static char path[MAX_PATH] = {};
    static const bool enabled = GetEnvironmentVariableA("SETUPBOT_TRACE", path, MAX_PATH) > 0;
    if (!enabled) return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "[%llu] %s\n", static_cast<unsigned long long>(GetTickCount64()), line.c_str());
        std::fclose(file);
    }
}

Robot::Robot(const Options& runOptions) : options(runOptions), deadline(runOptions.timeoutSeconds) {
    if (options.capture == L"x11") capture = CaptureMethod::X11;
    else if (options.capture == L"gdi") capture = CaptureMethod::Gdi;
    else capture = RunningUnderWine() ? CaptureMethod::X11 : CaptureMethod::Gdi;
}

void Robot::NoteBusyText(const Description& description) {
    const FormInfo* busy = description.Form("frmSetup");
    const ControlInfo* panel = description.Control("frmSetup", "Panel1");
    if (!busy || !busy->visible || !panel || panel->text.empty()) return;
    std::string text = AnsiToUtf8(panel->text);
    if (report.busy.empty() || report.busy.back() != text) report.busy.push_back(text);
}

Window Robot::MainWindow() const { return program.FindForm("MainForm"); }

std::vector<Rect> Robot::Masks(const Description& description) const {
    std::vector<Rect> masks;
    if (const ControlInfo* clock = description.Control("MainForm", "Label22")) masks.push_back(clock->rect);
    return masks;
}

WaitEnd Robot::WaitQuiet(std::optional<Description>& description, bool stableScreen, bool held) {
    int screenAttempts = 0, paintWaits = 0, holdWaits = 0;
    while (true) {
        if (program.Exited()) return WaitEnd::Exited;
        if (deadline.Passed()) return WaitEnd::TimedOut;
        std::optional<Description> answer = client.Describe(program, kDescribeTimeoutMs);
        if (!answer) {
            Trace("no answer to Describe");
            PumpAndSleep(50);
            continue;
        }
        answered = true;
        NoteBusyText(*answer);
        if (answer->wait == "busy") {
            description = std::move(answer);
            return WaitEnd::Quiet;
        }
        if (answer->wait == "hold" && !held) {
            // A release is on its way; should the program still be held after a while, release again (a
            // release that finds no hold is ignored).
            Trace("still held");
            if (++holdWaits % 40 == 0)
                if (Window main = MainWindow()) client.PostRelease(main);
            PumpAndSleep(50);
            continue;
        }
        // A window that keeps an update region for long is not waited for further: the screen check
        // shows what it failed to paint.
        if (AnyPendingPaint(program) && paintWaits++ < kPaintWaitLimit) {
            Trace("paint pending");
            PumpAndSleep(50);
            continue;
        }
        Trace("quiet? wait " + answer->wait + " " + answer->waitForm);
        if (!stableScreen || screenAttempts >= kScreenAttempts) {
            description = std::move(answer);
            return WaitEnd::Quiet;
        }
        ++screenAttempts;
        Image first = CaptureScreen(capture);
        PumpAndSleep(100);
        Image second = CaptureScreen(capture);
        if (CompareImages(first, second, Masks(*answer)).pixels == 0) {
            description = std::move(answer);
            return WaitEnd::Quiet;
        }
    }
}

WaitEnd Robot::Settle() {
    Window main = MainWindow();
    if (!main) return program.Exited() ? WaitEnd::Exited : WaitEnd::Quiet;
    client.PostHold(main);
    Trace("settle: hold posted");
    while (true) {
        if (program.Exited()) return WaitEnd::Exited;
        if (deadline.Passed()) return WaitEnd::TimedOut;
        std::optional<Description> answer = client.Describe(program, kDescribeTimeoutMs);
        if (answer && answer->wait == "hold") break;
        Trace(answer ? "settle: not yet held, wait " + answer->wait : std::string("settle: no answer"));
        PumpAndSleep(answer ? 20 : 50);
    }
    client.PostRelease(main);
    return WaitEnd::Quiet;
}

}  // namespace setupbot
