// The main loop: wait until the program is quiet, then act on what it waits for.
#include "setupbot/player.h"

#include <windows.h>

#include <cstdio>

#include "setupbot/actions.h"
#include "setupbot/dialogs.h"
#include "setupbot/robot.h"
#include "setupbot/session.h"
#include "setupbot/stage_watch.h"
#include "setupbot/stops.h"
#include "setupbot/text.h"
#include "setupbot/wizard_watch.h"

namespace setupbot {
namespace {

// The title a program without one of its own shows: its file name without the extension, in the system
// code page as its message boxes carry it.
std::string ApplicationTitle(const std::wstring& program) {
    size_t slash = program.find_last_of(L"\\/:");
    std::wstring name = slash == std::wstring::npos ? program : program.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return WideToAnsi(name);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool IsDialogForm(const std::string& form) { return form == "frmModuleSel" || form == "frmPath"; }

class Player {
public:
    Player(Robot& robot, Session& session)
        : robot_(robot), session_(session), wizard_(robot.report.wizard, AnsiToUtf8) {}

    // Plays until the run ends; the report's end is set.
    void Play() {
        std::optional<Description> description;
        if (!Wait(description)) return;
        while (true) {
            const std::string wait = description->wait;
            if (wait == "busy") {
                wizard_.Observe(*description);
                StageWatch stages(robot_);
                WaitEnd end = stages.Follow(*description);
                if (!Ended(end) || !Wait(description)) return;
                continue;
            }
            Observe(*description);
            if (wait == "modal") {
                if (!Modal(description)) return;
            } else if (wait == "messagebox") {
                if (!Stop({"messagebox", 0, ""}, *description)) return;
                if (!AnswerMessageBox(robot_, *description, session_)) PumpAndSleep(100);
                if (!Settled() || !Wait(description)) return;
            } else if (wait == "browser") {
                if (!Stop({"browser", 0, ""}, *description)) return;
                if (!AnswerFolderBrowser(robot_, session_)) PumpAndSleep(100);
                if (!Settled() || !Wait(description)) return;
            } else if (wait == "application") {
                EndApplication();
                return;
            } else {
                if (!Wait(description)) return;
            }
        }
    }

private:
    // Waits for the next quiet description; false (with the end recorded) when the run is over.
    bool Wait(std::optional<Description>& description) {
        return Ended(robot_.WaitQuiet(description));
    }
    bool Settled() { return Ended(robot_.Settle()); }
    bool Stop(const StopWhat& what, const Description& description) {
        return Ended(TakeStop(robot_, what, description));
    }

    // False, with the end recorded, when waiting ended because the program closed or time ran out.
    bool Ended(WaitEnd end) {
        if (end == WaitEnd::Quiet) return true;
        if (end == WaitEnd::Exited) {
            wizard_.ProgramEnded();
            robot_.report.endKind = "closed";
            robot_.report.endMessage = "";
        } else {
            robot_.report.endKind = "timeout";
            robot_.report.endMessage =
                robot_.answered ? "the run took longer than " + std::to_string(robot_.options.timeoutSeconds) + " s"
                                : "the program never answered Describe";
        }
        return false;
    }

    // Page stops for the wizard and stops for the dialogs, each the first time it is on screen.
    void Observe(const Description& description) {
        int page = wizard_.Observe(description);
        if (page) pendingStops_.push_back({"page", page, "frmSetupGuide"});
        std::string modal = description.wait == "modal" ? description.waitForm : "";
        if (modal != lastModal_ && IsDialogForm(modal)) pendingStops_.push_back({"form", 0, modal});
        if (description.wait == "modal") lastModal_ = modal;
    }

    bool Modal(std::optional<Description>& description) {
        for (const StopWhat& what : pendingStops_)
            if (!Stop(what, *description)) return false;
        pendingStops_.clear();
        std::optional<SessionAction> action = session_.NextFormAction();
        if (!action) {
            robot_.report.endKind = "session";
            robot_.report.endMessage = "The session ran out while " + description->waitForm + " waited for the user";
            return false;
        }
        bool install = action->kind == SessionAction::Kind::Click && action->control == "BitBtn2" &&
                       description->waitForm == "frmSetupGuide" && wizard_.OnLastPage();
        ActionResult result = PlayAction(robot_, *description, *action);
        if (!result.refused.empty()) {
            robot_.report.endKind = "session";
            robot_.report.endMessage = result.refused;
            return false;
        }
        if (install) wizard_.NoteInstallClick();
        if (!Ended(result.end)) return false;
        description = std::move(result.description);
        return true;
    }

    // No modal form waits: the sequence ended with the application's exception box, or with nothing
    // left to do on screen.
    void EndApplication() {
        const auto& box = robot_.lastMessageBox;
        // The exception box: the application's title as the caption (the program sets none, so it is the
        // executable's name without extension, "SETUP"), a stop icon and OK.
        if (box && box->caption == ApplicationTitle(robot_.options.program.front()) && (box->flags & 0xFF) == 0x10) {
            robot_.report.endKind = "error";
            robot_.report.endMessage = AnsiToUtf8(box->text);
        } else {
            robot_.report.endKind = "session";
            robot_.report.endMessage = "the program waits with no window to act on";
        }
    }

    Robot& robot_;
    Session& session_;
    WizardWatch wizard_;
    std::string lastModal_;
    std::vector<StopWhat> pendingStops_;
};

}  // namespace

int RunRobot(const Options& options) {
    std::string sessionText;
    if (!ReadWholeFile(options.session, sessionText)) {
        std::fprintf(stderr, "setupbot: cannot read the session file %s\n", WideToUtf8(options.session).c_str());
        return 2;
    }
    std::vector<SessionAction> actions;
    try {
        actions = setupcheck::ParseSessionFile(sessionText);
    } catch (const setupcheck::SessionFileError& error) {
        std::fprintf(stderr, "setupbot: %s\n", error.what());
        return 2;
    }
    if (!options.shots.empty()) CreateDirectoryW(options.shots.c_str(), nullptr);

    Robot robot(options);
    std::string error;
    if (!robot.program.Start(options.program, error)) {
        std::fprintf(stderr, "setupbot: %s\n", error.c_str());
        return 2;
    }
    Session session(actions);
    Player(robot, session).Play();
    if (!robot.program.Exited()) robot.program.Terminate();
    robot.report.unused = session.Unused();

    std::string json = ToJson(robot.report).Dump();
    if (!WriteFileBytes(options.report, json)) {
        std::fprintf(stderr, "setupbot: cannot write the report %s\n", WideToUtf8(options.report).c_str());
        return 2;
    }
    if (robot.report.endKind == "timeout") return 2;
    for (const StopRecord& stop : robot.report.stops)
        if (!stop.same) return 1;
    return robot.report.inconsistent.empty() ? 0 : 1;
}

}  // namespace setupbot
