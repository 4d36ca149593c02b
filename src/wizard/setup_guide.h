// The setup wizard (TfrmSetupGuide). Still a stand-in for the page flow: it takes its place among the six
// start-up windows, adds its progress marks to the prompt window and hands the main window what the
// installation sequence reads from the wizard. Pages 7 and 8 (paths, disk space, summary) live in
// setup_paths.cpp.
#pragma once
#include <cstdint>

#include "vcl/comctrls.h"
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

    // Pages 7 and 8 (setup_paths.cpp).
    void FillPathList();
    void ListView1Click(vcl::TComponent* sender);
    void BitBtn5Click(vcl::TComponent* sender);
    void BitBtn6Click(vcl::TComponent* sender);
    void FillSummary();
    bool CheckDiskSpace();  // true = shortage

    vcl::TListView ListView1{this};
    vcl::TBitBtn BitBtn5{this};
    vcl::TBitBtn BitBtn6{this};
    vcl::TListBox ListBox1{this};

    // Results of the disk-space check.
    int64_t RequiredBytes = 0;
    int DriveNo = 0;
    int FreeMB = 0;
};

}  // namespace wizard

