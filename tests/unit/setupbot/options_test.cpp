// The command line: what is accepted, and each malformed form refused (exit status 2 in the tool).
#include <gtest/gtest.h>

#include "setupbot/options.h"

namespace setupbot {
namespace {

std::optional<Options> Parse(std::vector<std::wstring> arguments, std::string* error = nullptr) {
    std::string message;
    auto options = ParseOptions(arguments, message);
    if (error) *error = message;
    return options;
}

TEST(Options, ReadsEveryOptionAndPassesTheProgramsArgumentsUntouched) {
    auto options = Parse({L"s.txt", L"--report", L"r.json", L"--shots", L"shots", L"--timeout", L"30",
                          L"--stage-stops", L"0", L"--capture", L"gdi", L"--", L"SETUP.EXE", L"--report", L"x"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->session, L"s.txt");
    EXPECT_EQ(options->report, L"r.json");
    EXPECT_EQ(options->shots, L"shots");
    EXPECT_EQ(options->timeoutSeconds, 30u);
    EXPECT_EQ(options->stageStops, 0);
    EXPECT_EQ(options->capture, L"gdi");
    EXPECT_EQ(options->program, (std::vector<std::wstring>{L"SETUP.EXE", L"--report", L"x"}));
}

TEST(Options, DefaultsToTwoMinutesAndTwelveStageStops) {
    auto options = Parse({L"s.txt", L"--report", L"r.json", L"--", L"SETUP.EXE"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->timeoutSeconds, 120u);
    EXPECT_EQ(options->stageStops, 12);
    EXPECT_TRUE(options->shots.empty());
}

TEST(Options, RefusesMalformedCommandLines) {
    std::string error;
    EXPECT_FALSE(Parse({L"s.txt", L"--report", L"r.json"}, &error));
    EXPECT_EQ(error, "no program after --");
    EXPECT_FALSE(Parse({L"s.txt", L"--", L"SETUP.EXE"}, &error));
    EXPECT_EQ(error, "--report FILE is missing");
    EXPECT_FALSE(Parse({L"--report", L"r.json", L"--", L"SETUP.EXE"}, &error));
    EXPECT_EQ(error, "no session file");
    EXPECT_FALSE(Parse({L"s.txt", L"--report"}, &error));
    EXPECT_EQ(error, "--report needs a value");
    EXPECT_FALSE(Parse({L"s.txt", L"t.txt", L"--report", L"r", L"--", L"p"}, &error));
    EXPECT_FALSE(Parse({L"s.txt", L"--report", L"r", L"--bogus", L"--", L"p"}, &error));
    EXPECT_EQ(error, "unknown option");
    for (const wchar_t* bad : {L"0", L"-1", L"12x", L"", L"99999999999"}) {
        EXPECT_FALSE(Parse({L"s.txt", L"--report", L"r", L"--timeout", bad, L"--", L"p"})) << "timeout " << bad;
    }
    EXPECT_FALSE(Parse({L"s.txt", L"--report", L"r", L"--capture", L"screen", L"--", L"p"}));
}

}  // namespace
}  // namespace setupbot
