// The report of `setupcheck simulate`: what a simulated run of the setup showed and changed, and its JSON
// form (UTF-8). Every text here is already UTF-8; the simulation converts the machine's code page.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupcheck {

struct ReportMessage {
    std::string caption, text;
    std::string icon;     // stop, warning, question, information, none
    std::string buttons;  // ok, okcancel, abortretryignore, yesnocancel, yesno, retrycancel
    std::string answer;   // ok, cancel, abort, retry, ignore, yes, no
    std::string by;       // session, default
};

struct ReportLaunch {
    std::string program, parameters, directory;
    std::string show;  // the show command's name: hide, normal, minimize, ...
};

// One page of the wizard as it appeared: its header texts as on screen (empty on page 1, whose header is
// hidden) and the state of Next and Back.
struct ReportShownPage {
    int page = 0;
    std::string title, description;
    std::string next;  // Next's caption
    bool nextEnabled = false;
    bool backVisible = false;
};

struct ReportWizard {
    int result = 0;
    std::vector<int> pages;              // the first page, then one entry per ShowPage call
    std::vector<ReportShownPage> shown;  // one entry each time a page (1..8) is shown
    int mode = 0;
    std::vector<std::string> products;   // checked, unchecked, grayed
    std::vector<std::vector<int>> modules;  // per product: the module states of the chosen mode
    std::vector<std::string> paths;      // per product: its installation directory
    std::string instance;
    std::vector<std::string> summary;    // the summary list's lines at the end
    std::vector<std::vector<std::string>> pathlist;  // path list rows (name, path, size) when page 7 was last shown
};

struct ReportFile {
    uint64_t size = 0;
    uint32_t crc32 = 0;
};

struct ReportLink {
    std::string target, workdir, description;
};

struct ReportChanges {
    std::map<std::string, ReportFile> files;  // added or changed, by Windows path
    std::vector<std::string> deleted;
    // key -> value name -> data; a deleted value has no data, a deleted key no values map.
    std::map<std::string, std::optional<std::map<std::string, std::optional<std::string>>>> registry;
    std::map<std::string, ReportLink> links;
};

struct Report {
    std::vector<ReportMessage> messages;
    std::vector<int> steps;
    std::string prompt;
    std::vector<std::string> busy;
    std::vector<ReportLaunch> launched;
    ReportWizard wizard;
    std::string endKind = "closed";  // closed, error, session
    std::string endMessage;
    ReportChanges changes;
    // What the stages could not do and show no message for (a value not written, a file not created).
    std::vector<std::string> failures;
    std::vector<std::string> unused;
};

// The report as a JSON document (two-space indentation, keys in the order docs/report.md lists them).
std::string ReportToJson(const Report& report);

// A JSON string literal of a UTF-8 text; bytes that are not valid UTF-8 become U+FFFD.
std::string JsonString(const std::string& utf8);

}  // namespace setupcheck
