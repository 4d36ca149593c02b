// JSON output of the report: string escaping (control characters, invalid UTF-8) and the document shape.
#include <gtest/gtest.h>

#include "setupbot/json.h"
#include "setupbot/report.h"

namespace setupbot {
namespace {

TEST(JsonQuote, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(JsonQuote("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonQuote("\r\n\t\b\f"), "\"\\r\\n\\t\\b\\f\"");
    EXPECT_EQ(JsonQuote(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    EXPECT_EQ(JsonQuote(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonQuote("C:\\Shop"), "\"C:\\\\Shop\"");
}

TEST(JsonQuote, KeepsValidUtf8AndReplacesInvalidBytes) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    EXPECT_EQ(JsonQuote("\xE5\xAE\x89\xE8\xA3\x85"), "\"\xE5\xAE\x89\xE8\xA3\x85\"");  // two CJK characters
    EXPECT_EQ(JsonQuote("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");                  // outside the BMP
    EXPECT_EQ(JsonQuote("\xB0\xB2"), "\"" + kReplacement + kReplacement + "\"") << "GBK bytes never pass as UTF-8";
    EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"" + kReplacement + kReplacement + "\"") << "overlong form of '/'";
    EXPECT_EQ(JsonQuote("\xED\xA0\x80"), "\"" + kReplacement + kReplacement + kReplacement + "\"") << "a surrogate";
    EXPECT_EQ(JsonQuote("ab\xE5\xAE"), "\"ab" + kReplacement + kReplacement + "\"") << "truncated at the end";
}

TEST(JsonDocument, WritesMembersInOrderWithOneLinePerTopLevelEntry) {
    Json root = Json::Object();
    Json list = Json::Array();
    list.Add(1);
    list.Add("two");
    root.Set("list", std::move(list));
    root.Set("flag", true);
    root.Set("none", Json());
    root.Set("flag", false);  // setting again replaces in place
    EXPECT_EQ(root.Dump(), "{\n  \"list\": [\n    1,\n    \"two\"\n  ],\n  \"flag\": false,\n  \"none\": null\n}\n");
}

TEST(ReportJson, NamesMessageBoxFlagsAsTheSimulationDoes) {
    EXPECT_EQ(IconName(0x30 | 0x01), "warning");
    EXPECT_EQ(IconName(0x10), "stop");
    EXPECT_EQ(IconName(0x00), "none");
    EXPECT_EQ(ButtonsName(0x24), "yesno");
    EXPECT_EQ(ButtonsName(0x10), "ok");
    EXPECT_EQ(AnswerName(7), "no");
    EXPECT_EQ(MessageBoxButtonIds(3), (std::vector<int>{6, 7, 2}));
}

TEST(ReportJson, HasTheTopLevelFieldsOfTheSimulationReport) {
    RunReport report;
    report.endKind = "closed";
    report.wizard.pages = {1, 2};
    std::string text = ToJson(report).Dump();
    for (const char* field : {"\"stops\": []", "\"messages\": []", "\"busy\": []", "\"inconsistent\": []",
                              "\"unused\": []", "\"pages\": [1, 2]", "\"mode\": null",
                              "\"end\": {\"kind\": \"closed\", \"message\": \"\"}"})
        EXPECT_NE(text.find(field), std::string::npos) << field << " in " << text;
}

}  // namespace
}  // namespace setupbot
