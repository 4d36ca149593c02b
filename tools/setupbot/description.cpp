// Parser of the Describe answer: one record per line, fields separated by tabs, escapes in text fields.
#include "setupbot/description.h"

#include <charconv>

namespace setupbot {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

// Reads the fields of one line in order, checking each as it is taken.
class FieldReader {
public:
    FieldReader(std::vector<std::string_view> fields, int line) : fields_(std::move(fields)), line_(line) {}

    std::string Text() { return UnescapeField(Next()); }
    long long Number(int base = 10) {
        std::string_view field = Next();
        long long value = 0;
        auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
        if (field.empty() || error != std::errc() || end != field.data() + field.size())
            Fail("not a number: " + std::string(field));
        return value;
    }
    int Int() { return static_cast<int>(Number()); }
    bool Flag() {
        std::string_view field = Next();
        if (field != "0" && field != "1") Fail("not a flag: " + std::string(field));
        return field == "1";
    }
    Rect Rectangle() {
        Rect rect;
        rect.left = Int();
        rect.top = Int();
        rect.width = Int();
        rect.height = Int();
        return rect;
    }
    bool AtEnd() const { return next_ >= fields_.size(); }
    [[noreturn]] void Fail(const std::string& what) const {
        throw DescriptionError("description, line " + std::to_string(line_) + ": " + what);
    }

private:
    std::string_view Next() {
        if (AtEnd()) Fail("too few fields");
        return fields_[next_++];
    }
    std::vector<std::string_view> fields_;
    size_t next_ = 1;  // the first field is the line's kind
    int line_;
};

}  // namespace

std::string UnescapeField(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size()) throw DescriptionError("description: a text ends with a lone backslash");
        switch (field[i]) {
        case '\\': text += '\\'; break;
        case 't': text += '\t'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        default: throw DescriptionError(std::string("description: unknown escape \\") + field[i]);
        }
    }
    return text;
}

Description ParseDescription(std::string_view text) {
    Description description;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        std::vector<std::string_view> fields = SplitFields(line);
        std::string_view kind = fields[0];
        FieldReader read(fields, lineNumber);
        try {
            if (kind == "wait") {
                description.wait = read.Text();
                description.waitForm = read.AtEnd() ? "" : read.Text();
            } else if (kind == "form") {
                FormInfo form;
                form.name = read.Text();
                form.caption = read.Text();
                form.visible = read.Flag();
                form.enabled = read.Flag();
                form.active = read.Flag();
                form.rect = read.Rectangle();
                description.forms.push_back(std::move(form));
            } else if (kind == "control") {
                ControlInfo control;
                control.form = read.Text();
                control.name = read.Text();
                control.className = read.Text();
                control.parent = read.Text();
                control.showing = read.Flag();
                control.enabled = read.Flag();
                control.rect = read.Rectangle();
                control.color = static_cast<unsigned>(read.Number(16));
                control.state = read.Text();
                control.text = read.Text();
                description.controls.push_back(std::move(control));
            } else if (kind == "item") {
                ItemInfo item;
                item.form = read.Text();
                item.control = read.Text();
                item.index = read.Int();
                item.state = read.Text();
                item.enabled = read.Flag();
                item.text = read.Text();
                description.items.push_back(std::move(item));
            } else if (kind == "column") {
                ColumnInfo column;
                column.form = read.Text();
                column.control = read.Text();
                column.index = read.Int();
                column.width = read.Int();
                column.caption = read.Text();
                description.columns.push_back(std::move(column));
            } else if (kind == "row") {
                RowInfo row;
                row.form = read.Text();
                row.control = read.Text();
                row.index = read.Int();
                while (!read.AtEnd()) row.cells.push_back(read.Text());
                description.rows.push_back(std::move(row));
            } else if (kind == "messagebox") {
                MessageBoxInfo box;
                box.caption = read.Text();
                box.flags = static_cast<unsigned>(read.Number());
                box.text = read.Text();
                description.messageBox = std::move(box);
            } else if (kind == "browser") {
                BrowserInfo browser;
                browser.flags = static_cast<unsigned>(read.Number());
                browser.title = read.Text();
                description.browser = std::move(browser);
            }
        } catch (const DescriptionError& error) {
            std::string what = error.what();
            if (what.rfind("description, line", 0) == 0) throw;
            throw DescriptionError("description, line " + std::to_string(lineNumber) + what.substr(11));
        }
    }
    if (description.wait.empty()) throw DescriptionError("description: no wait line");
    return description;
}

const FormInfo* Description::Form(std::string_view name) const {
    for (const FormInfo& form : forms)
        if (form.name == name) return &form;
    return nullptr;
}

const ControlInfo* Description::Control(std::string_view form, std::string_view name) const {
    for (const ControlInfo& control : controls)
        if (control.form == form && control.name == name) return &control;
    return nullptr;
}

std::vector<const ItemInfo*> Description::Items(std::string_view form, std::string_view control) const {
    std::vector<const ItemInfo*> found;
    for (const ItemInfo& item : items)
        if (item.form == form && item.control == control) found.push_back(&item);
    return found;
}

std::vector<const RowInfo*> Description::Rows(std::string_view form, std::string_view control) const {
    std::vector<const RowInfo*> found;
    for (const RowInfo& row : rows)
        if (row.form == form && row.control == control) found.push_back(&row);
    return found;
}

}  // namespace setupbot
