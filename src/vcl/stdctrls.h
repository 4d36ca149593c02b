// The standard controls our windows use: label, bevel, panel, group box, bit button, radio button,
// edit, memo, list box and check-list box.
#pragma once
#include <string>
#include <vector>

#include "vcl/controls.h"
#include "vcl/strings_list.h"

namespace vcl {

// A label: text drawn by its parent. With AutoSize (the default) it takes the size of its text, measured
// by the backend with its font, whenever the caption, the font, AutoSize or WordWrap change: a single-line
// label takes the text's width and height (a right-justified one keeps its right edge), a word-wrapped one
// keeps its width and takes the height of the wrapped text. An empty caption measures as one space.
class TLabel : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; Changed(TChange::Style); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { alignment_ = value; Changed(TChange::Style); }
    void SetText(const std::string& text) override;

protected:
    void FontChanged() override;

private:
    // Takes the measured size of the caption when AutoSize is on.
    void AdjustBounds();
    bool autoSize_ = true, transparent_ = false, wordWrap_ = false;
    TAlignment alignment_ = TAlignment::taLeftJustify;
};

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value) { shape_ = value; Changed(TChange::Style); }
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value) { style_ = value; Changed(TChange::Style); }

private:
    TBevelShape shape_ = TBevelShape::bsBox;
    TBevelStyle style_ = TBevelStyle::bsLowered;
};

class TPanel : public TWinControl {
public:
    using TWinControl::TWinControl;
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value) { bevelInner_ = value; Changed(TChange::Style); }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value) { bevelOuter_ = value; Changed(TChange::Style); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { alignment_ = value; Changed(TChange::Style); }

private:
    TBevelCut bevelInner_ = TBevelCut::bvNone, bevelOuter_ = TBevelCut::bvRaised;
    TAlignment alignment_ = TAlignment::taCenter;
};

class TGroupBox : public TWinControl {
public:
    using TWinControl::TWinControl;
};

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A push button. A click sets its form's ModalResult to the button's (when not mrNone), then fires OnClick;
// a bkClose button closes its form.
class TBitBtn : public TWinControl {
public:
    using TWinControl::TWinControl;
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    TBitBtnKind Kind() const { return kind_; }
    // Sets the kind's modal result as the runtime does (bkOK → mrOk, bkCancel → mrCancel, ...).
    void SetKind(TBitBtnKind kind);
    // Default: Enter presses it; Cancel: Esc presses it.
    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; Changed(TChange::Style); }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    void Click() override;

private:
    TModalResult modalResult_ = mrNone;
    TBitBtnKind kind_ = TBitBtnKind::bkCustom;
    bool default_ = false, cancel_ = false;
};

// A radio button. Checking one unchecks the other radio buttons of its parent and fires OnClick (also when
// the program sets Checked, as the runtime does).
class TRadioButton : public TWinControl {
public:
    using TWinControl::TWinControl;
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    void Click() override { SetChecked(true); }

private:
    bool checked_ = false;
};

// A one-line edit. Text changes fire OnChange. MaxLength 0 means no limit; longer texts are cut.
class TEdit : public TWinControl {
public:
    using TWinControl::TWinControl;
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; Changed(TChange::Style); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; Changed(TChange::Style); }
    void SetText(const std::string& text) override;
    TNotifyEvent OnChange;

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    TStrings Lines;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; Changed(TChange::Style); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value) { wordWrap_ = value; Changed(TChange::Style); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value) { scrollBars_ = value; Changed(TChange::Style); }
    // bsSingle (the default) draws the sunken edge; bsNone draws none. Other values count as bsSingle.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; Changed(TChange::Style); }

private:
    bool readOnly_ = false, wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

// A list box. ItemIndex is -1 or a valid index; the program setting it fires nothing, a user's selection
// (Select) fires OnClick.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    TStrings Items;
    int ItemIndex() const { return itemIndex_; }
    // Values outside the items select nothing (-1).
    void SetItemIndex(int index);
    // A user's selection: sets ItemIndex and fires OnClick.
    void Select(int index);

protected:
    // Keeps ItemIndex on the same item across insertions and deletions.
    virtual void ItemsChanged(TStrings::Edit edit, int index);

private:
    int itemIndex_ = -1;
};

// A list box with a check box per item. States follow the items (new items unchecked and enabled).
class TCheckListBox : public TListBox {
public:
    explicit TCheckListBox(TComponent* owner);
    // Index must be a valid item.
    TCheckBoxState State(int index) const;
    void SetState(int index, TCheckBoxState state);
    bool Checked(int index) const { return State(index) == TCheckBoxState::cbChecked; }
    void SetChecked(int index, bool checked);
    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool enabled);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    // A user's click on item index's check box: makes it the current item, sets state, fires OnClickCheck.
    void ClickCheck(int index, TCheckBoxState state);
    TNotifyEvent OnClickCheck;

private:
    struct ItemState {
        TCheckBoxState state = TCheckBoxState::cbUnchecked;
        bool enabled = true;
    };
    void ItemsChanged(TStrings::Edit edit, int index) override;
    std::vector<ItemState> states_;
    bool allowGrayed_ = false;
};

}  // namespace vcl
