// COMMENT.INI against the modules of SETUP.INI: every module has its comment, every section belongs to a
// module; and the duplicate names of all three files.
#include <set>

#include "app/product_table.h"
#include "setupcheck/validate/description_checks.h"
#include "setupcheck/validate/numbered_keys.h"

namespace setupcheck::validate {

void CheckCommentIni(Medium& medium) {
    const Description& d = medium.description;
    const IniDocument& doc = medium.comment;
    std::set<std::string> read;  // folded names of the sections the setup reads
    for (size_t m = 0; m < d.modules.size(); ++m)
        for (size_t p = 0; p < d.modules[m].size(); ++p)
            for (size_t k = 0; k < d.modules[m][p].size(); ++k) {
                std::string section = Numbered("Product", int(p) + 1) + Numbered("Ins", int(m) + 1) +
                                      Numbered("Mod", int(k) + 1);
                read.insert(IniDocument::Fold(section));
                const Module& module = d.modules[m][p][k];
                ReadNumbered(doc, kCommentIni, section, "Comm", app::kMaxCommentLines, Bound::Capacity,
                             medium.findings, "comment lines per module");
                if (module.present && doc.Read(section, "Name").empty())
                    medium.findings.Warning(kSetupIni, module.line, "no-comment",
                                            "module " + Utf8(module.name) + " ([Product" + std::to_string(p + 1) +
                                                "Mode" + std::to_string(m + 1) + "] Name" + std::to_string(k + 1) +
                                                ") has no title in COMMENT.INI [" + section +
                                                "]: the previous module's title stays on screen");
            }
    for (size_t i = 1; i < doc.sections().size(); ++i) {
        const IniDocument::Section& s = doc.sections()[i];
        if (read.count(IniDocument::Fold(s.name))) continue;
        medium.findings.Warning(kCommentIni, s.line, "orphan-comment",
                                "[" + Utf8(s.name) + "] is the comment of no module: the setup never reads it");
    }
}

void CheckDuplicates(Medium& medium) {
    const std::pair<const char*, const IniDocument*> files[] = {
        {kSetupIni, &medium.setup}, {kConfigIni, &medium.config}, {kCommentIni, &medium.comment}};
    for (const auto& [file, doc] : files) {
        for (size_t i = 0; i < doc->sections().size(); ++i) {
            const IniDocument::Section& s = doc->sections()[i];
            if (i > 0 && doc->FindSection(s.name) != &s) {
                medium.findings.Warning(file, s.line, "duplicate-section",
                                        "[" + Utf8(s.name) + "] is given again: the setup reads only the first one");
                continue;
            }
            for (const IniDocument::Entry& entry : s.entries)
                if (!entry.name.empty() && entry.name[0] != ';' && doc->FindEntry(s, entry.name) != &entry)
                    medium.findings.Warning(file, entry.line, "duplicate-key",
                                            "[" + Utf8(s.name) + "] " + Utf8(entry.name) +
                                                " is given again: the setup reads only the first one");
        }
    }
}

}  // namespace setupcheck::validate
