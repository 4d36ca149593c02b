// The lead module of an install mode is the first module of its first product; the wizard treats it as
// the database-engine module when its name holds "MSDE" (letter case counting).
#include "setupcheck/validate/wizard_checks.h"

#include "wizard/instance_name.h"

namespace setupcheck::validate {

namespace {

bool IsMsde(const Module& module) { return module.present && module.name.find("MSDE") != std::string::npos; }

std::string Extension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : IniDocument::Fold(name.substr(dot + 1));
}

bool IsJpeg(const std::string& head) { return head.size() >= 3 && head.compare(0, 3, "\xFF\xD8\xFF") == 0; }
bool IsBmp(const std::string& head) { return head.size() >= 2 && head.compare(0, 2, "BM") == 0; }

}  // namespace

void CheckInstancePage(Medium& medium) {
    const Description& d = medium.description;
    bool msdeLead = false;
    for (size_t m = 0; m < d.modules.size(); ++m) {
        const bool hasLead = !d.modules[m].empty() && !d.modules[m][0].empty();
        const bool leadIsMsde = hasLead && IsMsde(d.modules[m][0][0]);
        msdeLead |= leadIsMsde;
        if (d.modes[m].kind == 1 && !leadIsMsde)
            medium.findings.Warning(kSetupIni, d.modes[m].line, "instance-lead",
                                    "install mode " + Utf8(d.modes[m].name) +
                                        " is of kind 1, but its lead module (Name1 of [Product1Mode" +
                                        std::to_string(m + 1) +
                                        "]) is no MSDE module: the instance page is shown, its name never checked");
        for (size_t p = 0; p < d.modules[m].size(); ++p)
            for (size_t k = 0; k < d.modules[m][p].size(); ++k)
                if ((p || k) && IsMsde(d.modules[m][p][k]))
                    medium.findings.Warning(kSetupIni, d.modules[m][p][k].line, "instance-lead",
                                            "module " + Utf8(d.modules[m][p][k].name) +
                                                " is an MSDE module but not the lead of install mode " +
                                                std::to_string(m + 1) +
                                                " (Name1 of [Product1Mode" + std::to_string(m + 1) +
                                                "]): the wizard does not ask for its instance name");
    }
    if (!msdeLead) return;
    std::string refusal = wizard::InstanceNameRefusal(d.defaultMsde);
    if (!refusal.empty()) {
        std::string text = refusal.substr(0, refusal.find('\r'));
        medium.findings.Warning(kSetupIni, d.defaultMsdeLine, "bad-default-instance",
                                "DefaultMSDE \"" + Utf8(d.defaultMsde) + "\" would be refused by the instance page (\"" +
                                    Utf8(text) + "\"): every user must type another name");
    }
}

void CheckShownFiles(Medium& medium) {
    const Description& d = medium.description;
    for (const auto& mode : d.modules)
        for (const auto& product : mode)
            for (const Module& module : product) {
                if (!module.present || module.picture.empty()) continue;
                std::string picture = Utf8(module.picture);
                if (!medium.HasFile(module.picture)) {
                    medium.findings.Warning(kSetupIni, module.line, "bad-picture",
                                            "module " + Utf8(module.name) + ": the picture " + picture +
                                                " is not on the medium");
                    continue;
                }
                std::string head = medium.ReadHead(module.picture, 3), extension = Extension(module.picture);
                bool jpegName = extension == "JPG" || extension == "JPEG", bmpName = extension == "BMP";
                if ((jpegName && IsJpeg(head)) || (bmpName && IsBmp(head))) continue;
                std::string problem = !jpegName && !bmpName ? "is neither a .JPG nor a .BMP file"
                                      : jpegName            ? "is named .JPG but holds no JPEG picture"
                                                            : "is named .BMP but holds no BMP picture";
                medium.findings.Warning(kSetupIni, module.line, "bad-picture",
                                        "module " + Utf8(module.name) + ": the picture " + picture + " " + problem);
            }
    for (const char* name : {"License.TXT", "Readme.TXT"})
        if (!medium.HasFile(name))
            medium.findings.Warning(name, 0, "missing-text-file",
                                    std::string(name) + " is not on the medium: its wizard page stays empty");
    for (const char* name : {"setup1024.JPG", "setup800.JPG"}) {
        if (!medium.HasFile(name))
            medium.findings.Warning(name, 0, "missing-text-file",
                                    std::string(name) + " is not beside SETUP.EXE: the built-in background is shown");
        else if (!IsJpeg(medium.ReadHead(name, 3)))
            medium.findings.Warning(name, 0, "bad-picture", std::string(name) + " holds no JPEG picture");
    }
}

}  // namespace setupcheck::validate
