// The setup wizard, still a stand-in for the page flow (see the header).
#include "wizard/setup_guide.h"

#include <string>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "wizard/setup_prompt.h"

namespace wizard {
namespace {

void AddPromptMark() {
    if (app::frmPrompt) app::frmPrompt->AddProgressMark();
}

}  // namespace

TfrmSetupGuide::TfrmSetupGuide(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmSetupGuide");
    SetCaption("安装向导");
    SetBorderStyle(vcl::TBorderStyle::bsDialog);
    SetClientWidth(496);
    SetClientHeight(360);
    SetPosition(vcl::TPosition::poScreenCenter);
    Panel0.SetName("Panel0");
    Panel0.SetParent(this);
    Panel0.SetAlign(vcl::TAlign::alBottom);
    Panel0.SetHeight(44);
    BitBtn2.SetName("BitBtn2");
    BitBtn2.SetParent(&Panel0);
    BitBtn2.SetBounds(292, 12, 85, 25);
    BitBtn2.SetCaption("下一步(&N)");
    BitBtn2.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn2Click);
    BitBtn1.SetName("BitBtn1");
    BitBtn1.SetParent(&Panel0);
    BitBtn1.SetBounds(421, 12, 65, 25);
    BitBtn1.SetCaption("取消");
    BitBtn1.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn1Click);
    CheckListBox1.SetName("CheckListBox1");
    CheckListBox1.SetParent(this);
    CheckListBox1.SetBounds(160, 40, 320, 120);
    EdtInsName.SetName("EdtInsName");
    EdtInsName.SetParent(this);
    EdtInsName.SetBounds(160, 180, 200, 21);
    OnCreate = vcl::Method(this, &TfrmSetupGuide::FormCreate);
}

// One radio button per install mode and one list item per product, each with its prompt mark.
void TfrmSetupGuide::FormCreate(vcl::TComponent*) {
    app::TMainForm& main = *app::MainForm;
    for (int i = 0; i < main.ModeCount && i < app::kMaxInstallModes; ++i) {
        auto* button = MakeOwned<vcl::TRadioButton>();
        button->SetName("ModeButtons[" + std::to_string(i) + "]");
        button->Tag = i;
        button->SetParent(this);
        button->SetBounds(16, 40 + 24 * i, 130, 17);
        button->SetCaption(main.InstallModes[size_t(i)].Name);
        if (i == 0) button->SetChecked(true);
        button->OnClick = vcl::Method(this, &TfrmSetupGuide::ModeButtonClick);
        AddPromptMark();
    }
    for (int p = 0; p < main.ProductCount && p < app::kMaxProducts; ++p) {
        CheckListBox1.Items.Add(main.Products[size_t(p)].Name);
        CheckListBox1.SetChecked(p, true);
        AddPromptMark();
    }
    EdtInsName.SetText(main.DefaultMSDE);
}

void TfrmSetupGuide::ModeButtonClick(vcl::TComponent* sender) {
    if (auto* button = dynamic_cast<vcl::TRadioButton*>(sender); button && button->Checked())
        app::MainForm->CurMode = button->Tag;
}

// Cancel: the question, and on OK the wizard ends without installing.
void TfrmSetupGuide::BitBtn1Click(vcl::TComponent*) {
    int answer = vcl::Application->MessageBox(
        "安装程序还没有结束！真的要退出吗？\r\n\r\n单击“确定”，结束安装程序；\r\n\r\n单击“取消”，继续进行安装。", "提示！",
        vcl::mbOKCancel | vcl::mbIconWarning);
    if (answer != vcl::idOK) return;
    app::MainForm->WizardResult = 0;
    Close();
}

// Install: what the real wizard's last page does.
void TfrmSetupGuide::BitBtn2Click(vcl::TComponent*) {
    app::MainForm->WizardResult = 1;
    SetModalResult(vcl::mrOk);
}

bool TfrmSetupGuide::ProductChosen(int index) const {
    return index >= 0 && index < CheckListBox1.Items.Count() &&
           CheckListBox1.State(index) != vcl::TCheckBoxState::cbUnchecked;
}

}  // namespace wizard
