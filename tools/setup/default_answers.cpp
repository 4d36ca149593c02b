// Default answers, played through the script driver so that they follow the same rules as a session's
// lines (a disabled Next refuses the click and ends the run with the reason).
#include "setup/default_answers.h"

#include "app/setup_program.h"
#include "vcl/headless/script.h"
#include "wizard/setup_guide.h"

namespace unattended {

bool DefaultAnswers::Act(vcl::TForm& modalForm) {
    using vcl::headless::ScriptAction;
    if (&modalForm != app::frmSetupGuide) return false;
    const int page = app::frmSetupGuide->PageNo;
    const bool licencePending = page == 2 && !app::frmSetupGuide->RadioButton1.Checked();
    if (!licencePending) {
        if (nextPressedOn_ == page) return false;
        nextPressedOn_ = page;
    }
    vcl::headless::ScriptDriver one({ScriptAction::Click(licencePending ? "RadioButton1" : "BitBtn2")});
    return one.Act(modalForm);
}

}  // namespace unattended
