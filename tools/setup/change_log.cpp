// Folding and writing the journal of an unattended run.
#include "setup/change_log.h"

#include <cstdio>
#include <map>
#include <set>

#include "os/machine.h"
#include "rtl/strings.h"
#include "setupcheck/headless_run.h"

namespace unattended {
namespace {

using journal::Change;
using journal::ChangeKind;

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

// Windows compares file names and registry names without case; the fold does too, keeping the spelling
// a name was first given in.
class Names {
public:
    const std::string& Spelling(const std::string& name) {
        auto [at, added] = spellings_.emplace(rtl::AnsiUpperCase(name), name);
        return at->second;
    }

private:
    std::map<std::string, std::string> spellings_;
};

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", unsigned(value));
    return text;
}

}  // namespace

void FoldChanges(const std::vector<Change>& changes, setupcheck::ReportChanges& out,
                 std::vector<setupcheck::ReportLaunch>& launched) {
    Names names;
    std::map<std::string, setupcheck::ReportFile> files;  // ANSI spelling -> last state
    std::set<std::string> madeHere;                       // files that did not exist before the run
    std::set<std::string> deleted;
    using Values = std::map<std::string, std::optional<std::string>>;
    std::map<std::string, std::optional<Values>> registry;
    std::map<std::string, std::set<std::string>> valuesMadeHere;
    std::set<std::string> keysMadeHere;
    std::map<std::string, os::ShellLinkSpec> links;

    for (const Change& change : changes) {
        switch (change.kind) {
        case ChangeKind::FileWritten: {
            const std::string& path = names.Spelling(change.path);
            if (!change.replaced && !deleted.count(path)) madeHere.insert(path);
            deleted.erase(path);
            files[path] = {change.size, change.crc32};
            break;
        }
        case ChangeKind::FileDeleted: {
            const std::string& path = names.Spelling(change.path);
            files.erase(path);
            if (!madeHere.erase(path)) deleted.insert(path);
            break;
        }
        case ChangeKind::RegistryKeyCreated: {
            const std::string& key = names.Spelling(change.path);
            keysMadeHere.insert(key);
            auto& values = registry[key];
            if (!values) values.emplace();
            break;
        }
        case ChangeKind::RegistryValueSet:
        case ChangeKind::RegistryValueDeleted: {
            const std::string& key = names.Spelling(change.path);
            const std::string& name = names.Spelling(change.path + "|" + change.name);
            const std::string valueName = name.substr(name.find('|') + 1);
            auto& values = registry[key];
            if (!values) values.emplace();
            if (change.kind == ChangeKind::RegistryValueSet) {
                if (!change.previous) valuesMadeHere[key].insert(valueName);
                (*values)[valueName] = change.value;
            } else if (valuesMadeHere[key].erase(valueName)) {
                values->erase(valueName);
            } else {
                (*values)[valueName] = std::nullopt;
            }
            break;
        }
        case ChangeKind::RegistryKeyDeleted: {
            const std::string& key = names.Spelling(change.path);
            if (keysMadeHere.erase(key)) registry.erase(key);
            else registry[key].reset();
            break;
        }
        case ChangeKind::ShellLinkSaved:
            links[names.Spelling(change.path)] = change.link;
            break;
        case ChangeKind::ProgramStarted:
            launched.push_back({Utf8(change.path), Utf8(change.value), Utf8(change.directory),
                                setupcheck::ShowName(change.showCommand)});
            break;
        default:
            break;  // folders, attributes and INI entries: their files carry them
        }
    }

    for (const auto& [path, file] : files) out.files[Utf8(path)] = file;
    for (const std::string& path : deleted) out.deleted.push_back(Utf8(path));
    for (const auto& [key, values] : registry) {
        auto& entry = out.registry[Utf8(key)];
        if (!values) {
            entry.reset();
            continue;
        }
        entry.emplace();
        for (const auto& [name, data] : *values)
            (*entry)[Utf8(name)] = data ? std::optional<std::string>(Utf8(*data)) : std::nullopt;
    }
    for (const auto& [path, link] : links)
        out.links[Utf8(path)] = {Utf8(link.target), Utf8(link.workingDirectory), Utf8(link.description)};
}

std::string ChangeJson(const Change& change) {
    using setupcheck::JsonString;
    std::string out = "{\"kind\": " + JsonString(journal::ChangeKindName(change.kind)) +
                      ", \"path\": " + JsonString(Utf8(change.path));
    auto field = [&out](const char* key, const std::string& json) { out += std::string(", \"") + key + "\": " + json; };
    auto text = [&field](const char* key, const std::string& ansi) { field(key, JsonString(Utf8(ansi))); };
    switch (change.kind) {
    case ChangeKind::FileWritten:
        field("size", std::to_string(change.size));
        field("crc32", JsonString(Hex8(change.crc32)));
        field("replaced", change.replaced ? "true" : "false");
        break;
    case ChangeKind::AttributesSet:
        field("attributes", std::to_string(change.attributes));
        break;
    case ChangeKind::RegistryValueSet:
    case ChangeKind::RegistryValueDeleted:
    case ChangeKind::ProfileEntrySet:
    case ChangeKind::ProfileKeyDeleted:
    case ChangeKind::ProfileSectionDeleted:
        if (change.kind >= ChangeKind::ProfileEntrySet) text("section", change.section);
        if (change.kind != ChangeKind::ProfileSectionDeleted) text("name", change.name);
        if (change.kind == ChangeKind::RegistryValueSet || change.kind == ChangeKind::ProfileEntrySet)
            text("value", change.value);
        if (change.kind != ChangeKind::ProfileSectionDeleted)
            field("previous", change.previous ? JsonString(Utf8(*change.previous)) : "null");
        break;
    case ChangeKind::ShellLinkSaved:
        text("target", change.link.target);
        text("arguments", change.link.arguments);
        text("workdir", change.link.workingDirectory);
        text("description", change.link.description);
        break;
    case ChangeKind::ProgramStarted:
        text("parameters", change.value);
        text("directory", change.directory);
        field("show", JsonString(setupcheck::ShowName(change.showCommand)));
        break;
    default:
        break;
    }
    return out + "}";
}

JournalFileSink::JournalFileSink(std::unique_ptr<os::File> file, journal::ChangeList& list)
    : file_(std::move(file)), list_(list) {}

void JournalFileSink::Record(const Change& change) {
    list_.Record(change);
    if (!file_) return;
    std::string line = ChangeJson(change) + "\n";
    if (file_->write(line.data(), int64_t(line.size())) != int64_t(line.size())) file_.reset();  // disk full: stop
}

}  // namespace unattended
