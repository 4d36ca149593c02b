// The wizard and the module dialog on screens narrower than 1024 pixels, and the registered name and
// company read from the key of the system's family. Simulated machine only: the screen size and the
// version word are the machine file's.
#include <gtest/gtest.h>

#ifndef _WIN32
#include "os/machine.h"
#include "os/registry.h"
#include "os/sim/sim_machine.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;

namespace {

os::sim::Settings& Settings() { return dynamic_cast<os::sim::SimMachine&>(os::machine()).settings(); }

// Values written for one test under a current-version key, removed afterwards.
class OwnerValues {
public:
    OwnerValues(std::string key, const std::string& owner, const std::string& organisation) : key_(std::move(key)) {
        os::registry().writeString(os::RootKey::LocalMachine, key_, "RegisteredOwner", owner);
        os::registry().writeString(os::RootKey::LocalMachine, key_, "RegisteredOrganization", organisation);
    }
    ~OwnerValues() {
        os::registry().deleteValue(os::RootKey::LocalMachine, key_, "RegisteredOwner");
        os::registry().deleteValue(os::RootKey::LocalMachine, key_, "RegisteredOrganization");
    }

private:
    std::string key_;
};

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char k9xKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

TEST_F(WizardTest, NarrowScreenShrinksTheWizardByTheFixedRatiosAndCentresIt) {
    WriteStandardMedium();
    Settings().screenWidth = 800;
    Settings().screenHeight = 600;
    CreateForms();
    wizard::TfrmSetupGuide& w = Wizard();
    EXPECT_EQ(w.Width(), 503 * 25 / 32);
    EXPECT_EQ(w.Height(), 362 * 25 / 32);
    EXPECT_EQ(w.Top(), 230);
    EXPECT_EQ(w.Left(), 800 / 4 + (3 * (800 / 4) - 503 * 25 / 32) / 2);
    // Bit buttons: places and width × 25/32, height × 28/32.
    EXPECT_EQ(w.BitBtn2.BoundsRect(), (vcl::TRect{292 * 25 / 32, 12 * 25 / 32, 292 * 25 / 32 + 85 * 25 / 32,
                                                  12 * 25 / 32 + 25 * 28 / 32}));
    // Lists and memos: height × 25/35; labels keep their size; radio buttons their width.
    EXPECT_EQ(w.Memo1.Height(), 130 * 25 / 35);
    EXPECT_EQ(w.ListView1.Height(), 161 * 25 / 35);
    EXPECT_EQ(w.ListView1.Width(), 450 * 25 / 32);
    EXPECT_EQ(w.BitBtn5.Width(), 95);
    EXPECT_EQ(w.BitBtn6.Width(), 135);
    EXPECT_EQ(w.Label4.Height(), 104);
    EXPECT_EQ(w.Edit1.Height(), 21 * 25 / 32);
    // The hand-made moves afterwards.
    EXPECT_EQ(w.Label8.Width(), 450 * 25 / 32);
    EXPECT_EQ(w.Label2.Width(), 450 * 25 / 32);
    EXPECT_EQ(w.Label1.Top(), w.Image3.Top() + w.Image3.Height() + 20);
    EXPECT_EQ(w.Label1.Font.Size(), 12);
    EXPECT_EQ(w.Label16.Top(), w.Label1.Top() + 30);
    EXPECT_EQ(w.Label19.Top(), w.Label16.Top() + 20);
    EXPECT_EQ(w.Label19.Width(), 300 - 30);
    EXPECT_EQ(w.Label21.Top(), 164 * 25 / 32 - 10);
    EXPECT_EQ(w.BitBtn4.Top(), 276 * 25 / 32 - 10);
    EXPECT_EQ(w.BitBtn4.Width(), 75 - 10);
    EXPECT_EQ(w.RadioButton1.Top(), 188 * 25 / 32 - 7);
    EXPECT_EQ(w.RadioButton2.Top(), 188 * 25 / 32 - 7);
    EXPECT_EQ(w.RadioButton1.Width(), 113);
    // The run-time mode buttons are not the form's and keep their places.
    EXPECT_EQ(w.ModeButtons[1]->Top(), 29);
    EXPECT_EQ(w.ModeButtons[1]->Left(), 5);
    // Aligned parts still fill the form.
    EXPECT_EQ(w.Panel0.Width(), w.ClientWidth());
    EXPECT_EQ(w.Panel0.Top() + w.Panel0.Height(), w.ClientHeight());
    EXPECT_EQ(w.SetupPage.Height(), w.ClientHeight() - w.Panel0.Height());
}

TEST_F(WizardTest, NarrowScreenShrinksTheModuleDialogButAllButtonKeepsItsPlace) {
    WriteStandardMedium();
    Settings().screenWidth = 800;
    CreateForms();
    wizard::TfrmModuleSel& dialog = *app::frmModuleSel;
    EXPECT_EQ(dialog.Top(), 250);
    EXPECT_EQ(dialog.Height(), 250 * 28 / 32);
    EXPECT_EQ(dialog.Width(), 289 * 25 / 32);
    EXPECT_EQ(dialog.CheckListBox1.BoundsRect(),
              (vcl::TRect{5 * 25 / 32, 8 * 28 / 32, 5 * 25 / 32 + 276 * 25 / 32, 8 * 28 / 32 + 209 * 28 / 32}));
    EXPECT_EQ(dialog.BitBtn3.BoundsRect(), (vcl::TRect{199 * 25 / 32, 224 * 28 / 32 - 3,
                                                       199 * 25 / 32 + 66 * 25 / 32, 224 * 28 / 32 - 3 + 24 * 28 / 32}));
    EXPECT_EQ(dialog.AllBtn.BoundsRect(), (vcl::TRect{120, 224, 195, 249}));
}

TEST_F(WizardTest, NameAndCompanyComeFromTheNtKeyOnTheNtFamily) {
    WriteStandardMedium();
    OwnerValues nt(kNtKey, "张三", "泰赛瑞");
    OwnerValues win9x(k9xKey, "nine", "ninety");
    CreateForms();
    EXPECT_EQ(Wizard().Edit1.Text(), "张三");
    EXPECT_EQ(Wizard().Edit2.Text(), "泰赛瑞");
}

TEST_F(WizardTest, NameAndCompanyComeFromTheWindowsKeyOn9xFromVersion4) {
    WriteStandardMedium();
    OwnerValues nt(kNtKey, "张三", "泰赛瑞");
    OwnerValues win9x(k9xKey, "nine", "ninety");
    Settings().versionWord = 0xC0000A04;  // Windows 98
    CreateForms();
    EXPECT_EQ(Wizard().Edit1.Text(), "nine");
    EXPECT_EQ(Wizard().Edit2.Text(), "ninety");
}

TEST_F(WizardTest, NameAndCompanyStayEmptyBefore9xVersion4OrWhenMissing) {
    WriteStandardMedium();
    {
        OwnerValues win9x(k9xKey, "nine", "ninety");
        Settings().versionWord = 0x80000003;
        CreateForms();
        EXPECT_EQ(Wizard().Edit1.Text(), "");
        EXPECT_EQ(Wizard().Edit2.Text(), "");
        vcl::Application->DestroyForms();
    }
    Settings().versionWord = 0x0A280105;
    CreateForms();  // nothing under the NT key
    EXPECT_EQ(Wizard().Edit1.Text(), "");
    EXPECT_FALSE(os::registry().keyExists(os::RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\x"));
}

#endif  // !_WIN32
