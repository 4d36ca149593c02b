// The legacy decoders' handling of their streams: truncated and corrupted data, short reads, block sizes,
// progress and abort, test mode, decryption, bad methods, and hand-made streams for the LZW corner cases,
// back references before the start and impossible Shannon-Fano trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/errors.h"
#include "archive/legacy.h"
#include "archive/legacy_decoders.h"
#include "archive/progress.h"
#include "support/test_machine.h"
#include "support/zip_walk.h"

namespace {

using archive::TArUnzipHelper;
using archive::TArUnzipHelperParams;

// One legacy entry of a peer archive, with its compressed bytes.
struct Sample {
    std::string label;
    test_support::ZipWalkEntry entry;
    std::vector<uint8_t> data;
};

Sample LoadSample(const std::string& archive, const std::string& name) {
    std::string path = test_support::TestDataDir() + "\\zip-peers\\" + archive;
    std::replace(path.begin(), path.end(), '/', '\\');
    std::vector<uint8_t> zip = test_support::ReadFile(path);
    for (const auto& e : test_support::ZipWalk(zip))
        if (e.name == name) return {archive + ":" + name, e, test_support::ZipEntryData(zip, e)};
    ADD_FAILURE() << "no " << name << " in " << archive;
    return {};
}

// One small sample of each method and variant.
const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = {
        LoadSample("legacy/shrink.zip", "FIRST.TXT"),          LoadSample("pkzip-dos/PKZ80B1.ZIP", "TEST.GIF"),
        LoadSample("pkzip-dos/PKZ80B2.ZIP", "TEST.GIF"),       LoadSample("pkzip-dos/PKZ80B3.ZIP", "TEST.GIF"),
        LoadSample("legacy/reduce.zip", "first.txt"),          LoadSample("legacy/implode.zip", "first.txt"),
        LoadSample("oldunzip/example-i.zip", "I.BIN"),
    };
    return samples;
}

TArUnzipHelperParams ParamsFor(const Sample& s, rtl::TStream* source, rtl::TStream* dest) {
    TArUnzipHelperParams p;
    p.Source = source;
    p.Dest = dest;
    p.CompressedSize = static_cast<int64_t>(s.data.size());
    p.UncompressedSize = static_cast<int64_t>(s.entry.uncompressedSize);
    p.Method = static_cast<uint8_t>(s.entry.method);
    p.GeneralPurposeBitFlag = s.entry.flags;
    return p;
}

// A source that hands out at most chunk bytes per read and records what was asked of it.
class TrickleStream : public rtl::TMemoryStream {
public:
    TrickleStream(std::vector<uint8_t> data, int64_t chunk) : TMemoryStream(std::move(data)), chunk_(chunk) {}
    int64_t Read(void* buffer, int64_t count) override {
        largestRequest = std::max(largestRequest, count);
        int64_t got = TMemoryStream::Read(buffer, std::min(count, chunk_));
        totalRead += got;
        return got;
    }
    int64_t largestRequest = 0;
    int64_t totalRead = 0;

private:
    int64_t chunk_;
};

// Decodes with the data cut to length bytes (declared and actual): a read error or a wrong CRC. Only the
// last byte may be missing without harm: it can hold nothing but zero bits of the last code and padding,
// and zero bits are what the decoders supply past the end.
TEST(LegacyRobustness, EveryTruncationFailsCleanly) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.label);
        for (size_t length = 0; length < s.data.size(); ++length) {
            rtl::TMemoryStream source(std::vector<uint8_t>(s.data.begin(), s.data.begin() + length));
            TArUnzipHelperParams p = ParamsFor(s, &source, nullptr);
            p.CompressedSize = static_cast<int64_t>(length);
            try {
                if (TArUnzipHelper(p).Execute() == s.entry.crc) {
                    EXPECT_EQ(length + 1, s.data.size());
                }
            } catch (const archive::EArReadError&) {
            }
        }
    }
}

// The full size declared but the source ends early: the read that returns nothing is a read error.
TEST(LegacyRobustness, SourceShorterThanDeclaredIsReadError) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.label);
        rtl::TMemoryStream source(std::vector<uint8_t>(s.data.begin(), s.data.begin() + s.data.size() / 2));
        EXPECT_THROW(TArUnzipHelper(ParamsFor(s, &source, nullptr)).Execute(), archive::EArReadError);
    }
}

// Corrupted bytes may give any output or a clean archive error, never a crash (run under the sanitizers).
TEST(LegacyRobustness, CorruptedBytesNeverCrash) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.label);
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> bad = s.data;
            int flips = 1 + static_cast<int>(next() % 4);
            for (int i = 0; i < flips; ++i) bad[next() % bad.size()] ^= static_cast<uint8_t>(1u << (next() % 8));
            rtl::TMemoryStream source(bad);
            try {
                TArUnzipHelper(ParamsFor(s, &source, nullptr)).Execute();
            } catch (const archive::EArException&) {
            }
        }
    }
}

TEST(LegacyStreams, ReadsBlocksOfAtMost4KAndCopesWithShortReads) {
    Sample big = LoadSample("commons-compress/lorem-ipsum-implode.zip", "LOREM.TXT");
    for (int64_t chunk : {int64_t{1}, int64_t{1000}, int64_t{1} << 20}) {
        TrickleStream source(big.data, chunk);
        EXPECT_EQ(TArUnzipHelper(ParamsFor(big, &source, nullptr)).Execute(), big.entry.crc);
        EXPECT_LE(source.largestRequest, 4096);
        EXPECT_LE(source.totalRead, static_cast<int64_t>(big.data.size()));
    }
}

TEST(LegacyStreams, TestModeGivesTheSameCrcAsWriting) {
    for (const Sample& s : Samples()) {
        rtl::TMemoryStream a(s.data), b(s.data), dest;
        uint32_t written = TArUnzipHelper(ParamsFor(s, &a, &dest)).Execute();
        EXPECT_EQ(TArUnzipHelper(ParamsFor(s, &b, nullptr)).Execute(), written) << s.label;
        EXPECT_EQ(archive::ArCrc32(dest.Data().data(), dest.Data().size()), written) << s.label;
    }
}

TEST(LegacyStreams, ProgressPerBlockAndAbort) {
    Sample big = LoadSample("commons-compress/lorem-ipsum-implode.zip", "LOREM.TXT");
    const int64_t total = static_cast<int64_t>(big.entry.uncompressedSize);
    std::vector<int> seen;
    rtl::TMemoryStream source(big.data);
    TArUnzipHelperParams p = ParamsFor(big, &source, nullptr);
    p.Progress = [&](uint8_t percent) { return seen.push_back(percent), false; };
    EXPECT_EQ(TArUnzipHelper(p).Execute(), big.entry.crc);
    std::vector<int> expected;
    for (int64_t done = 32768;; done += 32768) {
        expected.push_back(archive::ArPercentage(std::min(done, total), total));
        if (done >= total) break;
    }
    EXPECT_EQ(seen, expected);

    // Abort at the second report: the first block is written, nothing after it.
    rtl::TMemoryStream again(big.data), dest;
    p = ParamsFor(big, &again, &dest);
    int calls = 0;
    p.Progress = [&](uint8_t) { return ++calls == 2; };
    EXPECT_THROW(TArUnzipHelper(p).Execute(), archive::EArUserAbort);
    EXPECT_EQ(dest.Data().size(), 2u * 32768u);
}

// Traditional PKWARE encryption, the inverse of TArZipDecryptor: the keys advance with the plain byte.
std::vector<uint8_t> Encrypt(const std::string& password, std::vector<uint8_t> data) {
    uint32_t k[3] = {0x12345678, 0x23456789, 0x34567890};
    auto update = [&k](uint8_t plain) {
        k[0] = archive::ArUpdateCRC32(plain, k[0]);
        k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
        k[2] = archive::ArUpdateCRC32(static_cast<uint8_t>(k[1] >> 24), k[2]);
    };
    for (char c : password) update(static_cast<uint8_t>(c));
    for (uint8_t& b : data) {
        uint32_t t = (k[2] & 0xFFFF) | 2;
        uint8_t plain = b;
        b = plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
        update(plain);
    }
    return data;
}

TEST(LegacyStreams, DecryptsAsItReads) {
    for (const Sample& s : Samples()) {
        std::vector<uint8_t> plain = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, static_cast<uint8_t>(s.entry.crc >> 24)};
        plain.insert(plain.end(), s.data.begin(), s.data.end());
        std::vector<uint8_t> cipher = Encrypt("secret", plain);
        archive::TArZipDecryptor decryptor("secret");
        ASSERT_TRUE(decryptor.CheckHeader(cipher.data(), s.entry.crc));
        rtl::TMemoryStream source(std::vector<uint8_t>(cipher.begin() + 12, cipher.end()));
        TArUnzipHelperParams p = ParamsFor(s, &source, nullptr);
        p.Decryptor = &decryptor;
        EXPECT_EQ(TArUnzipHelper(p).Execute(), s.entry.crc) << s.label;
    }
}

TEST(LegacyStreams, MethodsOutsideOneToSixAndBadFactors) {
    rtl::TMemoryStream source(std::vector<uint8_t>(16, 0));
    for (uint8_t method : {0, 7, 8, 9, 255}) {
        TArUnzipHelperParams p;
        p.Source = &source;
        p.CompressedSize = 16;
        p.UncompressedSize = 10;
        p.Method = method;
        EXPECT_THROW(TArUnzipHelper(p).Execute(), archive::EArZipInvalidMethod) << int(method);
    }
    for (int factor : {0, 5}) {
        archive::detail::TArLegacyInput in(&source, nullptr, 16);
        archive::detail::TArSlidingWindowStream out(nullptr, 10, nullptr);
        EXPECT_THROW(archive::detail::ArUnreduce(in, out, factor), archive::EArZipInvalidFactor);
    }
}

TEST(LegacyStreams, EmptyOutputReadsNothingAndMissingDataIsReadError) {
    for (uint8_t method = 1; method <= 6; ++method) {
        TrickleStream source({}, 4096);
        TArUnzipHelperParams p;
        p.Source = &source;
        p.Method = method;
        EXPECT_EQ(TArUnzipHelper(p).Execute(), 0u);
        EXPECT_EQ(source.largestRequest, 0);
        p.UncompressedSize = 5;
        EXPECT_THROW(TArUnzipHelper(p).Execute(), archive::EArReadError) << int(method);
    }
}

// Builds a bit stream, least significant bit first.
class BitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++count_) {
            if (count_ % 8 == 0) bytes.push_back(0);
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1) << (count_ % 8));
        }
    }
    std::vector<uint8_t> bytes;

private:
    size_t count_ = 0;
};

std::string DecodeHandMade(uint8_t method, uint16_t flags, const std::vector<uint8_t>& data, int64_t size) {
    rtl::TMemoryStream source(data), dest;
    TArUnzipHelperParams p;
    p.Source = &source;
    p.Dest = &dest;
    p.CompressedSize = static_cast<int64_t>(data.size());
    p.UncompressedSize = size;
    p.Method = method;
    p.GeneralPurposeBitFlag = flags;
    TArUnzipHelper(p).Execute();
    return std::string(dest.Data().begin(), dest.Data().end());
}

std::vector<uint8_t> ShrinkCodes(std::initializer_list<std::pair<uint32_t, int>> codes) {
    BitWriter w;
    for (auto [code, bits] : codes) w.Put(code, bits);
    return w.bytes;
}

TEST(LegacyShrink, LzwCornerCases) {
    // 257 = "AB", 258 = "BA"; 259 is read before it exists: previous string plus its first byte.
    EXPECT_EQ(DecodeHandMade(1, 0, ShrinkCodes({{'A', 9}, {'B', 9}, {257, 9}, {259, 9}}), 7), "ABABABA");
    // 256,1 widens the codes to 10 bits.
    EXPECT_EQ(DecodeHandMade(1, 0, ShrinkCodes({{'A', 9}, {256, 9}, {1, 9}, {'B', 10}, {257, 10}}), 4), "ABAB");
    // 256,2 frees the leaves "AB" and "BC"; the next string, "CA", reuses 257.
    auto cleared = ShrinkCodes({{'A', 9}, {'B', 9}, {'C', 9}, {256, 9}, {2, 9}, {'A', 9}, {257, 9}});
    EXPECT_EQ(DecodeHandMade(1, 0, cleared, 6), "ABCACA");
    // A code neither assigned nor next, a string code first, an unknown control and a 14-bit width.
    EXPECT_THROW(DecodeHandMade(1, 0, ShrinkCodes({{'A', 9}, {300, 9}}), 5), archive::EArReadError);
    EXPECT_THROW(DecodeHandMade(1, 0, ShrinkCodes({{257, 9}}), 5), archive::EArReadError);
    EXPECT_THROW(DecodeHandMade(1, 0, ShrinkCodes({{'A', 9}, {256, 9}, {3, 9}}), 5), archive::EArReadError);
    EXPECT_THROW(DecodeHandMade(1, 0,
                     ShrinkCodes({{'A', 9}, {256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12},
                                  {1, 12}, {256, 13}, {1, 13}}),
                     5),
                 archive::EArReadError);
}

// Reduce factor 4 with empty follower sets: every byte is 8 plain bits.
std::vector<uint8_t> ReduceBytes(std::initializer_list<uint8_t> bytes) {
    BitWriter w;
    for (int j = 0; j < 256; ++j) w.Put(0, 6);
    for (uint8_t b : bytes) w.Put(b, 8);
    return w.bytes;
}

TEST(LegacyReduce, ExpansionAndReferencesBeforeTheStart) {
    // DLE 0 is a literal 144; DLE (len 2, distance high 0), 0 copies 5 bytes from 1 back.
    EXPECT_EQ(DecodeHandMade(5, 0, ReduceBytes({'x', 144, 0, 'y', 144, 0x02, 0}), 8), "x\x90yyyyyy");
    // A long length (low nibble 15) takes an extra byte; distance 3,000 before any output gives zeros.
    EXPECT_EQ(DecodeHandMade(5, 0, ReduceBytes({144, 0xBF, 2, 0xB7, 'z'}), 21), std::string(20, '\0') + "z");
    // Follower sets of more than 32 bytes cannot be decoded.
    BitWriter w;
    w.Put(33, 6);
    w.Put(0, 32);
    EXPECT_THROW(DecodeHandMade(5, 0, w.bytes, 4), archive::EArReadError);
}

// An implode stream with 2 trees where each tree gives its 64 symbols 6-bit codes.
std::vector<uint8_t> FlatTrees(std::vector<uint8_t> description) {
    std::vector<uint8_t> out = description;
    out.insert(out.end(), description.begin(), description.end());
    return out;
}

TEST(LegacyImplode, TreesAndReferencesBeforeTheStart) {
    // 64 codes of 6 bits: four bytes of (16 - 1) << 4 | (6 - 1) after the count byte.
    std::vector<uint8_t> stream = FlatTrees({3, 0xF5, 0xF5, 0xF5, 0xF5});
    // Flat tree: symbol s has code 63 - s, read first bit first.
    auto code = [](BitWriter& w, uint32_t symbol) {
        uint32_t c = 63 - symbol;
        for (int b = 5; b >= 0; --b) w.Put((c >> b) & 1, 1);
    };
    BitWriter w;
    w.Put(1, 1), w.Put('q', 8);                       // literal
    w.Put(0, 1), w.Put(35, 6), code(w, 1), code(w, 1);  // distance 64 + 35 + 1 (before the start), length 1 + 2
    w.Put(0, 1), w.Put(0, 6), code(w, 0), code(w, 63), w.Put(5, 8);  // distance 1, length 63 + 5 + 2
    stream.insert(stream.end(), w.bytes.begin(), w.bytes.end());
    EXPECT_EQ(DecodeHandMade(6, 0, stream, 74), "q" + std::string(3, '\0') + std::string(70, '\0'));

    // Impossible trees: too many symbols, and 64 one-bit codes.
    EXPECT_THROW(DecodeHandMade(6, 0, FlatTrees({4, 0xF5, 0xF5, 0xF5, 0xF5, 0x05}), 4), archive::EArReadError);
    EXPECT_THROW(DecodeHandMade(6, 0, FlatTrees({3, 0xF0, 0xF0, 0xF0, 0xF0}), 4), archive::EArReadError);
}

}  // namespace
