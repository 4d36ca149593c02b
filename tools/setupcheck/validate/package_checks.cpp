// Package tests through the setup's own archive component, set up as the main window sets up its
// package component (the package password), with failures of single items collected.
#include "setupcheck/validate/package_checks.h"

#include <algorithm>
#include <exception>

#include "app/main_form.h"
#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace setupcheck::validate {

namespace {

struct PackageUse {
    std::string fileName;  // as first written
    int line = 0;
};

// The message of the exception being handled, else the engine's text for the code.
std::string CurrentMessage(int code, archive::TArErrorClass errorClass) {
    std::string message = errorClass == archive::TArErrorClass::ecArchive ? archive::ArErrorMessage(code) : "";
    if (auto current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            message = e.what();
        } catch (...) {
        }
    }
    return message;
}

}  // namespace

std::map<std::string, PackageContents> TestPackages(Medium& medium, const TestProgress& progress) {
    // The packages in the order the description first names them.
    std::vector<PackageUse> uses;
    std::map<std::string, PackageContents> contents;
    auto use = [&](const std::string& fileName, int line) {
        std::string key = IniDocument::Fold(fileName);
        if (contents.count(key)) return;
        contents[key];
        uses.push_back({fileName, line});
    };
    const Description& d = medium.description;
    for (const auto& mode : d.modules)
        for (const auto& product : mode)
            for (const Module& module : product)
                for (const PackageRef& package : module.packages) use(package.fileName, package.line);
    for (const PublicModule& module : d.publicModules) use(module.fileName, module.line);
    std::sort(uses.begin(), uses.end(), [](const PackageUse& a, const PackageUse& b) { return a.line < b.line; });

    std::vector<uint64_t> sizes;
    uint64_t total = 0, done = 0;
    for (const PackageUse& u : uses) {
        auto file = os::files().openFile(medium.PathOf(u.fileName), os::kOpenRead);
        int64_t size = file ? file->size() : 0;
        sizes.push_back(size > 0 ? static_cast<uint64_t>(size) : 0);
        total += sizes.back();
    }

    for (size_t i = 0; i < uses.size(); ++i) {
        const PackageUse& u = uses[i];
        const std::string name = Utf8(u.fileName);
        PackageContents& result = contents[IniDocument::Fold(u.fileName)];
        if (progress) progress(done, total, name);

        archive::TArUnZipper unzipper;
        unzipper.SetPassword(app::kPackagePassword);
        try {
            unzipper.SetFileName(medium.PathOf(u.fileName));
        } catch (const std::exception& e) {
            medium.findings.Error(kSetupIni, u.line, "not-zip",
                                  "package " + name + " cannot be opened as a ZIP archive (" + Utf8(e.what()) +
                                      "); the setup ends with this error while it loads");
            done += sizes[i];
            continue;
        }
        result.opened = true;
        // Compressed bytes before each item, for progress within the package.
        std::map<const archive::TArArchiveItem*, uint64_t> before;
        uint64_t running = 0;
        for (int k = 0; k < unzipper.Count(); ++k) {
            archive::TArZipItem* item = unzipper.GetItem(k);
            std::string stored = rtl::SlashesToBackslashes(item->GetFileName());
            result.items.push_back(stored);
            before[item] = running;
            running += item->GetCompressedSize();
            if (!archive::ArIsSafeRelativeName(stored))
                medium.findings.Error(kSetupIni, u.line, "unsafe-name",
                                      "package " + name + ": item " + Utf8(stored) +
                                          " leads outside the target directory; the setup refuses to extract it");
        }
        if (unzipper.Count() == 0)
            medium.findings.Warning(kSetupIni, u.line, "empty-package",
                                    "package " + name + " holds no items: the setup installs nothing from it");

        unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                            archive::TArErrorClass errorClass, int code) {
            std::string stored = rtl::SlashesToBackslashes(item->GetFileName());
            if (!archive::ArIsSafeRelativeName(stored)) return;  // reported as unsafe-name
            medium.findings.Error(kSetupIni, u.line, "bad-item",
                                  "package " + name + ": item " + Utf8(stored) + " does not extract: " +
                                      Utf8(CurrentMessage(code, errorClass)));
        };
        uint64_t start = done;
        unzipper.OnArchiveItemProgress = [&](void*, archive::TArArchiveItem* item, uint8_t percent, bool&) {
            if (!progress) return;
            auto at = before.find(item);
            uint64_t offset = at == before.end() ? 0 : at->second;
            progress(start + offset + item->GetCompressedSize() * percent / 100, total, name);
        };
        try {
            unzipper.TestFiles("*.*");
        } catch (const std::exception& e) {
            medium.findings.Error(kSetupIni, u.line, "bad-item",
                                  "package " + name + ": testing stops (" + Utf8(e.what()) +
                                      "); the items after the failing one are not reached");
        }
        unzipper.CloseArchive();
        done = start + sizes[i];
    }
    if (progress) progress(total, total, "");
    return contents;
}

}  // namespace setupcheck::validate
