// Method 6 (implode): literals and back references coded with two or three Shannon-Fano trees that are
// stored at the start of the data as run-length coded bit lengths.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "archive/legacy_decoders.h"

namespace archive::detail {
namespace {

constexpr int kMaxCodeBits = 16;
constexpr int kFastBits = 9;

// A decoding tree. Codes are read first bit first, and the codes of one length are consecutive values,
// so a code longer than kFastBits is found by its offset from the first code of its length.
class TShannonFanoTree {
public:
    // Reads the tree description: a byte holding the number of bytes that follow minus one, then bytes of
    // (codes - 1) << 4 | (bit length - 1). A description that does not give exactly symbols lengths, or
    // whose codes would not form a prefix code, cannot come from an encoder: EArReadError.
    void Read(TArLegacyInput& in, uint32_t symbols) {
        uint8_t lengths[256];
        uint32_t filled = 0;
        uint32_t bytes = in.Bits(8) + 1;
        for (uint32_t i = 0; i < bytes; ++i) {
            uint32_t b = in.Bits(8);
            uint32_t count = (b >> 4) + 1, length = (b & 15) + 1;
            if (count > symbols - filled) TArLegacyInput::ThrowReadError();
            for (uint32_t k = 0; k < count; ++k) lengths[filled++] = static_cast<uint8_t>(length);
        }
        if (filled != symbols) TArLegacyInput::ThrowReadError();
        Build(lengths, symbols);
    }

    uint32_t Decode(TArLegacyInput& in) const {
        uint16_t entry = fast_[in.Peek(kFastBits)];
        if (entry != 0) {
            in.Drop(entry >> 8);
            return entry & 0xFF;
        }
        // Longer codes: one bit at a time, most significant first.
        uint32_t bits = in.Peek(kMaxCodeBits);
        uint32_t code = 0;
        for (int length = 1; length <= kMaxCodeBits; ++length) {
            code = (code << 1) | ((bits >> (length - 1)) & 1);
            uint32_t offset = code - first_[length];
            if (code >= first_[length] && offset < count_[length]) {
                in.Drop(length);
                return ordered_[start_[length] + offset];
            }
        }
        TArLegacyInput::ThrowReadError();  // a code the tree does not assign
    }

private:
    void Build(const uint8_t* lengths, uint32_t symbols) {
        // Codes are handed out from the longest length down, in descending symbol order within a length,
        // each step the size of the previous code's share of a 16-bit code space; a code is the top
        // length bits of its value.
        uint16_t sorted[256];
        for (uint32_t s = 0; s < symbols; ++s) sorted[s] = static_cast<uint16_t>(s);
        std::stable_sort(sorted, sorted + symbols,
                         [&](uint16_t a, uint16_t b) { return lengths[a] < lengths[b]; });
        uint32_t codes[256];
        uint32_t code = 0, step = 0;
        int lastLength = 0;
        for (int i = static_cast<int>(symbols) - 1; i >= 0; --i) {
            code += step;
            int length = lengths[sorted[i]];
            if (length != lastLength) {
                lastLength = length;
                step = 1u << (kMaxCodeBits - length);
            }
            // Overflowing the code space or a code not aligned to its share would make codes that are
            // prefixes of others.
            if (code + step > (1u << kMaxCodeBits) || (code & (step - 1)) != 0) TArLegacyInput::ThrowReadError();
            codes[sorted[i]] = code >> (kMaxCodeBits - length);
        }

        std::fill(std::begin(count_), std::end(count_), 0);
        std::fill(std::begin(first_), std::end(first_), 0xFFFFFFFFu);
        for (uint32_t s = 0; s < symbols; ++s) {
            ++count_[lengths[s]];
            first_[lengths[s]] = std::min(first_[lengths[s]], codes[s]);
        }
        uint32_t next = 0;
        for (int length = 1; length <= kMaxCodeBits; ++length) {
            start_[length] = next;
            next += count_[length];
        }
        std::fill(std::begin(fast_), std::end(fast_), 0);
        for (uint32_t s = 0; s < symbols; ++s) {
            int length = lengths[s];
            ordered_[start_[length] + (codes[s] - first_[length])] = static_cast<uint8_t>(s);
            if (length > kFastBits) continue;
            uint32_t reversed = 0;
            for (int b = 0; b < length; ++b) reversed |= ((codes[s] >> b) & 1) << (length - 1 - b);
            for (uint32_t i = reversed; i < (1u << kFastBits); i += 1u << length)
                fast_[i] = static_cast<uint16_t>(length << 8 | s);
        }
    }

    uint16_t fast_[1u << kFastBits];  // length << 8 | symbol, 0 for codes longer than kFastBits
    uint32_t first_[kMaxCodeBits + 1];
    uint32_t count_[kMaxCodeBits + 1];
    uint32_t start_[kMaxCodeBits + 1];
    uint8_t ordered_[256];
};

struct TTrees {
    TShannonFanoTree literal, length, distance;
};

}  // namespace

void ArExplode(TArLegacyInput& in, TArSlidingWindowStream& out, uint16_t flags) {
    const bool bigDictionary = (flags & 2) != 0;
    const bool literalTree = (flags & 4) != 0;
    const int lowDistanceBits = bigDictionary ? 7 : 6;
    const uint32_t minLength = literalTree ? 3 : 2;

    if (out.Done()) return;
    auto trees = std::make_unique<TTrees>();
    if (literalTree) trees->literal.Read(in, 256);
    trees->length.Read(in, 64);
    trees->distance.Read(in, 64);

    while (!out.Done()) {
        in.NeedSymbol();
        if (in.Bits(1)) {
            out.PutByte(static_cast<uint8_t>(literalTree ? trees->literal.Decode(in) : in.Bits(8)));
            continue;
        }
        uint32_t distance = in.Bits(lowDistanceBits);
        distance |= trees->distance.Decode(in) << lowDistanceBits;
        uint32_t length = trees->length.Decode(in);
        if (length == 63) length += in.Bits(8);
        out.CopyMatch(distance + 1, length + minLength);
    }
}

}  // namespace archive::detail
