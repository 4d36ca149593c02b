// The path dialog (TfrmPath): a typed install path for the product selected on the path page.
#pragma once
#include "vcl/forms.h"

namespace wizard {

// The path dialog, reduced to its progress mark.
class TfrmPath : public vcl::TForm {
public:
    explicit TfrmPath(vcl::TComponent* owner);
    void FormCreate(vcl::TComponent* sender);
};

}  // namespace wizard
