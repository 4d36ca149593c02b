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

// reversedCode, when given, receives each symbol's code in stream order (count entries).
template <typename InfoFn>
BuildResult BuildTable(const uint8_t* lengths, unsigned count, InfoFn info, uint32_t* table, unsigned primaryBits,
                       uint16_t* reversedCode = nullptr) {
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

    // Patterns that are no code consume the longest code length, so that a stream ending there reports
    // missing data rather than a bad code.
    const unsigned holeLength = maxLength ? maxLength : 1;
    const uint32_t primaryHole = MakeEntry({kEntryExceptional | (kNoCode << 16), 0}, holeLength);
    const size_t primarySize = size_t(1) << primaryBits;
    // A complete code covers every pattern, so only an incomplete one needs its holes marked first.
    const bool complete = left == 0;
    if (!complete)
        for (size_t i = 0; i < primarySize; ++i) table[i] = primaryHole;
    if (codes == 0) return result;

    unsigned nextCode[kMaxCodeLength + 1] = {};
    unsigned code = 0;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l) {
        code = (code + lengthCount[l - 1] * (l > 1)) << 1;
        nextCode[l] = code;
    }

    const unsigned subBits = maxLength > primaryBits ? maxLength - primaryBits : 0;
    const size_t subSize = size_t(1) << subBits;
    const uint32_t subHole = MakeEntry({kEntryExceptional | (kNoCode << 16), 0}, holeLength - primaryBits * (subBits > 0));
    // Codes are sent most significant bit first; the table is indexed in stream order.
    uint16_t ownReversedCode[288];
    if (!reversedCode) reversedCode = ownReversedCode;
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[s];
        const unsigned c = len ? nextCode[len]++ : 0;
        reversedCode[s] = uint16_t(((unsigned(kReversedByte[c & 0xFF]) << 8) | kReversedByte[c >> 8]) >> (16 - len));
    }
    // Without the hole fill, the primary slots of long codes still hold entries of an earlier table; they
    // must not look like subtable pointers.
    if (complete)
        for (unsigned s = 0; s < count; ++s)
            if (lengths[s] > primaryBits) table[reversedCode[s] & (primarySize - 1)] = 0;

    size_t nextSubtable = primarySize;
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[s];
        if (len == 0) continue;
        const unsigned reversed = reversedCode[s];
        if (len <= primaryBits) {
            const uint32_t entry = MakeEntry(info(s), len);
            for (size_t i = reversed; i < primarySize; i += size_t(1) << len) table[i] = entry;
            continue;
        }
        uint32_t& pointer = table[reversed & (primarySize - 1)];
        if (!(pointer & kEntrySubtable)) {
            pointer = kEntrySubtable | uint32_t(nextSubtable << 16) | (subBits << 8) | primaryBits;
            if (!complete)
                for (size_t i = 0; i < subSize; ++i) table[nextSubtable + i] = subHole;
            nextSubtable += subSize;
        }
        uint32_t* sub = table + (pointer >> 16);
        const uint32_t entry = MakeEntry(info(s), len - primaryBits);
        for (size_t i = reversed >> primaryBits; i < subSize; i += size_t(1) << (len - primaryBits)) sub[i] = entry;
    }
    return result;
}

// Turns primary literal entries into pairs where the code that follows within the primary bits is a
// literal too. The entries of a first literal of length n are its code plus every k << n; the bits after
// it are then k (upper n bits unknown), and entry k of the table, when it is a literal of at most
// primary - n bits, is the second. Entry k may already hold a pair; its first literal is the single one.
// Only literals short enough to be followed by the shortest literal are visited.
void PairLiterals(const uint8_t* lengths, unsigned count, const uint16_t* reversedCode, uint32_t* table) {
    const unsigned literals = count < 256 ? count : 256;
    unsigned shortest = kMaxCodeLength + 1;
    for (unsigned s = 0; s < literals; ++s)
        if (lengths[s] && lengths[s] < shortest) shortest = lengths[s];
    for (unsigned s = 0; s < literals; ++s) {
        const unsigned firstLength = lengths[s];
        if (!firstLength || firstLength + shortest > kLitBits) continue;
        const uint32_t firstBits = kEntryLiteral | kEntryPair | (s << 16) | (firstLength << 8);
        const size_t followers = size_t(1) << (kLitBits - firstLength);
        for (size_t k = 0; k < followers; ++k) {
            uint32_t second = table[k];
            const unsigned secondLength = EntryCodeLength(second);
            const bool literal = (second & kEntryLiteral) != 0;
            const unsigned total = firstLength + secondLength;
            // Written either way, so that the choice compiles to a select, not a branch.
            uint32_t& slot = table[reversedCode[s] | (k << firstLength)];
            const uint32_t pair = firstBits | ((second >> 16 & 0xFF) << 24) | total;
            slot = literal && total <= kLitBits ? pair : slot;
        }
    }
}

}  // namespace

BuildResult BuildLiteralTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table) {
    uint16_t reversedCode[288];
    BuildResult result = BuildTable(lengths, count, [deflate64](unsigned s) { return LiteralInfo(s, deflate64); },
                                    table, kLitBits, reversedCode);
    if (result == BuildResult::Ok) PairLiterals(lengths, count, reversedCode, table);
    return result;
}

BuildResult BuildDistanceTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table) {
    return BuildTable(lengths, count, [deflate64](unsigned s) { return DistanceInfo(s, deflate64); }, table,
                      kDistBits);
}

BuildResult BuildCodeLengthTable(const uint8_t* lengths, uint32_t* table) {
    return BuildTable(lengths, 19, [](unsigned s) { return SymbolInfo{s << 16, 0}; }, table, kCodeLenBits);
}

namespace {

struct FixedTablesBuilder : FixedTables {
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

const FixedTables& GetFixedTables(bool deflate64) {
    static const FixedTablesBuilder deflateTables(false);
    static const FixedTablesBuilder deflate64Tables(true);
    return deflate64 ? static_cast<const FixedTables&>(deflate64Tables) : deflateTables;
}

}  // namespace archive::detail
