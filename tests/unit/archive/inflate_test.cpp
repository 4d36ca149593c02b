// The deflate/deflate64 decoder: hand-built streams, streams from real encoders (peer archives), corrupt and
// truncated input, decryption, progress, partial decoding and the stream positions left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "inflate_stream_writer.h"
#include "support/test_machine.h"

using namespace archive;
using inflate_test::BitWriter;
using inflate_test::DynamicHeader;
using inflate_test::RandomBytes;

namespace {

using Bytes = std::vector<uint8_t>;

struct Result {
    uint32_t checksum = 0;
    Bytes output;
    TArDeflateHelper helper;
};

Result Decode(const Bytes& packed, uint32_t options = 0, bool inPlace = false) {
    rtl::TMemoryStream source(packed), dest;
    Result r;
    r.helper.Options = options;
    r.helper.ReadSourceInPlace = inPlace;
    r.checksum = Inflate(&source, &dest, r.helper);
    r.output = dest.Data();
    return r;
}

// The internal cause of the EArInflateError that decoding packed raises ("" when it succeeds).
std::string Cause(const Bytes& packed, uint32_t options = 0, bool inPlace = false) {
    try {
        Decode(packed, options, inPlace);
    } catch (const EArInflateError& e) {
        const std::string prefix = "Archive inflate error, possibly a corrupted compressed stream. (Internal cause: ";
        EXPECT_EQ(e.Message().compare(0, prefix.size(), prefix), 0) << e.Message();
        EXPECT_EQ(e.Message().back(), ')');
        return e.Message().substr(prefix.size(), e.Message().size() - prefix.size() - 1);
    }
    return "";
}

// One item of a ZIP file from the peer test data, with its raw compressed data.
struct ZipItem {
    std::string name;
    uint16_t flags = 0, method = 0, time = 0;
    uint32_t crc = 0;
    uint32_t uncompressedSize = 0;
    Bytes data;
};

uint32_t Le(const Bytes& b, size_t at, unsigned size) {
    if (at + size > b.size()) throw std::runtime_error("zip record past the end of the file");
    uint32_t v = 0;
    for (unsigned i = 0; i < size; ++i) v |= uint32_t(b[at + i]) << (8 * i);
    return v;
}

// Items as the central directory lists them; data found through each local header.
std::vector<ZipItem> ReadZip(const std::string& relativePath) {
    Bytes zip = test_support::ReadFile(test_support::TestDataDir() + "\\zip-peers\\" + relativePath);
    size_t end = zip.size() - 22;
    while (Le(zip, end, 4) != 0x06054b50) --end;
    size_t count = Le(zip, end + 10, 2), at = Le(zip, end + 16, 4);
    std::vector<ZipItem> items;
    for (size_t i = 0; i < count; ++i) {
        ZipItem item;
        item.flags = uint16_t(Le(zip, at + 8, 2));
        item.method = uint16_t(Le(zip, at + 10, 2));
        item.time = uint16_t(Le(zip, at + 12, 2));
        item.crc = Le(zip, at + 16, 4);
        uint32_t packedSize = Le(zip, at + 20, 4);
        item.uncompressedSize = Le(zip, at + 24, 4);
        size_t n = Le(zip, at + 28, 2), m = Le(zip, at + 30, 2), k = Le(zip, at + 32, 2);
        size_t local = Le(zip, at + 42, 4);
        item.name.assign(reinterpret_cast<const char*>(&zip[at + 46]), n);
        size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        if (data + packedSize > zip.size()) throw std::runtime_error("item data past the end of the file");
        item.data.assign(zip.begin() + data, zip.begin() + data + packedSize);
        items.push_back(item);
        at += 46 + n + m + k;
    }
    return items;
}

ZipItem FindItem(const std::string& zip, const std::string& name) {
    for (auto& item : ReadZip(zip))
        if (item.name == name) return item;
    throw std::runtime_error("no item " + name + " in " + zip);
}

// A short text that python's zlib (level 9, raw) packs into one fixed Huffman block.
const Bytes kFoxPacked = {
    0x0b, 0xc9, 0x48, 0x55, 0x28, 0x2c, 0xcd, 0x4c, 0xce, 0x56, 0x48, 0x2a, 0xca, 0x2f, 0xcf, 0x53,
    0x48, 0xcb, 0xaf, 0x50, 0xc8, 0x2a, 0xcd, 0x2d, 0x28, 0x56, 0xc8, 0x2f, 0x4b, 0x2d, 0x52, 0x28,
    0x01, 0x4a, 0xe7, 0x24, 0x56, 0x55, 0x2a, 0xa4, 0xe4, 0xa7, 0xeb, 0x29, 0x84, 0x10, 0xaf, 0x58,
    0x21, 0x31, 0x3d, 0x31, 0x33, 0x4f, 0x21, 0x31, 0x2f, 0x05, 0x9d, 0xa5, 0x07, 0x00};
const std::string kFoxText =
    "The quick brown fox jumps over the lazy dog. The quick brown fox jumps over the lazy dog again and again "
    "and again.";

}  // namespace

// ------------------------------------------------------------------------------------------------------------

TEST(InflateContract, NullStreamsAreProgrammingErrors) {
    rtl::TMemoryStream stream;
    TArDeflateHelper helper;
    try {
        Inflate(nullptr, &stream, helper);
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Deflate: aSource stream cannot be nil");
    }
    try {
        Inflate(&stream, nullptr, helper);
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Deflate: aDest stream cannot be nil");
    }
}

TEST(InflateStored, EmptyFinalBlockGivesNoBytesAndZeroCrc) {
    // 01: BFINAL=1 BTYPE=00; 00 00: LEN=0; FF FF: NLEN.
    Result r = Decode({0x01, 0x00, 0x00, 0xFF, 0xFF});
    EXPECT_TRUE(r.output.empty());
    EXPECT_EQ(r.checksum, 0u);
    EXPECT_EQ(r.helper.DecodedSize, 0);
    EXPECT_EQ(r.helper.CompressedSizeRead, 5);
}

TEST(InflateStored, BlocksAcrossTheFlushPointKeepEveryByte) {
    // 70,000 bytes in two stored blocks, the first of the longest length (InflateBuffer tests cross the
    // output buffer's end).
    Bytes data = RandomBytes(70000, 1);
    BitWriter w;
    w.Stored(false, data.data(), 65535);
    w.Stored(true, data.data() + 65535, data.size() - 65535);
    for (uint32_t options : {0u, uint32_t(kInflateDeflate64)}) {
        Result r = Decode(w.Finish(), options);
        EXPECT_EQ(r.output, data);
        EXPECT_EQ(r.checksum, ArCrc32(data.data(), data.size()));
        EXPECT_EQ(r.helper.DecodedSize, 70000);
    }
}

TEST(InflateStored, LengthThatIsNotTheComplementOfNlenIsRejected) {
    // LEN = 0x0001, NLEN = 0xFFFF (should be 0xFFFE).
    EXPECT_EQ(Cause({0x01, 0x01, 0x00, 0xFF, 0xFF, 0x41}),
              "invalid stored block (length and NOT length do not match) [InflateStoredBlock]");
}

TEST(InflateBlocks, BlockType3IsRejected) {
    // 07: BFINAL=1, BTYPE=11.
    EXPECT_EQ(Cause({0x07, 0x00}), "starting new block, but invalid block type [Inflate]");
}

TEST(InflateBlocks, ZlibFixedBlockAndAdler32) {
    Result r = Decode(kFoxPacked);
    EXPECT_EQ(std::string(r.output.begin(), r.output.end()), kFoxText);
    EXPECT_EQ(r.checksum, 0x27e22e0eu);

    // Adler-32 of "Wikipedia" is 0x11E60398.
    BitWriter w;
    w.Stored(true, reinterpret_cast<const uint8_t*>("Wikipedia"), 9);
    EXPECT_EQ(Decode(w.Finish(), kInflateAdler32).checksum, 0x11E60398u);
}

// Random literals and matches (all distances and lengths, overlapping copies, flushes in the middle of
// matches) in fixed and stored blocks, against a plain expansion of the same sequence.
TEST(InflateBlocks, RandomMatchesDecodeLikeTheReference) {
    for (bool deflate64 : {false, true}) {
        std::mt19937 rng(deflate64 ? 7 : 3);
        const size_t maxDistance = deflate64 ? 65536 : 32768;
        Bytes expected;
        BitWriter w;
        for (;;) {
            bool last = expected.size() > 400000;
            if (rng() % 16 == 0) {
                Bytes piece = RandomBytes(rng() % 3000, rng());
                w.Stored(last, piece.data(), piece.size());
                expected.insert(expected.end(), piece.begin(), piece.end());
                if (last) break;
                continue;
            }
            w.Header(last, 1);
            for (int symbols = 0; symbols < 2000; ++symbols) {
                if (expected.size() < 1 || rng() % 3 == 0) {
                    uint8_t b = uint8_t(rng() % 6 == 0 ? rng() : 'a' + rng() % 4);
                    w.FixedSymbol(b);
                    expected.push_back(b);
                    continue;
                }
                unsigned length = rng() % 4 ? 3 + rng() % 20 : 3 + rng() % 256;
                if (deflate64 && rng() % 200 == 0) length = 259 + rng() % 65280;
                unsigned r = rng() % 4;
                size_t distance = r == 0 ? 1 + rng() % 9 : r == 1 ? 1 + rng() % 300 : 1 + rng() % maxDistance;
                distance = std::min(distance, expected.size());
                w.FixedLength(length, deflate64);
                w.FixedDistance(unsigned(distance));
                for (unsigned i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
            }
            w.FixedSymbol(256);
            if (last) break;
        }
        Result r = Decode(w.Finish(), deflate64 ? uint32_t(kInflateDeflate64) : 0u);
        ASSERT_EQ(r.output.size(), expected.size()) << "deflate64 " << deflate64;
        EXPECT_TRUE(r.output == expected) << "deflate64 " << deflate64;
        EXPECT_EQ(r.checksum, ArCrc32(expected.data(), expected.size()));
    }
}

TEST(InflateBlocks, DistanceBeforeTheFirstByteIsRejected) {
    BitWriter w;
    w.Header(true, 1);
    w.FixedSymbol('x');
    w.FixedLength(3, false);
    w.FixedDistance(2);
    w.FixedSymbol(256);
    EXPECT_EQ(Cause(w.Finish()), "distance reaches before the start of the data [DecodeData]");
}

// The same in the middle of a long stream, where the fast loop decodes, and right after another decoding
// left its bytes in the reused buffers: a match must never copy what an earlier item left there.
TEST(InflateBlocks, DistanceBeforeTheFirstByteIsRejectedInTheFastLoop) {
    for (unsigned reach : {1u, 700u, 29000u}) {
        BitWriter earlier;
        earlier.Header(true, 1);
        for (unsigned i = 0; i < 40000; ++i) earlier.FixedSymbol('a' + i % 26);
        earlier.FixedSymbol(256);
        ASSERT_EQ(Decode(earlier.Finish()).output.size(), 40000u);

        BitWriter w;
        w.Header(true, 1);
        for (unsigned i = 0; i < 3000; ++i) w.FixedSymbol('0' + i % 10);
        w.FixedLength(10, false);
        w.FixedDistance(3000 + reach);
        for (unsigned i = 0; i < 3000; ++i) w.FixedSymbol('z');
        w.FixedSymbol(256);
        EXPECT_EQ(Cause(w.Finish()), "distance reaches before the start of the data [DecodeData]") << reach;
    }
}

TEST(InflateBlocks, SymbolsOutsideTheAlphabetAreRejected) {
    // Fixed length symbol 286 has a code (11000110) but no meaning.
    BitWriter w;
    w.Header(true, 1);
    w.FixedSymbol(286);
    EXPECT_EQ(Cause(w.Finish()), "decoded an invalid length symbol: greater than 285 [DecodeData]");
}

TEST(InflateDeflate64, LongLengthsAndFarDistancesNeedTheOption) {
    // 'a' then 40,000 bytes of random data, then a copy of 60,000 bytes from distance 40,001 (symbol 30),
    // then a copy from distance 50,000 (symbol 31).
    Bytes random = RandomBytes(40000, 5);
    BitWriter w;
    w.Stored(false, random.data(), random.size());
    w.Header(true, 1);
    w.FixedLength(60000, true);
    w.FixedDistance(40000);
    w.FixedLength(300, true);
    w.FixedDistance(50000);
    w.FixedSymbol(256);
    Bytes packed = w.Finish();
    Bytes expected = random;
    for (int i = 0; i < 60000; ++i) expected.push_back(expected[expected.size() - 40000]);
    for (int i = 0; i < 300; ++i) expected.push_back(expected[expected.size() - 50000]);

    Result r = Decode(packed, kInflateDeflate64);
    EXPECT_TRUE(r.output == expected);
    // Without deflate64, symbol 285 means 258 bytes with no extra bits, and the stream then goes astray; a
    // block that goes straight to distance symbol 30 shows the distance check.
    BitWriter far;
    far.Stored(false, random.data(), random.size());
    far.Header(true, 1);
    far.FixedLength(3, false);
    far.FixedDistance(33000);
    far.FixedSymbol(256);
    Bytes farPacked = far.Finish();
    EXPECT_EQ(Cause(farPacked), "decoded an invalid distance symbol: greater than 29 [DecodeData]");
    EXPECT_EQ(Cause(farPacked, kInflateDeflate64), "");
}

TEST(InflateDeflate64, PeerArchivesDecode) {
    struct Case {
        const char* zip;
        const char* name;
    } cases[] = {{"commons-compress\\lorem-ipsum-deflate64.zip", "lorem-ipsum.txt"},
                 {"commons-compress\\COMPRESS-380.zip", "input2"},
                 {"commons-compress\\COMPRESS-380-readbeyondmemory.zip", "public.png"},
                 {"deflate64\\deflate64.zip", "binary.wmv"}};
    for (const auto& c : cases) {
        ZipItem item = FindItem(c.zip, c.name);
        ASSERT_EQ(item.method, 9);
        TArDeflateHelper helper;
        helper.Options = kInflateDeflate64 | kInflateTestOnly;
        rtl::TMemoryStream source(item.data), dest;
        EXPECT_EQ(Inflate(&source, &dest, helper), item.crc) << c.name;
        EXPECT_EQ(helper.DecodedSize, item.uncompressedSize) << c.name;
        EXPECT_EQ(helper.CompressedSizeRead, int64_t(item.data.size())) << c.name;
        EXPECT_EQ(dest.GetSize(), 0) << "test mode writes nothing";
    }
}

TEST(InflateRealEncoders, PeerDeflateItemsDecode) {
    // PKZIP 2.04g (normal and maximum) and Java tooling; dynamic and fixed blocks.
    for (const char* zip : {"pkzip-dos\\PKZ204ES.ZIP", "pkzip-dos\\PKZ204EX.ZIP", "commons-compress\\COMPRESS-380-dd.zip"}) {
        for (const ZipItem& item : ReadZip(zip)) {
            if (item.method != 8 && item.method != 9) continue;
            Result r = Decode(item.data, item.method == 9 ? uint32_t(kInflateDeflate64) : 0u);
            EXPECT_EQ(r.checksum, item.crc) << zip << " " << item.name;
            EXPECT_EQ(r.output.size(), item.uncompressedSize) << zip << " " << item.name;
        }
    }
}

// ------------------------------------------------------------------------------------------------------------
// Dynamic block headers

TEST(InflateDynamic, HeaderCountsAreChecked) {
    BitWriter lit;
    lit.Header(true, 2);
    lit.Bits(30, 5);  // HLIT 287
    lit.Bits(0, 5);
    lit.Bits(0, 4);
    lit.Bits(0, 32);
    EXPECT_EQ(Cause(lit.Finish()), "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");

    // HDIST 31 is too many for deflate; deflate64 accepts it and goes on to the (here empty) code-length code.
    BitWriter dist;
    dist.Header(true, 2);
    dist.Bits(0, 5);
    dist.Bits(30, 5);  // HDIST 31
    dist.Bits(0, 4);
    dist.Bits(0, 32);
    Bytes packed = dist.Finish();
    EXPECT_EQ(Cause(packed), "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");
    EXPECT_EQ(Cause(packed, kInflateDeflate64), "incomplete code length code set [InflateDynamicBlock]");
}

// Code lengths are read with checks at every step when the header may run to the end of the input, and
// straight from the buffer when plenty follows: each fault is tried both ways (bytes after the header).
TEST(InflateDynamic, CodeLengthSequenceFaults) {
    auto expectCause = [](Bytes packed, const std::string& cause) {
        EXPECT_EQ(Cause(packed), cause) << "header at the end of the input";
        packed.resize(packed.size() + 1000, 0x5A);
        EXPECT_EQ(Cause(packed), cause) << "plenty of input after the header";
    };
    std::vector<uint8_t> lit(257, 0), dist(1, 0);
    lit['a'] = 1;
    lit[256] = 1;
    dist[0] = 1;

    {   // A working block: literal 'a' (code 0), end of block (code 1).
        BitWriter w;
        DynamicHeader(w, true, lit, dist);
        w.Code(0, 1);
        w.Code(1, 1);
        Result r = Decode(w.Finish());
        EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "a");
    }
    {   // Code 16 (repeat previous) as the very first length.
        BitWriter w;
        w.Header(true, 2);
        w.Bits(0, 5);
        w.Bits(0, 5);
        w.Bits(15, 4);
        static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        for (unsigned i = 0; i < 19; ++i) w.Bits(order[i] < 13 ? 4 : 5, 3);
        w.Code(26 + 3, 5);  // symbol 16
        w.Bits(0, 2);
        expectCause(w.Finish(), "repeat of the previous code length with no previous length {ReadLitDistCodeLengths}");
    }
    {   // Two runs of 138 zeros (code 18) when only 258 lengths are declared.
        BitWriter w;
        w.Header(true, 2);
        w.Bits(0, 5);
        w.Bits(0, 5);
        w.Bits(15, 4);
        static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        for (unsigned i = 0; i < 19; ++i) w.Bits(order[i] < 13 ? 4 : 5, 3);
        w.Code(26 + 5, 5);  // symbol 18: 11 + 127 = 138 zeros
        w.Bits(127, 7);
        w.Code(26 + 5, 5);  // 138 more: 276 > 258
        w.Bits(127, 7);
        expectCause(w.Finish(), "repeated code lengths run past the declared count {ReadLitDistCodeLengths}");
    }
    {   // A code-length code of one symbol with length 1 is legal; its other pattern is no code.
        BitWriter w;
        w.Header(true, 2);
        w.Bits(0, 5);
        w.Bits(0, 5);
        w.Bits(0, 4);                       // 4 code-length code lengths: 16, 17, 18, 0
        w.Bits(0, 3), w.Bits(0, 3), w.Bits(0, 3), w.Bits(1, 3);
        w.Code(1, 1);                       // pattern '1': no code
        expectCause(w.Finish(), "decoded a code length out of range {ReadLitDistCodeLengths}");
    }
}

TEST(InflateDynamic, CodeSetCompleteness) {
    std::vector<uint8_t> dist(1, 1);
    {   // Three codes of length 1: over-subscribed.
        std::vector<uint8_t> lit(257, 0);
        lit[0] = lit[1] = lit[256] = 1;
        BitWriter w;
        DynamicHeader(w, true, lit, dist);
        EXPECT_EQ(Cause(w.Finish()), "over-subscribed literal/length code set [InflateDynamicBlock]");
    }
    {   // Lengths 1 and 2 only: incomplete.
        std::vector<uint8_t> lit(257, 0);
        lit[0] = 1;
        lit[256] = 2;
        BitWriter w;
        DynamicHeader(w, true, lit, dist);
        EXPECT_EQ(Cause(w.Finish()), "incomplete literal/length code set [InflateDynamicBlock]");
    }
    {   // No code for the end of block.
        std::vector<uint8_t> lit(257, 0);
        lit[0] = lit[1] = 1;
        BitWriter w;
        DynamicHeader(w, true, lit, dist);
        EXPECT_EQ(Cause(w.Finish()), "no code for the end of block symbol [InflateDynamicBlock]");
    }
    {   // Literals only, with no distance code at all: legal until a length symbol asks for a distance.
        std::vector<uint8_t> lit(258, 0), none(1, 0);
        lit['z'] = 1;
        lit[256] = 2;
        lit[257] = 2;
        BitWriter ok;
        DynamicHeader(ok, true, lit, none);
        ok.Code(0, 1);   // 'z'
        ok.Code(2, 2);   // end of block
        Result r = Decode(ok.Finish());
        EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "z");

        BitWriter bad;
        DynamicHeader(bad, true, lit, none);
        bad.Code(0, 1);  // 'z'
        bad.Code(3, 2);  // length 3, then a distance from an empty code
        bad.Bits(0, 8);
        EXPECT_EQ(Cause(bad.Finish()), "decoded a bit pattern that is not a code of the current block [DecodeData]");
    }
}

// ------------------------------------------------------------------------------------------------------------
// Damaged input

TEST(InflateDamage, EveryTruncationReportsMissingData) {
    ZipItem plain = FindItem("pkzip-dos\\PKZ204EX.ZIP", "TEST.PNG");
    for (const Bytes& full : {plain.data, kFoxPacked}) {
        for (size_t n = 0; n < full.size(); ++n) {
            // Cut to its length, so that reading the packed bytes in place cannot go past them unnoticed.
            Bytes cut(full.begin(), full.begin() + n);
            cut.shrink_to_fit();
            for (bool inPlace : {false, true})
                EXPECT_NE(Cause(cut, 0, inPlace).find("no more compressed data in stream [TArDfInBitStream."),
                          std::string::npos)
                    << "length " << n << (inPlace ? " in place" : "");
        }
    }
}

TEST(InflateDamage, CorruptBytesNeverCrash) {
    ZipItem plain = FindItem("pkzip-dos\\PKZ204EX.ZIP", "TEST.PCX");
    ZipItem d64 = FindItem("commons-compress\\COMPRESS-380.zip", "input2");
    std::mt19937 rng(11);
    int errors = 0;
    for (int round = 0; round < 600; ++round) {
        const ZipItem& base = round % 2 ? d64 : plain;
        Bytes bad = base.data;
        for (int k = 1 + int(rng() % 4); k > 0; --k) bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
        try {
            Decode(bad, (round % 2 ? uint32_t(kInflateDeflate64) : 0u) | kInflateTestOnly, round % 4 >= 2);
        } catch (const EArInflateError&) {
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
}

TEST(InflateDamage, StreamErrorsPassUnchanged) {
    class FailingStream : public rtl::TMemoryStream {
    public:
        using TMemoryStream::TMemoryStream;
        int64_t Read(void*, int64_t) override { throw rtl::EReadError("Stream read error"); }
    };
    FailingStream source(kFoxPacked);
    rtl::TMemoryStream dest;
    TArDeflateHelper helper;
    EXPECT_THROW(Inflate(&source, &dest, helper), rtl::EReadError);
}

// ------------------------------------------------------------------------------------------------------------
// Encryption, progress, positions

TEST(InflateEncrypted, RightAndWrongPassphrase) {
    for (const char* zip : {"zipcrypto\\aesop_linux_7z.old.zip", "zipcrypto\\aesop_win_7z.old.zip"}) {
        ZipItem item = FindItem(zip, "encrypted.md");
        ASSERT_EQ(item.flags & 1, 1);
        rtl::TMemoryStream source(item.data), dest;
        TArDeflateHelper helper;
        helper.Passphrase = "password";
        helper.CheckValue = item.crc;
        EXPECT_EQ(Inflate(&source, &dest, helper), item.crc) << zip;
        EXPECT_EQ(helper.DecodedSize, item.uncompressedSize);
        EXPECT_EQ(helper.CompressedSizeRead, int64_t(item.data.size()));

        rtl::TMemoryStream source2(item.data);
        source2.SetPosition(0);
        TArDeflateHelper wrong;
        wrong.Passphrase = "Password";
        wrong.CheckValue = item.crc;
        EXPECT_THROW(Inflate(&source2, &dest, wrong), EArInflatePasswordError);
        EXPECT_EQ(source2.Position(), 0);
    }
    // With a data descriptor the check byte is the high byte of the modification time.
    for (const ZipItem& item : ReadZip("libarchive\\test_read_format_zip_traditional_encryption_data.zip")) {
        rtl::TMemoryStream source(item.data), dest;
        TArDeflateHelper helper;
        helper.Passphrase = "12345678";
        helper.CheckValue = uint32_t(item.time) << 16;
        EXPECT_EQ(Inflate(&source, &dest, helper), item.crc) << item.name;
    }
}

TEST(InflateProgress, ReportsAfterEveryInputBlockAndStopsOnAbort) {
    Bytes data = RandomBytes(50000, 9);
    BitWriter w;
    w.Stored(true, data.data(), data.size());
    Bytes packed = w.Finish();  // 50,005 bytes: reads of 16,384 x 3 and 853
    const int64_t size = int64_t(packed.size());

    // Read in place from memory, the source advances and progress comes as with reads.
    for (bool inPlace : {false, true}) {
        rtl::TMemoryStream source(packed), dest;
        TArDeflateHelper helper;
        helper.ReadSourceInPlace = inPlace;
        std::vector<int> seen;
        helper.OnProgressStep = [&](int percent) { seen.push_back(percent); };
        Inflate(&source, &dest, helper);
        std::vector<int> expected;
        for (int64_t done : {int64_t(16384), int64_t(32768), int64_t(49152), size})
            expected.push_back(int(std::nearbyint(double(done) * 100.0 / double(size))));
        EXPECT_EQ(seen, expected) << inPlace;
        EXPECT_TRUE(dest.Data() == data) << inPlace;
    }

    // Abort on the second report: Inflate returns 0 without raising.
    rtl::TMemoryStream source2(packed), dest2;
    TArDeflateHelper abort;
    int calls = 0;
    abort.OnProgressStep = [&](int) {
        if (++calls == 2) throw EArAbortProgress("abort");
    };
    EXPECT_EQ(Inflate(&source2, &dest2, abort), 0u);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(dest2.GetSize(), int64_t(data.size()));
}

TEST(InflatePositions, SourceEndsAfterTheLastCompressedByte) {
    // The stream starts 3 bytes into the source and is followed by trailing bytes the decoder must give back.
    Bytes packed = {0xAA, 0xBB, 0xCC};
    packed.insert(packed.end(), kFoxPacked.begin(), kFoxPacked.end());
    Bytes trailer = RandomBytes(40000, 2);
    packed.insert(packed.end(), trailer.begin(), trailer.end());
    for (bool inPlace : {false, true}) {
        rtl::TMemoryStream source(packed), dest;
        source.SetPosition(3);
        dest.Write("xy", 2);
        TArDeflateHelper helper;
        helper.ReadSourceInPlace = inPlace;
        Inflate(&source, &dest, helper);
        EXPECT_EQ(source.Position(), 3 + int64_t(kFoxPacked.size())) << inPlace;
        EXPECT_EQ(helper.CompressedSizeRead, int64_t(kFoxPacked.size())) << inPlace;
        EXPECT_EQ(helper.DecodedSize, int64_t(kFoxText.size())) << inPlace;
        EXPECT_EQ(dest.GetSize(), int64_t(2 + kFoxText.size())) << inPlace;
    }
}

TEST(InflatePartial, StopsAfterTheRequestedBytes) {
    Bytes data = RandomBytes(70000, 4);
    BitWriter w;
    w.Stored(false, data.data(), 65535);
    w.Stored(true, data.data() + 65535, data.size() - 65535);
    Bytes packed = w.Finish();

    rtl::TMemoryStream source(packed), dest;
    TArDeflateHelper helper;
    helper.PartialSize = 1000;
    EXPECT_EQ(Inflate(&source, &dest, helper), 0u);
    EXPECT_EQ(dest.Data(), Bytes(data.begin(), data.begin() + 1000));
    EXPECT_EQ(helper.DecodedSize, 1000);

    // Larger than the flush point: capped there.
    rtl::TMemoryStream source2(packed), dest2;
    TArDeflateHelper capped;
    capped.PartialSize = 69000;
    EXPECT_EQ(Inflate(&source2, &dest2, capped), 0u);
    EXPECT_EQ(dest2.Data(), Bytes(data.begin(), data.begin() + 65536));
}

TEST(InflateLog, WritesTheTraceAndTheInternalCause) {
    std::string log = test_support::MakeTempDir() + "\\inflate.log";
    rtl::TMemoryStream source(Bytes{0x07, 0x00}), dest;
    TArDeflateHelper helper;
    helper.LogFile = log;
    EXPECT_THROW(Inflate(&source, &dest, helper), EArInflateError);
    Bytes text = test_support::ReadFile(log);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "INFLATING STREAM...\r\nNeed to recompile the app with UseLogging turned on\r\n"
              "Internal exception raised: starting new block, but invalid block type [Inflate]\r\n");
}
