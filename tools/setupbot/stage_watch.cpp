// Stage stops while the installation runs.
#include "setupbot/stage_watch.h"

#include "setupbot/stops.h"

namespace setupbot {
namespace {

constexpr unsigned kPollMs = 150;
constexpr unsigned kDescribeTimeoutMs = 2000;

}  // namespace

std::string MainFormSignature(const Description& description) {
    std::string signature;
    for (const char* name : {"Label5", "Label6", "Label20"}) {
        const ControlInfo* control = description.Control("MainForm", name);
        signature += (control ? control->text : std::string()) + '\t';
    }
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label8"}) {
        const ControlInfo* control = description.Control("MainForm", name);
        signature += (control ? std::to_string(control->color) : std::string()) + '\t';
    }
    return signature;
}

WaitEnd StageWatch::Follow(Description description) {
    while (true) {
        if (description.wait != "busy") return WaitEnd::Quiet;
        if (robot_.stageStops < robot_.options.stageStops &&
            MainFormSignature(description) != robot_.lastStageSignature) {
            WaitEnd end = StageStop();
            if (end != WaitEnd::Quiet) return end;
        }
        while (true) {
            if (robot_.program.Exited()) return WaitEnd::Exited;
            if (robot_.deadline.Passed()) return WaitEnd::TimedOut;
            PumpAndSleep(kPollMs);
            std::optional<Description> answer = robot_.client.Describe(robot_.program, kDescribeTimeoutMs);
            if (!answer) continue;
            robot_.NoteBusyText(*answer);
            description = std::move(*answer);
            break;
        }
    }
}

// Holds the program, waits until it is quiet in the hold, checks the screen, releases it.
WaitEnd StageWatch::StageStop() {
    Window main = robot_.MainWindow();
    if (!main) return WaitEnd::Quiet;
    robot_.client.PostHold(main);
    std::optional<Description> held;
    while (true) {
        if (robot_.program.Exited()) return WaitEnd::Exited;
        if (robot_.deadline.Passed()) return WaitEnd::TimedOut;
        std::optional<Description> answer = robot_.client.Describe(robot_.program, kDescribeTimeoutMs);
        if (answer && answer->wait == "hold") break;
        // The stages may end and a message box or form wait instead: the hold comes in its loop.
        PumpAndSleep(30);
    }
    WaitEnd end = robot_.WaitQuiet(held, true, true);
    if (end == WaitEnd::Quiet && held) {
        ++robot_.stageStops;
        robot_.lastStageSignature = MainFormSignature(*held);
        end = TakeStop(robot_, {"stage", 0, ""}, *held, true);
    }
    robot_.client.PostRelease(main);
    return end;
}

}  // namespace setupbot
