// The path dialog.
#include "wizard/setup_path_dialog.h"

#include "app/setup_program.h"
#include "wizard/setup_prompt.h"

namespace wizard {

TfrmPath::TfrmPath(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmPath");
    OnCreate = vcl::Method(this, &TfrmPath::FormCreate);
}

void TfrmPath::FormCreate(vcl::TComponent*) { if (app::frmPrompt) app::frmPrompt->AddProgressMark(); }

}  // namespace wizard
