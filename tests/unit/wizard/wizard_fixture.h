// The wizard on the test machine: a medium written to a scratch folder, the six windows created as the
// program creates them (without the message loop), and a script that answers message boxes and plays the
// actions of dialogs the wizard opens. Tests press the wizard's buttons through the headless actions, so
// a disabled button refuses as it would for a user.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"

namespace wizard_test {

class WizardTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void Write(const std::string& name, const std::string& text);
    std::string In(const std::string& name) const { return folder + "\\" + name; }
    // SETUP.INI with this text, a package a.dat, an empty CONFIG.INI and COMMENT.INI.
    void WriteMedium(const std::string& setupIni);
    // The standard medium, four modes and two products with two modules each:
    //   mode 0 "完全安装" Kind 0, lead module "MSDE2000" State 1;
    //   mode 1 "客户端"   Kind 0, lead module "Client" State 1;
    //   mode 2 "服务器"   Kind 1, lead module "MSDE2000" State 0;
    //   mode 3 "锁定引擎" Kind 0, lead module "MSDE2000" State 2.
    // Product 0 "商店" (ModuleOption 1), product 1 "Tools" (ModuleOption 2).
    void WriteStandardMedium();
    // The six windows, in the program's order; the main window loads the medium.
    void CreateForms();

    wizard::TfrmSetupGuide& Wizard() { return *app::frmSetupGuide; }
    app::TMainForm& Table() { return *app::MainForm; }
    // Presses a control of the wizard as a user would (a disabled one refuses: EActionRefused).
    void Click(const std::string& name);
    void Next() { Click("BitBtn2"); }
    void Back() { Click("BitBtn3"); }
    // Next from page 1 to page 5, accepting the licence on the way.
    void GoToModePage();
    // Selects an install mode by its button.
    void Mode(int index) { Click("ModeButtons[" + std::to_string(index) + "]"); }
    const std::vector<vcl::headless::MessageBoxRecord>& Boxes() const { return backend.MessageBoxes(); }

    std::string folder;
    vcl::headless::ScriptDriver script;
    vcl::headless::HeadlessBackend backend{&script};
    std::vector<int> shownPages;  // every ShowPage call after construction

private:
    vcl::Backend* previousBackend_ = nullptr;
    std::string previousDirectory_;
};

}  // namespace wizard_test
