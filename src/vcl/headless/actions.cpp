// User actions on a form for headless runs.
#include "vcl/headless/actions.h"

#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/stdctrls.h"

namespace vcl::headless {
namespace {

[[noreturn]] void Refuse(const std::string& message) { throw EActionRefused(message); }

// The named control, which must exist and take user input.
TControl& UsableControl(TForm& form, const std::string& name) {
    TControl* control = FindControl(form, name);
    if (!control) Refuse("There is no control named " + name + " on " + form.Name());
    if (!control->EnabledInTree()) Refuse(name + " on " + form.Name() + " is disabled");
    return *control;
}

void CheckIndex(const std::string& name, int index, int count) {
    if (index < 0 || index >= count)
        Refuse(name + " has no item " + std::to_string(index) + " (it has " + std::to_string(count) + ")");
}

}  // namespace

TControl* FindControl(const TForm& form, const std::string& name) {
    if (auto* control = dynamic_cast<TControl*>(form.FindComponent(name))) return control;
    return form.FindChildControl(name);
}

void ClickControl(TForm& form, const std::string& name) { UsableControl(form, name).Click(); }

void CheckItem(TForm& form, const std::string& name, int index, TCheckBoxState state) {
    auto* list = dynamic_cast<TCheckListBox*>(&UsableControl(form, name));
    if (!list) Refuse(name + " is not a check-list box");
    CheckIndex(name, index, list->Items.Count());
    if (!list->ItemEnabled(index)) Refuse("Item " + std::to_string(index) + " of " + name + " is disabled");
    if (state == TCheckBoxState::cbGrayed && !list->AllowGrayed())
        Refuse(name + " does not let the user gray an item");
    list->ClickCheck(index, state);
}

void SelectItem(TForm& form, const std::string& name, int index) {
    TControl& control = UsableControl(form, name);
    if (auto* list = dynamic_cast<TListBox*>(&control)) {
        CheckIndex(name, index, list->Items.Count());
        list->Select(index);
    } else if (auto* view = dynamic_cast<TListView*>(&control)) {
        CheckIndex(name, index, view->ItemCount());
        view->Select(index);
    } else {
        Refuse(name + " is not a list box or list view");
    }
}

void TypeText(TForm& form, const std::string& name, const std::string& text) {
    auto* edit = dynamic_cast<TEdit*>(&UsableControl(form, name));
    if (!edit) Refuse(name + " is not an edit");
    if (edit->ReadOnly()) Refuse(name + " is read-only");
    edit->SetText(text);
}

void CloseForm(TForm& form) { form.Close(); }

}  // namespace vcl::headless
