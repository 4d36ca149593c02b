// The robot's description of every form (robot_protocol.h): the wait state, the forms, their controls in
// tree order, list items, list-view columns and rows, and the open message box or folder browser.
#include <cstdio>

#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/meters.h"
#include "vcl/stdctrls.h"
#include "vcl/win32/backend_impl.h"

namespace vcl::win32::detail {
namespace {

// A text field: backslash, tab, line feed and carriage return escaped.
std::string Escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

// Collects one line: fields joined by tabs, ended by a line feed.
class Line {
public:
    explicit Line(const char* kind) : text_(kind) {}
    Line& Field(const std::string& value) {
        text_ += '\t';
        text_ += value;
        return *this;
    }
    Line& Text(const std::string& value) { return Field(Escaped(value)); }
    Line& Number(long long value) { return Field(std::to_string(value)); }
    Line& Flag(bool value) { return Field(value ? "1" : "0"); }
    // LEFT TOP WIDTH HEIGHT, four fields.
    Line& Rect(const RECT& r) { return Number(r.left).Number(r.top).Number(r.right - r.left).Number(r.bottom - r.top); }
    void AppendTo(std::string& out) const {
        out += text_;
        out += '\n';
    }

private:
    std::string text_;
};

// The library's class name; most derived first.
const char* ClassName(const TControl& c) {
    if (dynamic_cast<const TForm*>(&c)) return "TForm";
    if (dynamic_cast<const TLabel*>(&c)) return "TLabel";
    if (dynamic_cast<const TBevel*>(&c)) return "TBevel";
    if (dynamic_cast<const TImage*>(&c)) return "TImage";
    if (dynamic_cast<const TArMeter*>(&c)) return "TArMeter";
    if (dynamic_cast<const TCGauge*>(&c)) return "TCGauge";
    if (dynamic_cast<const TPanel*>(&c)) return "TPanel";
    if (dynamic_cast<const TGroupBox*>(&c)) return "TGroupBox";
    if (dynamic_cast<const TBitBtn*>(&c)) return "TBitBtn";
    if (dynamic_cast<const TRadioButton*>(&c)) return "TRadioButton";
    if (dynamic_cast<const TMemo*>(&c)) return "TMemo";
    if (dynamic_cast<const TEdit*>(&c)) return "TEdit";
    if (dynamic_cast<const TCheckListBox*>(&c)) return "TCheckListBox";
    if (dynamic_cast<const TListBox*>(&c)) return "TListBox";
    if (dynamic_cast<const TListView*>(&c)) return "TListView";
    if (dynamic_cast<const TAnimate*>(&c)) return "TAnimate";
    if (dynamic_cast<const TTabSheet*>(&c)) return "TTabSheet";
    if (dynamic_cast<const TPageControl*>(&c)) return "TPageControl";
    return c.IsWindowed() ? "TWinControl" : "TGraphicControl";
}

std::string State(const TControl& c) {
    if (auto* radio = dynamic_cast<const TRadioButton*>(&c)) return radio->Checked() ? "1" : "0";
    if (auto* list = dynamic_cast<const TListBox*>(&c)) return std::to_string(list->ItemIndex());
    if (auto* view = dynamic_cast<const TListView*>(&c)) return std::to_string(view->SelectedIndex());
    if (auto* gauge = dynamic_cast<const TCGauge*>(&c)) return std::to_string(gauge->Progress());
    if (auto* meter = dynamic_cast<const TArMeter*>(&c)) return std::to_string(meter->Value());
    return "";
}

std::string Text(const TControl& c) {
    if (auto* memo = dynamic_cast<const TMemo*>(&c)) return memo->Lines.Count() ? memo->Lines.Text() : memo->Text();
    return c.Text();
}

std::string Hex(TColor color) {
    char buffer[12];
    std::snprintf(buffer, sizeof(buffer), "%08X", unsigned(color));
    return buffer;
}

const char* CheckState(TCheckBoxState state) {
    switch (state) {
    case TCheckBoxState::cbChecked: return "checked";
    case TCheckBoxState::cbGrayed: return "grayed";
    case TCheckBoxState::cbUnchecked: break;
    }
    return "unchecked";
}

const char* WaitKind(WaitState::Kind kind) {
    switch (kind) {
    case WaitState::Modal: return "modal";
    case WaitState::Application: return "application";
    case WaitState::Busy: return "busy";
    case WaitState::MessageBox: return "messagebox";
    case WaitState::Browser: return "browser";
    case WaitState::Hold: return "hold";
    }
    return "busy";
}

// Every control of root's tree, parents before children, each parent's children in its order.
void CollectControls(const TWinControl& root, std::vector<const TControl*>& out) {
    for (const TControl* child : root.Controls()) {
        out.push_back(child);
        if (auto* windowed = dynamic_cast<const TWinControl*>(child)) CollectControls(*windowed, out);
    }
}

}  // namespace

// The parent window's client origin plus the control's bounds; without a parent window, the nearest
// ancestor's that has one plus the offsets of the parents between.
RECT Win32Backend::ScreenRect(const TControl& control) const {
    POINT origin{control.Left(), control.Top()};
    for (const TWinControl* parent = control.Parent(); parent; parent = parent->Parent()) {
        if (HWND window = Handle(*parent)) {
            ClientToScreen(window, &origin);
            break;
        }
        origin.x += parent->Left();
        origin.y += parent->Top();
    }
    return RECT{origin.x, origin.y, origin.x + control.Width(), origin.y + control.Height()};
}

std::string Win32Backend::Describe() const {
    std::string out;
    TForm* modal = Screen->ActiveModalForm();
    WaitState wait = waits_.empty() ? WaitState{WaitState::Busy} : waits_.back();
    std::string waitForm = wait.kind == WaitState::Modal ? wait.form : modal ? modal->Name() : "";
    Line("wait").Field(WaitKind(wait.kind)).Text(waitForm).AppendTo(out);

    TForm* active = modal ? modal : Application->MainForm();
    std::vector<TForm*> forms;
    for (HWND window : topLevel_)
        if (auto* form = dynamic_cast<TForm*>(Control(window))) forms.push_back(form);
    for (TForm* form : forms) {
        HWND window = Handle(*form);
        RECT r{};
        GetWindowRect(window, &r);
        Line("form")
            .Text(form->Name())
            .Text(form->Caption())
            .Flag(form->Visible())
            .Flag(form->Enabled() && IsWindowEnabled(window))
            .Flag(form == active)
            .Rect(r)
            .AppendTo(out);
    }

    std::string items, columns, rows;
    for (TForm* form : forms) {
        std::vector<const TControl*> controls;
        CollectControls(*form, controls);
        for (const TControl* c : controls) {
            Line("control")
                .Text(form->Name())
                .Text(c->Name())
                .Field(ClassName(*c))
                .Text(c->Parent() ? c->Parent()->Name() : "")
                .Flag(c->Showing())
                .Flag(c->EnabledInTree())
                .Rect(ScreenRect(*c))
                .Field(Hex(c->Font.Color()))
                .Field(State(*c))
                .Text(Text(*c))
                .AppendTo(out);
            if (auto* list = dynamic_cast<const TListBox*>(c)) {
                auto* checks = dynamic_cast<const TCheckListBox*>(c);
                for (int i = 0; i < list->Items.Count(); ++i)
                    Line("item")
                        .Text(form->Name())
                        .Text(c->Name())
                        .Number(i)
                        .Field(checks ? CheckState(checks->State(i)) : "-")
                        .Flag(checks ? checks->ItemEnabled(i) : true)
                        .Text(list->Items[i])
                        .AppendTo(items);
            } else if (auto* view = dynamic_cast<const TListView*>(c)) {
                for (size_t i = 0; i < view->Columns().size(); ++i)
                    Line("column")
                        .Text(form->Name())
                        .Text(c->Name())
                        .Number(static_cast<long long>(i))
                        .Number(view->Columns()[i].Width)
                        .Text(view->Columns()[i].Caption)
                        .AppendTo(columns);
                for (int i = 0; i < view->ItemCount(); ++i) {
                    Line row("row");
                    row.Text(form->Name()).Text(c->Name()).Number(i).Text(view->Item(i).Caption);
                    for (const std::string& cell : view->Item(i).SubItems) row.Text(cell);
                    row.AppendTo(rows);
                }
            }
        }
    }
    out += items;
    out += columns;
    out += rows;

    for (const WaitState& state : waits_) {
        if (state.kind == WaitState::MessageBox)
            Line("messagebox").Text(state.caption).Number(state.flags).Text(state.text).AppendTo(out);
        else if (state.kind == WaitState::Browser)
            Line("browser").Number(state.flags).Text(state.caption).AppendTo(out);
    }
    return out;
}

}  // namespace vcl::win32::detail
