// The findings of `setupcheck validate`: one problem of a medium each, with the file and line it is
// about, its severity and a stable code, collected in any order and handed out in file order.
#pragma once
#include <string>
#include <vector>

namespace setupcheck::validate {

enum class Severity { Error, Warning };

struct Finding {
    std::string file;     // name as on the medium: "SETUP.INI", "CONFIG.INI", "COMMENT.INI", "License.TXT"...
    int line = 0;         // 1-based line of the entry concerned; 0 for a missing file
    Severity severity = Severity::Error;
    std::string code;     // stable identifier of the kind of check (docs/medium-format.md lists them)
    std::string message;  // UTF-8, one line
};

class Findings {
public:
    void Error(const std::string& file, int line, const std::string& code, const std::string& message) {
        Add({file, line, Severity::Error, code, message});
    }
    void Warning(const std::string& file, int line, const std::string& code, const std::string& message) {
        Add({file, line, Severity::Warning, code, message});
    }
    // A finding equal to one already held (same file, line, code and message) is dropped.
    void Add(Finding finding);

    // In file order: SETUP.INI, CONFIG.INI, COMMENT.INI, then other files by name; within a file by line,
    // and findings of one line in the order they were added.
    std::vector<Finding> Sorted() const;
    int ErrorCount() const;
    int WarningCount() const;

private:
    std::vector<Finding> findings_;
};

// "FILE:LINE: error: MESSAGE" lines, then "N errors, M warnings".
std::string FindingsToText(const std::vector<Finding>& findings);
// A JSON array of objects with file, line, severity, code and message.
std::string FindingsToJson(const std::vector<Finding>& findings);

}  // namespace setupcheck::validate
