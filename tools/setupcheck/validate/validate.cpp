// The order of the checks: the description files as the setup reads them, then the packages, then what
// needs both (shortcuts, programs, clashing files), then what the wizard and the main window show.
#include "setupcheck/validate/validate.h"

#include "setupcheck/validate/description_checks.h"
#include "setupcheck/validate/macro_checks.h"
#include "setupcheck/validate/medium.h"
#include "setupcheck/validate/reach_checks.h"
#include "setupcheck/validate/wizard_checks.h"

namespace setupcheck::validate {

namespace {

// Reads a description file; false (after missing-file) when it is not there.
bool Load(Medium& medium, const char* name, IniDocument& document) {
    std::string bytes;
    if (!medium.HasFile(name) || !medium.ReadAll(name, bytes)) {
        medium.findings.Error(name, 0, "missing-file",
                              std::string(name) + " is not on the medium: the setup shows \"" +
                                  Utf8(std::string("找不到") + name + "，无法安装！") + "\" and ends");
        return false;
    }
    document = IniDocument(bytes);
    if (document.badLine())
        medium.findings.Error(name, document.badLine(), "not-gbk",
                              std::string(name) + " is not GBK text from this line on: " + document.badLineProblem() +
                                  "; save it in the GBK (code page 936) encoding without a byte-order mark");
    return true;
}

}  // namespace

std::vector<Finding> ValidateMedium(const std::string& setupFolder, const TestProgress& progress) {
    Medium medium;
    medium.folder = setupFolder;
    medium.hasSetup = Load(medium, kSetupIni, medium.setup);
    medium.hasConfig = Load(medium, kConfigIni, medium.config);
    medium.hasComment = Load(medium, kCommentIni, medium.comment);
    if (medium.hasSetup) ReadSetupIni(medium);
    if (medium.hasConfig) ReadConfigIni(medium);
    if (medium.hasComment) CheckCommentIni(medium);
    CheckDuplicates(medium);
    CheckMacroTexts(medium);
    PackageMap packages = TestPackages(medium, progress);
    CheckShortCuts(medium, packages);
    CheckPrograms(medium, packages);
    CheckDuplicateTargets(medium, packages);
    CheckInstancePage(medium);
    CheckShownFiles(medium);
    return medium.findings.Sorted();
}

}  // namespace setupcheck::validate
