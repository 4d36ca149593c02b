// Contract of the port's paths and machine facts: full path names, the current directory, drive types,
// the program's own name and last-write times as local time.
#include "contract_support.h"

namespace contract {
namespace {

using Paths = PortTest;

TEST_F(Paths, FullPathNameResolvesSeparatorsDotsAndRelativeNames) {
    EXPECT_EQ(fs().fullPathName("C:/a/./b/../c.txt"), "C:\\a\\c.txt");
    EXPECT_EQ(fs().fullPathName("C:\\a\\\\\\b"), "C:\\a\\b") << "repeated separators collapse";
    EXPECT_EQ(fs().fullPathName("C:\\a\\..\\..\\..\\b"), "C:\\b") << "'..' stops at the root";
    EXPECT_EQ(fs().fullPathName("C:\\x\\"), "C:\\x\\") << "a trailing separator stays";
    EXPECT_EQ(fs().fullPathName("C:\\x\\y\\.."), "C:\\x");
    EXPECT_EQ(fs().fullPathName("C:\\"), "C:\\");
    EXPECT_EQ(fs().fullPathName("c:\\Low\\Case"), "c:\\Low\\Case") << "the letter keeps its case";
    EXPECT_EQ(fs().fullPathName("C:\\a\\name. . "), "C:\\a\\name") << "trailing dots and spaces go";
    EXPECT_EQ(fs().fullPathName("C:\\a\\.hidden"), "C:\\a\\.hidden");
    EXPECT_EQ(fs().fullPathName("C:\\dot.\\b"), "C:\\dot\\b") << "a folder name loses one trailing dot";

    ASSERT_TRUE(fs().createDirectory(Path("here")));
    ASSERT_TRUE(fs().setCurrentDirectory(Path("here")));
    std::string here = fs().getCurrentDirectory();
    EXPECT_EQ(AsciiUpper(here), AsciiUpper(Path("here")));
    EXPECT_EQ(fs().fullPathName("name.txt"), here + "\\name.txt");
    EXPECT_EQ(fs().fullPathName("sub/../x.txt"), here + "\\x.txt");
    EXPECT_EQ(fs().fullPathName("."), here);
    EXPECT_EQ(fs().fullPathName(".."), dir_);
    EXPECT_EQ(fs().fullPathName("..\\other\\f"), dir_ + "\\other\\f");
    EXPECT_EQ(fs().fullPathName("\\rooted\\f"), here.substr(0, 2) + "\\rooted\\f") << "the current drive's root";
}

TEST_F(Paths, CurrentDirectoryServesRelativeNames) {
    ASSERT_TRUE(fs().createDirectory(Path("cwd")));
    ASSERT_TRUE(fs().setCurrentDirectory(Path("CWD") + "\\"));
    EXPECT_EQ(AsciiUpper(fs().getCurrentDirectory()), AsciiUpper(Path("cwd"))) << "no trailing separator";

    auto file = fs().createFile("relative.txt");
    ASSERT_TRUE(file);
    file->write("rel", 3);
    file.reset();
    EXPECT_EQ(Get(Path("cwd\\relative.txt")), "rel");
    EXPECT_NE(fs().getFileAttributes(".\\relative.txt"), os::kInvalidAttributes);

    ASSERT_TRUE(fs().setCurrentDirectory(".."));
    EXPECT_EQ(AsciiUpper(fs().getCurrentDirectory()), AsciiUpper(dir_));
    EXPECT_EQ(Get("cwd\\relative.txt"), "rel");

    EXPECT_FALSE(fs().setCurrentDirectory(Path("missing")));
    EXPECT_EQ(fs().lastError(), os::kErrorFileNotFound);
    EXPECT_FALSE(fs().setCurrentDirectory(Path("missing\\deeper")));
    EXPECT_EQ(fs().lastError(), os::kErrorPathNotFound);
    Put("plain.txt", "x");
    EXPECT_FALSE(fs().setCurrentDirectory(Path("plain.txt")));
    EXPECT_EQ(fs().lastError(), 267u) << "ERROR_DIRECTORY";
    EXPECT_EQ(AsciiUpper(fs().getCurrentDirectory()), AsciiUpper(dir_)) << "a failed change keeps the old one";
}

TEST_F(Paths, DriveTypes) {
    EXPECT_EQ(fs().getDriveType("C:\\"), os::DriveType::Fixed);
    EXPECT_EQ(fs().getDriveType("c:\\"), os::DriveType::Fixed);
}

// Shared test data is reached through Z:, the host's root, on both machines.
TEST_F(Paths, TestDataIsReachableThroughZ) {
    std::string data = test_support::TestDataDir();
    ASSERT_EQ(AsciiUpper(data.substr(0, 3)), "Z:\\");
    EXPECT_EQ(fs().getDriveType("Z:\\"), os::DriveType::Fixed);
    uint32_t attributes = fs().getFileAttributes(data);
    ASSERT_NE(attributes, os::kInvalidAttributes) << data << ": error " << fs().lastError();
    EXPECT_NE(attributes & os::kAttrDirectory, 0u);
}

TEST_F(Paths, ModuleFileNameIsTheFullNameOfAnExe) {
    std::string name = fs().moduleFileName();
    ASSERT_GT(name.size(), 7u);
    EXPECT_EQ(AsciiUpper(name.substr(name.size() - 4)), ".EXE");
    EXPECT_EQ(fs().fullPathName(name), name);
    EXPECT_EQ(name[1], ':');
}

TEST_F(Paths, LastWriteTimeRoundTripsAsLocalTime) {
    const os::LocalDateTime times[] = {{1998, 12, 31, 23, 59, 58}, {2004, 7, 15, 12, 30, 1}, {2024, 2, 29, 0, 0, 0}};
    Put("t.txt", "time");
    for (const auto& wanted : times) {
        {
            auto file = fs().openFile(Path("t.txt"), os::kOpenReadWrite | os::kShareDenyWrite);
            ASSERT_TRUE(file);
            ASSERT_TRUE(file->setLastWriteTime(wanted));
        }
        auto file = fs().openFile(Path("t.txt"), os::kOpenRead | os::kShareDenyNone);
        ASSERT_TRUE(file);
        os::LocalDateTime got;
        ASSERT_TRUE(file->getLastWriteTime(got));
        EXPECT_EQ(got.year, wanted.year);
        EXPECT_EQ(got.month, wanted.month);
        EXPECT_EQ(got.day, wanted.day);
        EXPECT_EQ(got.hour, wanted.hour);
        EXPECT_EQ(got.minute, wanted.minute);
        EXPECT_EQ(got.second, wanted.second);
    }
}

}  // namespace
}  // namespace contract
