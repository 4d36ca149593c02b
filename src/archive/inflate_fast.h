// Private to the deflate decoder: the fast loop, which decodes the bulk of a Huffman block while plenty of
// input and output space remain, and so needs no bounds checks per symbol.
//
// Why it is fast:
// - The bit buffer is refilled without branches: one unaligned 8-byte load ORed in above the bits held,
//   after which 56 to 63 bits are counted. That covers a literal/length code with its extra bits and a
//   distance code with its extra bits (15 + 5 + 15 + 13 bits) without another refill; only deflate64's
//   16-bit length extra may need a second one. Up to three literals are taken per refill.
// - All 64 bits of the buffer hold stream bits after a refill: those above the count are the start of the
//   next bytes, which the next refill ORs in again unchanged. So the next entry is looked up before the
//   refill that follows a literal run or a match (48 bits consumed at most leave 16 for it), and the
//   refill's shift and OR stay off the chain of dependent lookups.
// - The next literal/length entry is looked up before a match is copied, so the copy hides that latency.
// - Both tables are reached from one base register (CodeTables), which keeps the loop's state in
//   registers.
// - Output goes straight into the large buffer of InflateWindow; the caller stops the loop
//   InflateWindow::kFastMargin bytes before its end, so match copies store whole 8-byte words and may run
//   up to 39 bytes past the match (an iteration writes less than kFastOutputPerIteration + 16 bytes).
// - Limits are checked once per budget of iterations, not per symbol (see IterationsBelow).
//
// Preconditions (the caller's): more than kFastInput bytes between `in` and the end of the input block
// (inLimit is that end less kFastInput), and `out` below outLimit, which is kFastMargin before the end of
// the buffer or the partial size. Match distances are checked against the bytes in the buffer until it
// holds more than the farthest distance.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "archive/inflate_internal.h"
#include "archive/inflate_tables.h"

namespace archive::detail {

// Input bytes the fast loop needs ahead: an iteration does up to three refills, each advancing at most 7
// bytes and reading 8. It starts only while more than kFastInput bytes remain, and every further
// iteration needs kFastInputPerIteration more.
constexpr size_t kFastInput = 32;
constexpr size_t kFastInputPerIteration = 21;
// Output of one iteration at most: three literals, then a match.
constexpr size_t kFastOutputPerIteration = 3 + 258;

// How many iterations surely start below `limit` when the first starts at `at` and each advances at most
// `step` bytes.
template <typename Pointer>
inline size_t IterationsBelow(Pointer at, Pointer limit, size_t step) {
    return at < limit ? size_t(limit - at - 1) / step + 1 : 0;
}

[[noreturn]] void FailExceptionalEntry(uint32_t entry);

// The code length of a length or distance entry, masked the way 64-bit shifts mask their count: bits
// 12-13 are clear in such entries, and the compiler needs no mask of its own.
inline unsigned ExtraShift(uint32_t e) { return (e >> 8) & 63; }

// The bits an entry consumes, taken from the bottom of the bit buffer. The count is the entry's low byte,
// whose bits 6-7 are clear, which lets the compiler use one BMI2 instruction.
template <bool kBmi2>
inline uint64_t LowBits(uint64_t bitBuf, uint32_t e) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if constexpr (kBmi2) {
        // One instruction; the compiler does not find it from the expression below.
        uint64_t low;
        asm("bzhi %2, %1, %0" : "=r"(low) : "r"(bitBuf), "r"(uint64_t(e)));
        return low;
    }
#endif
    return bitBuf & ((uint64_t(1) << uint8_t(e)) - 1);
}

// Word refill: needs 8 readable bytes; leaves 56 to 63 bits in the buffer. Bits above the count hold the
// start of the next unconsumed bytes, which later refills OR in again at the same place.
inline void RefillBits(const uint8_t*& in, uint64_t& bitBuf, unsigned& bitCount) {
    bitBuf |= LoadLE64(in) << bitCount;
    in += (63 - bitCount) >> 3;
    bitCount |= 56;
}

// The same for a count of which only the low 6 bits are kept up to date: the fast loop subtracts whole
// table entries from it, whose low 6 bits are the bits consumed, and so saves masking them out.
inline void RefillBitsModular(const uint8_t*& in, uint64_t& bitBuf, unsigned& bitCount) {
    bitBuf |= LoadLE64(in) << (bitCount & 63);
    in += (~bitCount & 63) >> 3;
    bitCount |= 56;
}

// Copies a match of up to 258 bytes that reaches `distance` back; may store up to 39 bytes past its end.
inline uint8_t* CopyMatch(uint8_t* out, size_t length, size_t distance) {
    const uint8_t* from = out - distance;
    uint8_t* const end = out + length;
    if (distance >= 8) {
        // Every word read lies wholly before the word being written at the time (distance >= 8). Most
        // matches are short: five words cover them without a loop.
        Store64(out, LoadLE64(from));
        Store64(out + 8, LoadLE64(from + 8));
        Store64(out + 16, LoadLE64(from + 16));
        Store64(out + 24, LoadLE64(from + 24));
        Store64(out + 32, LoadLE64(from + 32));
        if (length > 40) {
            out += 40;
            from += 40;
            do {
                Store64(out, LoadLE64(from));
                out += 8;
                from += 8;
            } while (out < end);
        }
    } else if (distance == 1) {
        const uint64_t run = 0x0101010101010101ull * from[0];
        do {
            Store64(out, run);
            Store64(out + 8, run);
            out += 16;
        } while (out < end);
    } else {
        // A word from `distance` back repeats the pattern correctly in its first `distance` bytes; stepping
        // by the distance keeps every byte read already correct.
        do {
            Store64(out, LoadLE64(from));
            out += distance;
            from += distance;
        } while (out < end);
    }
    return end;
}

struct FastState {
    const uint8_t* in;
    const uint8_t* inLimit;  // an iteration starts only below this
    uint64_t bitBuf;
    unsigned bitCount;
    uint8_t* out;
    uint8_t* outBase;   // the first byte of history
    uint8_t* outLimit;  // an iteration starts only below this
    // A deflate64 match longer than 258 bytes, left to the caller (it may cross a flush).
    size_t longLength;
    size_t longDistance;
};

enum class FastStop { Limit, EndOfBlock, LongMatch };

// Decodes until the end of the block, a limit or a long deflate64 match. Picks the variant compiled for
// the processor's instruction set.
FastStop DecodeFast(FastState& s, const CodeTables& tables, bool deflate64);

// The loop itself, inlined into each variant (inflate_fast.cpp).
template <bool kDeflate64, bool kCheckDistance, bool kBmi2>
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline FastStop DecodeFastBody(FastState& s, const CodeTables& tables) {
    // Both tables are reached from the literal table's address, which keeps a register free.
    const uint32_t* const lit = tables.lit;
    static_assert(offsetof(CodeTables, dist) == kLitTableSize * sizeof(uint32_t));
    auto dist = [lit](size_t i) { return lit[kLitTableSize + i]; };
    const uint8_t* in = s.in;
    const uint8_t* const inLimit = s.inLimit;
    uint64_t bitBuf = s.bitBuf;
    unsigned bitCount = s.bitCount;
    uint8_t* out = s.out;
    uint8_t* const outBase = s.outBase;
    uint8_t* const outLimit = s.outLimit;
    FastStop stop = FastStop::Limit;

    constexpr uint64_t kLitMask = (uint64_t(1) << kLitBits) - 1;
    constexpr uint64_t kDistMask = (uint64_t(1) << kDistBits) - 1;
    // At the top of every iteration the bit buffer was just refilled (56 bits or more) and e holds the
    // primary entry of the next code: looking it up before a match copy lets the copy hide its latency.
    RefillBitsModular(in, bitBuf, bitCount);
    uint32_t e = lit[bitBuf & kLitMask];
    // Iterations are counted down from a budget that the input and output space surely allow, which
    // costs less per iteration than comparing both pointers with their limits.
    size_t budget = 0;
    for (;;) {
        if (budget == 0) {
            budget = std::min(IterationsBelow(in, inLimit, kFastInputPerIteration),
                              IterationsBelow<const uint8_t*>(out, outLimit, kFastOutputPerIteration));
            if (budget == 0) break;
        }
        --budget;
        if (e & kEntryLiteral) {
            // Up to three primary literal entries of at most kLitBits bits each: 23 of the 56 bits remain
            // for the lookup after them.
            bitBuf >>= EntryConsumed(e);
            bitCount -= e;
            *out++ = uint8_t(e >> 16);
            e = lit[bitBuf & kLitMask];
            if (e & kEntryLiteral) {
                bitBuf >>= EntryConsumed(e);
                bitCount -= e;
                *out++ = uint8_t(e >> 16);
                e = lit[bitBuf & kLitMask];
                if (e & kEntryLiteral) {
                    bitBuf >>= EntryConsumed(e);
                    bitCount -= e;
                    *out++ = uint8_t(e >> 16);
                    e = lit[bitBuf & kLitMask];
                }
            }
            RefillBitsModular(in, bitBuf, bitCount);
            if (e & kEntryLiteral) continue;
        }
        if (e & (kEntrySubtable | kEntryExceptional)) {
            // Rare: a code longer than the primary bits, the end of the block, or a fault.
            if (e & kEntrySubtable) {
                bitBuf >>= kLitBits;
                bitCount -= kLitBits;
                e = lit[EntryValue(e) + (bitBuf & ((uint64_t(1) << EntryCodeLength(e)) - 1))];
                if (e & kEntryLiteral) {
                    bitBuf >>= EntryConsumed(e);
                    bitCount -= e;
                    *out++ = uint8_t(e >> 16);
                    e = lit[bitBuf & kLitMask];
                    RefillBitsModular(in, bitBuf, bitCount);
                    continue;
                }
            }
            if (e & kEntryExceptional) {
                if (EntryValue(e) != kEndOfBlock) FailExceptionalEntry(e);
                bitBuf >>= EntryConsumed(e);
                bitCount -= e;
                stop = FastStop::EndOfBlock;
                break;
            }
        }
        // A length and a distance with their extra bits take at most 48 bits. Deflate64's length may take
        // 31; a refill before the distance unless 39 bits remain leaves 11 or more after it.
        const size_t length = EntryValue(e) + size_t(LowBits<kBmi2>(bitBuf, e) >> ExtraShift(e));
        bitBuf >>= EntryConsumed(e);
        bitCount -= e;
        if (kDeflate64 && (bitCount & 63) < 39) RefillBitsModular(in, bitBuf, bitCount);

        uint32_t d = dist(bitBuf & kDistMask);
        if (d & (kEntrySubtable | kEntryExceptional)) {
            if (d & kEntrySubtable) {
                bitBuf >>= kDistBits;
                bitCount -= kDistBits;
                d = dist(EntryValue(d) + (bitBuf & ((uint64_t(1) << EntryCodeLength(d)) - 1)));
            }
            if (d & kEntryExceptional) FailExceptionalEntry(d);
        }
        const size_t distance = EntryValue(d) + size_t(LowBits<kBmi2>(bitBuf, d) >> ExtraShift(d));
        bitBuf >>= EntryConsumed(d);
        bitCount -= d;
        if (kCheckDistance && distance > size_t(out - outBase)) InflateFail("distance reaches before the start of the data [DecodeData]");
        if (kDeflate64 && length > 258) {
            s.longLength = length;
            s.longDistance = distance;
            stop = FastStop::LongMatch;
            break;
        }
        e = lit[bitBuf & kLitMask];
        RefillBitsModular(in, bitBuf, bitCount);
        out = CopyMatch(out, length, distance);
    }
    s.in = in;
    s.bitBuf = bitBuf;
    s.bitCount = bitCount & 63;
    s.out = out;
    return stop;
}

}  // namespace archive::detail
