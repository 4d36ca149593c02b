// The path dialog (TfrmPath): a typed install path for the product selected on the wizard's path page.
#pragma once
#include "vcl/forms.h"
#include "vcl/stdctrls.h"

namespace wizard {

// Shown modally by the path page ("手工修改安装路径"). FormShow fills it from the product of the wizard's
// selected ListView1 row. "确认" (BitBtn1, default button, OK result) accepts a path on a fixed, RAM-disk
// or unknown drive: every product moves to the typed drive and the selected product takes the typed path
// without surrounding blanks and one trailing '\'. A path on a missing, removable, network or CD-ROM
// drive, or one without a drive letter, is refused with a "警告" box and the dialog stays open.
// "取消" (BitBtn2, cancel button) closes it with the Cancel result and changes nothing.
class TfrmPath : public vcl::TForm {
public:
    explicit TfrmPath(vcl::TComponent* owner);

    void FormCreate(vcl::TComponent* sender);
    void FormShow(vcl::TComponent* sender);
    void BitBtn1Click(vcl::TComponent* sender);

    vcl::TLabel Label1{this};
    vcl::TEdit Edit1{this};
    vcl::TBitBtn BitBtn1{this};
    vcl::TBitBtn BitBtn2{this};
};

}  // namespace wizard
