// TStrings: lines with change notification.
#include "vcl/strings_list.h"

#include <cassert>

#include "os/machine.h"
#include "rtl/exceptions.h"

namespace vcl {

const std::string& TStrings::operator[](int index) const {
    assert(index >= 0 && index < Count());
    return lines_[size_t(index)];
}

int TStrings::Add(const std::string& line) {
    lines_.push_back(line);
    Changed(Edit::Insert, Count() - 1);
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& line) {
    assert(index >= 0 && index <= Count());
    lines_.insert(lines_.begin() + index, line);
    Changed(Edit::Insert, index);
}

void TStrings::Delete(int index) {
    assert(index >= 0 && index < Count());
    lines_.erase(lines_.begin() + index);
    Changed(Edit::Delete, index);
}

void TStrings::Clear() {
    lines_.clear();
    Changed(Edit::Reset, 0);
}

std::string TStrings::Text() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\r\n";
    return text;
}

void TStrings::SetText(const std::string& text) {
    lines_.clear();
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines_.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines_.push_back(line);
    Changed(Edit::Reset, 0);
}

int TStrings::IndexOf(const std::string& line) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i] == line) return int(i);
    return -1;
}

void TStrings::LoadFromFile(const std::string& fileName) {
    auto file = os::files().openFile(fileName, os::kOpenRead | os::kShareDenyWrite);
    if (!file) throw rtl::EFOpenError("Cannot open file \"" + fileName + "\"");
    std::string text;
    char buffer[16384];
    for (;;) {
        int64_t got = file->read(buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, size_t(got));
    }
    SetText(text);
}

}  // namespace vcl
