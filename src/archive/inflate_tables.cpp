// Builds the decoder's lookup tables from code lengths (canonical Huffman codes, RFC 1951 section 3.2.2).
#include "archive/inflate_tables.h"

#include <cstring>

namespace archive::detail {

namespace {

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};

// What a symbol decodes to, apart from its code length: flags and value (bits 13-31) and extra bits.
struct SymbolInfo {
    uint32_t flagsAndValue;
    unsigned extra;
};

SymbolInfo LiteralInfo(unsigned symbol, bool deflate64) {
    if (symbol < 256) return {kEntryLiteral | (symbol << 16), 0};
    if (symbol == 256) return {kEntryExceptional | (kEndOfBlock << 16), 0};
    if (symbol > 285) return {kEntryExceptional | (kBadLength << 16), 0};
    // Deflate64 gives symbol 285 a base of 3 and 16 extra bits instead of the fixed length 258.
    if (symbol == 285 && deflate64) return {3u << 16, 16};
    unsigned i = symbol - 257;
    return {uint32_t(kLengthBase[i]) << 16, kLengthExtra[i]};
}

SymbolInfo DistanceInfo(unsigned symbol, bool deflate64) {
    if (symbol >= 30 && !deflate64) return {kEntryExceptional | (kBadDistance << 16), 0};
    return {uint32_t(kDistBase[symbol]) << 16, kDistExtra[symbol]};
}

struct ReversedBytes {
    uint8_t value[256];
    constexpr ReversedBytes() : value{} {
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned b = 0; b < 8; ++b) value[i] |= uint8_t(((i >> b) & 1u) << (7 - b));
    }
    constexpr uint8_t operator[](unsigned i) const { return value[i]; }
};
constexpr ReversedBytes kReversedByte;

uint32_t MakeEntry(SymbolInfo info, unsigned codeLength) {
    return info.flagsAndValue | (codeLength << 8) | (codeLength + info.extra);
}

// The primary part is built by doubling: the codes of length l are placed once each in a table of 2^l
// entries, which is then copied onto its own end to make the table of 2^(l+1), so the codes of length l
// come to stand at every index whose low l bits are their code. Patterns that are no code keep the hole
// entry the table started with; the prefixes of longer codes are holes until their pointers replace them.
template <typename InfoFn>
BuildResult BuildTable(const uint8_t* lengths, unsigned count, InfoFn info, uint32_t* table, unsigned primaryBits) {
    unsigned lengthCount[kMaxCodeLength + 1] = {};
    for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    unsigned maxLength = 0;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l)
        if (lengthCount[l]) maxLength = l;

    // Kraft sum: left counts the unused codes at each length.
    int left = 1;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l) {
        left = left * 2 - int(lengthCount[l]);
        if (left < 0) return BuildResult::OverSubscribed;
    }
    const unsigned codes = count - lengthCount[0];
    BuildResult result = BuildResult::Ok;
    if (left > 0) {
        if (codes == 0)
            result = BuildResult::Empty;
        else if (!(codes == 1 && maxLength == 1))
            return BuildResult::Incomplete;
    }

    // Symbols sorted by code length, in symbol order within a length: the order of their canonical codes.
    unsigned offset[kMaxCodeLength + 2];
    offset[1] = 0;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l) offset[l + 1] = offset[l] + lengthCount[l];
    uint16_t sorted[288];
    {
        unsigned next[kMaxCodeLength + 2];
        for (unsigned l = 1; l <= kMaxCodeLength + 1; ++l) next[l] = offset[l];
        for (unsigned s = 0; s < count; ++s)
            if (lengths[s]) sorted[next[lengths[s]]++] = uint16_t(s);
    }

    // Patterns that are no code consume the longest code length, so that a stream ending there reports
    // missing data rather than a bad code.
    const unsigned holeLength = maxLength ? maxLength : 1;
    const size_t primarySize = size_t(1) << primaryBits;
    table[0] = table[1] = MakeEntry({kEntryExceptional | (kNoCode << 16), 0}, holeLength);

    // Codes are sent most significant bit first; the table is indexed in stream order.
    auto reverse = [](unsigned code, unsigned len) {
        return unsigned(((unsigned(kReversedByte[code & 0xFF]) << 8) | kReversedByte[code >> 8]) >> (16 - len));
    };
    unsigned code = 0;
    unsigned i = 0;
    size_t size = 2;
    for (unsigned l = 1; l <= primaryBits; ++l, code <<= 1) {
        for (; i < offset[l + 1]; ++i, ++code) {
            const unsigned s = sorted[i];
            const unsigned reversed = reverse(code, l);
            table[reversed] = MakeEntry(info(s), l);
        }
        if (l < primaryBits) {
            std::memcpy(table + size, table, size * sizeof *table);
            size *= 2;
        }
    }
    if (codes == 0 || maxLength <= primaryBits) return result;

    const unsigned subBits = maxLength - primaryBits;
    const size_t subSize = size_t(1) << subBits;
    size_t nextSubtable = primarySize;
    for (unsigned l = primaryBits + 1; l <= maxLength; ++l, code <<= 1) {
        for (; i < offset[l + 1]; ++i, ++code) {
            const unsigned s = sorted[i];
            const unsigned reversed = reverse(code, l);
            uint32_t& pointer = table[reversed & (primarySize - 1)];
            if (!(pointer & kEntrySubtable)) {
                // Only complete codes get here (an incomplete one has a single code of length one), so
                // the codes below a prefix fill its whole subtable.
                pointer = kEntrySubtable | uint32_t(nextSubtable << 16) | (subBits << 8) | primaryBits;
                nextSubtable += subSize;
            }
            uint32_t* sub = table + (pointer >> 16);
            const uint32_t entry = MakeEntry(info(s), l - primaryBits);
            for (size_t k = reversed >> primaryBits; k < subSize; k += size_t(1) << (l - primaryBits)) sub[k] = entry;
        }
    }
    return result;
}

}  // namespace

BuildResult BuildLiteralTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table) {
    return BuildTable(lengths, count, [deflate64](unsigned s) { return LiteralInfo(s, deflate64); }, table, kLitBits);
}

BuildResult BuildDistanceTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table) {
    return BuildTable(lengths, count, [deflate64](unsigned s) { return DistanceInfo(s, deflate64); }, table,
                      kDistBits);
}

BuildResult BuildCodeLengthTable(const uint8_t* lengths, uint32_t* table) {
    return BuildTable(lengths, 19, [](unsigned s) { return SymbolInfo{s << 16, 0}; }, table, kCodeLenBits);
}

namespace {

struct FixedTablesBuilder : CodeTables {
    explicit FixedTablesBuilder(bool deflate64) {
        uint8_t lengths[288];
        for (unsigned s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        BuildLiteralTable(lengths, 288, deflate64, lit);
        uint8_t distLengths[32];
        std::memset(distLengths, 5, sizeof distLengths);
        BuildDistanceTable(distLengths, 32, deflate64, dist);
    }
};

}  // namespace

const CodeTables& GetFixedTables(bool deflate64) {
    static const FixedTablesBuilder deflateTables(false);
    static const FixedTablesBuilder deflate64Tables(true);
    return deflate64 ? static_cast<const CodeTables&>(deflate64Tables) : deflateTables;
}

}  // namespace archive::detail
