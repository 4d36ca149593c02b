// While the installation stages run ("busy"), polls the description every ~150 ms, notes the busy
// window's texts, and takes a stage stop (held) whenever the main form's texts or step colours changed
// since the last stage stop, up to --stage-stops of them.
#pragma once
#include "setupbot/robot.h"

namespace setupbot {

class StageWatch {
public:
    explicit StageWatch(Robot& robot) : robot_(robot) {}
    // Follows the stages from a "busy" description until the program waits for something else (Quiet;
    // the caller then waits for a quiet description), ends or the time runs out.
    WaitEnd Follow(Description description);

private:
    WaitEnd StageStop();
    Robot& robot_;
};

// What a stage stop watches on the main form: the texts of Label5, Label6, Label20 and the colours of
// the step labels Label1..Label4 and Label8, as one string.
std::string MainFormSignature(const Description& description);

}  // namespace setupbot
