// The command line of `setupcheck validate`, its output and its progress line.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "os/machine.h"
#include "setupcheck/validate/validate.h"
#include "setupcheck/validate/validate_machine.h"

namespace setupcheck::validate {

namespace {

struct Options {
    std::string medium, machineFile;
    bool json = false;
};

Options ParseArguments(const std::vector<std::string>& arguments) {
    Options options;
    bool haveMedium = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--json") {
            options.json = true;
        } else if (a == "--machine") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) throw ValidateError("option --machine needs a value");
            options.machineFile = arguments[++i];
        } else if (a.rfind("--", 0) == 0) {
            throw ValidateError("unknown option " + a);
        } else if (!haveMedium && !a.empty()) {
            options.medium = a;
            haveMedium = true;
        } else {
            throw ValidateError("unexpected argument " + a);
        }
    }
    if (!haveMedium) throw ValidateError("the medium folder is missing");
    return options;
}

// Writes "validate: N of M MiB tested (PACKAGE)" on err once a second, from the first second on.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err), start_(Clock::now()), last_(start_) {}
    ~ProgressLine() {
        if (shown_) err_ << "\n" << std::flush;
    }
    void operator()(uint64_t done, uint64_t total, const std::string& package) {
        auto now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::seconds(1)) return;
        last_ = now;
        shown_ = true;
        char line[64];
        std::snprintf(line, sizeof line, "%llu of %llu MiB tested", static_cast<unsigned long long>(done >> 20),
                      static_cast<unsigned long long>(total >> 20));
        err_ << "\rvalidate: " << line << (package.empty() ? "" : " (" + package + ")") << "\x1b[K" << std::flush;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& err_;
    Clock::time_point start_, last_;
    bool shown_ = false;
};

}  // namespace

int RunValidateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::vector<Finding> findings;
    Options options;
    try {
        options = ParseArguments(arguments);
        std::error_code error;
        if (!std::filesystem::is_directory(options.medium, error))
            throw ValidateError("the medium folder " + options.medium + " does not exist");
        std::unique_ptr<ValidateMachine> machine = OpenValidateMachine(options.medium, options.machineFile);
        ProgressLine progress(err);
        findings = ValidateMedium(machine->SetupFolder(), std::ref(progress));
    } catch (const ValidateError& e) {
        err << "setupcheck validate: " << e.what() << "\n";
        return 2;
    }
    out << (options.json ? FindingsToJson(findings) : FindingsToText(findings)) << std::flush;
    for (const Finding& f : findings)
        if (f.severity == Severity::Error) return 1;
    return 0;
}

}  // namespace setupcheck::validate
