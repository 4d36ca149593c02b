// The module dialog.
#include "wizard/setup_module_sel.h"

#include "app/setup_program.h"
#include "wizard/setup_prompt.h"

namespace wizard {

TfrmModuleSel::TfrmModuleSel(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmModuleSel");
    OnCreate = vcl::Method(this, &TfrmModuleSel::FormCreate);
}

void TfrmModuleSel::FormCreate(vcl::TComponent*) { if (app::frmPrompt) app::frmPrompt->AddProgressMark(); }

}  // namespace wizard
