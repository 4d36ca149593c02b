// What the wizard lets the user choose and how its pages are filled at creation (FormCreate): licence
// and readme texts, the registered name and company, the install-mode buttons, the
// product list with its module dialog, and the instance-name checks.
//
// Every index into the product table is kept inside the table's capacities and counts: a description
// with no install mode or no product leaves page 5 without a way forward (CanChooseMode), the options
// buttons do nothing without a product item, and the lead module is read only inside the arrays.
#include <algorithm>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "os/machine.h"
#include "os/registry.h"
#include "os/system.h"
#include "rtl/exceptions.h"
#include "wizard/instance_name.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_prompt.h"

namespace wizard {
namespace {

app::TMainForm& Table() { return *app::MainForm; }

void AddPromptMark() {
    if (app::frmPrompt) app::frmPrompt->AddProgressMark();
}

int ModeCount() { return std::clamp(Table().ModeCount, 0, app::kMaxInstallModes); }
int ProductCount() { return std::clamp(Table().ProductCount, 0, app::kMaxProducts); }
int ModuleCount(int product) { return std::clamp(Table().Products[size_t(product)].ModuleCount, 0, app::kMaxModules); }
// CurMode as an index the arrays accept (only the mode buttons set it, so it is always one).
size_t CurrentMode() {
    int mode = Table().CurMode;
    return size_t(mode >= 0 && mode < app::kMaxInstallModes ? mode : 0);
}
app::TModule& ModuleOf(int product, int module) {
    return Table().Modules[CurrentMode()][size_t(product)][size_t(module)];
}

// A text file's lines into a memo; a file that cannot be opened leaves the memo empty, unreported.
void LoadMemo(vcl::TMemo& memo, const char* fileName) {
    try {
        memo.Lines.LoadFromFile(fileName);
    } catch (const rtl::EFOpenError&) {
        memo.Lines.Clear();
    }
}

}  // namespace

// FormCreate: pages 2 to 6, with one prompt mark per mode button and per product item.
void TfrmSetupGuide::FormCreate(vcl::TComponent*) {
    LoadMemo(Memo1, "License.TXT");
    LoadMemo(Memo2, "Readme.TXT");
    ReadOwnerAndOrganisation();
    CreateModeButtons();
    FillProductList();
}

// The registered owner and organisation from the current-version key of the system's family: the NT key
// when the version word's top bit is clear, the Windows key when it is set and the major version is 4 or
// more; nothing otherwise. Missing values leave the fields empty; nothing is created.
void TfrmSetupGuide::ReadOwnerAndOrganisation() {
    const uint32_t version = os::system().versionWord();
    const char* key = nullptr;
    if ((version & 0x80000000u) == 0)
        key = "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION";
    else if ((version & 0xFF) >= 4)
        key = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION";
    std::string owner, organisation;
    if (key) {
        if (!os::registry().readString(os::RootKey::LocalMachine, key, "RegisteredOwner", owner)) owner.clear();
        if (!os::registry().readString(os::RootKey::LocalMachine, key, "RegisteredOrganization", organisation))
            organisation.clear();
    }
    Edit1.SetText(owner);
    Edit2.SetText(organisation);
}

// One radio button per install mode in two columns of five inside Panel9; the first is selected, which
// makes mode 0 current and shows its description. Without a mode or a product, Memo3 says why the page
// cannot be passed (CanChooseMode).
void TfrmSetupGuide::CreateModeButtons() {
    const int count = ModeCount();
    for (int i = 0; i < count; ++i) {
        auto* button = Panel9.MakeOwned<vcl::TRadioButton>();
        ModeButtons[size_t(i)] = button;
        button->SetName("ModeButtons[" + std::to_string(i) + "]");
        button->SetParent(&Panel9);
        button->Tag = i;
        // The runtime's default radio-button size.
        if (i < 5)
            button->SetBounds(5, 24 * i + 5, 113, 17);
        else
            button->SetBounds((Panel9.Width() - 10) / 2 + 5, 24 * (i - 5) + 5, 113, 17);
        button->SetCaption(Table().InstallModes[size_t(i)].Name);
        button->OnClick = vcl::Method(this, &TfrmSetupGuide::ModeButtonClick);
        AddPromptMark();
    }
    if (count > 0) ModeButtons[0]->SetChecked(true);
    if (count == 0) Memo3.Lines.Add(kNoInstallMode);
}

void TfrmSetupGuide::FillProductList() {
    for (int p = 0; p < ProductCount(); ++p) {
        CheckListBox1.Items.Add(Table().Products[size_t(p)].Name);
        CheckListBox1.SetChecked(p, true);
        AddPromptMark();
    }
    CheckListBox1.SetItemIndex(0);
}

void TfrmSetupGuide::ModeButtonClick(vcl::TComponent* sender) {
    auto* button = dynamic_cast<vcl::TRadioButton*>(sender);
    if (!button || button->Tag < 0 || button->Tag >= ModeCount()) return;
    Table().CurMode = button->Tag;
    Memo3.Lines.Clear();
    Memo3.Lines.Add(Table().InstallModes[size_t(button->Tag)].Description);
    if (ProductCount() == 0) Memo3.Lines.Add(kNoProduct);
}

// The module dialog for the product at the list's item index; afterwards the product is checked when at
// least one of its modules is selected. Without a product item there is nothing to choose: no dialog.
void TfrmSetupGuide::BitBtn4Click(vcl::TComponent*) {
    const int p = CheckListBox1.ItemIndex();
    if (p < 0 || p >= ProductCount() || p >= CheckListBox1.Items.Count() || !app::frmModuleSel) return;
    app::frmModuleSel->ShowModal();
    const int modules = ModuleCount(p);
    int cleared = 0;
    for (int k = 0; k < modules; ++k)
        if (ModuleOf(p, k).State == 0) ++cleared;
    CheckListBox1.SetChecked(p, cleared != modules);
}

void TfrmSetupGuide::CheckListBox1Click(vcl::TComponent*) {
    const int p = CheckListBox1.ItemIndex();
    if (p < 0 || p >= ProductCount()) return;
    BitBtn4.SetVisible(Table().Products[size_t(p)].ModuleOption != 0);
}

// A product mark sets every module of the product in the current mode: all cleared or all selected
// (locked states become 1 too). A product with ModuleOption 2 cannot be cleared: its mark comes back.
void TfrmSetupGuide::CheckListBox1ClickCheck(vcl::TComponent*) {
    const int p = CheckListBox1.ItemIndex();
    if (p < 0 || p >= ProductCount()) return;
    if (Table().Products[size_t(p)].ModuleOption == 2) {
        CheckListBox1.SetChecked(p, true);
        return;
    }
    const bool chosen = CheckListBox1.State(p) != vcl::TCheckBoxState::cbUnchecked;
    for (int k = 0; k < ModuleCount(p); ++k) ModuleOf(p, k).State = chosen ? 1 : 0;
    BitBtn4.SetEnabled(chosen);
}

bool TfrmSetupGuide::CheckInstanceName() {
    std::string refusal = InstanceNameRefusal(EdtInsName.Text());
    if (refusal.empty()) return true;
    vcl::Application->MessageBox(refusal, "提示", vcl::mbOK | vcl::mbIconStop);
    return false;
}

bool TfrmSetupGuide::ProductChosen(int index) const {
    return index >= 0 && index < CheckListBox1.Items.Count() &&
           CheckListBox1.State(index) != vcl::TCheckBoxState::cbUnchecked;
}

const app::TModule& TfrmSetupGuide::LeadModule() const { return ModuleOf(0, 0); }

bool TfrmSetupGuide::LeadModuleIsMSDE() const { return LeadModule().Name.find("MSDE") != std::string::npos; }

int TfrmSetupGuide::CurrentModeKind() const { return Table().InstallModes[CurrentMode()].Kind; }

}  // namespace wizard
