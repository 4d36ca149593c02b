// Follows the wizard (frmSetupGuide) through the descriptions the robot takes, filling the report's
// "wizard" part as `setupcheck simulate` defines it. Texts are converted with the given function (the
// system code page to UTF-8 in the robot; the identity in tests).
#pragma once
#include <functional>
#include <string>

#include "setupbot/description.h"
#include "setupbot/report.h"

namespace setupbot {

class WizardWatch {
public:
    using Convert = std::function<std::string(const std::string&)>;
    WizardWatch(WizardRecord& record, Convert convert) : record_(record), convert_(std::move(convert)) {}

    // Notes the wizard's state in a description taken when the program was quiet. Returns the page now on
    // screen when it differs from the last one seen (a new page: a stop), else 0.
    int Observe(const Description& description);
    // The last action was the install click (Next on page 8): if the wizard is gone in the next
    // description, it closed with result 1 and page 9.
    void NoteInstallClick() { installClicked_ = true; }
    // The program ended: after the install click, the wizard closed with it.
    void ProgramEnded();
    bool OnLastPage() const { return page_ == 8; }
    int Page() const { return page_; }

private:
    WizardRecord& record_;
    Convert convert_;
    int page_ = 0;
    bool installClicked_ = false;
    bool closed_ = false;
};

// The number N of the showing SetupTabN of frmSetupGuide, or 0 when the wizard shows no page.
int ShownWizardPage(const Description& description);

}  // namespace setupbot
