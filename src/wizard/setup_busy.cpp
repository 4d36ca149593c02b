// The busy window's design, shrunk for screens narrower than 1024 pixels.
#include "wizard/setup_busy.h"

#include "app/setup_program.h"

namespace wizard {

TfrmSetup::TfrmSetup(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmSetup");
    SetBorderStyle(vcl::TBorderStyle::bsNone);
    SetBorderIcons(0);
    SetFormStyle(vcl::TFormStyle::fsStayOnTop);
    SetClientWidth(417);
    SetClientHeight(61);
    SetPosition(vcl::TPosition::poScreenCenter);

    Panel1.SetName("Panel1");
    Panel1.SetParent(this);
    Panel1.SetAlign(vcl::TAlign::alClient);
    Animate1.SetName("Animate1");
    Animate1.SetParent(this);
    Animate1.SetBounds(8, 8, 57, 41);
    Animate1.BringToFront();
    Animate1.SetCommonAVI(vcl::TCommonAVI::aviFindComputer);
    Animate1.SetFrames(1, 8);
    Animate1.SetRepetitions(0);
    Animate1.SetActive(true);

    OnCloseQuery = vcl::Method(this, &TfrmSetup::FormCloseQuery);

    if (vcl::Screen->Width() < 1024) {
        SetClientHeight(ClientHeight() * 28 / 32);
        SetClientWidth(ClientWidth() * 25 / 32);
        // Panel1 fills the form and follows its new size through its alignment; the animation is scaled.
        Animate1.SetBounds(Animate1.Left() * 25 / 32, Animate1.Top() * 28 / 32, Animate1.Width() * 25 / 32,
                           Animate1.Height() * 25 / 32);
        Realign();
    }
}

// Alt+F4 on the busy window while the installation goes on must not hide it or end anything: the setup
// closes its windows itself when it is done.
void TfrmSetup::FormCloseQuery(vcl::TComponent*, bool& canClose) {
    if (app::InstallationRunning()) canClose = false;
}

}  // namespace wizard
