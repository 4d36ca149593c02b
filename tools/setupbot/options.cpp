// Command-line parsing.
#include "setupbot/options.h"

namespace setupbot {
namespace {

std::optional<long> ParseNumber(const std::wstring& text, long limit) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value > limit) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::wstring>& arguments, std::string& error) {
    Options options;
    size_t i = 0;
    auto value = [&](const char* name) -> const std::wstring* {
        if (i + 1 >= arguments.size()) {
            error = std::string(name) + " needs a value";
            return nullptr;
        }
        return &arguments[++i];
    };
    for (; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--") {
            options.program.assign(arguments.begin() + long(i) + 1, arguments.end());
            break;
        }
        if (argument == L"--report") {
            const std::wstring* text = value("--report");
            if (!text) return std::nullopt;
            options.report = *text;
        } else if (argument == L"--shots") {
            const std::wstring* text = value("--shots");
            if (!text) return std::nullopt;
            options.shots = *text;
        } else if (argument == L"--timeout" || argument == L"--stage-stops") {
            bool timeout = argument == L"--timeout";
            const std::wstring* text = value(timeout ? "--timeout" : "--stage-stops");
            if (!text) return std::nullopt;
            auto number = ParseNumber(*text, timeout ? 86400 : 100000);
            if (!number || (timeout && *number == 0)) {
                error = timeout ? "--timeout needs a number of seconds (1..86400)" : "--stage-stops needs a number";
                return std::nullopt;
            }
            if (timeout) options.timeoutSeconds = unsigned(*number);
            else options.stageStops = int(*number);
        } else if (argument == L"--capture") {
            const std::wstring* text = value("--capture");
            if (!text) return std::nullopt;
            if (*text != L"gdi" && *text != L"x11") {
                error = "--capture needs gdi or x11";
                return std::nullopt;
            }
            options.capture = *text;
        } else if (argument.rfind(L"--", 0) == 0) {
            error = "unknown option";
            return std::nullopt;
        } else if (options.session.empty()) {
            options.session = argument;
        } else {
            error = "more than one session file (put the program after --)";
            return std::nullopt;
        }
    }
    if (options.session.empty()) error = "no session file";
    else if (options.report.empty()) error = "--report FILE is missing";
    else if (options.program.empty()) error = "no program after --";
    if (!error.empty()) return std::nullopt;
    return options;
}

}  // namespace setupbot
