// The busy window: a borderless, always-on-top strip with a running animation and one line of text,
// shown while the additional programs are launched after the installation.
#pragma once
#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"

namespace wizard {

class TfrmSetup : public vcl::TForm {
public:
    // Below a 1024-pixel screen the window and its controls shrink: heights of the form × 28/32, widths and
    // lefts × 25/32, the controls' tops × 28/32 and their heights × 25/32.
    explicit TfrmSetup(vcl::TComponent* owner);

    // Refuses to close while the installation runs (the window is shown then, announcing a program).
    void FormCloseQuery(vcl::TComponent* sender, bool& canClose);

    vcl::TPanel Panel1{this};      // fills the window; its caption is the text line
    vcl::TAnimate Animate1{this};  // the system's find-computer clip, frames 1 to 8 for ever
};

}  // namespace wizard
