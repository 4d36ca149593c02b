// The prompt window: one progress mark for each preparation step while the dialogs and the wizard are
// built at start-up. Nothing shows it; the marks are written whether or not it is on screen.
#pragma once
#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/stdctrls.h"

namespace wizard {

class TfrmPrompt : public vcl::TForm {
public:
    explicit TfrmPrompt(vcl::TComponent* owner);

    // Appends one mark ("■") to the Prompt label and repaints it at once.
    void AddProgressMark();
    // Refuses to close while the installation runs.
    void FormCloseQuery(vcl::TComponent* sender, bool& canClose);

    vcl::TImage Image1{this};
    vcl::TLabel Label1{this};
    vcl::TLabel Prompt{this};
};

}  // namespace wizard
