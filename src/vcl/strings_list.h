// TStrings: the list of lines that memos, list boxes and check-list boxes hold. Every change tells the
// owning control through OnChange, so per-item data (check states) can follow insertions and deletions.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vcl {

class TStrings {
public:
    int Count() const { return int(lines_.size()); }
    // Index must be in 0..Count-1.
    const std::string& operator[](int index) const;
    const std::vector<std::string>& Lines() const { return lines_; }
    // Appends a line and returns its index.
    int Add(const std::string& line);
    void Insert(int index, const std::string& line);
    void Delete(int index);
    void Clear();
    // The lines joined with CR LF after each; SetText splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);
    int IndexOf(const std::string& line) const;
    // Replaces the lines with a text file's, read through the machine port; EFOpenError when it cannot be
    // opened (the lines stay as they were).
    void LoadFromFile(const std::string& fileName);

    // What changed: a line inserted (or added) at index, a line deleted at index, or everything replaced.
    enum class Edit { Insert, Delete, Reset };
    std::function<void(Edit edit, int index)> OnChange;

private:
    void Changed(Edit edit, int index) { if (OnChange) OnChange(edit, index); }
    std::vector<std::string> lines_;
};

}  // namespace vcl
