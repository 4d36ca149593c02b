// Start-up of the setup program: the six windows in order, the prompt window's marks, the main window's
// design and layout on wide and narrow screens, the background picture, the clock labels and the busy
// window's size.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/stored_picture.h"
#include "os/machine.h"
#include "setup/setup_run_fixture.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

using namespace setup_test;

namespace {

std::string Marks(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += "■";
    return out;
}

#ifndef _WIN32
os::sim::Settings& Settings() { return dynamic_cast<os::sim::SimMachine&>(os::machine()).settings(); }

// A JPEG header the picture reader accepts: SOI, SOF0 with the size, SOS, EOI.
std::vector<uint8_t> Jpeg(int width, int height) {
    return {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
            uint8_t(width), 1, 1, 0x11, 0, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
}
#endif

}  // namespace

TEST_F(SetupRun, WindowsAreCreatedInOrderAndThePromptHoldsOneMarkPerPreparationStep) {
    WriteMedium();
    CancelWizard();
    Run();
    const auto& forms = vcl::Application->Forms();
    std::vector<std::string> names;
    for (const vcl::TForm* form : forms) names.push_back(form->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"MainForm", "frmPrompt", "frmModuleSel", "frmPath", "frmSetup",
                                               "frmSetupGuide"}));
    EXPECT_EQ(vcl::Application->MainForm(), app::MainForm);
    EXPECT_EQ(forms[5], app::frmSetupGuide);
    // Module dialog, path dialog, three mode buttons, two products.
    EXPECT_EQ(app::frmPrompt->Prompt.Caption(), Marks(7));
    EXPECT_FALSE(app::frmPrompt->Visible());
    EXPECT_EQ(app::frmSetupGuide->CheckListBox1.Items.Count(), 2);
}

TEST_F(SetupRun, MainWindowCarriesThePackageComponentAsDesigned) {
    WriteMedium();
    CancelWizard();
    Run();
    app::TMainForm& main = *app::MainForm;
    EXPECT_EQ(main.auzPack.ExtractOptions(), archive::eoCreateDirs | archive::eoRestorePath);
    EXPECT_EQ(main.auzPack.Password(), "pluvermak_*&!");
    EXPECT_EQ(main.auzPack.ArchiveProgressMeter(), &main.avmpack);
    EXPECT_EQ(main.auzPack.ItemProgressMeter(), &main.avmfile);
    EXPECT_EQ(main.avmpack.Meter(), &main.amPack);
    EXPECT_EQ(main.avmfile.Meter(), &main.amFile);
    EXPECT_TRUE(main.Timer1.Running());
    EXPECT_EQ(main.Timer1.Interval(), 1000u);
    EXPECT_EQ(main.BorderStyle(), vcl::TBorderStyle::bsNone);
    EXPECT_EQ(main.WindowState(), vcl::TWindowState::wsMaximized);
    for (vcl::TControl* hidden : std::initializer_list<vcl::TControl*>{&main.Label5, &main.Label6, &main.amFile,
                                                                      &main.amPack, &main.CGauge1, &main.Image4})
        EXPECT_FALSE(hidden->Visible()) << hidden->Name();
    // Controls are found by the design's names (the headless script reaches them so).
    EXPECT_EQ(main.FindComponent("Label20"), &main.Label20);
    EXPECT_EQ(main.FindComponent("Label19"), &main.Label19);
    EXPECT_EQ(main.Label1.Caption(), "１、启动安装程序向导");
    EXPECT_EQ(main.Label8.Caption(), "５、准备启动计算机");
}

// The description's packages are opened with the main window's own package component, so its archive
// meter follows the reading of their directories.
TEST_F(SetupRun, PackagesAreMeasuredThroughTheMainWindowsPackageComponent) {
    WriteMedium();
    test_support::ZipBuilder builder;
    for (int i = 0; i < 4; ++i) builder.Add("f" + std::to_string(i) + ".txt", std::string(10, 'x'));
    test_support::WriteFile(In("a.dat"), builder.Build());
    CancelWizard();
    Run();
    const app::TMainForm& m = *app::MainForm;
    EXPECT_GT(m.amPack.Repaints(), 0);
    EXPECT_EQ(m.auzPack.FileName(), "");  // closed again after each package
    EXPECT_EQ(m.auzPack.Count(), 0);
    EXPECT_EQ(m.Modules[0][0][0].Size, 40);
}

// The two small windows as designed (on a screen 1024 pixels wide or more, where the busy window keeps its
// size): what start-up leaves of them before the wizard appears.
TEST_F(SetupRun, PromptAndBusyWindowsKeepTheirDesign) {
    WriteMedium();
    CancelWizard();
    Run();
    ASSERT_GE(vcl::Screen->Width(), 1024);
    const wizard::TfrmPrompt& prompt = *app::frmPrompt;
    EXPECT_EQ(prompt.Caption(), "安装向导");
    EXPECT_EQ(prompt.BorderStyle(), vcl::TBorderStyle::bsSingle);
    EXPECT_EQ(prompt.BorderIcons(), unsigned(vcl::biSystemMenu));
    EXPECT_EQ(prompt.Position(), vcl::TPosition::poScreenCenter);
    EXPECT_EQ(prompt.ClientWidth(), 306);
    EXPECT_EQ(prompt.ClientHeight(), 64);
    EXPECT_EQ(prompt.Image1.BoundsRect(), (vcl::TRect{8, 8, 40, 40}));
    EXPECT_TRUE(prompt.Image1.AutoSize());
    EXPECT_EQ(prompt.Label1.BoundsRect(), (vcl::TRect{48, 11, 288, 35}));
    EXPECT_TRUE(prompt.Label1.WordWrap());
    EXPECT_TRUE(prompt.Label1.Transparent());
    EXPECT_FALSE(prompt.Label1.AutoSize());
    EXPECT_EQ(prompt.Label1.Caption(), "安装程序正在准备安装向导，您将在它的帮助下愉快的完成这次安装任务。请稍侯...");
    EXPECT_EQ(prompt.Prompt.Left(), 48);
    EXPECT_EQ(prompt.Prompt.Top(), 48);
    EXPECT_EQ(prompt.Prompt.Font.Color(), vcl::clNavy);
    EXPECT_TRUE(prompt.Prompt.Transparent());

    const wizard::TfrmSetup& busy = *app::frmSetup;
    EXPECT_EQ(busy.BorderStyle(), vcl::TBorderStyle::bsNone);
    EXPECT_EQ(busy.BorderIcons(), 0u);
    EXPECT_EQ(busy.FormStyle(), vcl::TFormStyle::fsStayOnTop);
    EXPECT_EQ(busy.Position(), vcl::TPosition::poScreenCenter);
    EXPECT_EQ(busy.ClientWidth(), 417);
    EXPECT_EQ(busy.ClientHeight(), 61);
    EXPECT_EQ(busy.Panel1.Align(), vcl::TAlign::alClient);
    EXPECT_EQ(busy.Panel1.BoundsRect(), busy.ClientRect());
    EXPECT_EQ(busy.Animate1.BoundsRect(), (vcl::TRect{8, 8, 65, 49}));
    EXPECT_EQ(busy.Animate1.CommonAVI(), vcl::TCommonAVI::aviFindComputer);
    EXPECT_EQ(busy.Animate1.StartFrame(), 1);
    EXPECT_EQ(busy.Animate1.StopFrame(), 8);
    EXPECT_EQ(busy.Animate1.Repetitions(), 0);
    EXPECT_TRUE(busy.Animate1.Active());
    EXPECT_FALSE(busy.Visible());
    // The animation is drawn above the panel that carries the text.
    const auto& children = busy.Controls();
    auto at = [&](const vcl::TControl* c) { return std::find(children.begin(), children.end(), c) - children.begin(); };
    EXPECT_GT(at(&busy.Animate1), at(&busy.Panel1));
}

#ifndef _WIN32

TEST_F(SetupRun, LayoutOnA1024ScreenUsesTheWidePictureAndAQuarterOfTheRightPanel) {
    WriteMedium();
    Settings().screenWidth = 1024;
    Settings().screenHeight = 768;
    test_support::WriteFile(In("setup1024.JPG"), Jpeg(1024, 768));
    test_support::WriteFile(In("setup800.JPG"), Jpeg(800, 600));
    CancelWizard();
    Run();
    app::TMainForm& m = *app::MainForm;
    EXPECT_EQ(m.Panel2.Width(), 204);
    EXPECT_EQ(m.Label5.Top(), 526);           // 768/4*3 - 50
    EXPECT_EQ(m.CGauge1.Top(), 606);
    EXPECT_EQ(m.CGauge1.Width(), 204 - 2 * m.CGauge1.Left());
    EXPECT_EQ(m.amPack.Top(), 581);
    EXPECT_EQ(m.amFile.Top(), 556);
    EXPECT_EQ(m.amPack.Width(), m.CGauge1.Width());
    EXPECT_EQ(m.Label6.Top(), 526);
    EXPECT_EQ(m.Label6.Width(), 204 - m.Label6.Left() - 5);
    EXPECT_EQ(m.Bevel1.Width(), 204);
    EXPECT_EQ(m.Bevel2.Top(), 640);           // 768/6*5
    EXPECT_EQ(m.GroupBox1.Width(), 196);
    EXPECT_EQ(m.Image2.Left(), (204 - m.Image2.Width()) / 2);
    EXPECT_EQ(m.Image2.Top(), 768 - m.Image2.Height() - 30);
    // The right panel is 1024 - 204 wide (the design width less the left panel) when the labels are placed.
    EXPECT_EQ(m.Label9.Left(), 820 / 4);
    EXPECT_EQ(m.Label19.Left(), 820 / 4);
    EXPECT_EQ(m.Label20.Top(), 264);
    EXPECT_EQ(m.Label20.Font.Size(), 24);
    EXPECT_EQ(m.Label9.Top(), 314);
    EXPECT_EQ(m.Label10.Top(), 336);
    EXPECT_EQ(m.Label19.Top(), 314 + 10 * 22);
    EXPECT_EQ(m.Image1.Picture.FileName(), In("setup1024.JPG"));
    EXPECT_EQ(m.Image1.Picture.Width(), 1024);
    EXPECT_EQ(m.DescriptionLoaded, 1);
    // The busy window keeps its design size.
    EXPECT_EQ(app::frmSetup->ClientWidth(), 417);
    EXPECT_EQ(app::frmSetup->ClientHeight(), 61);
}

TEST_F(SetupRun, LayoutOnAn800ScreenShrinksFontsAndUsesTheNarrowPicture) {
    WriteMedium();
    Settings().screenWidth = 800;
    Settings().screenHeight = 600;
    test_support::WriteFile(In("setup1024.JPG"), Jpeg(1024, 768));
    test_support::WriteFile(In("setup800.JPG"), Jpeg(800, 600));
    CancelWizard();
    Run();
    app::TMainForm& m = *app::MainForm;
    EXPECT_EQ(m.Panel2.Width(), 160);
    EXPECT_EQ(m.Label5.Top(), 400);           // 600/4*3 - 50
    EXPECT_EQ(m.CGauge1.Top(), 480);
    EXPECT_EQ(m.amFile.Top(), 430);
    EXPECT_EQ(m.Bevel2.Top(), 500);
    EXPECT_EQ(m.GroupBox1.Width(), 152);
    EXPECT_EQ(m.Image2.Top(), 600 - m.Image2.Height() - 24);
    // The window still has its design width (1024) when the labels are placed: (1024 - 160) / 6.
    EXPECT_EQ(m.Label9.Left(), 864 / 6);
    EXPECT_EQ(m.Label20.Top(), 206);
    EXPECT_EQ(m.Label20.Font.Size(), 18);
    EXPECT_EQ(m.Label13.Font.Size(), 10);
    EXPECT_EQ(m.Label9.Top(), 256);
    EXPECT_EQ(m.Image1.Picture.FileName(), In("setup800.JPG"));
    // The busy window shrinks to 25/32 of its width and 28/32 of its height, its animation alike.
    EXPECT_EQ(app::frmSetup->ClientWidth(), 417 * 25 / 32);
    EXPECT_EQ(app::frmSetup->ClientHeight(), 61 * 28 / 32);
    EXPECT_EQ(app::frmSetup->Animate1.Left(), 8 * 25 / 32);
    EXPECT_EQ(app::frmSetup->Animate1.Top(), 8 * 28 / 32);
    EXPECT_EQ(app::frmSetup->Animate1.Width(), 57 * 25 / 32);
    EXPECT_EQ(app::frmSetup->Animate1.Height(), 41 * 25 / 32);
    EXPECT_EQ(app::frmSetup->Panel1.BoundsRect(), app::frmSetup->ClientRect());
}

// "正在复制：" and the package name read as one line on either screen: Label6 starts where Label5's text ends
// (as the backend measures it) and fills the left panel up to 5 pixels from its edge.
TEST_F(SetupRun, PackageNameFollowsTheStatusTextOnOneLine) {
    for (int width : {1024, 800}) {
        WriteMedium();
        Settings().screenWidth = width;
        Settings().screenHeight = width * 3 / 4;
        CancelWizard();
        Run();
        app::TMainForm& m = *app::MainForm;
        const int statusText = vcl::backend().MeasureText(m.Label5.Font, m.Label5.Caption(), false, 0).Width;
        EXPECT_EQ(statusText, 60) << width;
        EXPECT_EQ(m.Label6.Left(), m.Label5.Left() + statusText) << width;
        EXPECT_EQ(m.Label6.Top(), m.Label5.Top()) << width;
        EXPECT_EQ(m.Label6.Width(), width / 5 - 68 - 5) << width;
        EXPECT_EQ(m.Label6.Left() + m.Label6.Width(), m.Panel2.Width() - 5) << width;
        EXPECT_FALSE(m.Label6.AutoSize());
        vcl::Application->DestroyForms();
    }
}

// The picture comes from the executable's folder, which need not be the medium's (the setup folder is the
// current directory); a missing or damaged one leaves the picture stored with the window.
TEST_F(SetupRun, BackgroundIsReadBesideTheExecutableAndAProblemKeepsTheStoredPicture) {
    const std::vector<uint8_t> stored = app::StoredBackgroundPicture();
    ASSERT_TRUE(vcl::ReadPictureInfo(stored));
    const std::string programFolder = test_support::MakeTempDir();
    dynamic_cast<os::sim::SimMachine&>(os::machine()).setModuleFileName(programFolder + "\\SETUP.EXE");
    WriteMedium();
    test_support::WriteFile(In("setup1024.JPG"), Jpeg(1024, 768));  // the medium's folder: not looked at
    CancelWizard();
    Run();
    EXPECT_EQ(app::MainForm->Image1.Picture.Data(), stored);
    vcl::Application->DestroyForms();

    test_support::WriteFile(programFolder + "\\setup1024.JPG", std::string("not a picture"));
    CancelWizard();
    Run();
    ASSERT_NE(app::MainForm, nullptr);
    EXPECT_EQ(app::MainForm->Image1.Picture.Data(), stored);
    EXPECT_EQ(app::MainForm->Image1.Picture.FileName(), "");
    // Only the two wizard questions: the damaged picture is not reported.
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].caption, "提示！");
    vcl::Application->DestroyForms();

    test_support::WriteFile(programFolder + "\\setup1024.JPG", Jpeg(1024, 768));
    CancelWizard();
    Run();
    EXPECT_EQ(app::MainForm->Image1.Picture.FileName(), programFolder + "\\setup1024.JPG");
    EXPECT_EQ(app::MainForm->Image1.Picture.Width(), 1024);
}

TEST_F(SetupRun, ClockLabelsShowTheStartAndCurrentTimeInTwoDigitFields) {
    WriteMedium();
    Settings().fixedTime = true;
    Settings().time.hour = 9;
    Settings().time.minute = 5;
    Settings().time.second = 3;
    CancelWizard();
    Run();
    EXPECT_EQ(app::MainForm->Label21.Caption(), "开始安装时间：09:05:03");
    EXPECT_EQ(app::MainForm->Label22.Caption(), "");
    Settings().time.hour = 23;
    Settings().time.minute = 59;
    Settings().time.second = 0;
    backend.inner.AdvanceClock(1000);
    EXPECT_EQ(app::MainForm->Label22.Caption(), "当前系统时间：23:59:00");
    EXPECT_EQ(app::MainForm->Label21.Caption(), "开始安装时间：09:05:03");
}

#endif  // !_WIN32
