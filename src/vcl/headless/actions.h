// A user's actions on a form, played without windows: each finds the control by name on the form,
// refuses (EActionRefused, naming the control and the reason) when it does not exist, is of the wrong
// kind, is disabled (itself or a parent) or has no such item, and otherwise does what a click or
// keystroke would, events included. Hidden controls are reached all the same.
#pragma once
#include <string>

#include "vcl/types.h"

namespace vcl {
class TControl;
class TForm;
}

namespace vcl::headless {

// The control named name (ASCII case-insensitive) among the form's components, the components they own
// and its control tree (run-time controls such as "ModeButtons[1]" included); null when there is none.
TControl* FindControl(const TForm& form, const std::string& name);

// Presses a button, radio button or any other control (its Click).
void ClickControl(TForm& form, const std::string& name);
// Check-list box: makes item index current, sets its state and fires OnClickCheck. Grayed needs
// AllowGrayed, as a user cannot reach it otherwise; a disabled item refuses.
void CheckItem(TForm& form, const std::string& name, int index, TCheckBoxState state);
// List box or list view: selects item index and fires OnClick.
void SelectItem(TForm& form, const std::string& name, int index);
// Edit: replaces its text (OnChange fires); a read-only edit refuses.
void TypeText(TForm& form, const std::string& name, const std::string& text);
// The system's close command (Alt+F4, the close box): the form decides, as TForm::Close does.
void CloseForm(TForm& form);

}  // namespace vcl::headless
