// Contract of the port's code pages: the test machine runs with code page 936 (GBK), as the product's
// users do (Wine follows LANG=zh_CN.UTF-8), and file names in GBK bytes reach the file system intact.
#include "contract_support.h"

namespace contract {
namespace {

// "中文" in GBK and in UTF-8, spelled as bytes so the source charset plays no part.
const std::string kGbk = "\xD6\xD0\xCE\xC4";
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(CodePages, TheMachineUsesCodePage936) {
    auto& cp = os::codePage();
    EXPECT_EQ(cp.ansiCodePage(), 936u) << "under Wine, run with LANG=zh_CN.UTF-8";
    EXPECT_EQ(cp.oemCodePage(), 936u);
    EXPECT_TRUE(cp.areFileApisAnsi());
}

TEST(CodePages, LeadBytesAndConversions) {
    auto& cp = os::codePage();
    EXPECT_TRUE(cp.isLeadByte(0xD6));
    EXPECT_TRUE(cp.isLeadByte(0x81));
    EXPECT_FALSE(cp.isLeadByte('A'));
    EXPECT_FALSE(cp.isLeadByte(0x80));
    EXPECT_FALSE(cp.isLeadByte(0xFF));

    EXPECT_EQ(cp.ansiToUtf8(kGbk + "-x"), kUtf8 + "-x");
    EXPECT_EQ(cp.utf8ToAnsi(kUtf8 + "-x"), kGbk + "-x");
    EXPECT_EQ(cp.ansiToUtf8(""), "");
    EXPECT_EQ(cp.oemToAnsi(kGbk + "abc"), kGbk + "abc") << "OEM and ANSI are the same code page";
}

using GbkNames = PortTest;

TEST_F(GbkNames, FileAndFolderNamesRoundTrip) {
    ASSERT_TRUE(fs().createDirectory(Path(kGbk)));
    Put(kGbk + "\\" + kGbk + ".txt", "gbk");
    EXPECT_EQ(Get(Path(kGbk + "\\" + kGbk + ".TXT")), "gbk");
    EXPECT_NE(fs().getFileAttributes(Path(kGbk)) & os::kAttrDirectory, 0u);
    ASSERT_TRUE(fs().setCurrentDirectory(Path(kGbk)));
    EXPECT_EQ(AsciiUpper(fs().getCurrentDirectory()), AsciiUpper(Path(kGbk)));
    EXPECT_EQ(Get(kGbk + ".txt"), "gbk");
    // The second byte of a GBK character may be '\' (0x5C); it is not a separator.
    const std::string withBackslashByte = "\x95\x5C.txt";
    Put(kGbk + "\\" + withBackslashByte, "trail");
    EXPECT_EQ(Get(withBackslashByte), "trail");
    EXPECT_EQ(Get(Path(kGbk + "\\" + withBackslashByte)), "trail");
}

}  // namespace
}  // namespace contract
