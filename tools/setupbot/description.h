// What SETUP.EXE answers to Describe (src/vcl/win32/robot_protocol.h), parsed: the wait line, the forms,
// their controls, list items, list-view columns and rows, and the open message box or folder browser.
// Texts stay in the system code page as received. No Windows calls here, so the parser is testable alone.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace setupbot {

class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Screen coordinates, as the description gives them.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct FormInfo {
    std::string name, caption;
    bool visible = false, enabled = false, active = false;
    Rect rect;
};

struct ControlInfo {
    std::string form, name, className, parent;
    bool showing = false, enabled = false;  // the control and every parent
    Rect rect;
    unsigned color = 0;  // the font colour, a TColor
    std::string state, text;
};

struct ItemInfo {
    std::string form, control;
    int index = 0;
    std::string state;  // "checked", "unchecked", "grayed" or "-"
    bool enabled = false;
    std::string text;
};

struct ColumnInfo {
    std::string form, control;
    int index = 0, width = 0;
    std::string caption;
};

struct RowInfo {
    std::string form, control;
    int index = 0;
    std::vector<std::string> cells;  // the caption, then the sub-items
};

struct MessageBoxInfo {
    std::string caption;
    unsigned flags = 0;  // MB_* flags
    std::string text;
};

struct BrowserInfo {
    unsigned flags = 0;  // BIF_* flags
    std::string title;
};

struct Description {
    std::string wait;      // modal, application, busy, messagebox, browser, hold
    std::string waitForm;  // the active modal form, or empty
    std::vector<FormInfo> forms;
    std::vector<ControlInfo> controls;
    std::vector<ItemInfo> items;
    std::vector<ColumnInfo> columns;
    std::vector<RowInfo> rows;
    std::optional<MessageBoxInfo> messageBox;
    std::optional<BrowserInfo> browser;

    const FormInfo* Form(std::string_view name) const;
    const ControlInfo* Control(std::string_view form, std::string_view name) const;
    std::vector<const ItemInfo*> Items(std::string_view form, std::string_view control) const;
    std::vector<const RowInfo*> Rows(std::string_view form, std::string_view control) const;
};

// Parses a description. Unknown line kinds are skipped (a newer setup may add some); a known line with
// too few fields, a number that is not one, or a bad escape raises DescriptionError naming the line.
Description ParseDescription(std::string_view text);

// Undoes the field escapes: "\\\\" backslash, "\\t" tab, "\\n" line feed, "\\r" carriage return.
// Throws DescriptionError on any other escape or a trailing backslash.
std::string UnescapeField(std::string_view field);

}  // namespace setupbot
