// The module dialog (TfrmModuleSel): the named modules of one product in the current install
// mode, each with a check mark that is its module's State. Opened by the wizard's "选项..." buttons for the
// product at the wizard's CheckListBox1 item index; "确认" is the only way to close it.
#pragma once
#include <vector>

#include "vcl/forms.h"
#include "vcl/stdctrls.h"

namespace wizard {

class TfrmModuleSel : public vcl::TForm {
public:
    explicit TfrmModuleSel(vcl::TComponent* owner);

    void FormCreate(vcl::TComponent* sender);  // one prompt mark
    // Centres the dialog over the main window's Panel4 and lists the product's named modules.
    void FormShow(vcl::TComponent* sender);
    // A module's mark: states 0 and 1 follow it; a locked module (State 2 or 3) is checked again.
    void CheckListBox1ClickCheck(vcl::TComponent* sender);
    // "全选": every listed module checked; unlocked ones get State 1, locked ones keep theirs.
    void AllBtnClick(vcl::TComponent* sender);

    // The product shown (-1 when the wizard has no product item), and the module number of each list
    // item: only named modules are listed, so an unnamed module before a named one shifts the positions.
    int ProductIndex() const { return product_; }
    const std::vector<int>& ModuleOfItem() const { return moduleOfItem_; }

    vcl::TCheckListBox CheckListBox1{this};
    vcl::TBitBtn AllBtn{this};
    vcl::TBitBtn BitBtn3{this};

private:
    int product_ = -1;
    std::vector<int> moduleOfItem_;
};

}  // namespace wizard
