// Contract of the port's system part: version, folders, short names, free space, local time, screen size,
// privileges, error texts and the last error. Restarting (exitWindows) is never called here.
#include "contract_support.h"

namespace contract {
namespace {

using System = PortTest;

os::System& sys() { return os::system(); }

// The last name of a path.
std::string LastName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

bool IsShortName(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    return !base.empty() && base.size() <= 8 && extension.size() <= 3 && extension.find('.') == std::string::npos &&
           name.find(' ') == std::string::npos && name == AsciiUpper(name);
}

TEST_F(System, VersionWordAndPlatformAgree) {
    uint32_t version = sys().versionWord();
    EXPECT_EQ(sys().platformId(), (version & 0x80000000u) ? 1u : 2u);
    EXPECT_GE(version & 0xFF, 4u) << "major version in the low byte";
}

TEST_F(System, SystemFolderLiesInTheWindowsFolder) {
    std::string windows = sys().windowsDirectory();
    std::string system = sys().systemDirectory();
    ASSERT_GE(windows.size(), 4u);
    EXPECT_EQ(windows.substr(1, 2), ":\\");
    EXPECT_NE(windows.back(), '\\');
    EXPECT_EQ(AsciiUpper(system.substr(0, windows.size() + 1)), AsciiUpper(windows + "\\"));
    EXPECT_NE(system.back(), '\\');
}

// Windows numbers colliding short names "~1", "~2"; Wine hashes them ("LONG~ZAT"). Both give 8.3 names that
// open the same file, which is what is checked here.
TEST_F(System, ShortNamesOfLongPathsOpenTheSameFiles) {
    Put("Long File Name.txt", "first");
    Put("Long File Other.txt", "second");
    std::string first, second, folder;
    ASSERT_TRUE(sys().shortPathName(Path("Long File Name.txt"), first));
    ASSERT_TRUE(sys().shortPathName(Path("Long File Other.txt"), second));
    ASSERT_TRUE(sys().shortPathName(dir_, folder));
    EXPECT_TRUE(IsShortName(LastName(first))) << first;
    EXPECT_TRUE(IsShortName(LastName(second))) << second;
    EXPECT_NE(LastName(first), LastName(second));
    EXPECT_EQ(LastName(first).substr(LastName(first).size() - 4), ".TXT");
    EXPECT_EQ(first, folder + "\\" + LastName(first)) << "every level is converted the same way";
    EXPECT_EQ(Get(first), "first");
    EXPECT_EQ(Get(second), "second");

    std::string withSeparator;
    ASSERT_TRUE(sys().shortPathName(dir_ + "\\", withSeparator));
    EXPECT_EQ(withSeparator, folder + "\\") << "a trailing separator stays";
}

TEST_F(System, NamesThatFitEightDotThreeStay) {
    Put("short.txt", "x");
    Put("README", "x");
    std::string folder, shortPath;
    ASSERT_TRUE(sys().shortPathName(dir_, folder));
    ASSERT_TRUE(sys().shortPathName(Path("short.txt"), shortPath));
    EXPECT_EQ(shortPath, folder + "\\short.txt") << "the name keeps its case";
    ASSERT_TRUE(sys().shortPathName(Path("README"), shortPath));
    EXPECT_EQ(shortPath, folder + "\\README");
    // Asked in other letters, such a name comes back as the folder spells it (PATH lines are upper-cased
    // before their folders are shortened).
    ASSERT_TRUE(sys().shortPathName(Path("SHORT.TXT"), shortPath));
    EXPECT_EQ(shortPath, folder + "\\short.txt");
    ASSERT_TRUE(sys().shortPathName(Path("readme"), shortPath));
    EXPECT_EQ(shortPath, folder + "\\README");
}

TEST_F(System, MissingPathsHaveNoShortName) {
    std::string shortPath = "unchanged";
    EXPECT_FALSE(sys().shortPathName(Path("missing.txt"), shortPath));
    EXPECT_EQ(sys().lastError(), os::kErrorFileNotFound);
    EXPECT_FALSE(sys().shortPathName(Path("Missing Folder\\x.txt"), shortPath));
    EXPECT_EQ(sys().lastError(), os::kErrorFileNotFound);
    EXPECT_EQ(shortPath, "unchanged");
}

TEST_F(System, FreeSpaceOfTheTestDrive) {
    std::string root = dir_.substr(0, 3);
    os::DiskGeometry geometry;
    ASSERT_TRUE(sys().diskFreeSpace(root, geometry));
    uint64_t cluster = uint64_t(geometry.sectorsPerCluster) * geometry.bytesPerSector;
    EXPECT_GT(cluster, 0u);
    EXPECT_EQ(cluster & (cluster - 1), 0u) << "a power of two";
    EXPECT_LE(geometry.freeClusters, geometry.totalClusters);

    uint64_t freeToCaller = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(sys().diskFreeSpaceEx(root, freeToCaller, total, totalFree));
    EXPECT_LE(freeToCaller, total);
    EXPECT_LE(totalFree, total);
    EXPECT_GT(totalFree, 0u);
    // Other processes write while the test runs: the two calls agree within 256 MB.
    if (sys().platformId() == 2 && geometry.totalClusters < 0xFFFFFFFFu) {
        uint64_t fromClusters = geometry.freeClusters * cluster;
        uint64_t difference = fromClusters > totalFree ? fromClusters - totalFree : totalFree - fromClusters;
        EXPECT_LT(difference, uint64_t(256) << 20);
    }
}

TEST_F(System, FreeSpaceOfAMissingDriveFails) {
    char letter = 0;
    for (char c = 'Y'; c >= 'D' && !letter; --c)
        if (fs().getDriveType(std::string(1, c) + ":\\") == os::DriveType::NoRootDir) letter = c;
    ASSERT_NE(letter, 0) << "some drive letter is free";
    std::string root = std::string(1, letter) + ":\\";
    os::DiskGeometry geometry;
    EXPECT_FALSE(sys().diskFreeSpace(root, geometry));
    EXPECT_EQ(sys().lastError(), os::kErrorPathNotFound);
    uint64_t a = 0, b = 0, c = 0;
    EXPECT_FALSE(sys().diskFreeSpaceEx(root, a, b, c));
}

TEST_F(System, LocalTimeIsACalendarTime) {
    os::LocalTime t = sys().localTime();
    EXPECT_GE(t.year, 2020);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12);
    EXPECT_TRUE(t.day >= 1 && t.day <= 31);
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59);
    EXPECT_TRUE(t.milliseconds >= 0 && t.milliseconds <= 999);
    // Day of the week, 0 for Sunday (Sakamoto's method).
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = t.year - (t.month < 3);
    EXPECT_EQ(t.dayOfWeek, (y + y / 4 - y / 100 + y / 400 + offsets[t.month - 1] + t.day) % 7);
}

TEST_F(System, ScreenHasASize) {
    EXPECT_GT(sys().screenWidth(), 0);
    EXPECT_GT(sys().screenHeight(), 0);
}

// Windows sets ERROR_NO_SUCH_PRIVILEGE for an unknown name; Wine leaves the last error alone, so only the
// result is checked.
TEST_F(System, PrivilegesAreLookedUpByName) {
    ASSERT_EQ(sys().platformId(), 2u) << "the test machines are of the NT family";
    EXPECT_TRUE(sys().setPrivilege("SeShutdownPrivilege", true));
    EXPECT_TRUE(sys().setPrivilege("SeShutdownPrivilege", false));
    EXPECT_TRUE(sys().setPrivilege("SeDebugPrivilege", true));
    EXPECT_TRUE(sys().setPrivilege("sedebugprivilege", true)) << "names compare without case";
    EXPECT_FALSE(sys().setPrivilege("SeNoSuchPrivilege", true));
    EXPECT_FALSE(sys().setPrivilege("", true));
}

// Wine words its texts differently from Windows ("File not found." against "The system cannot find the file
// specified."): the simulation follows Windows, and only the shape is checked here.
TEST_F(System, ErrorTextsOfSystemCodes) {
    std::string notFound = sys().errorText(os::kErrorFileNotFound);
    std::string pathNotFound = sys().errorText(os::kErrorPathNotFound);
    std::string denied = sys().errorText(os::kErrorAccessDenied);
    for (const std::string& text : {notFound, pathNotFound, denied}) {
        ASSERT_GT(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "FormatMessage ends the text with a line break";
    }
    EXPECT_NE(notFound, pathNotFound);
    EXPECT_NE(notFound, denied);

    sys().setLastError(os::kErrorAccessDenied);
    EXPECT_EQ(sys().errorText(99999), "") << "no text for an unknown code";
    EXPECT_EQ(sys().lastError(), os::kErrorAccessDenied) << "asking for a text keeps the last error";
}

TEST_F(System, LastErrorIsTheThreadsErrorOfEveryPart) {
    sys().setLastError(1234);
    EXPECT_EQ(sys().lastError(), 1234u);
    EXPECT_EQ(fs().lastError(), 1234u);
    EXPECT_FALSE(fs().openFile(Path("missing"), os::kOpenRead));
    EXPECT_EQ(sys().lastError(), os::kErrorFileNotFound);
    sys().setLastError(0);
    EXPECT_EQ(fs().lastError(), 0u);
}

}  // namespace
}  // namespace contract
