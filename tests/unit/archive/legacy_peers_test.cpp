// The legacy decoders against every shrink, reduce and implode entry of the peer archives: each must give
// the size and CRC-32 of its central directory record, and the expected files byte for byte.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "archive/legacy.h"
#include "support/test_machine.h"
#include "support/zip_walk.h"

namespace {

using archive::TArUnzipHelper;
using archive::TArUnzipHelperParams;
using test_support::ZipWalkEntry;

std::string PeerPath(const std::string& relative) {
    std::string path = test_support::TestDataDir() + "\\zip-peers\\" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

struct Decoded {
    uint32_t crc = 0;
    std::vector<uint8_t> bytes;
};

Decoded Decode(const std::vector<uint8_t>& zip, const ZipWalkEntry& e) {
    rtl::TMemoryStream source(test_support::ZipEntryData(zip, e));
    rtl::TMemoryStream dest;
    TArUnzipHelperParams p;
    p.Source = &source;
    p.Dest = &dest;
    p.CompressedSize = static_cast<int64_t>(e.compressedSize);
    p.UncompressedSize = static_cast<int64_t>(e.uncompressedSize);
    p.Method = static_cast<uint8_t>(e.method);
    p.GeneralPurposeBitFlag = e.flags;
    Decoded d;
    d.crc = TArUnzipHelper(p).Execute();
    d.bytes = dest.Data();
    return d;
}

struct PeerArchive {
    const char* path;
    int legacyEntries;  // shrink, reduce and implode entries the archive holds
};

const PeerArchive kPeers[] = {
    {"pkzip-dos/PKZ80B1.ZIP", 8},
    {"pkzip-dos/PKZ80B2.ZIP", 8},
    {"pkzip-dos/PKZ80B3.ZIP", 8},
    {"pkzip-dos/PKZ80B4.ZIP", 8},
    {"pkzip-dos/PKZ110ES.ZIP", 8},
    {"pkzip-dos/PKZ110EI.ZIP", 7},
    {"pkzip-dos/PKZ110.ZIP", 8},
    {"legacy/shrink.zip", 1},
    {"legacy/reduce.zip", 1},
    {"legacy/implode.zip", 1},
    {"hwzip/HWSHRINK.ZIP", 3},
    {"hwzip/HWREDUCE.ZIP", 2},
    {"hwzip/HWIMPODE.ZIP", 3},
    {"oldunzip/example-s.zip", 1},
    {"oldunzip/example-r.zip", 1},
    {"oldunzip/example-i.zip", 1},
    {"oldunzip/example-r-2019-09.zip", 1},
    {"oldunzip/example-i-2019-08.zip", 1},
    {"commons-compress/SHRUNK.ZIP", 2},
    {"commons-compress/imploding-4Kdict-2trees.zip", 1},
    {"commons-compress/imploding-8Kdict-3trees.zip", 1},
    {"commons-compress/lorem-ipsum-implode.zip", 1},
    {"commons-compress/moby-imploded.zip", 135},
    {"libarchive/test_compat_zip_implode.zip", 5},
};

class LegacyPeers : public testing::TestWithParam<PeerArchive> {};

TEST_P(LegacyPeers, EveryEntryMatchesItsCentralRecord) {
    const PeerArchive& peer = GetParam();
    std::vector<uint8_t> zip = test_support::ReadFile(PeerPath(peer.path));
    int decoded = 0;
    for (const ZipWalkEntry& e : test_support::ZipWalk(zip)) {
        if (e.method < 1 || e.method > 6) continue;
        SCOPED_TRACE(e.name + " method " + std::to_string(e.method));
        Decoded d = Decode(zip, e);
        EXPECT_EQ(d.bytes.size(), e.uncompressedSize);
        EXPECT_EQ(d.crc, e.crc);
        ++decoded;
    }
    EXPECT_EQ(decoded, peer.legacyEntries);
}

INSTANTIATE_TEST_SUITE_P(Legacy, LegacyPeers, testing::ValuesIn(kPeers), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.path; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

// The archives whose expected content is on disk: every legacy entry must equal the file of its name.
TEST(LegacyPeers, OutputEqualsExpectedFiles) {
    struct Case {
        const char* archive;
        const char* folder;
    };
    const Case cases[] = {{"legacy/shrink.zip", "legacy"},   {"legacy/reduce.zip", "legacy"},
                          {"legacy/implode.zip", "legacy"},  {"hwzip/HWSHRINK.ZIP", "hwzip"},
                          {"hwzip/HWREDUCE.ZIP", "hwzip"},   {"hwzip/HWIMPODE.ZIP", "hwzip"}};
    int compared = 0;
    for (const Case& c : cases) {
        std::vector<uint8_t> zip = test_support::ReadFile(PeerPath(c.archive));
        for (const ZipWalkEntry& e : test_support::ZipWalk(zip)) {
            if (e.method < 1 || e.method > 6) continue;
            SCOPED_TRACE(std::string(c.archive) + " " + e.name);
            std::vector<uint8_t> expected = test_support::ReadFile(PeerPath(std::string(c.folder) + "/" + e.name));
            EXPECT_EQ(Decode(zip, e).bytes, expected);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 11);
}

}  // namespace
