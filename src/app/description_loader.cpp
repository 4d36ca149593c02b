// The description loader. It reads the three files through the machine's profile calls in the fixed order
// of the format and reports missing files and short package lists itself; a fault in a module's package
// list ends loading where it stands, and the setup goes on with what was loaded.
#include "app/description_loader.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/macros.h"
#include "app/value_list.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace app {

namespace {

constexpr char kCaption[] = "提示";

// A count read from the description, limited to what the table holds.
int Clamp(int count, int capacity) { return std::clamp(count, 0, capacity); }

std::string Numbered(const char* word, int number) { return word + rtl::IntToStr(number); }

class Loader {
public:
    Loader(TProductTable& table, LoaderContext& context) : table_(table), context_(context) {
        assert(context_.messageBox);
        assert(context_.packageReader);
    }

    void Run() {
        table_.DescriptionLoaded = 1;
        file_ = InFolder("SETUP.INI");
        if (!DescriptionFileExists("SETUP.INI")) return;
        if (!LoadSetupIni()) return;
        file_ = InFolder("CONFIG.INI");
        if (!DescriptionFileExists("CONFIG.INI")) return;
        LoadConfigIni();
        file_ = InFolder("COMMENT.INI");
        if (!DescriptionFileExists("COMMENT.INI")) return;
        LoadCommentIni();
    }

private:
    // A name in the setup folder; a drive root ("E:\") already ends in its separator.
    std::string InFolder(const std::string& name) const {
        const std::string& folder = context_.setupFolder;
        bool endsInSeparator = !folder.empty() && rtl::LastDelimiter("\\", folder) == folder.size() - 1;
        return folder + (endsInSeparator ? "" : "\\") + name;
    }

    // A description file that exists but cannot be read to its end (a scratched disc, the disc taken out)
    // counts as missing: the profile calls would take what they cannot read for absent keys, and the setup
    // would go on with half a description.
    bool DescriptionFileExists(const std::string& name) {
        if (os::files().getFileAttributes(file_) != os::kInvalidAttributes && ReadsToItsEnd(file_)) return true;
        context_.messageBox("找不到" + name + "，无法安装！", kCaption, kMbOk | kMbIconStop);
        table_.DescriptionLoaded = 0;
        return false;
    }

    static bool ReadsToItsEnd(const std::string& path) {
        std::unique_ptr<os::File> file = os::files().openFile(path, os::kOpenRead | os::kShareDenyNone);
        if (!file) return false;
        char buffer[16 * 1024];
        for (;;) {
            const int64_t got = file->read(buffer, int64_t(sizeof buffer));
            if (got < 0) return false;
            if (got == 0) return true;
        }
    }

    std::string Read(const std::string& section, const std::string& key, const std::string& defaultValue = "") {
        return os::profile().readString(file_, section, key, defaultValue);
    }

    void Substitute(std::string& text) {
        if (context_.substituteMacros) context_.substituteMacros(text);
        else SubstituteMacros(text, MacroContext{&table_, {}});
    }

    // Checks that a package is in the setup folder and adds its items' sizes to total; false (after the
    // warning) when the file is missing.
    bool AddPackageSize(const std::string& fileName, int64_t& total) {
        std::string path = InFolder(fileName);
        uint32_t attributes = os::files().getFileAttributes(path);
        if (attributes == os::kInvalidAttributes || (attributes & os::kAttrDirectory)) {
            context_.messageBox("文件" + path + "不存在！", kCaption, kMbOk | kMbIconWarning);
            return false;
        }
        archive::TArUnZipper& reader = *context_.packageReader;
        try {
            reader.SetFileName(path);
            for (int i = 0; i < reader.Count(); ++i) total += reader.GetItem(i)->GetUncompressedSize();
        } catch (const rtl::EStreamError& e) {
            RethrowNamingFile(e, path);
        }
        reader.CloseArchive();
        return true;
    }

    // A stream failure while a package is read ends start-up in the exception box. Its text ("Stream read
    // error") names neither the file nor the cause, so the same kind of exception goes on with the package
    // and the machine's error after that text: "Stream read error: E:\PKG.DAT (Windows error 23)".
    [[noreturn]] static void RethrowNamingFile(const rtl::EStreamError& e, const std::string& path) {
        std::string message = e.Message();
        if (message.find(path) == std::string::npos) message += ": " + path;
        if (e.ErrorCode != 0) message += " (Windows error " + rtl::IntToStr(e.ErrorCode) + ")";
        if (dynamic_cast<const rtl::EReadError*>(&e)) throw rtl::EReadError(message, e.ErrorCode);
        if (dynamic_cast<const rtl::EWriteError*>(&e)) throw rtl::EWriteError(message, e.ErrorCode);
        if (dynamic_cast<const rtl::EFilerError*>(&e)) throw rtl::EFilerError(message, e.ErrorCode);
        if (dynamic_cast<const rtl::EFOpenError*>(&e)) throw rtl::EFOpenError(message, e.ErrorCode);
        if (dynamic_cast<const rtl::EFCreateError*>(&e)) throw rtl::EFCreateError(message, e.ErrorCode);
        throw rtl::EStreamError(message, e.ErrorCode);
    }

    // SETUP.INI; false when a package fault ended loading.
    bool LoadSetupIni() {
        std::vector<std::string> loginKeys = os::profile().sectionKeys(file_, "LoginInfo");
        // Values in file order; duplicate keys read the first value of their name, as the profile calls do.
        for (int i = 0; i < kMaxLoginInfo; ++i)
            table_.LoginInfo[i] = i < static_cast<int>(loginKeys.size())
                                      ? rtl::Trim(Read("LoginInfo", loginKeys[i]))
                                      : std::string();

        table_.ModeCount = 0;
        for (int i = 1; i <= kMaxInstallModes; ++i) {
            std::string value = Read("InstallMode", Numbered("Mode", i));
            if (value.empty()) break;
            ValueList list(value);
            TInstallMode& mode = table_.InstallModes[i - 1];
            mode.Name = list.Text();
            mode.Kind = list.Number();
            mode.Description = list.Last();
            table_.ModeCount = i;
        }

        table_.DefaultMSDE = Read("Default MainPath", "DefaultMSDE", "TESSARERP");

        table_.ProductCount = 0;
        for (int p = 1; p <= kMaxProducts; ++p) {
            std::string value = Read("Products Name", Numbered("ProductName", p));
            if (value.empty()) break;
            ValueList list(value);
            TProduct& product = table_.Products[p - 1];
            product.Name = list.Text();
            product.ModuleCount = Clamp(list.Number(), kMaxModules);
            product.ModuleOption = list.Number();
            product.RegKey = list.Last();
            product.MainPath = Read("Default MainPath", Numbered("MainPath", p));
            table_.ProductCount = p;
        }

        for (int m = 0; m < table_.ModeCount; ++m)
            for (int p = 0; p < table_.ProductCount; ++p)
                for (int k = 0; k < table_.Products[p].ModuleCount; ++k) {
                    std::string section = Numbered("Product", p + 1) + Numbered("Mode", m + 1);
                    std::string value = Read(section, Numbered("Name", k + 1));
                    if (value.empty()) break;
                    if (!LoadModule(table_.Modules[m][p][k], k + 1, value)) return false;
                }

        table_.PublicModuleCount = 0;
        for (int i = 1; i <= kMaxPublicModules; ++i) {
            std::string value = Read("Public Module", Numbered("Name", i));
            if (value.empty()) break;
            ValueList list(value);
            TPublicModule& module = table_.PublicModules[i - 1];
            module.ProductNo = list.Number();
            module.Directory = list.Text();
            module.FileName = list.Text();
            list.Last();  // not interpreted
            Substitute(module.Directory);
            int64_t unused = 0;
            if (!AddPackageSize(module.FileName, unused)) return false;
            table_.PublicModuleCount = i;
        }

        table_.ShortCutCount = 0;
        for (int i = 1; i <= kMaxShortCuts; ++i) {
            std::string value = Read("ShortCut", Numbered("Name", i));
            if (value.empty()) break;
            ValueList list(value);
            TShortCut& shortCut = table_.ShortCuts[i - 1];
            shortCut.ProductNo = list.Number();
            shortCut.Target = list.Text();
            shortCut.Group = list.Text();
            shortCut.LinkName = list.Last();
            table_.ShortCutCount = i;
        }
        return true;
    }

    // One module entry "Name,State,Picture,(skipped),PackageCount,file,dir,file,dir...", key Name<keyNumber>.
    // False (after the warning) when the list is short or a package file is missing.
    bool LoadModule(TModule& module, int keyNumber, const std::string& value) {
        ValueList list(value);
        module.Name = list.Text();
        module.State = list.Number();
        module.Picture = list.Text();
        list.Text();  // skipped
        int declared = list.Number();
        int packages = Clamp(declared, kMaxPackages);
        int64_t total = 0;
        module.PackageCount = 0;
        module.Size = 0;
        for (int l = 0; l < packages; ++l) {
            if (list.Empty()) {
                context_.messageBox(Numbered("Name", keyNumber) + "后的包只有" + rtl::IntToStr(l) +
                                        "个，少于setup.ini中的" + rtl::IntToStr(declared) +
                                        "个，\r\n请调整setup.ini;",
                                    kCaption, kMbOk | kMbIconWarning);
                module.Size = total;
                return false;
            }
            TPackageRef& package = module.Packages[l];
            package.FileName = list.Text();
            // The directory runs to the next comma, or is the rest of the text.
            size_t comma = list.Rest().find(',');
            package.Directory = comma == std::string::npos ? list.Last() : list.Text();
            Substitute(package.Directory);
            if (!AddPackageSize(package.FileName, total)) {
                module.Size = total;
                return false;
            }
            module.PackageCount = l + 1;
        }
        module.Size = total;
        return true;
    }

    // "<count>,<section>,...,<last section takes the rest>": the section names, at most capacity of them.
    std::vector<std::string> SectionList(const std::string& key, int capacity, int& count) {
        ValueList list(Read("Config", key));
        int declared = list.Number();
        count = Clamp(declared, capacity);
        std::vector<std::string> sections;
        for (int j = 0; j < count; ++j) sections.push_back(j == declared - 1 ? list.Last() : list.Text());
        return sections;
    }

    // "Name" i of a section from 1 until the first empty value, at most capacity values, verbatim.
    template <size_t N>
    int ReadLines(const std::string& section, std::array<std::string, N>& lines) {
        int count = 0;
        for (int i = 1; i <= static_cast<int>(N); ++i) {
            std::string value = Read(section, Numbered("Name", i));
            if (value.empty()) break;
            lines[i - 1] = value;
            count = i;
        }
        return count;
    }

    void LoadConfigIni() {
        for (int p = 0; p < table_.ProductCount; ++p) {
            TProductConfig& config = table_.ProductConfigs[p];
            std::vector<std::string> sections = SectionList(Numbered("ProductIni", p + 1), kMaxIniFiles,
                                                            config.IniFileCount);
            for (int j = 0; j < config.IniFileCount; ++j) {
                TIniFileSpec& spec = config.IniFiles[j];
                spec.Path = Read(sections[j], "Path");
                spec.FileName = Read(sections[j], "FileName");
                spec.EntryCount = 0;
                for (int i = 1; i <= kMaxEntries; ++i) {
                    std::string value = Read(sections[j], Numbered("Name", i));
                    if (value.empty()) break;
                    ValueList list(value);
                    spec.Entries[i - 1] = {list.Text(), list.Text(), list.Last()};
                    spec.EntryCount = i;
                }
            }
        }
        for (int p = 0; p < table_.ProductCount; ++p) {
            TProductConfig& config = table_.ProductConfigs[p];
            std::vector<std::string> sections = SectionList(Numbered("ProductReg", p + 1), kMaxRegKeys,
                                                            config.RegKeyCount);
            for (int j = 0; j < config.RegKeyCount; ++j) {
                TRegKeySpec& spec = config.RegKeys[j];
                spec.Root = Read(sections[j], "Root");
                spec.EntryCount = 0;
                for (int i = 1; i <= kMaxEntries; ++i) {
                    std::string value = Read(sections[j], Numbered("Name", i));
                    if (value.empty()) break;
                    ValueList list(value);
                    std::string name = list.Text();
                    spec.Entries[i - 1] = {name, list.Last()};
                    spec.EntryCount = i;
                }
            }
        }
        // The boot-file sections: the first product without one ends the reading for all later products.
        for (int p = 0; p < table_.ProductCount; ++p) {
            std::string section = Read("Config", Numbered("ProductBat", p + 1));
            if (section.empty()) break;
            table_.ProductConfigs[p].BatLineCount = ReadLines(section, table_.ProductConfigs[p].BatLines);
        }
        for (int p = 0; p < table_.ProductCount; ++p) {
            std::string section = Read("Config", Numbered("ProductCfg", p + 1));
            if (section.empty()) break;
            table_.ProductConfigs[p].CfgLineCount = ReadLines(section, table_.ProductConfigs[p].CfgLines);
        }
        table_.ServiceRunonceCount = ReadLines("Service Runonce", table_.ServiceRunonce);
        table_.AddProgramCount = ReadLines("Additional Programs", table_.AddPrograms);
    }

    void LoadCommentIni() {
        for (int m = 0; m < table_.ModeCount; ++m)
            for (int p = 0; p < table_.ProductCount; ++p)
                for (int k = 0; k < table_.Products[p].ModuleCount; ++k) {
                    std::string section = Numbered("Product", p + 1) + Numbered("Ins", m + 1) + Numbered("Mod", k + 1);
                    TModuleComment& comment = table_.Comments[m][p][k];
                    comment.Title = Read(section, "Name");
                    for (int i = 1; i <= kMaxCommentLines; ++i) {
                        std::string value = Read(section, Numbered("Comm", i));
                        if (value.empty()) break;
                        comment.Lines[i - 1] = value;
                    }
                }
    }

    TProductTable& table_;
    LoaderContext& context_;
    std::string file_;  // the description file being read
};

}  // namespace

void LoadSetupDescription(TProductTable& table, LoaderContext& context) { Loader(table, context).Run(); }

}  // namespace app
