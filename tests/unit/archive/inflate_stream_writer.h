// Builds deflate streams bit by bit for the decoder's tests: block headers, stored blocks, fixed-code
// symbols, and dynamic headers with given code lengths; and the random bytes they fill stored blocks with.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

namespace inflate_test {

// Bytes that do not compress, the same for the same seed.
inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(size);
    for (auto& x : b) x = uint8_t(rng());
    return b;
}

// Writes a deflate stream: fields least significant bit first, Huffman codes most significant bit first.
class BitWriter {
public:
    void Bits(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    void Code(uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) Bit((code >> i) & 1);
    }
    void Align() {
        while (used_ != 0) Bit(0);
    }
    void Byte(uint8_t b) { Bits(b, 8); }
    std::vector<uint8_t> Finish() {
        Align();
        return out_;
    }

    // Block headers.
    void Header(bool final, unsigned type) {
        Bits(final, 1);
        Bits(type, 2);
    }
    void Stored(bool final, const uint8_t* data, size_t size) {
        Header(final, 0);
        Align();
        Bits(uint32_t(size), 16);
        Bits(uint32_t(~size & 0xFFFF), 16);
        for (size_t i = 0; i < size; ++i) Byte(data[i]);
    }

    // Fixed Huffman codes.
    void FixedSymbol(unsigned symbol) {
        if (symbol < 144) Code(0x30 + symbol, 8);
        else if (symbol < 256) Code(0x190 + symbol - 144, 9);
        else if (symbol < 280) Code(symbol - 256, 7);
        else Code(0xC0 + symbol - 280, 8);
    }
    void FixedLength(unsigned length, bool deflate64) {
        static const unsigned base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const unsigned extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        if (deflate64 && length > 258) {
            FixedSymbol(285);
            Bits(length - 3, 16);
            return;
        }
        unsigned i = 28;
        if (deflate64 || length < 258)
            for (i = 0; i < 27 && base[i + 1] <= length; ++i) {
            }
        FixedSymbol(257 + i);
        Bits(length - base[i], extra[i]);
    }
    void FixedDistance(unsigned distance) {
        unsigned symbol = 0, base = 1;
        for (unsigned s = 0; s < 32; ++s) {
            unsigned b = DistBase(s);
            if (b > distance) break;
            symbol = s;
            base = b;
        }
        Code(symbol, 5);
        Bits(distance - base, symbol < 4 ? 0 : symbol / 2 - 1);
    }
    static unsigned DistBase(unsigned symbol) {
        if (symbol < 4) return symbol + 1;
        unsigned extra = symbol / 2 - 1;
        return (1u << (extra + 1)) + 1 + (symbol & 1) * (1u << extra);
    }

private:
    void Bit(unsigned bit) {
        if (used_ == 0) out_.push_back(0);
        out_.back() |= uint8_t(bit << used_);
        used_ = (used_ + 1) & 7;
    }
    std::vector<uint8_t> out_;
    unsigned used_ = 0;
};

// Dynamic block header with the given code lengths for literal/length and distance symbols, sent with a
// fixed code-length code (see below).
inline void DynamicHeader(BitWriter& w, bool final, const std::vector<uint8_t>& lit, const std::vector<uint8_t>& dist) {
    w.Header(final, 2);
    w.Bits(uint32_t(lit.size() - 257), 5);
    w.Bits(uint32_t(dist.size() - 1), 5);
    w.Bits(19 - 4, 4);
    // Code-length code: symbols 0-12 of length 4 and 13-18 of length 5 (13/16 + 6/32: complete).
    static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t clen[19];
    for (unsigned s = 0; s < 19; ++s) clen[s] = s < 13 ? 4 : 5;
    for (unsigned i = 0; i < 19; ++i) w.Bits(clen[order[i]], 3);
    auto send = [&](unsigned length) {
        // Canonical codes: symbols 0-12 get 4-bit codes 0-12; 13-18 get 5-bit codes 26-31.
        if (length < 13) w.Code(length, 4);
        else w.Code(26 + (length - 13), 5);
    };
    for (uint8_t l : lit) send(l);
    for (uint8_t l : dist) send(l);
}

}  // namespace inflate_test
