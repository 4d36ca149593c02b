// Ordering and output of findings.
#include "setupcheck/validate/findings.h"

#include <algorithm>
#include <tuple>

#include "setupcheck/report.h"

namespace setupcheck::validate {

namespace {

int FileRank(const std::string& file) {
    if (file == "SETUP.INI") return 0;
    if (file == "CONFIG.INI") return 1;
    if (file == "COMMENT.INI") return 2;
    return 3;
}

const char* SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

}  // namespace

void Findings::Add(Finding finding) {
    for (const Finding& held : findings_)
        if (held.file == finding.file && held.line == finding.line && held.code == finding.code &&
            held.message == finding.message)
            return;
    findings_.push_back(std::move(finding));
}

std::vector<Finding> Findings::Sorted() const {
    std::vector<Finding> sorted = findings_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
        return std::make_tuple(FileRank(a.file), a.file, a.line) < std::make_tuple(FileRank(b.file), b.file, b.line);
    });
    return sorted;
}

int Findings::ErrorCount() const {
    return static_cast<int>(std::count_if(findings_.begin(), findings_.end(),
                                          [](const Finding& f) { return f.severity == Severity::Error; }));
}

int Findings::WarningCount() const { return static_cast<int>(findings_.size()) - ErrorCount(); }

std::string FindingsToText(const std::vector<Finding>& findings) {
    std::string out;
    int errors = 0;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error) ++errors;
        out += f.file + ":" + std::to_string(f.line) + ": " + SeverityName(f.severity) + ": " + f.message + "\n";
    }
    int warnings = static_cast<int>(findings.size()) - errors;
    out += std::to_string(errors) + " errors, " + std::to_string(warnings) + " warnings\n";
    return out;
}

std::string FindingsToJson(const std::vector<Finding>& findings) {
    std::string out = "[";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += i ? ",\n  " : "\n  ";
        out += "{\"file\": " + JsonString(f.file) + ", \"line\": " + std::to_string(f.line) +
               ", \"severity\": \"" + SeverityName(f.severity) + "\", \"code\": " + JsonString(f.code) +
               ", \"message\": " + JsonString(f.message) + "}";
    }
    out += findings.empty() ? "]\n" : "\n]\n";
    return out;
}

}  // namespace setupcheck::validate
