// CONFIG.INI, read in the setup's order: per product the configuration files, registry keys and boot-file
// sections it names, then the service entries and additional programs.
#include <algorithm>

#include "app/product_table.h"
#include "setupcheck/validate/description_checks.h"
#include "setupcheck/validate/fields.h"
#include "setupcheck/validate/numbered_keys.h"

namespace setupcheck::validate {

namespace {

const std::string kFile = kConfigIni;

class ConfigIniReader {
public:
    explicit ConfigIniReader(Medium& medium) : medium_(medium), doc_(medium.config), d_(medium.description) {}

    void Run() {
        const int products = static_cast<int>(d_.products.size());
        for (int p = 1; p <= products; ++p) SectionList("ProductIni", p, app::kMaxIniFiles, true);
        for (int p = 1; p <= products; ++p) SectionList("ProductReg", p, app::kMaxRegKeys, false);
        BootLines("ProductBat", "AUTOEXEC.BAT", app::kMaxBatLines);
        BootLines("ProductCfg", "CONFIG.SYS", app::kMaxCfgLines);
        KeysBeyondProducts();
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "Service Runonce", "Name", app::kMaxServiceRunonce,
                                                   Bound::Capacity, findings(), "service entries")) {
            d_.runOnce.push_back({v.value, v.line});
            d_.macroTexts.push_back({kFile, v.line, "[Service Runonce] " + Numbered("Name", v.number), v.value, false});
        }
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, "Additional Programs", "Name", app::kMaxAddPrograms,
                                                   Bound::Capacity, findings(), "additional programs")) {
            std::string what = "[Additional Programs] " + Numbered("Name", v.number);
            if (v.value.find(',') == std::string::npos)
                findings().Error(kFile, v.line, "short-entry",
                                 what + " has no ',' between its caption and its program: the setup skips it");
            d_.addPrograms.push_back({v.value, v.line});
            d_.macroTexts.push_back({kFile, v.line, what, v.value, false});
        }
    }

private:
    Findings& findings() { return medium_.findings; }

    // The section a key names, or null after a missing-section finding.
    const IniDocument::Section* NamedSection(const std::string& name, const std::string& key, int line) {
        const IniDocument::Section* s = doc_.FindSection(name);
        if (!s)
            findings().Error(kFile, line, "missing-section",
                             "[Config] " + key + " names the section [" + Utf8(name) + "], which CONFIG.INI does not have");
        return s;
    }

    // "ProductIni" p or "ProductReg" p: a count, then that many section names.
    void SectionList(const std::string& word, int p, int capacity, bool iniFiles) {
        std::string key = Numbered(word, p);
        std::string value = doc_.Read("Config", key);
        if (value.empty()) return;
        int line = doc_.LineOf("Config", key);
        FieldReader fields(value, 1, kFile, line, "[Config] " + key, "count, sections", findings());
        int declared = fields.Number("the count");
        int count = std::clamp(declared, 0, capacity);
        if (declared > capacity)
            findings().Error(kFile, line, "too-many",
                             "[Config] " + key + " declares " + std::to_string(declared) + " sections; the setup holds " +
                                 std::to_string(capacity) + " per product and drops the rest");
        int commas = static_cast<int>(std::count(value.begin(), value.end(), ','));
        if (commas < count)
            findings().Error(kFile, line, "short-entry",
                             "[Config] " + key + " declares " + std::to_string(declared) + " sections but names " +
                                 std::to_string(commas) + ": the missing ones read as empty names");
        else if (commas > count && declared <= capacity)
            findings().Warning(kFile, line, "extra-field",
                               "[Config] " + key + " names more sections than its count " + std::to_string(declared) +
                                   ": the last section name takes the rest of the text, commas included");
        for (int j = 0; j < count; ++j) {
            std::string name = j == declared - 1 ? fields.Last() : fields.Text();
            if (name.empty() && commas < count) continue;  // reported above
            const IniDocument::Section* s = NamedSection(name, key, line);
            if (!s) continue;
            if (iniFiles) IniFileSection(name, s->line);
            else RegKeySection(name, s->line);
        }
    }

    void IniFileSection(const std::string& name, int headerLine) {
        std::string path = doc_.Read(name, "Path"), fileName = doc_.Read(name, "FileName");
        std::string where = "[" + Utf8(name) + "]";
        if (fileName.empty())
            findings().Error(kFile, headerLine, "missing-key",
                             where + " has no FileName: its entries would be written to the file \"" + Utf8(path) + "\\\"");
        d_.macroTexts.push_back({kFile, doc_.LineOf(name, "FileName"), "the file of " + where, path + "\\" + fileName, false});
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, name, "Name", app::kMaxEntries, Bound::Capacity,
                                                   findings(), "entries per configuration file")) {
            std::string what = where + " " + Numbered("Name", v.number);
            FieldReader(v.value, 3, kFile, v.line, what, "section, key, value", findings());
            d_.macroTexts.push_back({kFile, v.line, what, v.value, false});
        }
    }

    void RegKeySection(const std::string& name, int headerLine) {
        std::string where = "[" + Utf8(name) + "]";
        if (doc_.Read(name, "Root").empty())
            findings().Error(kFile, headerLine, "missing-key",
                             where + " has no Root: its values would be written into HKEY_LOCAL_MACHINE itself");
        for (const NumberedValue& v : ReadNumbered(doc_, kFile, name, "Name", app::kMaxEntries, Bound::Capacity,
                                                   findings(), "entries per registry key")) {
            std::string what = where + " " + Numbered("Name", v.number);
            FieldReader(v.value, 2, kFile, v.line, what, "value name, data", findings());
            d_.macroTexts.push_back({kFile, v.line, what, v.value, false});
        }
    }

    // "ProductBat" p / "ProductCfg" p: the first product without a section ends the reading for all later ones.
    void BootLines(const std::string& word, const std::string& bootFile, int capacity) {
        int emptyAt = 0;
        for (int p = 1; p <= static_cast<int>(d_.products.size()); ++p) {
            std::string key = Numbered(word, p);
            std::string section = doc_.Read("Config", key);
            int line = doc_.LineOf("Config", key);
            if (section.empty()) {
                if (!emptyAt) emptyAt = p;
                continue;
            }
            if (emptyAt) {
                findings().Warning(kFile, line, "key-after-gap",
                                   "[Config] " + key + " is never read: " + Numbered(word, emptyAt) +
                                       " is missing or empty, and the setup reads no later product's " + bootFile +
                                       " lines");
                continue;
            }
            if (!NamedSection(section, key, line)) continue;
            for (const NumberedValue& v : ReadNumbered(doc_, kFile, section, "Name", capacity, Bound::Capacity,
                                                       findings(), bootFile + " lines per product"))
                d_.macroTexts.push_back({kFile, v.line, "[" + Utf8(section) + "] " + Numbered("Name", v.number), v.value, false});
        }
    }

    // Product keys numbered past the last product are never read.
    void KeysBeyondProducts() {
        const IniDocument::Section* s = doc_.FindSection("Config");
        if (!s) return;
        for (const IniDocument::Entry& entry : s->entries) {
            std::string name = IniDocument::Fold(entry.name);
            for (const char* word : {"PRODUCTINI", "PRODUCTREG", "PRODUCTBAT", "PRODUCTCFG"}) {
                std::string prefix = word;
                if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
                std::string digits = name.substr(prefix.size());
                if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
                if (std::stoi(digits) > static_cast<int>(d_.products.size()))
                    findings().Warning(kFile, entry.line, "unused-key",
                                       "[Config] " + Utf8(entry.name) + " is never read: there are " +
                                           std::to_string(d_.products.size()) + " products");
            }
        }
    }

    Medium& medium_;
    const IniDocument& doc_;
    Description& d_;
};

}  // namespace

void ReadConfigIni(Medium& medium) { ConfigIniReader(medium).Run(); }

}  // namespace setupcheck::validate
