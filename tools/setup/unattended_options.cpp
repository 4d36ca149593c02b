// SETUP.EXE's options.
#include "setup/unattended_options.h"

#include "rtl/strings.h"

namespace unattended {
namespace {

// The value of "NAME=VALUE" when the option (without its '/' or '-') starts with name and '='.
bool Valued(const std::string& option, const char* name, std::string& value, bool& seen) {
    const std::string prefix = std::string(name) + "=";
    if (rtl::UpperCaseAscii(option.substr(0, prefix.size())) != prefix) return false;
    if (seen) throw OptionsError("/" + std::string(name) + " is given twice");
    seen = true;
    value = option.substr(prefix.size());
    if (value.empty()) throw OptionsError("/" + std::string(name) + "= needs a file name");
    return true;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool sessionSeen = false, logSeen = false;
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
            throw OptionsError("unexpected argument " + argument);
        const std::string option = argument.substr(1);
        if (rtl::UpperCaseAscii(option) == "S") {
            if (options.silent) throw OptionsError("/S is given twice");
            options.silent = true;
        } else if (!Valued(option, "SESSION", options.session, sessionSeen) &&
                   !Valued(option, "LOG", options.log, logSeen)) {
            throw OptionsError("unknown option " + argument);
        }
    }
    if (!options.silent && (sessionSeen || logSeen)) throw OptionsError("/SESSION and /LOG need /S");
    return options;
}

}  // namespace unattended
