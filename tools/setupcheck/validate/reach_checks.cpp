// Installed paths are computed as the copy stage forms them: MainPath, "\" and the package directory
// (substituted at load), then "\" and the item's stored name; public modules below their own directory.
// For comparisons with shortcut targets each MainPath is replaced by a token that names no real folder,
// so that the short (8.3) form the machine may give an existing folder cannot hide a match.
#include "setupcheck/validate/reach_checks.h"

#include <memory>
#include <set>

#include "app/macros.h"
#include "app/product_table.h"
#include "rtl/strings.h"

namespace setupcheck::validate {

namespace {

using PathSet = std::set<std::string>;  // folded paths

class Paths {
public:
    // tokens: MainPath of product p is "?MAINPATH<p>" (for comparisons); else the real MainPath.
    Paths(const Medium& medium, bool tokens) : medium_(medium), table_(std::make_unique<app::TProductTable>()) {
        const Description& d = medium.description;
        table_->ProductCount = static_cast<int>(d.products.size());
        for (size_t p = 0; p < d.products.size(); ++p)
            table_->Products[p].MainPath = tokens ? "?MAINPATH" + std::to_string(p + 1) : d.products[p].mainPath;
        context_.table = table_.get();
        std::string instance = d.defaultMsde;
        context_.instanceName = [instance] { return instance; };
    }

    std::string Substitute(std::string text) const { return app::SubstituteMacros(text, context_); }

    std::string ModuleBase(size_t p, const PackageRef& package) const {
        std::string base = table_->Products[p].MainPath;
        return package.directory.empty() ? base : base + "\\" + Substitute(package.directory);
    }

    // Files the packages of product p install in mode m (all modules: any may be chosen).
    PathSet Installed(size_t m, size_t p, const PackageMap& packages) const {
        PathSet files;
        const Description& d = medium_.description;
        for (const Module& module : d.modules[m][p])
            for (const PackageRef& package : module.packages) Add(files, ModuleBase(p, package), package.fileName, packages);
        for (const PublicModule& module : d.publicModules)
            if (module.productNo == static_cast<int>(p) + 1) Add(files, Substitute(module.directory), module.fileName, packages);
        return files;
    }

private:
    static void Add(PathSet& files, const std::string& base, const std::string& package, const PackageMap& packages) {
        auto found = packages.find(IniDocument::Fold(package));
        if (found == packages.end()) return;
        for (const std::string& item : found->second.items) files.insert(IniDocument::Fold(base + "\\" + item));
    }

    const Medium& medium_;
    std::unique_ptr<app::TProductTable> table_;
    app::MacroContext context_;
};

// A path names an installed file, or a folder that holds one.
bool Reaches(const PathSet& files, const std::string& path) {
    std::string folded = IniDocument::Fold(rtl::Trim(path));
    if (files.count(folded)) return true;
    auto next = files.lower_bound(folded + "\\");
    return next != files.end() && next->compare(0, folded.size() + 1, folded + "\\") == 0;
}

// Texts that start in the Windows or system directory name the system's own programs.
bool InSystemFolder(const std::string& text) {
    std::string folded = IniDocument::Fold(rtl::Trim(text));
    return folded.rfind("_WIN_", 0) == 0 || folded.rfind("_WINSYS_", 0) == 0;
}

}  // namespace

void CheckShortCuts(Medium& medium, const PackageMap& packages) {
    const Description& d = medium.description;
    Paths paths(medium, true);
    for (const ShortCut& shortCut : d.shortCuts) {
        size_t p = static_cast<size_t>(shortCut.productNo - 1);
        if (shortCut.productNo < 1 || p >= d.products.size() || InSystemFolder(shortCut.target)) continue;
        std::string target = paths.Substitute(shortCut.target);
        std::vector<std::string> missing;
        for (size_t m = 0; m < d.modes.size(); ++m)
            if (!Reaches(paths.Installed(m, p, packages), target))
                missing.push_back(std::to_string(m + 1) + " (" + Utf8(d.modes[m].name) + ")");
        if (missing.empty()) continue;
        std::string modes;
        for (const std::string& mode : missing) modes += (modes.empty() ? "" : ", ") + mode;
        medium.findings.Warning(kSetupIni, shortCut.line, "unreachable-shortcut",
                                "shortcut " + Utf8(shortCut.linkName) + ": no package of product " +
                                    std::to_string(shortCut.productNo) + " installs " + Utf8(shortCut.target) +
                                    " in install mode " + modes + "; the setup skips the shortcut there");
    }
}

void CheckPrograms(Medium& medium, const PackageMap& packages) {
    const Description& d = medium.description;
    Paths paths(medium, true);
    PathSet all;
    for (size_t m = 0; m < d.modes.size(); ++m)
        for (size_t p = 0; p < d.products.size(); ++p) {
            PathSet files = paths.Installed(m, p, packages);
            all.insert(files.begin(), files.end());
        }
    auto check = [&](const std::string& program, int line, const std::string& what) {
        if (program.empty() || InSystemFolder(program)) return;
        std::string substituted = rtl::Trim(paths.Substitute(program));
        if (substituted.empty()) return;
        bool relative = substituted.find(':') == std::string::npos && substituted[0] != '\\' && substituted[0] != '?';
        if (relative ? medium.HasFile(substituted) : Reaches(all, substituted)) return;
        medium.findings.Warning(kConfigIni, line, "unreachable-program",
                                what + ": the program " + Utf8(program) +
                                    " is installed by no package and is not on the medium; the setup skips it");
    };
    for (size_t i = 0; i < d.runOnce.size(); ++i) {
        const std::string& entry = d.runOnce[i].text;
        std::string program = entry.substr(0, entry.find('/'));
        check(rtl::Trim(program), d.runOnce[i].line, "[Service Runonce] Name" + std::to_string(i + 1));
    }
    for (size_t i = 0; i < d.addPrograms.size(); ++i) {
        std::string entry = rtl::Trim(d.addPrograms[i].text);
        size_t comma = entry.find(',');
        if (comma == std::string::npos) continue;  // reported as short-entry
        std::string command = entry.substr(comma + 1);
        check(command.substr(0, command.find(' ')), d.addPrograms[i].line,
              "[Additional Programs] Name" + std::to_string(i + 1));
    }
}

void CheckDuplicateTargets(Medium& medium, const PackageMap& packages) {
    const Description& d = medium.description;
    Paths paths(medium, false);
    struct Owner {
        std::string package;
        int line;
    };
    for (size_t m = 0; m < d.modes.size(); ++m) {
        std::map<std::string, Owner> owners;  // folded path -> package that writes it last
        // later package (folded), earlier package (folded) -> the files both write, and where the later one stands
        std::map<std::pair<std::string, std::string>, std::pair<std::vector<std::string>, Owner>> clashes;
        auto add = [&](const std::string& base, const std::string& package, int line) {
            auto found = packages.find(IniDocument::Fold(package));
            if (found == packages.end()) return;
            for (const std::string& item : found->second.items) {
                std::string path = base + "\\" + item;
                auto [at, inserted] = owners.try_emplace(IniDocument::Fold(path), Owner{package, line});
                if (inserted) continue;
                if (IniDocument::Fold(at->second.package) != IniDocument::Fold(package)) {
                    auto& clash = clashes[{IniDocument::Fold(package), at->second.package}];
                    clash.first.push_back(path);
                    clash.second = Owner{package, line};
                }
                at->second = Owner{package, line};
            }
        };
        for (size_t p = 0; p < d.products.size(); ++p)
            for (const Module& module : d.modules[m][p])
                for (const PackageRef& package : module.packages) add(paths.ModuleBase(p, package), package.fileName, package.line);
        for (const PublicModule& module : d.publicModules)
            add(paths.Substitute(module.directory), module.fileName, module.line);
        for (const auto& [key, clash] : clashes) {
            const auto& [files, later] = clash;
            medium.findings.Warning(kSetupIni, later.line, "duplicate-target",
                                    "package " + Utf8(later.package) + " writes " + std::to_string(files.size()) +
                                        " file(s) that package " + Utf8(key.second) + " also writes, such as " +
                                        Utf8(files.front()) + ": the later one wins");
        }
    }
}

}  // namespace setupcheck::validate
