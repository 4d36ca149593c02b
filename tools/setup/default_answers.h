// The answers an unattended setup gives when no session file says otherwise: accept the licence, keep
// every default, install. A message box takes its default button, as in any session.
#pragma once
#include "vcl/headless/driver.h"

namespace unattended {

class DefaultAnswers : public vcl::headless::Driver {
public:
    // On the wizard: accepts the licence on its page, else presses Next (on the summary page: install).
    // Next pressed without leaving its page (a check refused the page: too little space, an instance
    // name the checks refuse) is not pressed again, and anything else (a dialog the wizard opens only on
    // request) is left alone: the run ends there instead of waiting for ever.
    bool Act(vcl::TForm& modalForm) override;

private:
    int nextPressedOn_ = 0;  // the page Next was last pressed on, 0 when none
};

}  // namespace unattended
