// SETUP.INI, read in the setup's order and with its rules, every entry checked where it stands.
#include <algorithm>

#include "app/product_table.h"
#include "setupcheck/validate/description_checks.h"
#include "setupcheck/validate/fields.h"
#include "setupcheck/validate/numbered_keys.h"

namespace setupcheck::validate {

namespace {

const std::string kFile = kSetupIni;

class SetupIniReader {
public:
    explicit SetupIniReader(Medium& medium) : medium_(medium), doc_(medium.setup), d_(medium.description) {}

    void Run() {
        LoginInfo();
        Modes();
        d_.defaultMsde = doc_.Read("Default MainPath", "DefaultMSDE", "TESSARERP");
        d_.defaultMsdeLine = doc_.LineOf("Default MainPath", "DefaultMSDE");
        Products();
        Modules();
        PublicModules();
        ShortCuts();
    }

private:
    Findings& findings() { return medium_.findings; }

    std::string What(const std::string& section, int number, const std::string& word = "Name") {
        return "[" + section + "] " + Numbered(word, number);
    }

    void LoginInfo() {
        const IniDocument::Section* s = doc_.FindSection("LoginInfo");
        if (!s) return;
        int keys = 0;
        for (const IniDocument::Entry& entry : s->entries) {
            if (!entry.hasValue || entry.name.empty() || entry.name[0] == ';') continue;
            if (++keys == app::kMaxLoginInfo + 1)
                findings().Error(kFile, entry.line, "too-many",
                                 "[LoginInfo] " + Utf8(entry.name) + " is dropped: the setup keeps at most " +
                                     std::to_string(app::kMaxLoginInfo) + " login values");
        }
    }

    void Modes() {
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "InstallMode", "Mode", app::kMaxInstallModes,
                                                   Bound::Capacity, findings(), "install modes")) {
            FieldReader fields(v.value, 3, kFile, v.line, What("InstallMode", v.number, "Mode"),
                               "name, kind, description", findings());
            InstallMode mode;
            mode.name = fields.Text();
            mode.kind = fields.Number("Kind");
            mode.description = fields.Last();
            mode.line = v.line;
            d_.modes.push_back(mode);
        }
    }

    void Products() {
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "Products Name", "ProductName", app::kMaxProducts,
                                                   Bound::Capacity, findings(), "products")) {
            std::string what = What("Products Name", v.number, "ProductName");
            FieldReader fields(v.value, 4, kFile, v.line, what, "name, module count, module option, registry key",
                               findings());
            Product product;
            product.name = fields.Text();
            int declared = fields.Number("ModuleCount");
            if (declared > app::kMaxModules)
                findings().Error(kFile, v.line, "too-many",
                                 what + ": ModuleCount " + std::to_string(declared) + " is more than the " +
                                     std::to_string(app::kMaxModules) + " modules the setup holds; Name" +
                                     std::to_string(app::kMaxModules + 1) + " on are dropped");
            product.moduleCount = std::clamp(declared, 0, app::kMaxModules);
            product.moduleOption = fields.Number("ModuleOption");
            product.regKey = fields.Last();
            if (product.regKey.empty())
                findings().Error(kFile, v.line, "no-regkey",
                                 what + " has no registry key: its files, install information and uninstall entry "
                                        "would be written under \"\\SOFTWARE\\Tessarine\\\" itself");
            product.line = v.line;
            product.mainPath = doc_.Read("Default MainPath", Numbered("MainPath", v.number));
            if (product.mainPath.size() > 255)
                findings().Error(kFile, doc_.LineOf("Default MainPath", Numbered("MainPath", v.number)),
                                 "text-too-long", "[Default MainPath] " + Numbered("MainPath", v.number) + " is " +
                                     std::to_string(product.mainPath.size()) + " bytes long; paths hold at most 255");
            d_.products.push_back(product);
        }
    }

    // The first fault after which the setup reads no more of the description.
    std::string StopNote() {
        if (stopped_) return "";
        stopped_ = true;
        return "; the setup stops reading the description here";
    }

    void Modules() {
        d_.modules.assign(d_.modes.size(), std::vector<std::vector<Module>>(d_.products.size()));
        for (size_t m = 0; m < d_.modes.size(); ++m)
            for (size_t p = 0; p < d_.products.size(); ++p) {
                const Product& product = d_.products[p];
                std::vector<Module>& modules = d_.modules[m][p];
                modules.resize(product.moduleCount);
                std::string section = Numbered("Product", int(p) + 1) + Numbered("Mode", int(m) + 1);
                std::vector<NumberedValue> values =
                    ReadNumbered(doc_, kFile, section, "Name", product.moduleCount, Bound::Declared, findings(),
                                 "product " + std::to_string(p + 1) + " declares " +
                                     std::to_string(product.moduleCount) + " modules");
                for (const NumberedValue& v : values) ReadModule(modules[v.number - 1], section, v);
                if (static_cast<int>(values.size()) < product.moduleCount) {
                    const IniDocument::Section* s = doc_.FindSection(section);
                    findings().Warning(kFile, s ? s->line : product.line, "missing-module",
                                       "[" + section + "] has " + std::to_string(values.size()) +
                                           " modules, product " + std::to_string(p + 1) + " declares " +
                                           std::to_string(product.moduleCount) + ": Name" +
                                           std::to_string(values.size() + 1) +
                                           " and later stay empty in the module list");
                }
            }
    }

    void ReadModule(Module& module, const std::string& section, const NumberedValue& v) {
        std::string what = What(section, v.number);
        FieldReader fields(v.value, 5, kFile, v.line, what, "name, state, picture, reserved, package count",
                           findings());
        module.present = true;
        module.key = v.number;
        module.line = v.line;
        module.name = fields.Text();
        module.state = fields.Number("State");
        module.picture = fields.Text();
        fields.Text();  // reserved
        int declared = fields.Number("PackageCount");
        if (declared > app::kMaxPackages)
            findings().Error(kFile, v.line, "too-many",
                             what + ": PackageCount " + std::to_string(declared) + " is more than the " +
                                 std::to_string(app::kMaxPackages) + " packages a module holds; package " +
                                 std::to_string(app::kMaxPackages + 1) + " on is dropped");
        int packages = std::clamp(declared, 0, app::kMaxPackages);
        app::ValueList& list = fields.List();
        for (int l = 0; l < packages; ++l) {
            if (list.Empty()) {
                findings().Error(kFile, v.line, "short-package-list",
                                 what + " lists " + std::to_string(l) + " packages, fewer than its PackageCount " +
                                     std::to_string(declared) + " (the setup shows \"" +
                                     Utf8(Numbered("Name", v.number) + "后的包只有" + std::to_string(l) +
                                          "个，少于setup.ini中的" + std::to_string(declared) + "个") +
                                     "\")" + StopNote());
                return;
            }
            PackageRef package;
            package.fileName = list.Text();
            size_t comma = list.Rest().find(',');
            package.directory = comma == std::string::npos ? list.Last() : list.Text();
            package.line = v.line;
            d_.macroTexts.push_back({kFile, v.line, "the directory of package " + Utf8(package.fileName) + " in " + what,
                                     package.directory, true});
            if (!CheckPackageFile(package.fileName, what, l + 1, v.line, package.directory)) return;
            module.packages.push_back(package);
        }
        if (!list.Empty())
            findings().Warning(kFile, v.line, "extra-field",
                               what + ": \"" + Utf8(list.Rest()) + "\" follows the " + std::to_string(packages) +
                                   " declared packages and is never read");
    }

    // False (after the finding) when the package is not on the medium: the setup stops loading there.
    bool CheckPackageFile(const std::string& fileName, const std::string& what, int number, int line,
                          const std::string& misplaced = "") {
        if (medium_.HasFile(fileName)) return true;
        std::string message = fileName.empty()
                                  ? what + ": package " + std::to_string(number) + " has no file name" +
                                        (misplaced.empty() ? std::string()
                                                           : " (\"" + Utf8(misplaced) +
                                                                 "\" is read as its directory: the last package "
                                                                 "needs a ',' after its file name)")
                                  : what + ": package " + Utf8(fileName) + " is not on the medium";
        findings().Error(kFile, line, "missing-package", message + StopNote());
        return false;
    }

    void PublicModules() {
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "Public Module", "Name", app::kMaxPublicModules,
                                                   Bound::Capacity, findings(), "public modules")) {
            std::string what = What("Public Module", v.number);
            FieldReader fields(v.value, 4, kFile, v.line, what, "product, directory, package, remark", findings());
            PublicModule module;
            module.productNo = fields.Number("ProductNo");
            module.directory = fields.Text();
            module.fileName = fields.Text();
            fields.Last();
            module.line = v.line;
            CheckProductNo(module.productNo, what, v.line);
            d_.macroTexts.push_back({kFile, v.line, "the directory of " + what, module.directory, true});
            if (CheckPackageFile(module.fileName, what, 1, v.line)) d_.publicModules.push_back(module);
        }
    }

    void CheckProductNo(int productNo, const std::string& what, int line) {
        if (productNo < 1 || productNo > static_cast<int>(d_.products.size()))
            findings().Error(kFile, line, "bad-product-number",
                             what + " belongs to product " + std::to_string(productNo) + ", but there are " +
                                 std::to_string(d_.products.size()) + " products: it is never installed");
    }

    void ShortCuts() {
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "ShortCut", "Name", app::kMaxShortCuts,
                                                   Bound::Capacity, findings(), "shortcuts")) {
            std::string what = What("ShortCut", v.number);
            FieldReader fields(v.value, 4, kFile, v.line, what, "product, target, group, link name", findings());
            ShortCut shortCut;
            shortCut.productNo = fields.Number("ProductNo");
            shortCut.target = fields.Text();
            shortCut.group = fields.Text();
            shortCut.linkName = fields.Last();
            shortCut.line = v.line;
            CheckProductNo(shortCut.productNo, what, v.line);
            d_.macroTexts.push_back({kFile, v.line, "the target of " + what, shortCut.target, false});
            d_.shortCuts.push_back(shortCut);
        }
    }

    Medium& medium_;
    const IniDocument& doc_;
    Description& d_;
    bool stopped_ = false;
};

}  // namespace

void ReadSetupIni(Medium& medium) { SetupIniReader(medium).Run(); }

}  // namespace setupcheck::validate
