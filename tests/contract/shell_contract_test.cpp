// Contract of the port's shell part: COM initialisation, shell links read back with a parser of the Shell
// Link Binary File Format (ANSI or Unicode strings), failed saves, and starting programs.
#include <optional>
#include <thread>

#include "contract_support.h"

namespace contract {
namespace {

using Shell = PortTest;

os::Shell& shell() { return os::shell(); }

constexpr int32_t kComNotInitialized = static_cast<int32_t>(0x800401F0);

// LinkFlags bits.
enum : uint32_t {
    kHasIdList = 0x01,
    kHasLinkInfo = 0x02,
    kHasName = 0x04,
    kHasRelativePath = 0x08,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kIsUnicode = 0x80,
};

// What the tests look at in a link file; strings are ANSI.
struct ParsedLink {
    uint32_t flags = 0;
    uint32_t driveType = 0;
    std::string localBasePath, description, workingDirectory, arguments;
};

// Little-endian reads that fail (nullopt) instead of leaving the data.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& data) : data_(data) {}
    std::optional<uint32_t> u16(size_t at) const {
        if (at + 2 > data_.size()) return std::nullopt;
        return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8;
    }
    std::optional<uint32_t> u32(size_t at) const {
        auto low = u16(at), high = u16(at + 2);
        if (!low || !high) return std::nullopt;
        return *low | *high << 16;
    }
    // A zero-terminated string starting at at and ending before end.
    std::optional<std::string> zString(size_t at, size_t end) const {
        end = std::min(end, data_.size());
        for (size_t i = at; i < end; ++i)
            if (data_[i] == 0) return std::string(data_.begin() + at, data_.begin() + i);
        return std::nullopt;
    }
    std::optional<std::string> bytes(size_t at, size_t count) const {
        if (at + count > data_.size()) return std::nullopt;
        return std::string(data_.begin() + at, data_.begin() + at + count);
    }

private:
    const std::vector<uint8_t>& data_;
};

std::string Utf16ToAnsi(const std::string& utf16) {
    std::string utf8;
    for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
        uint32_t c = uint8_t(utf16[i]) | uint32_t(uint8_t(utf16[i + 1])) << 8;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < utf16.size()) {
            uint32_t low = uint8_t(utf16[i + 2]) | uint32_t(uint8_t(utf16[i + 3])) << 8;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (c < 0x80) {
            utf8 += char(c);
        } else if (c < 0x800) {
            utf8 += char(0xC0 | c >> 6);
            utf8 += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += char(0xE0 | c >> 12);
            utf8 += char(0x80 | (c >> 6 & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        } else {
            utf8 += char(0xF0 | c >> 18);
            utf8 += char(0x80 | (c >> 12 & 0x3F));
            utf8 += char(0x80 | (c >> 6 & 0x3F));
            utf8 += char(0x80 | (c & 0x3F));
        }
    }
    return os::codePage().utf8ToAnsi(utf8);
}

std::optional<ParsedLink> ParseLink(const std::vector<uint8_t>& data) {
    static const uint8_t clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    Reader r(data);
    if (r.u32(0) != 0x4Cu || !std::equal(clsid, clsid + 16, data.begin() + 4)) return std::nullopt;
    ParsedLink link;
    link.flags = *r.u32(0x14);
    size_t pos = 0x4C;
    if (link.flags & kHasIdList) {
        auto size = r.u16(pos);
        if (!size) return std::nullopt;
        pos += 2 + *size;
    }
    if (link.flags & kHasLinkInfo) {
        auto size = r.u32(pos), infoFlags = r.u32(pos + 8), volume = r.u32(pos + 12), base = r.u32(pos + 16);
        if (!size || !infoFlags || !volume || !base) return std::nullopt;
        if (*infoFlags & 1) {
            auto driveType = r.u32(pos + *volume + 4);
            auto path = r.zString(pos + *base, pos + *size);
            if (!driveType || !path) return std::nullopt;
            link.driveType = *driveType;
            link.localBasePath = *path;
        }
        pos += *size;
    }
    // StringData in the format's order: name, relative path, working directory, arguments.
    for (uint32_t flag : {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments}) {
        if (!(link.flags & flag)) continue;
        auto count = r.u16(pos);
        if (!count) return std::nullopt;
        size_t bytes = (link.flags & kIsUnicode) ? *count * 2 : *count;
        auto text = r.bytes(pos + 2, bytes);
        if (!text) return std::nullopt;
        pos += 2 + bytes;
        std::string ansi = (link.flags & kIsUnicode) ? Utf16ToAnsi(*text) : *text;
        // The format's strings carry no terminator; Wine counts and writes one.
        if (!ansi.empty() && ansi.back() == '\0') ansi.pop_back();
        if (flag == kHasName) link.description = ansi;
        if (flag == kHasWorkingDir) link.workingDirectory = ansi;
        if (flag == kHasArguments) link.arguments = ansi;
    }
    return link;
}

// Runs body on a thread of its own, where COM starts uninitialised.
template <typename Body>
void OnNewThread(Body body) {
    std::thread thread(body);
    thread.join();
}

class ShellLinks : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        ASSERT_GE(shell().initializeCom(), 0);
    }
    void TearDown() override {
        shell().uninitializeCom();
        PortTest::TearDown();
    }
    std::optional<ParsedLink> ReadLink(const std::string& path) {
        std::string text = Get(path);
        return ParseLink(std::vector<uint8_t>(text.begin(), text.end()));
    }
};

TEST_F(Shell, ComInitialisationNestsPerThread) {
    OnNewThread([] {
        EXPECT_EQ(shell().initializeCom(), 0);
        EXPECT_EQ(shell().initializeCom(), 1) << "S_FALSE: already initialised";
        shell().uninitializeCom();
        shell().uninitializeCom();
    });
}

TEST_F(Shell, LinksNeedComOnTheCallingThread) {
    os::ShellLinkSpec spec{Path("x.exe"), "", dir_, ""};
    std::string link = Path("nocom.lnk");
    OnNewThread([&] { EXPECT_EQ(shell().createShellLink(spec, link, true), kComNotInitialized); });
    EXPECT_EQ(fs().getFileAttributes(link), os::kInvalidAttributes);
}

TEST_F(ShellLinks, LinkKeepsTargetFolderDescriptionAndArguments) {
    Put("Target App.exe", "MZ");
    os::ShellLinkSpec spec{Path("Target App.exe"), "/x 1", dir_, "Desc 测试 link"};
    ASSERT_EQ(shell().createShellLink(spec, Path("App.lnk"), true), 0);
    auto link = ReadLink(Path("App.lnk"));
    ASSERT_TRUE(link) << "a shell link file";
    EXPECT_EQ(link->flags & (kHasLinkInfo | kHasName | kHasWorkingDir | kHasArguments),
              kHasLinkInfo | kHasName | kHasWorkingDir | kHasArguments);
    EXPECT_EQ(AsciiUpper(link->localBasePath), AsciiUpper(spec.target));
    EXPECT_EQ(link->driveType, static_cast<uint32_t>(fs().getDriveType(dir_.substr(0, 3))));
    EXPECT_EQ(link->description, spec.description);
    EXPECT_EQ(link->workingDirectory, dir_);
    EXPECT_EQ(link->arguments, "/x 1");
}

TEST_F(ShellLinks, LinkWithoutArgumentsHasNone) {
    Put("tool.exe", "MZ");
    ASSERT_EQ(shell().createShellLink({Path("tool.exe"), "", dir_, "Tool"}, Path("Tool.lnk"), true), 0);
    auto link = ReadLink(Path("Tool.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->flags & kHasArguments, 0u);
    EXPECT_EQ(link->description, "Tool");

    // Saving again replaces the file.
    ASSERT_EQ(shell().createShellLink({Path("tool.exe"), "-q", dir_, "Other"}, Path("Tool.lnk"), false), 0);
    link = ReadLink(Path("Tool.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->description, "Other");
    EXPECT_EQ(link->arguments, "-q");
}

TEST_F(ShellLinks, SavingIntoAMissingFolderFailsWithPathNotFound) {
    Put("tool.exe", "MZ");
    os::system().setLastError(0);
    int32_t status = shell().createShellLink({Path("tool.exe"), "", dir_, ""}, Path("No Folder\\Tool.lnk"), true);
    EXPECT_EQ(status, static_cast<int32_t>(0x80070003)) << "HRESULT of ERROR_PATH_NOT_FOUND";
    EXPECT_EQ(os::system().lastError(), os::kErrorPathNotFound);
    EXPECT_EQ(fs().getFileAttributes(Path("No Folder")), os::kInvalidAttributes);
}

TEST_F(ShellLinks, LinkNamesLongerThanMaxPathAreRefused) {
    std::string name = Path(std::string(200, 'n')) + std::string(60, 'm') + ".lnk";
    int32_t status = shell().createShellLink({Path("tool.exe"), "", dir_, ""}, name, true);
    EXPECT_LT(status, 0);
    EXPECT_EQ(os::system().lastError(), 206u) << "ERROR_FILENAME_EXCED_RANGE";
}

TEST_F(Shell, MissingProgramsAreNotStarted) {
    EXPECT_EQ(shell().shellExecute("open", Path("missing.exe"), "", dir_ + "\\", os::kSwMinimize), 2);
    EXPECT_EQ(shell().winExec(Path("missing.exe") + " /x", os::kSwHide), 2u);
    EXPECT_EQ(shell().winExec("\"" + Path("missing.exe") + "\" /x", os::kSwHide), 2u);
}

// Starts this test program again, hidden, only to list no tests. The simulated machine's program is a name
// without a file, so the test gives it one.
TEST_F(Shell, ExistingProgramsStart) {
    std::string program = fs().moduleFileName();
    if (fs().getFileAttributes(program) == os::kInvalidAttributes) test_support::WriteFile(program, "MZ");
    std::string folder = program.substr(0, program.find_last_of('\\') + 1);
    EXPECT_GT(shell().shellExecute("open", program, "--gtest_list_tests --gtest_filter=-*", folder, os::kSwHide), 32);
    EXPECT_GT(shell().winExec("\"" + program + "\" --gtest_list_tests --gtest_filter=-*", os::kSwHide), 31u);
}

TEST_F(Shell, DirectoryNoticesAreAccepted) {
    ASSERT_TRUE(fs().createDirectory(Path("New Folder")));
    shell().notifyDirectoryCreated(Path("New Folder"));
}

}  // namespace
}  // namespace contract
