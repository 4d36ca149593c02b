// The copy stage: unpacks the packages of the chosen products' selected modules into the products'
// directories, then the products' public modules. While a module is copied the right panel shows its
// title, description lines and picture; the left panel the package name, the item and archive meters
// (moved by the package component) and the overall gauge, which counts packages.
#include <algorithm>
#include <cassert>
#include <set>

#include "app/main_form.h"
#include "archive/extract.h"
#include "install/stage_support.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"
#include "sys/syscomm.h"

namespace app {
namespace {

constexpr char kEveryItem[] = "*.*";
// Paths are handled in 256-byte buffers: a longer picture path names no file the setup can open.
constexpr size_t kMaxPathLength = 255;

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && rtl::LastDelimiter("\\", path) == path.size() - 1;
}

// A stored name (with '\' separators) that names a file or folder below the directory it is extracted
// into. The component refuses to extract any other, so the removal of old copies and the uninstaller's
// file list must not name what such a name points at either.
bool StaysBelowBase(const std::string& name) { return !name.empty() && archive::ArIsSafeRelativeName(name); }

// The stored names of the open archive's items, in archive order.
std::vector<std::string> StoredNames(const archive::TArUnZipper& component) {
    std::vector<std::string> names;
    const int count = component.Count();
    names.reserve(size_t(count));
    for (int i = 0; i < count; ++i) names.push_back(component.GetItem(i)->GetFileName());
    return names;
}

// Deletes the files an extraction below baseDir is about to write, whatever their attributes, so that
// a read-only copy left by an earlier installation is replaced. Entries for folders name no file.
void RemoveOldCopies(const std::string& baseDir, const std::vector<std::string>& names) {
    for (const std::string& stored : names) {
        const std::string name = rtl::SlashesToBackslashes(stored);
        if (!StaysBelowBase(name) || EndsWithSeparator(name)) continue;
        sys::RemoveFile(PathIn(baseDir, name));  // a file that stays is met by the extraction itself
    }
}

// Whether an item failure's code is the machine's error: the file and directory classes carry the error of
// the call that failed (the engine removes the partial file before it reports, which leaves another error
// behind); an archive failure's code is the engine's own.
bool CarriesSystemError(archive::TArErrorClass errorClass) {
    using archive::TArErrorClass;
    return errorClass == TArErrorClass::ecInOutError || errorClass == TArErrorClass::ecFilerError ||
           errorClass == TArErrorClass::ecFileCreateError || errorClass == TArErrorClass::ecFileOpenError;
}

}  // namespace

std::set<std::string> TMainForm::ExtractEveryItem(const std::string& packageName) {
    // The component reports each item it could not write (and removes what it had written of it); the
    // rest of the package is still extracted.
    std::set<std::string> failed;
    auzPack.OnProcessItemFailure = [&](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                       archive::TArErrorClass errorClass, int code) {
        const uint32_t error = CarriesSystemError(errorClass) && code != 0 ? uint32_t(code) : os::files().lastError();
        const std::string name = item ? item->GetFileName() : std::string();
        failed.insert(name);
        NoteFailure("extract " + PathIn(auzPack.BaseDirectory(), rtl::SlashesToBackslashes(name)) + " from " +
                    packageName + " failed" + WindowsErrorText(error) + "; the file was not installed");
    };
    struct Unhook {
        archive::TArUnZipper& component;
        ~Unhook() { component.OnProcessItemFailure = nullptr; }
    } unhook{auzPack};
    auzPack.ExtractFiles(kEveryItem);
    return failed;
}

void TMainForm::CopyPackages() {
    assert(CurMode >= 0 && CurMode < kMaxInstallModes);
    if (CurMode < 0 || CurMode >= kMaxInstallModes) return;
    const int products = Bounded(ProductCount, kMaxProducts);
    const int publicModules = Bounded(PublicModuleCount, kMaxPublicModules);

    // 1. The gauge counts packages: those of every selected module and every public module of the chosen
    //    products.
    int total = 0;
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        for (int k = 0; k < Bounded(Products[size_t(p)].ModuleCount, kMaxModules); ++k) {
            const TModule& module = Modules[size_t(CurMode)][size_t(p)][size_t(k)];
            if (module.State != 0) total += Bounded(module.PackageCount, kMaxPackages);
        }
        for (int i = 0; i < publicModules; ++i)
            if (PublicModules[size_t(i)].ProductNo == p + 1) ++total;
    }
    CGauge1.SetMaxValue(total);
    CopyProgress = 0;

    // 2. The selected modules, product by product.
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        for (int k = 0; k < Bounded(Products[size_t(p)].ModuleCount, kMaxModules); ++k) {
            if (Modules[size_t(CurMode)][size_t(p)][size_t(k)].State == 0) continue;
            ShowModuleComment(CurMode, p, k);
            CopyModule(p, k);
        }
    }

    // 3. The public modules, grouped by product in product order, each group in key order.
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        for (int i = 0; i < publicModules; ++i)
            if (PublicModules[size_t(i)].ProductNo == p + 1) ExtractPublicModule(i);
    }
}

void TMainForm::ShowModuleComment(int mode, int p, int k) {
    assert(mode >= 0 && mode < kMaxInstallModes && p >= 0 && p < kMaxProducts && k >= 0 && k < kMaxModules);
    const TModuleComment& comment = Comments[size_t(mode)][size_t(p)][size_t(k)];
    if (!comment.Title.empty()) Label20.SetCaption(comment.Title);
    Label20.SetLeft((Panel4.Width() - Label20.Width()) / 2);
    for (size_t j = 0; j < CommentLabels.size(); ++j) CommentLabels[j]->SetCaption(comment.Lines[j]);
    for (vcl::TLabel* label : CommentLabels) label->Repaint();
    Label20.Repaint();
}

void TMainForm::CopyModule(int p, int k) {
    assert(p >= 0 && p < kMaxProducts && k >= 0 && k < kMaxModules);
    const TModule& module = Modules[size_t(CurMode)][size_t(p)][size_t(k)];

    // The picture is decoration: one that can't be read or isn't a picture keeps the current one on screen.
    const std::string picture = PathIn(setupFolder_, module.Picture);
    if (!module.Picture.empty() && picture.size() <= kMaxPathLength &&
        os::files().openFile(picture, os::kOpenRead) != nullptr) {
        try {
            Image4.Picture.LoadFromFile(picture);
            Image4.Show();
            Image4.Repaint();
        } catch (const rtl::Exception& e) {
            NoteFailure("module picture " + picture + ": " + e.Message());
        }
    }

    for (int l = 0; l < Bounded(module.PackageCount, kMaxPackages); ++l) {
        PreparePackageDir(p, k, l);
        ExtractPackage(p, k, l);
    }
}

void TMainForm::PreparePackageDir(int p, int k, int l) {
    assert(p >= 0 && p < kMaxProducts && k >= 0 && k < kMaxModules && l >= 0 && l < kMaxPackages);
    const std::string& mainPath = Products[size_t(p)].MainPath;
    const TPackageRef& package = Modules[size_t(CurMode)][size_t(p)][size_t(k)].Packages[size_t(l)];
    CurTargetDir = package.Directory.empty() ? mainPath : PathIn(mainPath, package.Directory);
    // The directory is created as the extraction will name it, macros substituted (a MainPath may hold
    // them), so that the component finds the directory it is given.
    std::string target = CurTargetDir;
    MakeDirectoryPath(Substitute(target));
}

void TMainForm::ExtractPackage(int p, int k, int l) {
    assert(p >= 0 && p < kMaxProducts && k >= 0 && k < kMaxModules && l >= 0 && l < kMaxPackages);
    const TPackageRef& package = Modules[size_t(CurMode)][size_t(p)][size_t(k)].Packages[size_t(l)];
    Label6.SetCaption(package.FileName);
    Label6.Repaint();

    std::string target = CurTargetDir;
    auzPack.SetBaseDirectory(Substitute(target));
    auzPack.SetFileName(PathIn(setupFolder_, package.FileName));
    // A missing package opens as an empty archive: nothing to extract, record or count.
    if (auzPack.Count() == 0) return;

    const std::string baseDir = auzPack.BaseDirectory();
    const std::vector<std::string> names = StoredNames(auzPack);
    RemoveOldCopies(baseDir, names);
    const std::set<std::string> failed = ExtractEveryItem(package.FileName);
    // The uninstaller deletes what the list names: names the component refused to write (they lead
    // outside the target) name files the setup never put there, and stay off the list; so do items that
    // could not be written (the component removed what it had written of them).
    std::vector<std::string> recorded;
    for (const std::string& name : names)
        if (StaysBelowBase(rtl::SlashesToBackslashes(name)) && !failed.count(name)) recorded.push_back(name);
    RecordExtractedFiles(p, baseDir, recorded);
    if (OnPackageExtracted) OnPackageExtracted(package.FileName, baseDir, names, p);

    ++CopyProgress;
    CGauge1.SetProgress(CopyProgress);
}

void TMainForm::ExtractPublicModule(int i) {
    assert(i >= 0 && i < kMaxPublicModules);
    const TPublicModule& module = PublicModules[size_t(i)];
    Label6.SetCaption(module.FileName);
    Label6.Repaint();

    // The directory (macros substituted when the description was loaded) is made before the component is
    // given it, and once more after the package is open.
    MakeDirectoryPath(module.Directory);
    auzPack.SetBaseDirectory(module.Directory);
    auzPack.SetFileName(PathIn(setupFolder_, module.FileName));
    MakeDirectoryPath(module.Directory);
    if (auzPack.Count() == 0) return;

    const std::string baseDir = auzPack.BaseDirectory();
    const std::vector<std::string> names = StoredNames(auzPack);
    RemoveOldCopies(baseDir, names);
    ExtractEveryItem(module.FileName);
    if (OnPackageExtracted) OnPackageExtracted(module.FileName, baseDir, names, -1);

    ++CopyProgress;
    CGauge1.SetProgress(CopyProgress);
}

}  // namespace app
