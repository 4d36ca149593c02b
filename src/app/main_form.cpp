// The main window: its design (the form resource as a constructor), the layout for the screen it runs on,
// the clock labels, and the installation sequence that runs once when the maximised window gets its size.
#include "app/main_form.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "app/description_loader.h"
#include "app/macros.h"
#include "app/setup_program.h"
#include "app/stored_picture.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"

namespace app {
namespace {

using vcl::Method;

constexpr vcl::TColor kPanelColor = 0xF68F27;  // RGB 39, 143, 246
constexpr int kDesignClientWidth = 1024, kDesignClientHeight = 749;
// Label5's design width: "正在复制：", five double-byte characters of 12 pixels in 宋体 9 pt.
constexpr int kStatusTextWidth = 60;
// Label6, the package name, follows the status text on the same line.
constexpr int kPackageNameLeft = 8 + kStatusTextWidth;

// A name in folder; a drive root ("E:\") already ends in its separator.
std::string InFolder(const std::string& folder, const std::string& name) {
    return rtl::IncludeTrailingBackslash(folder) + name;
}

// A path as the program would open it: absolute paths (a drive, or a "\\server\share" name) as written,
// rooted ones on the setup folder's drive, relative ones below the setup folder.
std::string ResolveInSetupFolder(const std::string& folder, const std::string& path) {
    bool hasDrive = path.size() >= 2 && path[1] == ':';
    bool network = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    bool rooted = !path.empty() && path[0] == '\\';
    if (hasDrive || network) return path;
    if (rooted) return rtl::ExtractFileDrive(folder) + path;
    return InFolder(folder, path);
}


// A label with its design bounds (the size its caption takes in the design font, as the form stores it).
void PlaceLabel(vcl::TLabel& label, vcl::TWinControl& parent, int left, int top, int width, int height,
                const std::string& caption) {
    label.SetParent(&parent);
    label.SetBounds(left, top, width, height);
    label.SetCaption(caption);
    label.SetTransparent(true);  // the panels' colour shows through, as the labels take their parent's colour
}

void PlaceMeter(vcl::TArMeter& meter, vcl::TWinControl& parent, int top) {
    meter.SetParent(&parent);
    meter.SetBounds(8, top, 129, 16);
    meter.SetOrientation(archive::TArMeterOrientation::moHorizontal);
    meter.SetUnusedColor(vcl::clWhite);
    meter.SetUsedColor(vcl::clNavy);
    meter.Hide();
}

}  // namespace

TMainForm::TMainForm(vcl::TComponent* owner)
    : vcl::TForm(owner),
      CommentLabels{&Label9, &Label10, &Label11, &Label12, &Label13, &Label14,
                    &Label15, &Label16, &Label17, &Label18, &Label19} {
    SetName("MainForm");
    SetBorderStyle(vcl::TBorderStyle::bsNone);
    SetBorderIcons(0);
    SetClientWidth(kDesignClientWidth);
    SetClientHeight(kDesignClientHeight);
    Font.SetName("宋体");
    Font.SetSize(9);

    // Left panel with the step list, the status group and the progress controls.
    Panel2.SetName("Panel2");
    Panel2.SetParent(this);
    Panel2.SetAlign(vcl::TAlign::alLeft);
    Panel2.SetWidth(145);
    Panel2.SetBevelOuter(vcl::TBevelCut::bvNone);
    Panel2.SetColor(kPanelColor);
    struct Step {
        vcl::TLabel& label;
        const char* name;
        const char* caption;
    };
    const Step steps[] = {{Label1, "Label1", "１、启动安装程序向导"}, {Label2, "Label2", "２、开始复制文件"},
                          {Label3, "Label3", "３、配置环境"}, {Label4, "Label4", "４、建立程序组及快捷方式"},
                          {Label8, "Label8", "５、准备启动计算机"}};
    int top = 40;
    for (const Step& step : steps) {
        step.label.SetName(step.name);
        PlaceLabel(step.label, Panel2, 12, top, 130, 12, step.caption);
        step.label.Font.SetColor(&step.label == &Label1 ? vcl::clYellow : vcl::clBlack);
        top += 32;
    }
    Bevel1.SetName("Bevel1");
    Bevel1.SetParent(&Panel2);
    Bevel1.SetBounds(0, 24, 145, 2);
    Bevel1.SetShape(vcl::TBevelShape::bsTopLine);
    Bevel2.SetName("Bevel2");
    Bevel2.SetParent(&Panel2);
    Bevel2.SetBounds(0, 624, 145, 2);
    Bevel2.SetShape(vcl::TBevelShape::bsTopLine);

    GroupBox1.SetName("GroupBox1");
    GroupBox1.SetParent(&Panel2);
    GroupBox1.SetBounds(4, 216, 137, 105);
    GroupBox1.SetCaption("安装状态");
    GroupBox1.SetColor(kPanelColor);
    Label7.SetName("Label7");
    PlaceLabel(Label7, GroupBox1, 8, 24, 60, 12, "欢迎使用！");
    Label21.SetName("Label21");
    PlaceLabel(Label21, GroupBox1, 8, 48, 150, 12, "");
    Label22.SetName("Label22");
    PlaceLabel(Label22, GroupBox1, 8, 72, 150, 12, "");
    Label22.Font.SetColor(vcl::clYellow);

    // The status line and the package name read as one line, "正在复制：" followed by the file name:
    // Label6 starts where Label5's five characters end (60 pixels in the design font) and is as wide as
    // the panel leaves it (W / 5 - left - 5 once the screen is known).
    Label5.SetName("Label5");
    PlaceLabel(Label5, Panel2, 8, 480, kStatusTextWidth, 12, "正在复制：");
    Label5.Hide();
    Label6.SetName("Label6");
    Label6.SetAutoSize(false);
    PlaceLabel(Label6, Panel2, kPackageNameLeft, 480, 145 - kPackageNameLeft - 5, 12, "");
    Label6.Hide();
    amFile.SetName("amFile");
    PlaceMeter(amFile, Panel2, 510);
    amPack.SetName("amPack");
    PlaceMeter(amPack, Panel2, 535);
    CGauge1.SetName("CGauge1");
    CGauge1.SetParent(&Panel2);
    CGauge1.SetBounds(8, 560, 129, 20);
    CGauge1.SetBackColor(vcl::clTeal);
    CGauge1.SetForeColor(vcl::clNavy);
    CGauge1.Hide();
    // Image2's bitmap is a product asset stored with the form; the medium gives none, so it starts empty.
    Image2.SetName("Image2");
    Image2.SetParent(&Panel2);
    Image2.SetBounds(20, 640, 105, 80);
    Image2.SetStretch(true);
    Image2.SetTransparent(true);

    // Right panel: the background picture and the module being copied.
    Panel4.SetName("Panel4");
    Panel4.SetParent(this);
    Panel4.SetAlign(vcl::TAlign::alClient);
    Panel4.SetBevelOuter(vcl::TBevelCut::bvNone);
    Image1.SetName("Image1");
    Image1.SetParent(&Panel4);
    Image1.SetAlign(vcl::TAlign::alClient);
    Image1.SetStretch(true);
    Image1.Picture.LoadFromBytes(StoredBackgroundPicture());
    Image4.SetName("Image4");
    Image4.SetParent(&Panel4);
    Image4.SetBounds(40, 160, 64, 64);
    Image4.SetTransparent(true);
    Label20.SetName("Label20");
    PlaceLabel(Label20, Panel4, 40, 264, 400, 32, "");
    Label20.Font.SetName("隶书");
    Label20.Font.SetSize(24);
    for (size_t i = 0; i < CommentLabels.size(); ++i) {
        CommentLabels[i]->SetName("Label" + std::to_string(9 + i));
        PlaceLabel(*CommentLabels[i], Panel4, 200, 314 + 22 * int(i), 560, 14, "");
    }

    Timer1.SetName("Timer1");
    Timer1.SetInterval(1000);
    Timer1.SetEnabled(true);
    Timer1.SetOnTimer(Method(this, &TMainForm::Timer1Timer));

    // The package component: stored paths restored below the target directory, the packages' password,
    // the archive meter amPack and the item meter amFile.
    avmpack.SetMeter(&amPack);
    avmfile.SetMeter(&amFile);
    auzPack.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
    auzPack.SetPassword(kPackagePassword);
    auzPack.SetArchiveProgressMeter(&avmpack);
    auzPack.SetItemProgressMeter(&avmfile);

    OnCreate = Method(this, &TMainForm::FormCreate);
    OnShow = Method(this, &TMainForm::FormShow);
    OnActivate = Method(this, &TMainForm::FormActivate);
    OnPaint = Method(this, &TMainForm::FormPaint);
    OnCloseQuery = Method(this, &TMainForm::FormCloseQuery);
    // Bound last: the design sizes above are no resize of the running window. Maximising comes with
    // showing, so the sequence starts when the window first appears at the screen's size.
    OnResize = Method(this, &TMainForm::FormResize);
    SetWindowState(vcl::TWindowState::wsMaximized);
}

// The component's meter links refer to the meters; drop them before the members go.
TMainForm::~TMainForm() {
    auzPack.SetArchiveProgressMeter(nullptr);
    auzPack.SetItemProgressMeter(nullptr);
    avmpack.SetMeter(nullptr);
    avmfile.SetMeter(nullptr);
}

void TMainForm::FormCreate(vcl::TComponent*) {
    const int w = vcl::Screen->Width(), h = vcl::Screen->Height();
    const bool wide = w >= 1024;

    // 1. Layout from the screen size (integer arithmetic throughout).
    Panel2.SetWidth(w / 5);
    Realign();  // the right panel follows the left one's new width
    Label5.SetTop((h / 4) * 3 - 50);
    CGauge1.SetTop(Label5.Top() + 80);
    CGauge1.SetWidth(w / 5 - 2 * CGauge1.Left());
    amPack.SetTop(CGauge1.Top() - 25);
    amFile.SetTop(CGauge1.Top() - 50);
    amPack.SetWidth(CGauge1.Width());
    amFile.SetWidth(CGauge1.Width());
    Label6.SetTop((h / 4) * 3 - 50);
    Label6.SetWidth(w / 5 - Label6.Left() - 5);
    Bevel1.SetWidth(w / 5);
    Bevel2.SetTop((h / 6) * 5);
    Bevel2.SetWidth(Bevel1.Width());
    GroupBox1.SetWidth(Bevel1.Width() - 8);
    Image2.SetLeft((w / 5 - Image2.Width()) / 2);
    Image2.SetTop(h - Image2.Height() - h / 25);
    Image4.SetAutoSize(true);
    Image4.Hide();
    const int commentLeft = wide ? Panel4.Width() / 4 : Panel4.Width() / 6;
    for (vcl::TLabel* label : CommentLabels) label->SetLeft(commentLeft);
    DescriptionLoaded = 1;

    // 2. The run-time members start as constructed: texts empty, IsWin9x true, UninstallFileNo 0.
    IsWin9x = true;
    UninstallFileNo = 0;

    // 3. The background picture beside the executable. A damaged picture file keeps the stored one: the
    //    installation must not fail over a picture.
    std::string picture = rtl::ExtractFilePath(os::files().moduleFileName()) + (wide ? "setup1024.JPG" : "setup800.JPG");
    if (os::FileExists(picture)) {
        try {
            Image1.Picture.LoadFromFile(picture);
        } catch (const rtl::Exception&) {
        }
    }

    // 4, 5. The module title and its comment lines.
    Label20.SetTop(wide ? 264 : 206);
    if (!wide) {
        Label20.Font.SetSize(18);
        for (vcl::TLabel* label : CommentLabels) label->Font.SetSize(10);
    }
    for (size_t i = 0; i < CommentLabels.size(); ++i) CommentLabels[i]->SetTop(Label20.Top() + 50 + 22 * int(i));

    // 6. The description of the medium in the setup folder (the current directory at start-up).
    setupFolder_ = os::files().getCurrentDirectory();
    LoaderContext context;
    context.setupFolder = setupFolder_;
    context.messageBox = [](const std::string& text, const std::string& caption, unsigned flags) {
        return vcl::Application->MessageBox(text, caption, flags);
    };
    context.packageReader = &auzPack;
    LoadSetupDescription(*this, context);
}

void TMainForm::FormResize(vcl::TComponent*) {
    if (sequenceStarted_ || !Visible()) return;
    sequenceStarted_ = true;
    RunInstallationSequence();
}

// The steps the user sees, top to bottom. Stages report their own problems; an exception one of them
// raises leaves this function, and the message loop's exception box shows it with the window still open
// and the current step marked.
void TMainForm::RunInstallationSequence() {
    if (DescriptionLoaded == 0) {
        Close();
        return;
    }

    // The operating-system family: the top bit of the version word marks the 9x family.
    const uint32_t version = os::system().versionWord();
    IsWin9x = (version & 0x80000000u) != 0 && (version & 0xFF) >= 4;

    if (!os::PathExists(InFolder(setupFolder_, "SETUP.INI"))) {
        vcl::Application->MessageBox("找不到SETUP.INI，无法安装！", "提示", vcl::mbOK | vcl::mbIconStop);
        DescriptionLoaded = 0;
        return;
    }

    // Step 1: the wizard. It sets WizardResult, CurMode and the choices in the table.
    frmSetupGuide->ShowModal();
    if (WizardResult == 0) {
        Close();
        return;
    }

    // From here until the window closes itself the installation is under way and the user cannot close
    // the setup's windows; an exception that ends the sequence early gives the close back.
    struct Installing {
        bool& running;
        explicit Installing(bool& flag) : running(flag) { running = true; }
        ~Installing() { running = false; }
    } installing{installing_};

    // Step 2: copy the packages.
    MarkStep(Label1, Label2);
    for (vcl::TControl* control : std::initializer_list<vcl::TControl*>{&Label5, &Label6, &CGauge1, &amPack, &amFile})
        control->Show();
    Image1.Repaint();
    RunStage("CopyPackages", &TMainForm::CopyPackages);

    // The module display is cleared for the later steps.
    Label20.SetCaption("");
    for (vcl::TLabel* label : CommentLabels) label->SetCaption("");
    Image4.Hide();
    Image1.Repaint();
    Label6.Hide();

    // Step 3: configure the environment and publish the applications.
    MarkStep(Label2, Label3);
    RunStage("ConfigureEnvironment", &TMainForm::ConfigureEnvironment);
    RunStage("PublishApplications", &TMainForm::PublishApplications);

    // Step 4: the program group, then the additional programs.
    MarkStep(Label3, Label4);
    RunStage("CreateProgramGroup", &TMainForm::CreateProgramGroup);
    Label6.Hide();
    const int programs = std::clamp(AddProgramCount, 0, kMaxAddPrograms);
    for (int i = 0; i < programs; ++i) RunAdditionalProgram(AddPrograms[size_t(i)]);

    // Step 5: the computer is to be restarted (the user does it); the setup ends.
    MarkStep(Label4, Label8);
    installing_ = false;
    Close();
}

void TMainForm::RunStage(const char* name, void (TMainForm::*stage)()) {
    if (OnStage) OnStage(name);
    (this->*stage)();
}

void TMainForm::MarkStep(vcl::TLabel& finished, vcl::TLabel& current) {
    finished.Font.SetColor(vcl::clWindowText);
    current.Font.SetColor(vcl::clYellow);
    finished.Repaint();
    current.Repaint();
}

void TMainForm::RunAdditionalProgram(const std::string& entry) {
    // Entries that need the instance name run only when the chosen mode's lead module is the selected
    // database engine.
    if (entry.find("_MSDE_") != std::string::npos) {
        assert(CurMode >= 0 && CurMode < kMaxInstallModes);
        const TModule& lead = Modules[size_t(CurMode)][0][0];
        if (lead.Name.find("MSDE") == std::string::npos || lead.State == 0) return;
    }
    std::string text = entry;
    text = rtl::Trim(Substitute(text));
    // Neither ',' nor ' ' can be the trail byte of a double-byte character, so plain searches are safe.
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return;
    const std::string caption = text.substr(0, comma);
    const std::string command = text.substr(comma + 1);

    frmSetup->Panel1.SetCaption(caption + "，请稍侯...");
    frmSetup->Show();
    vcl::Application->ProcessMessages();

    const size_t blank = command.find(' ');
    std::string program = command.substr(0, blank);
    std::string parameters = blank == std::string::npos ? std::string() : command.substr(blank);
    Substitute(program);
    Substitute(parameters);
    // A program to start must be a file: a folder (an empty program name resolves to the setup folder) is
    // not.
    if (!os::FileExists(ResolveInSetupFolder(setupFolder_, program))) return;
    // Not waited for; the result is not checked (a program that fails to start is the user's to see).
    // Owned by the main window, so whatever the shell shows about the start stays in front of the setup.
    os::shell().shellExecute(NativeHandle(), "open", program, parameters, rtl::ExtractFilePath(program),
                             os::kSwMinimize);
}

std::string& TMainForm::Substitute(std::string& text) const {
    MacroContext context;
    context.table = this;
    context.instanceName = [] { return frmSetupGuide ? frmSetupGuide->EdtInsName.Text() : std::string(); };
    return SubstituteMacros(text, context);
}

void TMainForm::FormShow(vcl::TComponent* sender) {
    FormPaint(sender);
    ShowTime(Label21, "开始安装时间：%02d:%02d:%02d");
}

void TMainForm::FormActivate(vcl::TComponent*) { RepaintAll(); }
void TMainForm::FormPaint(vcl::TComponent*) { RepaintAll(); }

// Alt+F4 or the close command while the stages run would end the program with files half copied and the
// machine half configured: the close is refused until the sequence finishes (or fails) and closes the
// window itself.
void TMainForm::FormCloseQuery(vcl::TComponent*, bool& canClose) {
    if (installing_) canClose = false;
}

void TMainForm::Timer1Timer(vcl::TComponent*) { ShowTime(Label22, "当前系统时间：%02d:%02d:%02d"); }

void TMainForm::ShowTime(vcl::TLabel& label, const char* format) {
    const os::LocalTime now = os::system().localTime();
    char text[64];
    std::snprintf(text, sizeof text, format, now.hour, now.minute, now.second);
    label.SetCaption(text);
}

void TMainForm::RepaintAll() {
    vcl::TControl* const controls[] = {&Bevel1, &Bevel2, &CGauge1, &amPack, &amFile, &Image1, &Image4, &Panel2,
                                       &Panel4, &Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7,
                                       &Label8, &Label9, &Label10, &Label11, &Label12, &Label13, &Label14,
                                       &Label15, &Label16, &Label17, &Label18, &Label19, &Label20, &Label21,
                                       &Image2};
    for (vcl::TControl* control : controls) control->Repaint();
}

}  // namespace app
