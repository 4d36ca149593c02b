// Stand-ins for the wizard (TfrmSetupGuide) and its two dialogs (TfrmModuleSel, TfrmPath) until the real
// windows are written: they take their place among the six start-up windows, add their progress marks
// to the prompt window and hand the main window what the installation sequence reads from the wizard.
#pragma once
#include "vcl/forms.h"
#include "vcl/stdctrls.h"

namespace wizard {

// The wizard, reduced to its results: one radio button per install mode ("ModeButtons[i]", the first
// checked; checking one sets CurMode), the product list CheckListBox1 (all checked), the instance name
// EdtInsName (the description's default), BitBtn2 to install (WizardResult = 1) and BitBtn1 to cancel
// after the question. The real eight-page wizard replaces this class.
class TfrmSetupGuide : public vcl::TForm {
public:
    explicit TfrmSetupGuide(vcl::TComponent* owner);

    void FormCreate(vcl::TComponent* sender);
    void BitBtn1Click(vcl::TComponent* sender);
    void BitBtn2Click(vcl::TComponent* sender);
    void ModeButtonClick(vcl::TComponent* sender);

    // True when product index (0-based) is chosen: its list item is checked or grayed.
    bool ProductChosen(int index) const;

    vcl::TPanel Panel0{this};
    vcl::TBitBtn BitBtn1{this};
    vcl::TBitBtn BitBtn2{this};
    vcl::TCheckListBox CheckListBox1{this};
    vcl::TEdit EdtInsName{this};
};

// The module dialog, reduced to its progress mark.
class TfrmModuleSel : public vcl::TForm {
public:
    explicit TfrmModuleSel(vcl::TComponent* owner);
    void FormCreate(vcl::TComponent* sender);
};

// The path dialog, reduced to its progress mark.
class TfrmPath : public vcl::TForm {
public:
    explicit TfrmPath(vcl::TComponent* owner);
    void FormCreate(vcl::TComponent* sender);
};

}  // namespace wizard
