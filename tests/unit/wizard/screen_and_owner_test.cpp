// The wizard and the module dialog on screens narrower than 1024 pixels, and the registered name and
// company read from the key of the system's family. The screen width and the version word come from a
// drive table, the current-version keys from a shadowing registry in front of the test machine, so the
// same cases run on the simulated machine and under Wine (whose own keys hold values of their own).
#include <gtest/gtest.h>

#include "wizard/drive_table.h"
#include "wizard/shadow_registry.h"
#include "wizard/wizard_fixture.h"

using namespace wizard_test;

namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char k9xKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Both current-version keys answered from the test, with a name and company in each when filled.
class OwnerKeys : public ShadowRegistry {
public:
    OwnerKeys() {
        Shadow(kNtKey);
        Shadow(k9xKey);
    }
    void Fill() {
        Set(kNtKey, "RegisteredOwner", "张三");
        Set(kNtKey, "RegisteredOrganization", "泰赛瑞");
        Set(k9xKey, "RegisteredOwner", "nine");
        Set(k9xKey, "RegisteredOrganization", "ninety");
    }
};

constexpr uint32_t kWindowsXp = 0x0A280105;
constexpr uint32_t kWindows98 = 0xC0000A04;
constexpr uint32_t kWin32sOn3x = 0x80000003;  // 9x family bit with major version 3

}  // namespace

TEST_F(WizardTest, NarrowScreenShrinksTheWizardByTheFixedRatiosAndCentresIt) {
    WriteStandardMedium();
    DriveTable machine;
    machine.screenWidth = 800;
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
    DriveTable machine;
    machine.screenWidth = 800;
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
    DriveTable machine;
    machine.versionWord = kWindowsXp;
    OwnerKeys keys;
    keys.Fill();
    CreateForms();
    EXPECT_EQ(Wizard().Edit1.Text(), "张三");
    EXPECT_EQ(Wizard().Edit2.Text(), "泰赛瑞");
}

TEST_F(WizardTest, NameAndCompanyComeFromTheWindowsKeyOn9xFromVersion4) {
    WriteStandardMedium();
    DriveTable machine;
    machine.versionWord = kWindows98;
    OwnerKeys keys;
    keys.Fill();
    CreateForms();
    EXPECT_EQ(Wizard().Edit1.Text(), "nine");
    EXPECT_EQ(Wizard().Edit2.Text(), "ninety");
}

// The keys are read, never made: a start on a machine without them leaves the registry as it was.
TEST_F(WizardTest, NameAndCompanyStayEmptyBefore9xVersion4OrWhenMissingAndNothingIsCreated) {
    WriteStandardMedium();
    DriveTable machine;
    {
        OwnerKeys keys;
        keys.Fill();
        machine.versionWord = kWin32sOn3x;
        CreateForms();
        EXPECT_EQ(Wizard().Edit1.Text(), "");
        EXPECT_EQ(Wizard().Edit2.Text(), "");
        vcl::Application->DestroyForms();
    }
    for (uint32_t version : {kWindowsXp, kWindows98}) {
        OwnerKeys keys;  // neither key exists
        machine.versionWord = version;
        CreateForms();
        EXPECT_EQ(Wizard().Edit1.Text(), "") << version;
        EXPECT_EQ(Wizard().Edit2.Text(), "") << version;
        EXPECT_EQ(keys.changes, std::vector<std::string>{}) << version;
        vcl::Application->DestroyForms();
    }
}
