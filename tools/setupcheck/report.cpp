// The JSON form of a simulation report.
#include "setupcheck/report.h"

#include <cstdio>

namespace setupcheck {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one.
size_t Utf8Length(const std::string& text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    if (length == 2 && lead < 0xC2) return 0;  // overlong
    return length;
}

// Writes values with indentation; a tiny builder rather than a document tree, since the report is
// written once in a fixed order.
class Writer {
public:
    std::string out;

    void Open(char bracket) {
        Separate();
        out += bracket;
        ++depth_;
        first_ = true;
    }
    void Close(char bracket) {
        --depth_;
        if (!first_) NewLine();
        out += bracket;
        first_ = false;
    }
    void Key(const std::string& key) {
        Separate();
        out += JsonString(key) + ": ";
        afterKey_ = true;
    }
    void String(const std::string& value) { Raw(JsonString(value)); }
    void Int(long long value) { Raw(std::to_string(value)); }
    void Null() { Raw("null"); }
    void Raw(const std::string& text) {
        Separate();
        out += text;
    }
    // A short array of numbers on one line.
    void IntArray(const std::vector<int>& values) {
        std::string text = "[";
        for (size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + std::to_string(values[i]);
        Raw(text + "]");
    }
    void StringArray(const std::vector<std::string>& values) {
        Open('[');
        for (const auto& v : values) String(v);
        Close(']');
    }

private:
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            first_ = false;
            return;
        }
        if (depth_ > 0) {
            if (!first_) out += ',';
            NewLine();
        }
        first_ = false;
    }
    void NewLine() { out += '\n' + std::string(size_t(depth_) * 2, ' '); }

    int depth_ = 0;
    bool first_ = true;
    bool afterKey_ = false;
};

}  // namespace

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t length = Utf8Length(utf8, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(utf8, i, length);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
        i += length;
    }
    return out + "\"";
}

std::string ReportToJson(const Report& report) {
    Writer w;
    w.Open('{');

    w.Key("messages");
    w.Open('[');
    for (const ReportMessage& m : report.messages) {
        w.Open('{');
        w.Key("caption"), w.String(m.caption);
        w.Key("text"), w.String(m.text);
        w.Key("icon"), w.String(m.icon);
        w.Key("buttons"), w.String(m.buttons);
        w.Key("answer"), w.String(m.answer);
        w.Key("by"), w.String(m.by);
        w.Close('}');
    }
    w.Close(']');

    w.Key("steps"), w.IntArray(report.steps);
    w.Key("prompt"), w.String(report.prompt);
    w.Key("busy"), w.StringArray(report.busy);

    w.Key("launched");
    w.Open('[');
    for (const ReportLaunch& l : report.launched) {
        w.Open('{');
        w.Key("program"), w.String(l.program);
        w.Key("parameters"), w.String(l.parameters);
        w.Key("directory"), w.String(l.directory);
        w.Key("show"), w.String(l.show);
        w.Close('}');
    }
    w.Close(']');

    const ReportWizard& z = report.wizard;
    w.Key("wizard");
    w.Open('{');
    w.Key("result"), w.Int(z.result);
    w.Key("pages"), w.IntArray(z.pages);
    w.Key("shown");
    w.Open('[');
    for (const ReportShownPage& page : z.shown) {
        w.Open('{');
        w.Key("page"), w.Int(page.page);
        w.Key("title"), w.String(page.title);
        w.Key("description"), w.String(page.description);
        w.Key("next"), w.String(page.next);
        w.Key("next_enabled"), w.Raw(page.nextEnabled ? "true" : "false");
        w.Key("back_visible"), w.Raw(page.backVisible ? "true" : "false");
        w.Close('}');
    }
    w.Close(']');
    w.Key("mode"), w.Int(z.mode);
    w.Key("products"), w.StringArray(z.products);
    w.Key("modules");
    w.Open('[');
    for (const auto& states : z.modules) w.IntArray(states);
    w.Close(']');
    w.Key("paths"), w.StringArray(z.paths);
    w.Key("instance"), w.String(z.instance);
    w.Key("summary"), w.StringArray(z.summary);
    w.Key("pathlist");
    w.Open('[');
    for (const auto& row : z.pathlist) w.StringArray(row);
    w.Close(']');
    w.Close('}');

    w.Key("end");
    w.Open('{');
    w.Key("kind"), w.String(report.endKind);
    w.Key("message"), w.String(report.endMessage);
    w.Close('}');

    const ReportChanges& c = report.changes;
    w.Key("changes");
    w.Open('{');
    w.Key("files");
    w.Open('{');
    for (const auto& [path, file] : c.files) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", unsigned(file.crc32));
        w.Key(path);
        w.Open('{');
        w.Key("size"), w.Int(static_cast<long long>(file.size));
        w.Key("crc32"), w.String(crc);
        w.Close('}');
    }
    w.Close('}');
    w.Key("deleted"), w.StringArray(c.deleted);
    w.Key("registry");
    w.Open('{');
    for (const auto& [key, values] : c.registry) {
        w.Key(key);
        if (!values) {
            w.Null();
            continue;
        }
        w.Open('{');
        for (const auto& [name, data] : *values) {
            w.Key(name);
            if (data) w.String(*data); else w.Null();
        }
        w.Close('}');
    }
    w.Close('}');
    w.Key("links");
    w.Open('{');
    for (const auto& [path, link] : c.links) {
        w.Key(path);
        w.Open('{');
        w.Key("target"), w.String(link.target);
        w.Key("workdir"), w.String(link.workdir);
        w.Key("description"), w.String(link.description);
        w.Close('}');
    }
    w.Close('}');
    w.Close('}');

    w.Key("failures"), w.StringArray(report.failures);
    w.Key("unused"), w.StringArray(report.unused);
    w.Close('}');
    return w.out + "\n";
}

}  // namespace setupcheck
