// The simulated machine's private-profile files, read and written through the machine's own files. Reads
// follow what the profile calls return; writes edit the file in place as Windows does, so every line a
// write does not touch keeps its bytes.
#include <algorithm>
#include <map>
#include <memory>
#include <string_view>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_parts.h"

namespace os::sim::detail {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// One line of the file. begin..end is its text without the line end, next where the following line starts.
struct Line {
    size_t begin = 0, end = 0, next = 0;
    enum class Kind { Blank, Section, Entry } kind = Kind::Blank;
    std::string name;       // of a section or an entry
    bool hasValue = false;  // an entry with '='
    std::string value;      // trimmed, quotes kept
    std::string folded;     // the name as lookups compare it
};

// A section: its header line (none for the lines before the first header) and the lines up to the next.
struct Section {
    std::string name;
    std::string folded;  // the name as lookups compare it
    bool hasHeader = false;
    size_t header = 0, first = 0, end = 0;  // line indexes; first..end are the lines after the header
};

class Document {
public:
    Document(std::string text, CodePage& codePage) : text_(std::move(text)), codePage_(codePage) { parse(); }

    const std::string& text() const { return text_; }
    const std::vector<Line>& lines() const { return lines_; }
    const std::vector<Section>& sections() const { return sections_; }

    // ASCII letters folded, double-byte characters compared whole.
    std::string fold(std::string_view name) const {
        std::string result(name);
        for (size_t i = 0; i < result.size(); ++i) {
            auto c = static_cast<uint8_t>(result[i]);
            if (codePage_.isLeadByte(c) && i + 1 < result.size()) ++i;
            else if (c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 32);
        }
        return result;
    }

    // The first section of that name, or null.
    const Section* section(const std::string& name) const {
        std::string wanted = fold(Trim(name));
        for (const Section& s : sections_)
            if (s.folded == wanted) return &s;
        return nullptr;
    }

    // The first entry of that name in a section; its line index, or -1.
    long entry(const Section& s, const std::string& name) const {
        std::string wanted = fold(Trim(name));
        for (size_t i = s.first; i < s.end; ++i)
            if (lines_[i].kind == Line::Kind::Entry && lines_[i].folded == wanted) return static_cast<long>(i);
        return -1;
    }

private:
    // The last ']' of a header, found with double-byte characters in mind (0x5D is also a trail byte).
    size_t closingBracket(std::string_view text) const {
        size_t found = std::string_view::npos;
        for (size_t i = 0; i < text.size(); ++i) {
            if (codePage_.isLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) ++i;
            else if (text[i] == ']') found = i;
        }
        return found;
    }

    void parse() {
        sections_.push_back(Section());
        size_t at = 0;
        while (at < text_.size()) {
            Line line;
            line.begin = at;
            size_t newline = text_.find('\n', at);
            line.next = newline == std::string::npos ? text_.size() : newline + 1;
            line.end = newline == std::string::npos ? text_.size() : newline;
            if (line.end > line.begin && text_[line.end - 1] == '\r') --line.end;
            at = line.next;

            std::string_view content = Trim(std::string_view(text_).substr(line.begin, line.end - line.begin));
            size_t bracket = content.empty() || content[0] != '[' ? std::string_view::npos : closingBracket(content);
            if (content.empty()) {
                line.kind = Line::Kind::Blank;
            } else if (bracket != std::string_view::npos) {
                line.kind = Line::Kind::Section;
                line.name = Trim(content.substr(1, bracket - 1));
                sections_.back().end = lines_.size();
                Section s;
                s.name = line.name;
                s.hasHeader = true;
                s.header = lines_.size();
                s.first = lines_.size() + 1;
                sections_.push_back(s);
            } else {
                // '=' (0x3D) is never the second byte of a double-byte character.
                line.kind = Line::Kind::Entry;
                size_t equals = content.find('=');
                line.name = Trim(content.substr(0, equals));
                if (equals != std::string_view::npos) {
                    line.hasValue = true;
                    line.value = Trim(content.substr(equals + 1));
                }
            }
            lines_.push_back(std::move(line));
        }
        sections_.back().end = lines_.size();
        // Names are folded once here: a document is looked up many times.
        for (Section& section : sections_) section.folded = fold(section.name);
        for (Line& line : lines_)
            if (line.kind == Line::Kind::Entry) line.folded = fold(line.name);
    }

    std::string text_;
    CodePage& codePage_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

class SimProfile : public Profile {
public:
    explicit SimProfile(SimMachine& machine) : machine_(machine) {}

    std::string readString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        const Document& doc = parsed(file);
        const Section* s = doc.section(section);
        long at = s ? doc.entry(*s, key) : -1;
        if (at < 0 || !doc.lines()[at].hasValue) return defaultValue;
        std::string value = doc.lines()[at].value;
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value;
    }

    // Entries with a value, except those whose name starts with ';' (comments).
    std::vector<std::string> sectionKeys(const std::string& file, const std::string& section) override {
        std::vector<std::string> keys;
        const Document& doc = parsed(file);
        if (const Section* s = doc.section(section)) {
            for (size_t i = s->first; i < s->end; ++i) {
                const Line& line = doc.lines()[i];
                if (line.kind == Line::Kind::Entry && line.hasValue && !line.name.empty() && line.name[0] != ';')
                    keys.push_back(line.name);
            }
        }
        return keys;
    }

    // Every header with a name, duplicates included.
    std::vector<std::string> sectionNames(const std::string& file) override {
        std::vector<std::string> names;
        const Document& doc = parsed(file);
        for (const Section& s : doc.sections())
            if (s.hasHeader && !s.name.empty()) names.push_back(s.name);
        return names;
    }

    bool writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) override {
        std::string bytes;
        if (!loadForChange(file, bytes)) return false;
        Document doc(bytes, machine_.codePage());
        const std::string& text = doc.text();
        const Section* s = doc.section(section);
        std::string newEntry = std::string(Trim(key)) + "=" + value;
        if (!s) {
            // A new section goes to the end, set off by a blank line unless the file is empty.
            std::string result = text;
            if (!result.empty()) {
                if (result.back() != '\n') result += "\r\n";
                result += "\r\n";
            }
            result += "[" + std::string(Trim(section)) + "]\r\n" + newEntry + "\r\n";
            return save(file, result);
        }
        long at = doc.entry(*s, key);
        if (at >= 0) {
            const Line& line = doc.lines()[at];
            return save(file, text.substr(0, line.begin) + line.name + "=" + value + text.substr(line.end));
        }
        // A new key follows the section's last line that is not blank (its header when it has nothing else).
        size_t last = s->hasHeader ? s->header : std::string::npos;
        for (size_t i = s->first; i < s->end; ++i)
            if (doc.lines()[i].kind != Line::Kind::Blank) last = i;
        size_t insertAt = last == std::string::npos ? 0 : doc.lines()[last].next;
        std::string lineEnd;
        if (insertAt > 0 && text[insertAt - 1] != '\n') lineEnd = "\r\n";  // the last line had no line end
        return save(file, text.substr(0, insertAt) + lineEnd + newEntry + "\r\n" + text.substr(insertAt));
    }

    bool deleteKey(const std::string& file, const std::string& section, const std::string& key) override {
        std::string bytes;
        if (!loadForChange(file, bytes)) return false;
        Document doc(bytes, machine_.codePage());
        const Section* s = doc.section(section);
        long at = s ? doc.entry(*s, key) : -1;
        if (at < 0) return true;
        const Line& line = doc.lines()[at];
        return save(file, doc.text().substr(0, line.begin) + doc.text().substr(line.next));
    }

    // The header and every line up to the next header.
    bool deleteSection(const std::string& file, const std::string& section) override {
        std::string bytes;
        if (!loadForChange(file, bytes)) return false;
        Document doc(bytes, machine_.codePage());
        const Section* s = doc.section(section);
        if (!s) return true;
        size_t from = s->hasHeader ? s->header : s->first;
        size_t begin = from < doc.lines().size() ? doc.lines()[from].begin : doc.text().size();
        size_t end = s->end < doc.lines().size() ? doc.lines()[s->end].begin : doc.text().size();
        if (begin == end) return true;
        return save(file, doc.text().substr(0, begin) + doc.text().substr(end));
    }

private:
    // A name without any path is taken from the Windows directory, as the profile calls do.
    std::string resolve(const std::string& file) {
        bool bare = file.find_first_of("\\/") == std::string::npos && !(file.size() >= 2 && file[1] == ':');
        return bare ? machine_.settings().windowsDirectory + "\\" + file : file;
    }

    // The file parsed. Reads parse the same file again and again (a setup reads its description a key at
    // a time), so the last few parses are kept and reused while the file's bytes are the same.
    const Document& parsed(const std::string& file) {
        std::string bytes = load(file);
        const std::string path = resolve(file);
        const uint32_t codePage = machine_.codePage().ansiCodePage();
        auto it = parses_.find(path);
        if (it != parses_.end() && it->second.codePage == codePage && it->second.document->text() == bytes)
            return *it->second.document;
        if (parses_.size() >= kKeptParses) parses_.clear();
        Parse& parse = parses_[path];
        parse.codePage = codePage;
        parse.document = std::make_unique<Document>(std::move(bytes), machine_.codePage());
        return *parse.document;
    }

    // The file's bytes; empty when it cannot be read.
    std::string load(const std::string& file) {
        auto handle = machine_.files().openFile(resolve(file), kOpenRead | kShareDenyNone);
        if (!handle) return "";
        std::string text(static_cast<size_t>(std::max<int64_t>(handle->size(), 0)), '\0');
        int64_t n = handle->read(text.data(), static_cast<int64_t>(text.size()));
        text.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
        return text;
    }

    // The bytes a change starts from: true with the whole file, or with nothing when there is no file. A
    // file that exists but cannot be read whole refuses the change (with the read's error): rewriting it
    // from what could be read would lose the rest.
    bool loadForChange(const std::string& file, std::string& text) {
        text.clear();
        FileSystem& fs = machine_.files();
        auto handle = fs.openFile(resolve(file), kOpenRead | kShareDenyNone);
        if (!handle) return fs.lastError() == kErrorFileNotFound || fs.lastError() == kErrorPathNotFound;
        const int64_t size = handle->size();
        if (size < 0) return false;
        text.assign(static_cast<size_t>(size), '\0');
        return handle->read(text.data(), size) == size;
    }

    // Rewrites the file in place (keeping its attributes), or creates it. A longer text first claims the
    // space it needs at the end of the file, so a full disk refuses the change before a byte of the old
    // text is overwritten; the file is then left as it was.
    bool save(const std::string& file, const std::string& text) {
        std::string path = resolve(file);
        FileSystem& fs = machine_.files();
        auto handle = fs.openFile(path, kOpenReadWrite | kShareDenyWrite);
        if (!handle) {
            if (fs.lastError() != kErrorFileNotFound) return false;
            handle = fs.createFile(path);
            if (!handle) return false;
            // A file made for this write goes again when the write fails: no empty file is left.
            if (!rewrite(*handle, text)) {
                const uint32_t error = fs.lastError();
                handle.reset();
                fs.deleteFile(path);
                LastError() = error;
                return false;
            }
            return true;
        }
        return rewrite(*handle, text);
    }

    bool rewrite(File& file, const std::string& text) {
        FileSystem& fs = machine_.files();
        File* handle = &file;
        const auto size = static_cast<int64_t>(text.size());
        const int64_t oldSize = handle->size();
        if (oldSize < 0) return false;
        if (size > oldSize) {
            const int64_t tail = size - oldSize;
            if (handle->seek(oldSize, SeekOrigin::Begin) < 0) return false;
            if (handle->write(text.data() + oldSize, tail) != tail) {
                const uint32_t error = fs.lastError();
                if (handle->seek(oldSize, SeekOrigin::Begin) >= 0) handle->truncate();
                LastError() = error;
                return false;
            }
        }
        const int64_t head = std::min(size, oldSize);
        if (handle->seek(0, SeekOrigin::Begin) < 0 || handle->write(text.data(), head) != head) return false;
        return handle->seek(size, SeekOrigin::Begin) >= 0 && handle->truncate();
    }

    struct Parse {
        uint32_t codePage = 0;
        std::unique_ptr<Document> document;
    };
    static constexpr size_t kKeptParses = 8;

    SimMachine& machine_;
    std::map<std::string, Parse> parses_;  // by resolved path
};

}  // namespace

std::unique_ptr<Profile> MakeProfile(SimMachine& machine) { return std::make_unique<SimProfile>(machine); }

}  // namespace os::sim::detail
