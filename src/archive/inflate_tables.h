// Private to the deflate decoder: Huffman lookup tables for the literal/length, distance and code-length
// codes of RFC 1951 (and deflate64), and the fixed-code tables.
//
// A table is indexed by the next bits of the stream (least significant first). The primary part has
// 2^primaryBits entries; a code longer than that goes through a pointer entry to a subtable indexed by the
// bits that follow. Every entry is one uint32:
//
//   bits 0-5    bits the entry consumes in the fast decoder: the code length plus the extra bits of a
//               length or distance; primaryBits for a pointer
//   bits 8-11   the code length alone; the index bits of the subtable for a pointer. In a subtable, lengths
//               count from the end of the primary bits.
//   bit 13      kExceptional: end of block or a fault; the kind is in bits 16-31
//   bit 14      kSubtable: a pointer; the subtable's offset is in bits 16-31
//   bit 15      kLiteral: the literal byte in bits 16-23
//   bits 16-31  the value: literal byte, length or distance base, subtable offset or exceptional kind
//
// The extra bits of a length or distance are therefore (consumed - code length) bits taken right after the
// code, which lets the fast decoder take code and extra bits with one shift.
#pragma once
#include <cstddef>
#include <cstdint>

namespace archive::detail {

constexpr uint32_t kEntryLiteral = 0x8000;
constexpr uint32_t kEntrySubtable = 0x4000;
constexpr uint32_t kEntryExceptional = 0x2000;

// Kinds of exceptional entries.
constexpr uint32_t kEndOfBlock = 0;
constexpr uint32_t kBadLength = 1;    // length symbols 286 and 287
constexpr uint32_t kBadDistance = 2;  // distance symbols 30 and 31 without deflate64
constexpr uint32_t kNoCode = 3;       // a bit pattern of an incomplete code

inline unsigned EntryConsumed(uint32_t e) { return e & 63; }
inline unsigned EntryCodeLength(uint32_t e) { return (e >> 8) & 15; }
inline unsigned EntryValue(uint32_t e) { return e >> 16; }

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLitBits = 11;
constexpr unsigned kDistBits = 9;
constexpr unsigned kCodeLenBits = 7;
// Subtables all have (longest code - primary bits) index bits, one per distinct primary prefix of a long
// code; there are at most as many such prefixes as symbols.
constexpr size_t kLitTableSize = (size_t(1) << kLitBits) + 288 * (size_t(1) << (kMaxCodeLength - kLitBits));
constexpr size_t kDistTableSize = (size_t(1) << kDistBits) + 32 * (size_t(1) << (kMaxCodeLength - kDistBits));
constexpr size_t kCodeLenTableSize = size_t(1) << kCodeLenBits;

enum class BuildResult { Ok, OverSubscribed, Incomplete, Empty };

// Builds the literal/length table from code lengths of `count` (up to 288) symbols. Incomplete codes are
// refused unless the code is a single code of length one.
BuildResult BuildLiteralTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table);
// The distance table from `count` (up to 32) code lengths; an empty code is reported as Empty.
BuildResult BuildDistanceTable(const uint8_t* lengths, unsigned count, bool deflate64, uint32_t* table);
// The code-length code's table: symbol values 0-18, no extra bits.
BuildResult BuildCodeLengthTable(const uint8_t* lengths, uint32_t* table);

// The literal/length and distance tables of one block, side by side: the fast decoder reaches both from
// one base register.
struct CodeTables {
    uint32_t lit[kLitTableSize];
    uint32_t dist[kDistTableSize];
};

// The tables of the fixed codes, built once per mode on first use.
const CodeTables& GetFixedTables(bool deflate64);

}  // namespace archive::detail
