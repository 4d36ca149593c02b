// The fast decoder's shortcuts at the edges: word copies that overshoot near the end of the output buffer,
// literal runs that reach a limit, matches right after the buffer dropped all but the history, long
// deflate64 matches across a flush, the longest deflate64 codes back to back, stored blocks across the
// buffer's end, and the literal table.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/inflate_tables.h"
#include "archive/inflate_window.h"
#include "inflate_stream_writer.h"

using namespace archive;
using detail::InflateWindow;
using inflate_test::BitWriter;
using inflate_test::RandomBytes;

namespace {

using Bytes = std::vector<uint8_t>;

// Writes a stream and the bytes it expands to side by side.
struct Script {
    explicit Script(bool deflate64) : deflate64(deflate64) {}
    bool deflate64;
    BitWriter w;
    Bytes expected;

    // Stored blocks (not final) of the given bytes.
    void Stored(const Bytes& data) {
        for (size_t at = 0; at < data.size(); at += 65535) {
            size_t n = std::min<size_t>(65535, data.size() - at);
            w.Stored(false, data.data() + at, n);
        }
        expected.insert(expected.end(), data.begin(), data.end());
    }
    void Literal(uint8_t b) {
        w.FixedSymbol(b);
        expected.push_back(b);
    }
    void Match(unsigned length, unsigned distance) {
        w.FixedLength(length, deflate64);
        w.FixedDistance(distance);
        for (unsigned i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
    }
    // Ends the open fixed block and adds an empty final stored block.
    Bytes Finish() {
        w.FixedSymbol(256);
        w.Stored(true, nullptr, 0);
        return w.Finish();
    }
};

struct Decoded {
    uint32_t checksum = 0;
    Bytes output;
    int64_t compressedRead = 0;
};

Decoded Decode(const Bytes& packed, uint32_t options = 0, int64_t partialSize = 0, bool inPlace = false) {
    rtl::TMemoryStream source(packed), dest;
    TArDeflateHelper helper;
    helper.Options = options;
    helper.PartialSize = partialSize;
    helper.ReadSourceInPlace = inPlace;
    Decoded d;
    d.checksum = Inflate(&source, &dest, helper);
    d.output = dest.Data();
    d.compressedRead = helper.CompressedSizeRead;
    return d;
}

// Both from a copy of each input block and from the packed bytes where they lie.
void ExpectDecodes(const Script& script, const Bytes& packed, const char* what) {
    for (bool inPlace : {false, true}) {
        Decoded d = Decode(packed, script.deflate64 ? uint32_t(kInflateDeflate64) : 0u, 0, inPlace);
        ASSERT_EQ(d.output.size(), script.expected.size()) << what << inPlace;
        EXPECT_TRUE(d.output == script.expected) << what << inPlace;
        EXPECT_EQ(d.checksum, ArCrc32(script.expected.data(), script.expected.size())) << what << inPlace;
        EXPECT_EQ(d.compressedRead, int64_t(packed.size())) << what << inPlace;
    }
}

// Canonical codes (RFC 1951 3.2.2) of the given code lengths.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
    unsigned count[16] = {}, next[16] = {};
    for (uint8_t l : lengths) ++count[l];
    count[0] = 0;
    for (unsigned l = 1, code = 0; l < 16; ++l) next[l] = code = (code + count[l - 1]) << 1;
    std::vector<uint32_t> codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) codes[s] = next[lengths[s]]++;
    return codes;
}

}  // namespace

// Matches of every short distance class and of lengths around the word-copy steps, placed so that they
// run into the end of the fast loop's output space and across the flush at every alignment.
TEST(InflateBuffer, MatchesAroundTheFlushPoint) {
    const size_t flushPoint = InflateWindow::kCapacity - InflateWindow::kFastMargin;
    for (bool deflate64 : {false, true}) {
        const unsigned history = deflate64 ? 65536 : 32768;
        for (size_t start = flushPoint - 900; start < flushPoint + 40; start += 47) {
            Script s(deflate64);
            s.Stored(RandomBytes(start, uint32_t(start)));
            s.w.Header(false, 1);
            for (unsigned distance : {1u, 2u, 3u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 39u, 40u, 41u, 300u, history})
                for (unsigned length : {3u, 8u, 9u, 16u, 40u, 41u, 258u}) s.Match(length, distance);
            s.Literal('z');
            Bytes packed = s.Finish();
            ExpectDecodes(s, packed, deflate64 ? "deflate64" : "deflate");
        }
    }
}

// Right after a flush the buffer holds exactly the history: the farthest match reads its first byte.
TEST(InflateBuffer, MatchReachingBackTheWholeHistoryAfterAFlush) {
    const size_t flushPoint = InflateWindow::kCapacity - InflateWindow::kFastMargin;
    for (bool deflate64 : {false, true}) {
        const unsigned history = deflate64 ? 65536 : 32768;
        for (size_t before : {flushPoint - 1, flushPoint, flushPoint + 1, 2 * flushPoint}) {
            Script s(deflate64);
            s.Stored(RandomBytes(before, 9));
            s.w.Header(false, 1);
            s.Match(258, history);
            s.Match(3, history);
            s.Literal('a');
            s.Match(258, history);
            Bytes packed = s.Finish();
            ExpectDecodes(s, packed, deflate64 ? "deflate64" : "deflate");
        }
    }
}

// Deflate64 lengths up to 65,538 bytes go around the fast loop; they must cross flushes, reach back the
// whole history and repeat short patterns.
TEST(InflateBuffer, Deflate64LongMatchesAcrossFlushes) {
    const size_t flushPoint = InflateWindow::kCapacity - InflateWindow::kFastMargin;
    Script s(true);
    s.Stored(RandomBytes(flushPoint - 5000, 3));
    s.w.Header(false, 1);
    for (unsigned distance : {1u, 2u, 7u, 8u, 100u, 65536u}) {
        s.Match(65538, distance);
        s.Literal(uint8_t(distance));
        s.Match(259, distance);
    }
    Bytes packed = s.Finish();
    ExpectDecodes(s, packed, "long matches");
}

// Stored blocks longer than the buffer in all, misaligned by a one-literal fixed block each time.
TEST(InflateBuffer, StoredBlocksAcrossTheBufferEnd) {
    Script s(false);
    for (int round = 0; round < 4; ++round) {
        s.Stored(RandomBytes(InflateWindow::kCapacity - 1000 + 333 * round, round));
        s.w.Header(false, 1);
        s.Literal('x');
        s.Match(258, 1);
        s.w.FixedSymbol(256);
    }
    s.w.Header(false, 1);
    Bytes packed = s.Finish();
    ExpectDecodes(s, packed, "stored");
    // With a partial size the stored copy stops exactly there.
    Decoded partial = Decode(packed, 0, 50001);
    EXPECT_EQ(partial.checksum, 0u);
    EXPECT_TRUE(partial.output == Bytes(s.expected.begin(), s.expected.begin() + 50001));
}

// Decoders reuse idle buffers; one started from a progress callback of another must not get the ones in
// use, or the outer stream's history and tables would be overwritten.
TEST(InflateBuffer, DecodingFromInsideAProgressCallbackKeepsBothStreamsApart) {
    auto script = [](uint32_t seed) {
        Script s(false);
        std::mt19937 rng(seed);
        s.Stored(RandomBytes(40000, seed));
        s.w.Header(false, 1);
        for (int i = 0; i < 30000; ++i) {
            if (rng() % 3) s.Literal(uint8_t('a' + rng() % 8));
            else s.Match(3 + rng() % 60, 1 + rng() % 30000);
        }
        return s;
    };
    Script outer = script(1), inner = script(2);
    const Bytes outerPacked = outer.Finish(), innerPacked = inner.Finish();

    int nested = 0;
    rtl::TMemoryStream source(outerPacked), dest;
    TArDeflateHelper helper;
    helper.OnProgressStep = [&](int) {
        Decoded d = Decode(innerPacked);
        EXPECT_TRUE(d.output == inner.expected);
        ++nested;
    };
    EXPECT_EQ(Inflate(&source, &dest, helper), ArCrc32(outer.expected.data(), outer.expected.size()));
    EXPECT_TRUE(dest.Data() == outer.expected);
    EXPECT_GE(nested, 3);
}

// A dynamic block whose fifteen literals have 4-bit codes, so the fast loop takes three per refill: runs
// of them must stop exactly where the output or input runs out (buffer end, partial size, end of data,
// truncation).
TEST(InflateBuffer, ShortLiteralRunsAtTheLimits) {
    std::vector<uint8_t> lit(258, 0);
    for (unsigned c = 0; c < 15; ++c) lit['a' + c] = 4;  // 15/16 of the code space
    lit[256] = 5;                                        // end of block
    lit[257] = 5;                                        // length 3: completes the code
    const std::vector<uint8_t> dist = {1};               // one distance code, unused
    const std::vector<uint32_t> codes = CanonicalCodes(lit);

    auto build = [&](size_t count, uint32_t seed, Bytes& expected) {
        BitWriter w;
        inflate_test::DynamicHeader(w, true, lit, dist);
        std::mt19937 rng(seed);
        expected.clear();
        for (size_t i = 0; i < count; ++i) {
            uint8_t b = uint8_t('a' + rng() % 15);
            w.Code(codes[b], 4);
            expected.push_back(b);
        }
        w.Code(codes[256], 5);
        return w.Finish();
    };

    Bytes expected;
    // Counts around a run of three; the long stream crosses the buffer's end several times.
    for (size_t count : {size_t(1), size_t(2), size_t(3), size_t(101), size_t(1000), 3 * InflateWindow::kCapacity + 7}) {
        Bytes packed = build(count, uint32_t(count), expected);
        Decoded d = Decode(packed);
        ASSERT_EQ(d.output.size(), expected.size()) << count;
        EXPECT_TRUE(d.output == expected) << count;
        EXPECT_EQ(d.compressedRead, int64_t(packed.size())) << count;
        for (int64_t partial : {int64_t(1), int64_t(999), int64_t(1000), int64_t(1001)}) {
            if (size_t(partial) > count) continue;
            Decoded p = Decode(packed, 0, partial);
            EXPECT_TRUE(p.output == Bytes(expected.begin(), expected.begin() + partial)) << count << "/" << partial;
        }
    }
    // Every truncation of a short stream is missing data, never a stray byte or a bad code.
    Bytes packed = build(300, 5, expected);
    for (size_t n = 0; n < packed.size(); ++n) {
        try {
            Decode(Bytes(packed.begin(), packed.begin() + n));
            ADD_FAILURE() << "length " << n << " decoded";
        } catch (const EArInflateError& e) {
            EXPECT_NE(e.Message().find("no more compressed data in stream"), std::string::npos) << n;
        }
    }
}

// Deflate64 matches whose length and distance take the most bits there are (a 15-bit code for symbol 285
// with its 16 extra bits, then a 15-bit code for distance symbol 31 with its 14), each followed at once by
// the next symbol: the fast loop looks that symbol up before it refills, so it must refill between the
// length and the distance whenever the two together could leave it short of a whole code.
TEST(InflateBuffer, LongestDeflate64CodesBackToBack) {
    // Complete codes shaped as chains: lengths 1, 2, ..., 14 and two of 15.
    std::vector<uint8_t> lit(286, 0), dist(32, 0);
    for (unsigned i = 0; i < 14; ++i) {
        lit['a' + i] = uint8_t(i + 1);
        dist[i] = uint8_t(i + 1);
    }
    lit[256] = lit[285] = 15;
    dist[30] = dist[31] = 15;
    const std::vector<uint32_t> litCodes = CanonicalCodes(lit), distCodes = CanonicalCodes(dist);

    std::mt19937 rng(64);
    BitWriter w;
    inflate_test::DynamicHeader(w, true, lit, dist);
    Bytes expected;
    auto literal = [&](uint8_t b) {
        w.Code(litCodes[b], lit[b]);
        expected.push_back(b);
    };
    // History for distances up to 65536, from the shortest codes.
    while (expected.size() < 70000) literal(uint8_t('a' + rng() % 3));
    for (int match = 0; match < 400; ++match) {
        // A few literals first, so that the matches start at every bit alignment.
        for (unsigned n = rng() % 6; n > 0; --n) literal(uint8_t('a' + rng() % 4));
        const unsigned lengthExtra = rng() % 256, distanceExtra = rng() % 16384;
        const size_t length = 3 + lengthExtra, distance = 49153 + distanceExtra;
        w.Code(litCodes[285], 15);
        w.Bits(lengthExtra, 16);
        w.Code(distCodes[31], 15);
        w.Bits(distanceExtra, 14);
        for (size_t i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
        literal(uint8_t('b' + rng() % 13));  // a code of 2 to 14 bits right after
    }
    w.Code(litCodes[256], 15);
    const Bytes packed = w.Finish();

    Decoded d = Decode(packed, kInflateDeflate64);
    ASSERT_EQ(d.output.size(), expected.size());
    EXPECT_TRUE(d.output == expected);
    EXPECT_EQ(d.checksum, ArCrc32(expected.data(), expected.size()));
}

// The literal table against decoding codes one at a time, for random complete codes of every shape built
// one after another in the same table: every pattern must give the symbol and length a plain decoder
// finds.
TEST(InflateTables, EveryPatternDecodesLikeThePlainCode) {
    std::mt19937 rng(21);
    std::vector<uint32_t> table(detail::kLitTableSize);
    for (int round = 0; round < 200; ++round) {
        // A random complete code: split random leaves of a code tree until there are enough symbols.
        const unsigned symbols = 2 + rng() % 285;
        std::vector<uint8_t> leaves = {1, 1};
        while (leaves.size() < symbols) {
            size_t i = rng() % leaves.size();
            if (leaves[i] >= 15) continue;
            ++leaves[i];
            leaves.push_back(leaves[i]);
        }
        std::vector<uint8_t> lengths(286, 0);
        std::vector<unsigned> order(286);
        for (unsigned i = 0; i < 286; ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), rng);
        for (size_t i = 0; i < leaves.size(); ++i) lengths[order[i]] = leaves[i];
        ASSERT_EQ(detail::BuildLiteralTable(lengths.data(), 286, false, table.data()), detail::BuildResult::Ok);
        const std::vector<uint32_t> codes = CanonicalCodes(lengths);
        // Decodes one symbol from the low bits of `bits` the slow way; returns the symbol and its length.
        auto single = [&](uint32_t bits, unsigned& length) {
            for (unsigned s = 0; s < 286; ++s) {
                unsigned l = lengths[s];
                if (!l) continue;
                uint32_t reversed = 0;
                for (unsigned b = 0; b < l; ++b) reversed |= ((codes[s] >> (l - 1 - b)) & 1u) << b;
                if ((bits & ((1u << l) - 1)) == reversed) {
                    length = l;
                    return s;
                }
            }
            ADD_FAILURE() << "no code matches";
            return 0u;
        };
        for (uint32_t index = 0; index < (1u << detail::kLitBits); index += 1 + rng() % 7) {
            uint32_t e = table[index];
            const uint32_t bits = index | (uint32_t(rng()) << detail::kLitBits);
            unsigned firstLength = 0;
            const unsigned first = single(bits, firstLength);
            unsigned consumedBefore = 0;
            if (e & detail::kEntrySubtable) {
                // The table is reused from round to round, as a decoder's is from block to block: stale
                // pointers would send long codes to the wrong subtable.
                consumedBefore = detail::kLitBits;
                e = table[detail::EntryValue(e) + ((bits >> detail::kLitBits) & ((1u << detail::EntryCodeLength(e)) - 1))];
            }
            ASSERT_EQ((e & detail::kEntryLiteral) != 0, first < 256) << round << "/" << index;
            ASSERT_EQ(consumedBefore + detail::EntryCodeLength(e), firstLength) << round << "/" << index;
            if (first >= 256) continue;
            ASSERT_EQ(detail::EntryValue(e), first) << round << "/" << index;
            ASSERT_EQ(consumedBefore + detail::EntryConsumed(e), firstLength);
        }
    }
}
