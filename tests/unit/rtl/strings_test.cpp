// Path and case helpers on ANSI strings, including double-byte characters whose trail byte is '\'.
#include <gtest/gtest.h>

#include "rtl/strings.h"

using namespace rtl;

TEST(PathParts, SplitsAtTheLastSeparatorOrColon) {
    EXPECT_EQ(ExtractFilePath("C:\\DIR\\SUB\\NAME.TXT"), "C:\\DIR\\SUB\\");
    EXPECT_EQ(ExtractFileName("C:\\DIR\\SUB\\NAME.TXT"), "NAME.TXT");
    EXPECT_EQ(ExtractFileExt("C:\\DIR.X\\NAME"), "");
    EXPECT_EQ(ExtractFileExt("C:\\DIR\\NAME.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFilePath("C:NAME"), "C:");
    EXPECT_EQ(ExtractFileName("NAME"), "NAME");
    EXPECT_EQ(ExtractFileDrive("C:\\X"), "C:");
    EXPECT_EQ(ExtractFileDrive("\\\\SERVER\\SHARE\\DIR\\X"), "\\\\SERVER\\SHARE");
    EXPECT_EQ(ExtractFileDrive("DIR\\X"), "");
}

TEST(PathParts, TrailByteThatLooksLikeABackslashIsNoSeparator) {
    // GBK 0x95 0x5C is one character; its trail byte is '\'.
    const std::string name = "C:\\A\\\x95\x5C.TXT";
    EXPECT_EQ(ExtractFilePath(name), "C:\\A\\");
    EXPECT_EQ(ExtractFileName(name), "\x95\x5C.TXT");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
}

TEST(Case, UpperCasesAsciiOnlyAndKeepsDoubleByteCharacters) {
    // 0xB0 0x61 is one GBK character whose trail byte is 'a'; it must stay as it is.
    EXPECT_EQ(AnsiUpperCase("abc\xB0\x61z"), "ABC\xB0\x61Z");
    EXPECT_EQ(UpperCaseAscii("abc\xB0\x61z"), "ABC\xB0\x41Z");
    EXPECT_TRUE(SameText("Setup.Dat", "SETUP.DAT"));
}

TEST(Trim, RemovesSpacesAndControlCharacters) {
    EXPECT_EQ(Trim("  \t*.TXT \r\n"), "*.TXT");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(ReplaceAll("a/b/c", "/", "\\"), "a\\b\\c");
    EXPECT_EQ(IntToHex(0x22957a6e, 8), "22957A6E");
}

TEST(Lines, SplitAtLineFeedsDroppingCarriageReturns) {
    EXPECT_EQ(SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines("last\n"), (std::vector<std::string>{"last"}));
    EXPECT_TRUE(SplitLines("").empty());
}
