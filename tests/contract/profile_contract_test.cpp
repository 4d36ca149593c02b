// Contract of the port's private-profile files: how values, key lists and section lists are read, and
// where writes put new keys and sections. Wine is the oracle; cases where it differs from Windows are
// marked and checked against the simulation only.
#include "contract_support.h"

#include <cstdint>
#include <ctime>

namespace contract {
namespace {

using Profiles = PortTest;
using Names = std::vector<std::string>;

os::Profile& ini() { return os::profile(); }

const std::string kSample =
    "top=1\r\n"
    "[Main]\r\n"
    " Key1 = value one  \r\n"
    "Key2=\"quoted value\"\r\n"
    "Key3=\" half\r\n"
    "Key4=\r\n"
    "Key5 = 'single'\r\n"
    "key1=duplicate\r\n"
    ";comment=x\r\n"
    "; plain comment\r\n"
    "no equals sign\r\n"
    "  \r\n"
    "#hash=1\r\n"
    "Key6=\"a\" \"b\"\r\n"
    "Key7=\"\"\r\n"
    "Key8=\"\r\n"
    "Key9=a=b\r\n"
    "\r\n"
    "[ Spaced ]\r\n"
    "a=1\r\n"
    "[main]\r\n"
    "late=2\r\n"
    "[Open\r\n"
    "b=2\r\n"
    "[Close]x\r\n"
    "c=3\r\n";

TEST_F(Profiles, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
    Put("a.ini", kSample);
    std::string file = Path("a.ini");
    EXPECT_EQ(ini().readString(file, "Main", "Key1", "-"), "value one");
    EXPECT_EQ(ini().readString(file, "MAIN", "KEY2", "-"), "quoted value") << "names compare without case";
    EXPECT_EQ(ini().readString(file, "Main", " key1 ", "-"), "value one") << "the key asked for is trimmed too";
    EXPECT_EQ(ini().readString(file, "Main", "Key3", "-"), "\" half") << "an unmatched quote stays";
    EXPECT_EQ(ini().readString(file, "Main", "Key4", "-"), "") << "an empty value is not the default";
    EXPECT_EQ(ini().readString(file, "Main", "Key5", "-"), "single") << "single quotes count as well";
    EXPECT_EQ(ini().readString(file, "Main", "Key6", "-"), "a\" \"b") << "only the outer pair goes";
    EXPECT_EQ(ini().readString(file, "Main", "Key7", "-"), "");
    EXPECT_EQ(ini().readString(file, "Main", "Key8", "-"), "\"") << "a lone quote is no pair";
    EXPECT_EQ(ini().readString(file, "Main", "Key9", "-"), "a=b") << "the first '=' ends the name";
    EXPECT_EQ(ini().readString(file, "Main", "#hash", "-"), "1") << "'#' starts no comment";
    EXPECT_EQ(ini().readString(file, "Main", "no equals sign", "-"), "-") << "a line without '=' has no value";
    EXPECT_EQ(ini().readString(file, "Main", "missing", "the default"), "the default");
    EXPECT_EQ(ini().readString(file, "Nowhere", "Key1", "-"), "-");
}

TEST_F(Profiles, TheFirstOfDuplicateSectionsAndKeysWins) {
    Put("a.ini", kSample);
    std::string file = Path("a.ini");
    EXPECT_EQ(ini().readString(file, "Main", "key1", "-"), "value one");
    EXPECT_EQ(ini().readString(file, "main", "late", "-"), "-") << "the second [main] is never searched";
    EXPECT_EQ(ini().sectionKeys(file, "main"),
              (Names{"Key1", "Key2", "Key3", "Key4", "Key5", "key1", "#hash", "Key6", "Key7", "Key8", "Key9"}))
        << "file order, duplicates kept; ';' lines and lines without '=' are not keys";
    EXPECT_EQ(ini().sectionNames(file), (Names{"Main", "Spaced", "main", "Close"}));
}

TEST_F(Profiles, SectionHeaders) {
    Put("a.ini", kSample);
    std::string file = Path("a.ini");
    EXPECT_EQ(ini().readString(file, "spaced", "a", "-"), "1") << "blanks inside the brackets are trimmed";
    EXPECT_EQ(ini().readString(file, "Close", "c", "-"), "3") << "text after ']' is ignored";
    EXPECT_EQ(ini().readString(file, "Open", "b", "-"), "-") << "a '[' line without ']' opens no section";
    EXPECT_EQ(ini().sectionKeys(file, "Open"), Names{});
    EXPECT_EQ(ini().sectionKeys(file, "Nowhere"), Names{});
}

TEST_F(Profiles, AMissingFileGivesDefaultsAndDeletingCreatesNothing) {
    std::string file = Path("none.ini");
    EXPECT_EQ(ini().readString(file, "a", "b", "dflt"), "dflt");
    EXPECT_EQ(ini().sectionKeys(file, "a"), Names{});
    EXPECT_EQ(ini().sectionNames(file), Names{});
    EXPECT_TRUE(ini().deleteKey(file, "a", "b"));
    EXPECT_TRUE(ini().deleteSection(file, "a"));
    EXPECT_EQ(Get(file), "<missing>");
    EXPECT_FALSE(ini().writeString(Path("no folder\\x.ini"), "a", "b", "c")) << "the folder is not created";
}

TEST_F(Profiles, WritesCreateTheFileAndAppendNewKeysToTheirSection) {
    std::string file = Path("w.ini");
    ASSERT_TRUE(ini().writeString(file, "S", "k", "v"));
    EXPECT_EQ(Get(file), "[S]\r\nk=v\r\n");

    Put("w.ini", "; head\r\n[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n[a]\r\nq=9\r\n");
    ASSERT_TRUE(ini().writeString(file, "a", "X", "new"));
    EXPECT_EQ(Get(file), "; head\r\n[A]\r\nx=new\r\ny=2\r\n[B]\r\nz=3\r\n[a]\r\nq=9\r\n")
        << "the value is replaced where it stands; the name keeps its case";
    ASSERT_TRUE(ini().writeString(file, "A", "w", "\"quoted\""));
    EXPECT_EQ(Get(file), "; head\r\n[A]\r\nx=new\r\ny=2\r\nw=\"quoted\"\r\n[B]\r\nz=3\r\n[a]\r\nq=9\r\n")
        << "a new key goes after the last key of the first matching section";
    EXPECT_EQ(ini().readString(file, "a", "w", "-"), "quoted");
    ASSERT_TRUE(ini().writeString(file, "B", "z", ""));
    EXPECT_EQ(ini().readString(file, "B", "z", "-"), "");

    ASSERT_TRUE(ini().deleteKey(file, "A", "Y"));
    ASSERT_TRUE(ini().deleteSection(file, "a"));
    EXPECT_EQ(Get(file), "; head\r\n[B]\r\nz=\r\n[a]\r\nq=9\r\n") << "only the first [a] goes, with its keys";
    ASSERT_TRUE(ini().deleteKey(file, "B", "missing"));
    ASSERT_TRUE(ini().deleteSection(file, "missing"));
    EXPECT_EQ(Get(file), "; head\r\n[B]\r\nz=\r\n[a]\r\nq=9\r\n");
}

TEST_F(Profiles, AKeyAddedToTheLastLineWithoutLineEnd) {
    Put("e.ini", "[S]\r\nk=v");
    ASSERT_TRUE(ini().writeString(Path("e.ini"), "s", "j", "w"));
    EXPECT_EQ(Get(Path("e.ini")), "[S]\r\nk=v\r\nj=w\r\n");
    Put("c.ini", "[S]\r\n;c\r\n[T]\r\n");
    ASSERT_TRUE(ini().writeString(Path("c.ini"), "S", "new", "1"));
    ASSERT_TRUE(ini().writeString(Path("c.ini"), "T", "new", "2"));
    EXPECT_EQ(Get(Path("c.ini")), "[S]\r\n;c\r\nnew=1\r\n[T]\r\nnew=2\r\n") << "a comment line counts as content";
}

TEST_F(Profiles, GbkNamesAndValuesStayBytes) {
    // "中" "文" in GBK; 0x95 0x5D is one character whose second byte is ']'.
    const std::string zhong = "\xD6\xD0", wen = "\xCE\xC4", bracket = "\x95\x5D";
    Put("g.ini", "[S]\r\n" + zhong + "=" + wen + "\r\n[" + bracket + "]\r\nk=" + bracket + "\r\n");
    std::string file = Path("g.ini");
    EXPECT_EQ(ini().readString(file, "s", zhong, "-"), wen);
    EXPECT_EQ(ini().readString(file, bracket, "K", "-"), bracket);
    EXPECT_EQ(ini().sectionNames(file), (Names{"S", bracket}));
    ASSERT_TRUE(ini().writeString(file, bracket, wen, zhong));
    EXPECT_EQ(Get(file), "[S]\r\n" + zhong + "=" + wen + "\r\n[" + bracket + "]\r\nk=" + bracket + "\r\n" + wen + "=" +
                             zhong + "\r\n");
}

TEST_F(Profiles, AFileNameWithoutPathLivesInTheWindowsDirectory) {
    // Both machines keep Windows in C:\WINDOWS; the simulated test machine may not have the folder yet.
    fs().createDirectory("C:\\WINDOWS");
    std::string name = "ts-contract-" + std::to_string(static_cast<long long>(std::time(nullptr))) + "-" +
                       std::to_string(reinterpret_cast<uintptr_t>(this) & 0xFFFF) + ".ini";
    ASSERT_TRUE(fs().setCurrentDirectory(dir_));
    ASSERT_TRUE(ini().writeString(name, "S", "k", "v"));
    EXPECT_EQ(Get("C:\\WINDOWS\\" + name), "[S]\r\nk=v\r\n");
    EXPECT_EQ(Get(Path(name)), "<missing>") << "not the current directory";
    EXPECT_EQ(ini().readString(name, "S", "k", "-"), "v");
    EXPECT_TRUE(fs().deleteFile("C:\\WINDOWS\\" + name));
}

// Windows edits the file in place: every line it does not change keeps its bytes (blanks, LF line ends,
// blank lines), a new key follows the last non-blank line of its section, and a new section is set off by
// a blank line. Wine instead rewrites the whole file in its own layout, so these run on the simulation only.
TEST_F(Profiles, WindowsKeepsEveryOtherLineAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine rewrites the whole file; Windows (and the simulation) edit it in place";
#endif
    std::string file = Path("k.ini");
    Put("k.ini", "; head\n[A]\n  x = 1  \ny=2\n\n\n[B]\r\nz=3\r\n\r\n");
    ASSERT_TRUE(ini().writeString(file, "A", "X", "new"));
    ASSERT_TRUE(ini().writeString(file, "A", "w", "4"));
    ASSERT_TRUE(ini().writeString(file, "B", "v", "5"));
    EXPECT_EQ(Get(file), "; head\n[A]\nx=new\ny=2\nw=4\r\n\n\n[B]\r\nz=3\r\nv=5\r\n\r\n");
    ASSERT_TRUE(ini().writeString(file, "C", "k", "v"));
    EXPECT_EQ(Get(file), "; head\n[A]\nx=new\ny=2\nw=4\r\n\n\n[B]\r\nz=3\r\nv=5\r\n\r\n\r\n[C]\r\nk=v\r\n");
    Put("k.ini", "[A]\r\nx=1");
    ASSERT_TRUE(ini().writeString(file, "B", "y", "2"));
    EXPECT_EQ(Get(file), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(ini().deleteSection(file, "A"));
    EXPECT_EQ(Get(file), "[B]\r\ny=2\r\n");
}

}  // namespace
}  // namespace contract
