// The environment stage, "３、配置环境": the products' INI files, the registry and uninstall registration,
// then C:\AUTOEXEC.BAT and C:\CONFIG.SYS. This file holds the stage's frame and its first step.
#include <algorithm>

#include "app/main_form.h"
#include "install/stage_support.h"
#include "os/machine.h"

namespace app {
namespace {

// The status line shows what the stage is doing; it is repainted at once, as no messages are pumped.
void ShowStatus(TMainForm& form, const char* text) {
    form.Label5.SetCaption(text);
    form.Label5.Repaint();
}

}  // namespace

// The steps in the order the user reads them in the status line; steps 3 to 7 keep the registry text of
// step 2.
void TMainForm::ConfigureEnvironment() {
    // The copy stage's progress controls go; the status line sits just above where the gauge stands.
    CGauge1.Hide();
    amPack.Hide();
    amFile.Hide();
    Label5.SetTop(CGauge1.Top() - Label5.Height() - 5);

    auto step = [this](const char* name, void (TMainForm::*member)()) {
        if (OnEnvironmentStep) OnEnvironmentStep(name);
        (this->*member)();
    };

    ShowStatus(*this, "正在配置“系统配置文件”...");
    step("WriteIniFiles", &TMainForm::WriteIniFiles);

    ShowStatus(*this, "正在配置“系统注册表”...");
    step("RegisterProducts", &TMainForm::RegisterProducts);
    step("RegisterInstallInfo", &TMainForm::RegisterInstallInfo);
    step("RegisterRunOnce", &TMainForm::RegisterRunOnce);
    step("CopyUninstaller", &TMainForm::CopyUninstaller);
    step("WriteLoginInfo", &TMainForm::WriteLoginInfo);
    step("RegisterUninstall", &TMainForm::RegisterUninstall);

    ShowStatus(*this, "正在配置“AUTOEXEC.BAT...");
    step("EditAutoexecBat", &TMainForm::EditAutoexecBat);

    // A backup of CONFIG.SYS that cannot be made ends the stage; this is its last step all the same.
    ShowStatus(*this, "正在配置“CONFIG.SYS...");
    step("EditConfigSys", &TMainForm::EditConfigSys);
}

// Every entry is substituted in the table itself (later readers see the final texts) and written through
// the profile call, which opens the file anew each time: a missing file, section or key is created, an
// existing key's value replaced, every other line kept. The gauge counts the entries written; it stays
// hidden here.
void TMainForm::WriteIniFiles() {
    int written = 0;
    const int products = Bounded(ProductCount, kMaxProducts);
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        TProductConfig& config = ProductConfigs[size_t(p)];
        const int files = Bounded(config.IniFileCount, kMaxIniFiles);
        for (int f = 0; f < files; ++f) {
            TIniFileSpec& spec = config.IniFiles[size_t(f)];
            std::string fileName = spec.Path + "\\" + spec.FileName;
            Substitute(fileName);
            bool failed = false;
            const int entries = Bounded(spec.EntryCount, kMaxEntries);
            for (int e = 0; e < entries; ++e) {
                TIniEntry& entry = spec.Entries[size_t(e)];
                Substitute(entry.Rest);
                Substitute(entry.B);
                Substitute(entry.A);
                // There is no message for a file that cannot be written; one note per file is enough to
                // say which configuration is incomplete.
                if (!os::profile().writeString(fileName, entry.A, entry.B, entry.Rest) && !failed) {
                    failed = true;
                    NoteFailure("cannot write INI file " + fileName + " (section [" + entry.A + "], key " +
                                entry.B + ")" + LastErrorText());
                }
                CGauge1.SetProgress(++written);
            }
        }
    }
}

}  // namespace app
