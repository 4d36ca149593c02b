// The standard controls: the behaviour beyond plain properties (button clicks, radio groups, edit limits,
// list selection and check states).
#include "vcl/stdctrls.h"

#include <cassert>

#include "vcl/forms.h"

namespace vcl {

// ---- TLabel ----

void TLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    Changed(TChange::Style);
    AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    Changed(TChange::Style);
    AdjustBounds();
}

void TLabel::SetText(const std::string& text) {
    if (text == Text()) return;
    TControl::SetText(text);
    AdjustBounds();
}

void TLabel::FontChanged() {
    TControl::FontChanged();
    AdjustBounds();
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    // An empty caption still takes one line: it is measured as a space, as the runtime does.
    const std::string& text = Caption().empty() ? std::string(" ") : Caption();
    TSize size = backend().MeasureText(Font, text, wordWrap_, Width());
    int left = Left();
    int width = wordWrap_ ? Width() : size.Width;
    if (alignment_ == TAlignment::taRightJustify) left += Width() - width;
    SetBounds(left, Top(), width, size.Height);
}

// ---- TBitBtn ----

void TBitBtn::SetKind(TBitBtnKind kind) {
    kind_ = kind;
    switch (kind) {
    case TBitBtnKind::bkOK: modalResult_ = mrOk; break;
    case TBitBtnKind::bkCancel: modalResult_ = mrCancel; break;
    case TBitBtnKind::bkYes: modalResult_ = mrYes; break;
    case TBitBtnKind::bkNo: modalResult_ = mrNo; break;
    case TBitBtnKind::bkAbort: modalResult_ = mrAbort; break;
    case TBitBtnKind::bkRetry: modalResult_ = mrRetry; break;
    case TBitBtnKind::bkIgnore: modalResult_ = mrIgnore; break;
    case TBitBtnKind::bkAll: modalResult_ = mrAll; break;
    case TBitBtnKind::bkCustom:
    case TBitBtnKind::bkHelp:
    case TBitBtnKind::bkClose: break;
    }
    if (kind == TBitBtnKind::bkCancel) cancel_ = true;
    if (kind == TBitBtnKind::bkOK || kind == TBitBtnKind::bkYes) default_ = true;
    Changed(TChange::Style);
}

void TBitBtn::Click() {
    TForm* form = ParentForm();
    if (form && modalResult_ != mrNone) form->SetModalResult(modalResult_);
    TControl::Click();
    if (form && kind_ == TBitBtnKind::bkClose) form->Close();
}

// ---- TRadioButton ----

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    Changed(TChange::Selection);
    if (!value) return;
    if (Parent()) {
        for (TControl* sibling : Parent()->Controls())
            if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this) radio->SetChecked(false);
    }
    TControl::Click();
}

// ---- TEdit ----

void TEdit::SetText(const std::string& text) {
    std::string limited = maxLength_ > 0 && int(text.size()) > maxLength_ ? text.substr(0, size_t(maxLength_)) : text;
    if (limited == Text()) return;
    TControl::SetText(limited);
    if (OnChange) OnChange(this);
}

// ---- TMemo ----

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
    Lines.OnChange = [this](TStrings::Edit, int) { Changed(TChange::Items); };
}

// ---- TListBox ----

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
    Items.OnChange = [this](TStrings::Edit edit, int index) { ItemsChanged(edit, index); };
}

void TListBox::SetItemIndex(int index) {
    if (index < 0 || index >= Items.Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Changed(TChange::Selection);
}

void TListBox::Select(int index) {
    SetItemIndex(index);
    TControl::Click();
}

void TListBox::ItemsChanged(TStrings::Edit edit, int index) {
    switch (edit) {
    case TStrings::Edit::Insert:
        if (itemIndex_ >= index) ++itemIndex_;
        break;
    case TStrings::Edit::Delete:
        if (itemIndex_ == index) itemIndex_ = -1;
        else if (itemIndex_ > index) --itemIndex_;
        break;
    case TStrings::Edit::Reset:
        itemIndex_ = -1;
        break;
    }
    if (itemIndex_ >= Items.Count()) itemIndex_ = -1;
    Changed(TChange::Items);
}

// ---- TCheckListBox ----

TCheckListBox::TCheckListBox(TComponent* owner) : TListBox(owner) {}

void TCheckListBox::ItemsChanged(TStrings::Edit edit, int index) {
    switch (edit) {
    case TStrings::Edit::Insert: states_.insert(states_.begin() + index, ItemState{}); break;
    case TStrings::Edit::Delete: states_.erase(states_.begin() + index); break;
    case TStrings::Edit::Reset: states_.assign(size_t(Items.Count()), ItemState{}); break;
    }
    assert(int(states_.size()) == Items.Count());
    TListBox::ItemsChanged(edit, index);
}

TCheckBoxState TCheckListBox::State(int index) const {
    assert(index >= 0 && index < int(states_.size()));
    return states_[size_t(index)].state;
}

void TCheckListBox::SetState(int index, TCheckBoxState state) {
    assert(index >= 0 && index < int(states_.size()));
    if (states_[size_t(index)].state == state) return;
    states_[size_t(index)].state = state;
    Changed(TChange::Selection);
}

void TCheckListBox::SetChecked(int index, bool checked) {
    SetState(index, checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

bool TCheckListBox::ItemEnabled(int index) const {
    assert(index >= 0 && index < int(states_.size()));
    return states_[size_t(index)].enabled;
}

void TCheckListBox::SetItemEnabled(int index, bool enabled) {
    assert(index >= 0 && index < int(states_.size()));
    states_[size_t(index)].enabled = enabled;
    Changed(TChange::Selection);
}

void TCheckListBox::ClickCheck(int index, TCheckBoxState state) {
    SetItemIndex(index);
    SetState(index, state);
    if (OnClickCheck) OnClickCheck(this);
}

}  // namespace vcl
