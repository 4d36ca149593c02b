// The state of one robot run, shared by the parts that wait, act, stop and answer.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "setupbot/describe_client.h"
#include "setupbot/options.h"
#include "setupbot/process.h"
#include "setupbot/report.h"
#include "setupbot/screen.h"

namespace setupbot {

// Appends a line to the file SETUPBOT_TRACE names, when set: what the robot waits for and does.
void Trace(const std::string& line);

// Why waiting stopped without a quiet description.
enum class WaitEnd { Quiet, Exited, TimedOut };

struct Robot {
    explicit Robot(const Options& runOptions);

    Options options;
    Deadline deadline;
    Program program;
    DescribeClient client;
    CaptureMethod capture = CaptureMethod::Gdi;
    RunReport report;
    int stageStops = 0;
    bool answered = false;  // the program answered Describe at least once
    std::string lastStageSignature;                 // the main form's texts at the last stage stop
    std::optional<MessageBoxInfo> lastMessageBox;  // as described, for recognising the exception box

    // Waits until the program is quiet: it answers Describe, no window of it has a pending update region
    // and two screenshots ~100 ms apart are equal (masked as at stops; a few attempts at most). While the
    // stages run ("busy") or a hold is being released, only the answer is waited for. On Quiet, the
    // description is in *description. A description saying "hold" counts as quiet only with held (the
    // robot holds the program for a stage stop); otherwise a release is still under way.
    WaitEnd WaitQuiet(std::optional<Description>& description, bool stableScreen = true, bool held = false);

    // Makes sure the program has taken the messages posted to it so far: posts Hold to the main form and
    // waits until a description says "hold", then posts Release. A description taken before that may
    // still show the state from before a posted click.
    WaitEnd Settle();

    // Adds the busy window's text (frmSetup's Panel1) to the report when it shows one not yet noted last.
    void NoteBusyText(const Description& description);

    // The main form's window (for Hold and Release), or null.
    Window MainWindow() const;
    // Screen areas left out of every comparison: the clock label Label22 of MainForm.
    std::vector<Rect> Masks(const Description& description) const;
};

}  // namespace setupbot
