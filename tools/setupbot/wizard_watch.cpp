// Reading the wizard's page, header, buttons and choices from descriptions.
#include "setupbot/wizard_watch.h"

#include <cstdlib>

namespace setupbot {
namespace {

constexpr char kWizard[] = "frmSetupGuide";

bool IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

int ShownWizardPage(const Description& description) {
    const FormInfo* wizard = description.Form(kWizard);
    if (!wizard || !wizard->visible) return 0;
    for (const ControlInfo& control : description.controls) {
        if (control.form != kWizard || !control.showing || control.name.rfind("SetupTab", 0) != 0) continue;
        std::string number = control.name.substr(8);
        if (IsDigits(number)) return std::atoi(number.c_str());
    }
    return 0;
}

void WizardWatch::ProgramEnded() {
    if (closed_ || page_ == 0) return;
    closed_ = true;
    if (installClicked_) {
        record_.result = 1;
        record_.pages.push_back(9);
    }
}

int WizardWatch::Observe(const Description& description) {
    if (closed_) return 0;
    const FormInfo* wizard = description.Form(kWizard);
    int page = ShownWizardPage(description);
    if (!wizard || !wizard->visible) {
        if (page_ != 0 && installClicked_) {
            record_.result = 1;
            record_.pages.push_back(9);
        }
        if (page_ != 0) closed_ = true;
        return 0;
    }
    installClicked_ = false;

    // The choices, as far as the description shows them.
    for (const ControlInfo& control : description.controls) {
        if (control.form != kWizard) continue;
        if (control.name.rfind("ModeButtons[", 0) == 0 && control.state == "1")
            record_.mode = std::atoi(control.name.c_str() + 12);
        if (control.name == "EdtInsName") record_.instance = convert_(control.text);
    }
    std::vector<std::string> products;
    for (const ItemInfo* item : description.Items(kWizard, "CheckListBox1")) products.push_back(item->state);
    if (!products.empty()) record_.products = products;
    if (page == 8 || !description.Items(kWizard, "ListBox1").empty()) {
        std::vector<std::string> summary;
        for (const ItemInfo* item : description.Items(kWizard, "ListBox1")) summary.push_back(convert_(item->text));
        if (!summary.empty() || page == 8) record_.summary = summary;
    }
    if (page == 0 || page == page_) return 0;
    page_ = page;
    // The path list as the page shows it on arrival (later changes on the page do not count).
    if (page == 7) {
        record_.pathlist.clear();
        for (const RowInfo* row : description.Rows(kWizard, "ListView1")) {
            std::vector<std::string> cells;
            for (const std::string& cell : row->cells) cells.push_back(convert_(cell));
            cells.resize(3);
            record_.pathlist.push_back(cells);
        }
    }
    record_.pages.push_back(page);
    ShownPage shown;
    shown.page = page;
    auto text = [&](const char* name) {
        const ControlInfo* control = description.Control(kWizard, name);
        return control ? convert_(control->text) : std::string();
    };
    if (page != 1) {
        shown.title = text("Prompt");
        shown.description = text("PromptDescribe");
    }
    shown.next = text("BitBtn2");
    const ControlInfo* next = description.Control(kWizard, "BitBtn2");
    shown.nextEnabled = next && next->enabled;
    const ControlInfo* back = description.Control(kWizard, "BitBtn3");
    shown.backVisible = back && back->showing;
    record_.shown.push_back(shown);
    return page;
}

}  // namespace setupbot
