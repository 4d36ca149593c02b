// The prompt window's design and its progress marks.
#include "wizard/setup_prompt.h"

#include "app/setup_program.h"

namespace wizard {

TfrmPrompt::TfrmPrompt(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmPrompt");
    SetCaption("安装向导");
    SetBorderStyle(vcl::TBorderStyle::bsSingle);
    SetBorderIcons(vcl::biSystemMenu);
    SetClientWidth(306);
    SetClientHeight(64);
    SetPosition(vcl::TPosition::poScreenCenter);

    // Image1's 32 × 32 picture is a product asset stored with the form; its size is the picture's.
    Image1.SetName("Image1");
    Image1.SetParent(this);
    Image1.SetBounds(8, 8, 32, 32);
    Image1.SetAutoSize(true);
    Label1.SetName("Label1");
    Label1.SetParent(this);
    Label1.SetAutoSize(false);
    Label1.SetBounds(48, 11, 240, 24);
    Label1.SetWordWrap(true);
    Label1.SetTransparent(true);
    Label1.SetCaption("安装程序正在准备安装向导，您将在它的帮助下愉快的完成这次安装任务。请稍侯...");
    Prompt.SetName("Prompt");
    Prompt.SetParent(this);
    Prompt.SetBounds(48, 48, Prompt.Width(), Prompt.Height());
    Prompt.Font.SetColor(vcl::clNavy);
    Prompt.SetTransparent(true);
    OnCloseQuery = vcl::Method(this, &TfrmPrompt::FormCloseQuery);
}

void TfrmPrompt::AddProgressMark() {
    Prompt.SetCaption(Prompt.Caption() + "■");
    Prompt.Repaint();
}

// Like every window of the setup, the prompt window cannot be closed by the user while the installation
// runs (its system menu offers the close command).
void TfrmPrompt::FormCloseQuery(vcl::TComponent*, bool& canClose) {
    if (app::InstallationRunning()) canClose = false;
}

}  // namespace wizard
