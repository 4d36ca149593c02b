// The setup wizard (TfrmSetupGuide): eight pages switched by the program, a header with the
// page's title and description, and the button bar with Back, Next and Cancel. The mode, product and
// instance choices are in setup_guide_choice.cpp and instance_name.h; pages 7 and 8 (paths, disk
// space, summary) are in setup_paths.cpp, whose controls are laid out here with the rest of the form.
//
// What the wizard hands back: WizardResult, CurMode and the module states in the product table, the
// product marks of CheckListBox1 and the text of EdtInsName (the engine reads those two from this form).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "app/product_table.h"
#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/stdctrls.h"

namespace wizard {

// Texts of the flow that tests and reports compare with.
inline constexpr char kNextCaption[] = "下一步(&N)";
inline constexpr char kInstallCaption[] = "安装(&I)";
inline constexpr char kCancelQuestion[] =
    "安装程序还没有结束！真的要退出吗？\r\n\r\n单击“确定”，结束安装程序；\r\n\r\n单击“取消”，继续进行安装。";
// Shown in Memo3 (page 5) instead of a mode's description when the setup description gives no install mode
// or no product: page 5 then keeps Next disabled, so the wizard can only go back or be cancelled.
inline constexpr char kNoInstallMode[] = "安装说明中没有安装模式，无法继续安装。请单击“取消”退出安装程序。";
inline constexpr char kNoProduct[] = "安装说明中没有产品，无法继续安装。请单击“取消”退出安装程序。";

// Title and description of a page's header (pages 2 to 8; page 1 has none), by page number.
struct PageHeader {
    const char* title;
    const char* description;
};
PageHeader PageHeaderOf(int page);

class TfrmSetupGuide : public vcl::TForm {
public:
    explicit TfrmSetupGuide(vcl::TComponent* owner);

    // --- Handlers ---
    void FormCreate(vcl::TComponent* sender);    // pages 2-6: texts, name and company, modes, products
    void BitBtn2Click(vcl::TComponent* sender);  // Next
    void BitBtn3Click(vcl::TComponent* sender);  // Back
    void BitBtn1Click(vcl::TComponent* sender);  // Cancel, after the question
    void FormCloseQuery(vcl::TComponent* sender, bool& canClose);  // Alt+F4: the same question
    void RadioButton1Click(vcl::TComponent* sender);  // "接受(&A)": Next enabled
    void RadioButton2Click(vcl::TComponent* sender);  // "不接受(&R)": Next disabled

    // --- Handlers of the choices (setup_guide_choice.cpp) ---
    void ModeButtonClick(vcl::TComponent* sender);        // CurMode = the button's Tag; its description
    void BitBtn4Click(vcl::TComponent* sender);           // module dialog (BitBtn7 and BitBtn4)
    void CheckListBox1Click(vcl::TComponent* sender);     // BitBtn4 shown for products with a module choice
    void CheckListBox1ClickCheck(vcl::TComponent* sender);  // a product mark sets all its module states

    // Makes page n current and writes its header (n = 9, after the install command, shows no sheet).
    void ShowPage(int n);
    // The instance-name checks (instance_name.h) on EdtInsName; shows the first refusal and returns false.
    bool CheckInstanceName();

    // True when product index (0-based) is chosen: its list item is checked or grayed.
    bool ProductChosen(int index) const;
    // The current mode's lead module (the first module of the first product) and whether it is the
    // database engine (its name contains "MSDE"). Kind of the current mode. All within the tables' bounds.
    const app::TModule& LeadModule() const;
    bool LeadModuleIsMSDE() const;
    int CurrentModeKind() const;
    // False when the description has no install mode or no product: page 5 cannot be passed then.
    bool CanChooseMode() const;

    // Called at the end of every ShowPage with the page number (reports and tests observe the flow).
    std::function<void(int page)> OnPageShown;

    // 1 … 8 while the wizard runs, 9 once the user confirms.
    int PageNo = 1;
    // Run-time radio buttons, one per install mode, inside Panel9 (owned by it, not by the form, so the
    // small-screen adaptation leaves them alone). Null beyond ModeCount.
    std::array<vcl::TRadioButton*, app::kMaxInstallModes> ModeButtons{};

    // --- Header ---
    vcl::TPanel Panel11{this};
    vcl::TImage Image1{this};  // the stretched banner
    vcl::TLabel Prompt{this};
    vcl::TLabel PromptDescribe{this};
    // --- Button bar ---
    vcl::TPanel Panel0{this};
    vcl::TBitBtn BitBtn3{this};  // Back
    vcl::TBitBtn BitBtn2{this};  // Next
    vcl::TBitBtn BitBtn1{this};  // Cancel
    // --- Pages ---
    vcl::TPageControl SetupPage{this};
    vcl::TTabSheet SetupTab1{this}, SetupTab2{this}, SetupTab3{this}, SetupTab4{this}, SetupTab5{this},
        SetupTab6{this}, SetupTab7{this}, SetupTab8{this};
    // Page 1: welcome.
    vcl::TImage Image2{this};  // the picture strip on the left
    vcl::TImage Image3{this};  // the banner across the top of the text area
    vcl::TLabel Label1{this}, Label16{this}, Label19{this};
    // Page 2: licence.
    vcl::TLabel Label13{this};
    vcl::TMemo Memo1{this};
    vcl::TLabel Label21{this};
    vcl::TRadioButton RadioButton1{this}, RadioButton2{this};
    // Page 3: readme.
    vcl::TLabel Label9{this};
    vcl::TMemo Memo2{this};
    // Page 4: name and company.
    vcl::TLabel Label12{this}, Label5{this}, Label6{this};
    vcl::TEdit Edit1{this}, Edit2{this};
    // Page 5: install mode.
    vcl::TLabel Label8{this};
    vcl::TPanel Panel9{this};
    vcl::TMemo Memo3{this};
    vcl::TBitBtn BitBtn7{this};
    // Page 6: instance name; the product list and its button lie below the visible area.
    vcl::TLabel Label4{this}, Label7{this};
    vcl::TEdit EdtInsName{this};
    vcl::TCheckListBox CheckListBox1{this};
    vcl::TBitBtn BitBtn4{this};
    // Page 7: install paths.
    vcl::TLabel Label3{this};
    // Page 8: summary.
    vcl::TLabel Label2{this};

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

    // Results of the last disk-space check: the bytes the selected modules need, the drive measured
    // (1 = A; 0 when the first path names no drive) and its free MiB (0 when it could not be measured).
    int64_t RequiredBytes = 0;
    int DriveNo = 0;
    int FreeMB = 0;

private:
    // The construction steps that follow FormCreate (size, tabs, small screens, page 1, position, ...).
    void FinishConstruction();
    void LayOutPages();
    void AdaptToSmallScreen();
    // FormCreate's steps.
    void LoadTexts();
    void ReadOwnerAndOrganisation();
    void CreateModeButtons();
    void FillProductList();
    // Next's enabled state on pages 3 to 5 (page 5 only when a mode and a product exist).
    void EnableNextOnTextPages();
    // Asks the Cancel question; true when the user answers OK.
    bool ConfirmCancel();
    // Closes the wizard for the install command or a confirmed Cancel, without the question.
    void CloseItself();
    bool closingItself_ = false;
};

}  // namespace wizard
