// The path dialog: its design (shrunk for screens narrower than 1024 pixels), filling it for the selected
// product and checking the typed path's drive.
#include "wizard/setup_path_dialog.h"

#include <algorithm>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "rtl/strings.h"
#include "wizard/install_paths.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_prompt.h"

namespace wizard {
namespace {

// The product of the wizard's selected path row, or -1.
int SelectedProduct() {
    if (!app::MainForm || !app::frmSetupGuide) return -1;
    int row = app::frmSetupGuide->ListView1.SelectedIndex();
    int products = std::clamp(app::MainForm->ProductCount, 0, app::kMaxProducts);
    return row >= 0 && row < products ? row : -1;
}

}  // namespace

TfrmPath::TfrmPath(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmPath");
    SetCaption("安装路径设置");
    SetBorderStyle(vcl::TBorderStyle::bsSingle);
    SetBorderIcons(0);
    SetClientWidth(367);
    SetClientHeight(76);
    SetPosition(vcl::TPosition::poScreenCenter);

    Label1.SetName("Label1");
    Label1.SetParent(this);
    Label1.SetBounds(8, 8, 353, 13);
    Edit1.SetName("Edit1");
    Edit1.SetParent(this);
    Edit1.SetBounds(8, 24, 353, 21);
    BitBtn1.SetName("BitBtn1");
    BitBtn1.SetParent(this);
    BitBtn1.SetBounds(184, 50, 57, 25);
    BitBtn1.SetCaption("确认");
    BitBtn1.SetDefault(true);
    BitBtn1.SetModalResult(vcl::mrOk);
    BitBtn1.OnClick = vcl::Method(this, &TfrmPath::BitBtn1Click);
    BitBtn2.SetName("BitBtn2");
    BitBtn2.SetParent(this);
    BitBtn2.SetBounds(272, 50, 57, 25);
    BitBtn2.SetCaption("取消");
    BitBtn2.SetCancel(true);
    BitBtn2.SetModalResult(vcl::mrCancel);

    if (vcl::Screen->Width() < 1024) {
        // A fixed place on narrow screens: 250 pixels from the top, centred across.
        SetHeight(Height() * 28 / 32);
        SetWidth(Width() * 25 / 32);
        SetPosition(vcl::TPosition::poDesigned);
        SetBounds((vcl::Screen->Width() - Width()) / 2, 250, Width(), Height());
        for (vcl::TComponent* component : Components()) {
            auto* control = dynamic_cast<vcl::TControl*>(component);
            if (!control) continue;
            control->SetBounds(control->Left() * 25 / 32, control->Top() * 28 / 32, control->Width() * 25 / 32,
                               control->Height() * 25 / 32);
        }
        BitBtn1.SetTop(BitBtn1.Top() + 1);
        BitBtn2.SetTop(BitBtn2.Top() + 1);
    }

    OnCreate = vcl::Method(this, &TfrmPath::FormCreate);
    OnShow = vcl::Method(this, &TfrmPath::FormShow);
}

void TfrmPath::FormCreate(vcl::TComponent*) {
    if (app::frmPrompt) app::frmPrompt->AddProgressMark();
}

// Refilled on every showing from the product of the selected row.
void TfrmPath::FormShow(vcl::TComponent*) {
    int p = SelectedProduct();
    if (p < 0) {
        Label1.SetCaption("");
        Edit1.SetText("");
        return;
    }
    const app::TProduct& product = app::MainForm->Products[size_t(p)];
    Label1.SetCaption("“" + product.Name + "”的安装路径");
    Edit1.SetText(product.MainPath);
}

// "确认": refuse a path on a drive the products cannot go to; else move every product on a lettered drive
// to the typed drive and give the selected product the typed path. The button's OK result then closes the dialog.
void TfrmPath::BitBtn1Click(vcl::TComponent*) {
    std::string typed = Edit1.Text();
    if (const char* refusal = TypedPathRefusal(typed)) {
        vcl::Application->MessageBox(refusal, "警告", vcl::mbOK);
        SetModalResult(vcl::mrNone);
        return;
    }
    app::TMainForm& table = *app::MainForm;
    MoveProductsToDrive(table, typed[0], true);
    if (int p = SelectedProduct(); p >= 0)
        table.Products[size_t(p)].MainPath = rtl::ExcludeTrailingBackslash(rtl::Trim(typed));
}

}  // namespace wizard
