// The module dialog (see the header).
#include "wizard/setup_module_sel.h"

#include <algorithm>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_prompt.h"

namespace wizard {
namespace {

app::TModule* ModuleAt(int product, int module) {
    app::TMainForm* table = app::MainForm;
    if (!table || product < 0 || product >= std::min(table->ProductCount, app::kMaxProducts)) return nullptr;
    int count = std::clamp(table->Products[size_t(product)].ModuleCount, 0, app::kMaxModules);
    if (module < 0 || module >= count) return nullptr;
    int mode = table->CurMode >= 0 && table->CurMode < app::kMaxInstallModes ? table->CurMode : 0;
    return &table->Modules[size_t(mode)][size_t(product)][size_t(module)];
}

}  // namespace

TfrmModuleSel::TfrmModuleSel(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmModuleSel");
    SetCaption("frmModuleSel");
    SetBorderStyle(vcl::TBorderStyle::bsSingle);
    SetBorderIcons(0);
    SetPosition(vcl::TPosition::poDesigned);
    SetClientWidth(289);
    SetClientHeight(250);
    CheckListBox1.SetName("CheckListBox1");
    CheckListBox1.SetParent(this);
    CheckListBox1.SetBounds(5, 8, 276, 209);
    CheckListBox1.OnClickCheck = vcl::Method(this, &TfrmModuleSel::CheckListBox1ClickCheck);
    AllBtn.SetName("AllBtn");
    AllBtn.SetParent(this);
    AllBtn.SetBounds(120, 224, 75, 25);
    AllBtn.SetCaption("全选");
    AllBtn.OnClick = vcl::Method(this, &TfrmModuleSel::AllBtnClick);
    BitBtn3.SetName("BitBtn3");
    BitBtn3.SetParent(this);
    BitBtn3.SetBounds(199, 224, 66, 24);
    BitBtn3.SetCaption("确认");
    BitBtn3.SetDefault(true);
    BitBtn3.SetModalResult(vcl::mrOk);

    // Narrow screens: fixed place and ratios (AllBtn keeps its design geometry).
    if (vcl::Screen->Width() < 1024) {
        SetTop(250);
        SetHeight(Height() * 28 / 32);
        SetWidth(Width() * 25 / 32);
        CheckListBox1.SetBounds(CheckListBox1.Left() * 25 / 32, CheckListBox1.Top() * 28 / 32,
                                CheckListBox1.Width() * 25 / 32, CheckListBox1.Height() * 28 / 32);
        BitBtn3.SetBounds(BitBtn3.Left() * 25 / 32, BitBtn3.Top() * 28 / 32 - 3, BitBtn3.Width() * 25 / 32,
                          BitBtn3.Height() * 28 / 32);
    }
    OnCreate = vcl::Method(this, &TfrmModuleSel::FormCreate);
    OnShow = vcl::Method(this, &TfrmModuleSel::FormShow);
}

void TfrmModuleSel::FormCreate(vcl::TComponent*) {
    if (app::frmPrompt) app::frmPrompt->AddProgressMark();
}

void TfrmModuleSel::FormShow(vcl::TComponent*) {
    if (app::MainForm) {
        const vcl::TPanel& panel = app::MainForm->Panel4;
        SetTop(panel.Top() + (panel.Height() - Height()) / 2);
        SetLeft(panel.Left() + (panel.Width() - Width()) / 2);
    }
    CheckListBox1.Items.Clear();
    moduleOfItem_.clear();
    product_ = app::frmSetupGuide ? app::frmSetupGuide->CheckListBox1.ItemIndex() : -1;
    const bool valid = app::MainForm && product_ >= 0 &&
                       product_ < std::min(app::MainForm->ProductCount, app::kMaxProducts);
    if (!valid) {
        product_ = -1;
        SetCaption("");
        return;
    }
    SetCaption(app::MainForm->Products[size_t(product_)].Name);
    for (int k = 0; app::TModule* module = ModuleAt(product_, k); ++k) {
        if (module->Name.empty()) continue;
        int item = CheckListBox1.Items.Add(module->Name);
        moduleOfItem_.push_back(k);
        int state = module->State;
        CheckListBox1.SetChecked(item, state >= 1 && state <= 3);
    }
    CheckListBox1.SetItemIndex(0);
}

void TfrmModuleSel::CheckListBox1ClickCheck(vcl::TComponent*) {
    int item = CheckListBox1.ItemIndex();
    if (item < 0 || item >= int(moduleOfItem_.size())) return;
    app::TModule* module = ModuleAt(product_, moduleOfItem_[size_t(item)]);
    if (!module) return;
    bool checked = CheckListBox1.State(item) != vcl::TCheckBoxState::cbUnchecked;
    if (module->State < 2)
        module->State = checked ? 1 : 0;
    else
        CheckListBox1.SetChecked(item, true);
}

void TfrmModuleSel::AllBtnClick(vcl::TComponent*) {
    for (int item = 0; item < CheckListBox1.Items.Count() && item < int(moduleOfItem_.size()); ++item) {
        CheckListBox1.SetChecked(item, true);
        app::TModule* module = ModuleAt(product_, moduleOfItem_[size_t(item)]);
        if (module && module->State < 2) module->State = 1;
    }
}

}  // namespace wizard
