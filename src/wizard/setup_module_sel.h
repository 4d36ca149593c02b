// The module dialog (TfrmModuleSel): the modules of one product in the current install mode.
#pragma once
#include "vcl/forms.h"

namespace wizard {

// The module dialog, reduced to its progress mark.
class TfrmModuleSel : public vcl::TForm {
public:
    explicit TfrmModuleSel(vcl::TComponent* owner);
    void FormCreate(vcl::TComponent* sender);
};


}  // namespace wizard
