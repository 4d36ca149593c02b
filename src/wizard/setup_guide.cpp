// The setup wizard's form and page flow: the design, the construction steps, ShowPage and the
// Next, Back and Cancel transitions with their skips and checks.
#include "wizard/setup_guide.h"

#include "app/main_form.h"
#include "app/setup_program.h"
#include "wizard/disk_space.h"
#include "wizard/instance_page.h"

namespace wizard {
namespace {

app::TMainForm& Table() { return *app::MainForm; }

const PageHeader kHeaders[] = {
    {"", ""},
    {"许可协议", "许可协议描述了您的权利与义务"},
    {"自述文件", "自述文件描述了本软件的功能与特点"},
    {"个人信息", "个人信息描述了您个人的情况"},
    {"选择安装模式", "选择适合于您的程序安装模式"},
    {"产品配置", "配置您要安装的MSDE实例。"},
    {"安装路径", "选择程序的安装位置"},
    {"准备复制文件", "确认您的安装信息"},
};

template <class C>
C& Place(C& control, const char* name, vcl::TWinControl& parent, int left, int top, int width, int height) {
    control.SetName(name);
    control.SetParent(&parent);
    control.SetBounds(left, top, width, height);
    return control;
}

vcl::TLabel& PlaceLabel(vcl::TLabel& label, const char* name, vcl::TWinControl& parent, int left, int top,
                        const char* caption) {
    Place(label, name, parent, left, top, label.Width(), 13);
    label.SetCaption(caption);
    return label;
}

}  // namespace

PageHeader PageHeaderOf(int page) {
    if (page < 1 || page > 8) return {"", ""};
    return kHeaders[page - 1];
}

TfrmSetupGuide::TfrmSetupGuide(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmSetupGuide");
    SetCaption("安装程序向导");
    SetBorderStyle(vcl::TBorderStyle::bsSingle);
    SetBorderIcons(0);
    SetPosition(vcl::TPosition::poDesigned);
    SetWidth(503);
    SetHeight(362);

    // Header: white, 59 pixels, the banner stretched over it and the two texts on top.
    Panel11.SetName("Panel11");
    Panel11.SetParent(this);
    Panel11.SetHeight(59);
    Panel11.SetAlign(vcl::TAlign::alTop);
    Panel11.SetColor(vcl::clWhite);
    Panel11.SetBevelOuter(vcl::TBevelCut::bvNone);
    Image1.SetName("Image1");
    Image1.SetParent(&Panel11);
    Image1.SetAlign(vcl::TAlign::alClient);
    Image1.SetStretch(true);
    PlaceLabel(Prompt, "Prompt", Panel11, 69, 8, "");
    Prompt.Font.SetBold(true);
    Prompt.SetTransparent(true);
    PlaceLabel(PromptDescribe, "PromptDescribe", Panel11, 88, 27, "");
    PromptDescribe.SetTransparent(true);

    // Button bar: Back (hidden until page 2), Next, Cancel.
    Panel0.SetName("Panel0");
    Panel0.SetParent(this);
    Panel0.SetHeight(44);
    Panel0.SetAlign(vcl::TAlign::alBottom);
    Place(BitBtn3, "BitBtn3", Panel0, 208, 12, 85, 25).SetCaption("上一步(&P)");
    BitBtn3.Hide();
    BitBtn3.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn3Click);
    Place(BitBtn2, "BitBtn2", Panel0, 292, 12, 85, 25).SetCaption(kNextCaption);
    BitBtn2.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn2Click);
    Place(BitBtn1, "BitBtn1", Panel0, 421, 12, 65, 25).SetCaption("取消");
    BitBtn1.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn1Click);

    // The page container fills the rest; its sheets are switched by the program only.
    SetupPage.SetName("SetupPage");
    SetupPage.SetParent(this);
    SetupPage.SetAlign(vcl::TAlign::alClient);
    vcl::TTabSheet* sheets[] = {&SetupTab1, &SetupTab2, &SetupTab3, &SetupTab4,
                                &SetupTab5, &SetupTab6, &SetupTab7, &SetupTab8};
    for (int i = 0; i < 8; ++i) {
        sheets[i]->SetName("SetupTab" + std::to_string(i + 1));
        sheets[i]->SetPageControl(&SetupPage);
    }
    LayOutPages();

    OnCloseQuery = vcl::Method(this, &TfrmSetupGuide::FormCloseQuery);
    OnCreate = [this](vcl::TComponent* sender) {
        FormCreate(sender);
        FinishConstruction();
    };
}

// The controls of the eight sheets at their design places (client coordinates of each sheet).
void TfrmSetupGuide::LayOutPages() {
    // Page 1: welcome, with a picture strip on the left and a banner over the text.
    Place(Image2, "Image2", SetupTab1, 0, 0, 163, 300);
    Image2.SetStretch(true);
    Place(Image3, "Image3", SetupTab1, 163, 0, 340, 60);
    Image3.SetStretch(true);
    PlaceLabel(Label1, "Label1", SetupTab1, 180, 80, "欢迎使用程序安装向导");
    Label1.Font.SetBold(true);
    Label1.Font.SetSize(15);  // 20 pixels high at 96 dots per inch
    Label1.SetHeight(20);
    PlaceLabel(Label16, "Label16", SetupTab1, 180, 120, "本向导帮助您安装应用程序。");
    PlaceLabel(Label19, "Label19", SetupTab1, 180, 150, "单击“取消”退出本安装程序。单击“下一步”开始进行安装。");
    Label19.SetAutoSize(false);
    Label19.SetWordWrap(true);
    Label19.SetBounds(180, 150, 300, 30);

    // Page 2: licence.
    PlaceLabel(Label13, "Label13", SetupTab2, 24, 8, "请仔细的阅读下面的许可协议：");
    Place(Memo1, "Memo1", SetupTab2, 24, 26, 450, 130);
    Memo1.SetReadOnly(true);
    Memo1.SetScrollBars(vcl::TScrollStyle::ssBoth);
    Memo1.SetWordWrap(false);
    PlaceLabel(Label21, "Label21", SetupTab2, 24, 164, "是否接受上面的协议？如果不接受，请选择“取消”退出安装程序。");
    Place(RadioButton1, "RadioButton1", SetupTab2, 48, 188, 113, 17).SetCaption("接受(&A)");
    RadioButton1.OnClick = vcl::Method(this, &TfrmSetupGuide::RadioButton1Click);
    Place(RadioButton2, "RadioButton2", SetupTab2, 232, 188, 113, 17).SetCaption("不接受(&R)");
    RadioButton2.OnClick = vcl::Method(this, &TfrmSetupGuide::RadioButton2Click);

    // Page 3: readme.
    PlaceLabel(Label9, "Label9", SetupTab3, 24, 8, "通过阅读自述文件，您可以详细了解本系统的功能：");
    Place(Memo2, "Memo2", SetupTab3, 24, 26, 450, 190);
    Memo2.SetReadOnly(true);
    Memo2.SetScrollBars(vcl::TScrollStyle::ssBoth);
    Memo2.SetWordWrap(false);

    // Page 4: name and company.
    PlaceLabel(Label12, "Label12", SetupTab4, 24, 16, "填写个人信息，保障您的使用权利：");
    PlaceLabel(Label5, "Label5", SetupTab4, 64, 64, "姓  名：");
    Place(Edit1, "Edit1", SetupTab4, 136, 60, 260, 21);
    PlaceLabel(Label6, "Label6", SetupTab4, 64, 104, "公  司：");
    Place(Edit2, "Edit2", SetupTab4, 136, 100, 260, 21);

    // Page 5: install mode; the mode buttons are made in FormCreate inside Panel9.
    PlaceLabel(Label8, "Label8", SetupTab5, 24, 8, "请选择安装类型，然后单击“下一步”。");
    Label8.SetAutoSize(false);
    Label8.SetWidth(450);
    Place(Panel9, "Panel9", SetupTab5, 24, 26, 450, 126);
    Panel9.SetBevelOuter(vcl::TBevelCut::bvLowered);
    Place(Memo3, "Memo3", SetupTab5, 24, 158, 360, 62);
    Memo3.SetReadOnly(true);
    Memo3.SetColor(vcl::clBtnFace);
    Memo3.SetBorderStyle(vcl::TBorderStyle::bsNone);
    Place(BitBtn7, "BitBtn7", SetupTab5, 399, 192, 75, 25).SetCaption("选项...");
    BitBtn7.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn4Click);

    // Page 6: instance name. The product list and its button sit below the page's visible area (the page
    // is 268 pixels high at design size): the user does not see them, the list still holds the marks.
    Label4.SetAutoSize(false);
    Place(Label4, "Label4", SetupTab6, kInstructionsLeft, kInstructionsTop, kInstructionsWidth, kInstructionsHeight);
    Label4.SetWordWrap(true);
    Label4.SetCaption(kInstanceInstructions);
    PlaceLabel(Label7, "Label7", SetupTab6, 24, kInstanceNameTop + 4, "MSDE实例名：");
    Place(EdtInsName, "EdtInsName", SetupTab6, 112, kInstanceNameTop, 161, 21);
    Place(CheckListBox1, "CheckListBox1", SetupTab6, 24, 282, 350, 97);
    CheckListBox1.OnClick = vcl::Method(this, &TfrmSetupGuide::CheckListBox1Click);
    CheckListBox1.OnClickCheck = vcl::Method(this, &TfrmSetupGuide::CheckListBox1ClickCheck);
    Place(BitBtn4, "BitBtn4", SetupTab6, 399, 276, 75, 25).SetCaption("选项...");
    BitBtn4.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn4Click);

    // Page 7: install paths.
    PlaceLabel(Label3, "Label3", SetupTab7, 24, 8, "您可以根据实际情况，修改程序的安装路径：");
    Place(BitBtn6, "BitBtn6", SetupTab7, 171, 32, 135, 25).SetCaption("手工修改安装路径");
    BitBtn6.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn6Click);
    Place(BitBtn5, "BitBtn5", SetupTab7, 354, 32, 95, 25).SetCaption("改变路径...");
    BitBtn5.OnClick = vcl::Method(this, &TfrmSetupGuide::BitBtn5Click);
    Place(ListView1, "ListView1", SetupTab7, 24, 64, 450, 161);
    ListView1.AddColumn("产品名称", 100);
    ListView1.AddColumn("安装路径", 100);
    ListView1.AddColumn("占用空间", 83);
    // Grid lines, whole-row selection (kept visible without the focus), headers that are no buttons.
    ListView1.SetRowSelect(true);
    ListView1.SetGridLines(true);
    ListView1.SetColumnClick(false);
    ListView1.OnClick = vcl::Method(this, &TfrmSetupGuide::ListView1Click);

    // Page 8: summary.
    Place(Label2, "Label2", SetupTab8, 24, 4, 450, 32);
    Label2.SetAutoSize(false);
    Label2.SetWordWrap(true);
    Label2.SetCaption("安装程序已搜集到了如下安装信息，如确认正确，请按“安装”开始复制文件。否则，按“上一步”返回进行修改。");
    Place(ListBox1, "ListBox1", SetupTab8, 24, 40, 450, 185);
}

// Construction after FormCreate, in the order the form is built.
void TfrmSetupGuide::FinishConstruction() {
    SetWidth(503);
    SetHeight(362);
    SetupPage.SetTabsVisible(false);
    for (int i = 0; i < SetupPage.PageCount(); ++i) SetupPage.Pages(i)->SetTabVisible(false);
    SetupPage.SetActivePageIndex(0);

    const int screenWidth = vcl::Screen->Width();
    int top = 270;
    if (screenWidth < 1024) {
        AdaptToSmallScreen();
        top = 230;
    }
    SetTop(top);

    PageNo = 1;
    ShowPage(1);
    // Centred in the right three quarters of the screen (integer divisions truncating toward zero).
    SetLeft(screenWidth / 4 + (3 * (screenWidth / 4) - Width()) / 2);
    Table().WizardResult = 0;
    ListView1.SetReadOnly(true);
    EdtInsName.SetText(Table().DefaultMSDE);
}

// Screens narrower than 1024 pixels: the form and every component it owns shrink by fixed ratios (the
// mode buttons belong to Panel9 and keep their places), then a few controls are moved by hand.
void TfrmSetupGuide::AdaptToSmallScreen() {
    SetHeight(Height() * 25 / 32);
    SetWidth(Width() * 25 / 32);
    for (vcl::TComponent* component : Components()) {
        auto* control = dynamic_cast<vcl::TControl*>(component);
        if (!control) continue;
        const bool label = dynamic_cast<vcl::TLabel*>(control) != nullptr;
        const bool list = dynamic_cast<vcl::TListBox*>(control) || dynamic_cast<vcl::TListView*>(control) ||
                          dynamic_cast<vcl::TMemo*>(control);
        const bool button = dynamic_cast<vcl::TBitBtn*>(control) != nullptr;
        const bool keepWidth = label || dynamic_cast<vcl::TRadioButton*>(control) || control == &BitBtn4 ||
                               control == &BitBtn5 || control == &BitBtn6;
        int height = label ? control->Height()
                     : list ? control->Height() * 25 / 35
                     : button ? control->Height() * 28 / 32
                              : control->Height() * 25 / 32;
        int width = keepWidth ? control->Width() : control->Width() * 25 / 32;
        control->SetBounds(control->Left() * 25 / 32, control->Top() * 25 / 32, width, height);
    }
    // Aligned controls take their places from their parents again.
    Realign();
    SetupPage.Realign();
    Panel11.Realign();

    Label8.SetWidth(Label8.Width() * 25 / 32);
    Label2.SetWidth(Label2.Width() * 25 / 32);
    Label1.SetTop(Image3.Top() + Image3.Height() + 20);
    Label1.Font.SetSize(12);
    Label16.SetTop(Label1.Top() + 30);
    Label19.SetTop(Label16.Top() + 20);
    Label19.SetWidth(Label19.Width() - 30);
    Label21.SetTop(Label21.Top() - 10);
    BitBtn4.SetBounds(BitBtn4.Left(), BitBtn4.Top() - 10, BitBtn4.Width() - 10, BitBtn4.Height());
    RadioButton1.SetTop(RadioButton1.Top() - 7);
    RadioButton2.SetTop(RadioButton2.Top() - 7);
    // Label4 keeps its height while the tops shrink: the instance name and its caption move down by what the
    // label did not give up, so the instructions stay whole above them.
    const int kept = Label4.Height() - Label4.Height() * 25 / 32;
    Label7.SetTop(Label7.Top() + kept);
    EdtInsName.SetTop(EdtInsName.Top() + kept);
}

void TfrmSetupGuide::ShowPage(int n) {
    if (n == 1) {
        Panel11.Hide();
        Panel11.SetAlign(vcl::TAlign::alNone);
    } else {
        Panel11.Show();
        Panel11.SetAlign(vcl::TAlign::alTop);
    }
    if (n >= 1 && n < 9) SetupPage.SetActivePageIndex(n - 1);
    if (n >= 2 && n <= 8) {
        PageHeader header = PageHeaderOf(n);
        Prompt.SetCaption(header.title);
        PromptDescribe.SetCaption(header.description);
    }
    if (OnPageShown) OnPageShown(n);
}

bool TfrmSetupGuide::CanChooseMode() const {
    return Table().ModeCount > 0 && Table().ProductCount > 0;
}

void TfrmSetupGuide::EnableNextOnTextPages() {
    if (PageNo > 2 && PageNo < 6) BitBtn2.SetEnabled(PageNo != 5 || CanChooseMode());
}

// Next: the forward transition with the instance page's skip, the instance-name checks, the path list,
// and the summary with the disk-space check.
void TfrmSetupGuide::BitBtn2Click(vcl::TComponent*) {
    if (PageNo < 1 || PageNo > 8) return;  // the wizard has ended
    if (PageNo == 5 && !CanChooseMode()) return;  // Next is off there; nothing to install without both
    PageNo = PageNo + 1;
    if (PageNo > 1) BitBtn3.Show();
    if (PageNo == 2) BitBtn2.SetEnabled(RadioButton1.Checked());
    if (PageNo == 6 && CurrentModeKind() != 1 && !(LeadModuleIsMSDE() && LeadModule().State != 0)) PageNo = 7;
    EnableNextOnTextPages();
    if (PageNo == 7 && LeadModuleIsMSDE() && LeadModule().State == 1 && !CheckInstanceName()) {
        PageNo = 6;
        return;
    }
    if (PageNo == 7) {
        FillPathList();
        ListView1Click(&ListView1);
    }
    if (PageNo == 8) {
        FillSummary();
        if (CheckDiskSpace()) {
            // The flow shows the shortage (ShortageMessage formats it from the check's results).
            vcl::Application->MessageBox(ShortageMessage(RequiredBytes, DriveNo, FreeMB), kShortageCaption,
                                         vcl::mbOK | vcl::mbIconStop);
            PageNo = 7;
            return;
        }
        BitBtn2.SetCaption(kInstallCaption);
    }
    if (PageNo == 9) {
        Table().WizardResult = 1;
        CloseItself();
    }
    ShowPage(PageNo);
}

// Back: the backward transition; it skips the instance page whenever the mode's Kind is not 1.
void TfrmSetupGuide::BitBtn3Click(vcl::TComponent*) {
    if (PageNo <= 1 || PageNo > 8) return;  // Back is hidden on page 1
    PageNo = PageNo - 1;
    if (PageNo == 1) {
        BitBtn3.Hide();
        BitBtn2.SetEnabled(true);
    }
    if (PageNo == 2) BitBtn2.SetEnabled(RadioButton1.Checked());
    if (PageNo == 6 && CurrentModeKind() != 1) PageNo = 5;
    EnableNextOnTextPages();
    if (PageNo == 7) {
        FillPathList();
        ListView1Click(&ListView1);
        BitBtn2.SetCaption(kNextCaption);
    }
    ShowPage(PageNo);
}

void TfrmSetupGuide::BitBtn1Click(vcl::TComponent*) {
    if (!ConfirmCancel()) return;
    Table().WizardResult = 0;
    CloseItself();
}

bool TfrmSetupGuide::ConfirmCancel() {
    return vcl::Application->MessageBox(kCancelQuestion, "提示！", vcl::mbOKCancel | vcl::mbIconWarning) == vcl::idOK;
}

void TfrmSetupGuide::CloseItself() {
    closingItself_ = true;
    Close();
}

// The wizard has no close box, but Alt+F4 and the close command still close a window. Left alone they
// would end the wizard as a cancel without the question, so a close the wizard did not ask for itself asks
// what Cancel asks and closes (as cancelled) only on OK.
void TfrmSetupGuide::FormCloseQuery(vcl::TComponent*, bool& canClose) {
    if (closingItself_) {
        closingItself_ = false;
        return;
    }
    if (!ConfirmCancel()) {
        canClose = false;
        return;
    }
    Table().WizardResult = 0;
}

void TfrmSetupGuide::RadioButton1Click(vcl::TComponent*) { BitBtn2.SetEnabled(true); }
void TfrmSetupGuide::RadioButton2Click(vcl::TComponent*) { BitBtn2.SetEnabled(false); }

}  // namespace wizard
