#include "archive/crc32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace archive {

namespace {

// Eight tables for slicing-by-8: table k gives the effect of a byte followed by k zero bytes.
struct Tables {
    uint32_t t[8][256];
    constexpr Tables() : t{} {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

constexpr Tables kTables;

}  // namespace

const uint32_t kCrcTable[256] = {
#define TS_ROW(i) kTables.t[0][i], kTables.t[0][i + 1], kTables.t[0][i + 2], kTables.t[0][i + 3]
#define TS_ROW16(i) TS_ROW(i), TS_ROW(i + 4), TS_ROW(i + 8), TS_ROW(i + 12)
    TS_ROW16(0),   TS_ROW16(16),  TS_ROW16(32),  TS_ROW16(48),  TS_ROW16(64),  TS_ROW16(80),
    TS_ROW16(96),  TS_ROW16(112), TS_ROW16(128), TS_ROW16(144), TS_ROW16(160), TS_ROW16(176),
    TS_ROW16(192), TS_ROW16(208), TS_ROW16(224), TS_ROW16(240),
#undef TS_ROW16
#undef TS_ROW
};

namespace {

uint32_t UpdateBySlices(uint32_t crc, const uint8_t* p, size_t length);

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Carry-less multiplication folds 64 bytes at a time: a 128-bit lane X followed by the rest R of the
// message leaves the same remainder as (X_hi * x^(n+64) + X_lo * x^n mod P) followed by R, where n is
// the fold distance. The constants are those remainders, bit-reflected as the register is. Once the
// lanes are folded into one, its 16 bytes and the tail go through the table.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i load(const uint8_t* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// One folded lane and the rest of the message (under 64 bytes): 16 bytes at a time into the lane, then the
// lane's 16 bytes and the tail through the table.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldRest(__m128i x, const uint8_t* p, size_t length) {
    const __m128i fold1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);  // 1 lane: 128 bits on
    while (length >= 16) {
        x = fold(x, fold1, load(p));
        p += 16;
        length -= 16;
    }
    alignas(16) uint8_t lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lane), x);
    return UpdateBySlices(UpdateBySlices(0, lane, sizeof lane), p, length);
}

__attribute__((target("pclmul,sse4.1"))) uint32_t UpdateByFolding(uint32_t crc, const uint8_t* p, size_t length) {
    const __m128i fold4 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);  // 4 lanes: 512 bits on
    const __m128i fold1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);  // 1 lane: 128 bits on

    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    length -= 64;
    while (length >= 64) {
        x0 = fold(x0, fold4, load(p));
        x1 = fold(x1, fold4, load(p + 16));
        x2 = fold(x2, fold4, load(p + 32));
        x3 = fold(x3, fold4, load(p + 48));
        p += 64;
        length -= 64;
    }
    __m128i x = fold(fold(fold(x0, fold1, x1), fold1, x2), fold1, x3);
    return FoldRest(x, p, length);
}

bool HasCarrylessMultiply() {
    static const bool supported = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}

// The same with 256-bit registers (AVX2 with the wide carry-less multiply): each register holds two lanes,
// four registers fold 128 bytes at a time, twice the rate of the 128-bit loop on processors that have it.
// No local of the function lives in memory, so it needs no stack alignment above 16 bytes (which 64-bit
// Windows does not give).
#define TS_WIDE __attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1")))
TS_WIDE inline __m256i fold256(__m256i x, __m256i k, __m256i next) {
    return _mm256_xor_si256(
        _mm256_xor_si256(_mm256_clmulepi64_epi128(x, k, 0x00), _mm256_clmulepi64_epi128(x, k, 0x11)), next);
}

TS_WIDE inline __m256i load256(const uint8_t* q) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q)); }

TS_WIDE uint32_t UpdateByWideFolding(uint32_t crc, const uint8_t* p, size_t length) {
    const __m256i fold1024 = _mm256_set_epi64x(0x14a7fe880LL, 0x1e88ef372LL, 0x14a7fe880LL, 0x1e88ef372LL);
    const __m256i fold256Bits = _mm256_set_epi64x(0x15a546366LL, 0x0f1da05aaLL, 0x15a546366LL, 0x0f1da05aaLL);
    const __m128i fold1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);

    __m256i x0 = _mm256_xor_si256(load256(p), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
    __m256i x1 = load256(p + 32), x2 = load256(p + 64), x3 = load256(p + 96);
    p += 128;
    length -= 128;
    while (length >= 128) {
        x0 = fold256(x0, fold1024, load256(p));
        x1 = fold256(x1, fold1024, load256(p + 32));
        x2 = fold256(x2, fold1024, load256(p + 64));
        x3 = fold256(x3, fold1024, load256(p + 96));
        p += 128;
        length -= 128;
    }
    const __m256i y = fold256(fold256(fold256(x0, fold256Bits, x1), fold256Bits, x2), fold256Bits, x3);
    __m128i x = fold(_mm256_castsi256_si128(y), fold1, _mm256_extracti128_si256(y, 1));
    return FoldRest(x, p, length);
}
#undef TS_WIDE

bool HasWideCarrylessMultiply() {
    static const bool supported = HasCarrylessMultiply() && __builtin_cpu_supports("avx2") &&
                                  __builtin_cpu_supports("vpclmulqdq");
    return supported;
}

// And with 512-bit registers (AVX-512): four lanes each, four registers fold 256 bytes at a time, twice the
// rate again. The processor check also asks whether the system saves these registers.
#define TS_WIDEST __attribute__((target("avx512f,avx512vl,vpclmulqdq,avx2,pclmul,sse4.1")))
TS_WIDEST inline __m512i fold512(__m512i x, __m512i k, __m512i next) {
    // 0x96: the three-way exclusive or.
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00), _mm512_clmulepi64_epi128(x, k, 0x11), next,
                                     0x96);
}

TS_WIDEST inline __m512i load512(const uint8_t* q) { return _mm512_loadu_si512(q); }

TS_WIDEST inline __m512i Broadcast(long long low, long long high) {
    return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

TS_WIDEST uint32_t UpdateByWidestFolding(uint32_t crc, const uint8_t* p, size_t length) {
    const __m512i fold2048 = Broadcast(0x11542778aLL, 0x1322d1430LL);
    const __m512i fold512Bits = Broadcast(0x154442bd4LL, 0x1c6e41596LL);
    const __m128i fold1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);

    __m512i x0 = _mm512_xor_si512(load512(p), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
    __m512i x1 = load512(p + 64), x2 = load512(p + 128), x3 = load512(p + 192);
    p += 256;
    length -= 256;
    while (length >= 256) {
        x0 = fold512(x0, fold2048, load512(p));
        x1 = fold512(x1, fold2048, load512(p + 64));
        x2 = fold512(x2, fold2048, load512(p + 128));
        x3 = fold512(x3, fold2048, load512(p + 192));
        p += 256;
        length -= 256;
    }
    const __m512i y = fold512(fold512(fold512(x0, fold512Bits, x1), fold512Bits, x2), fold512Bits, x3);
    uint8_t lanes[64];
    _mm512_storeu_si512(lanes, y);
    __m128i x = fold(load(lanes), fold1, load(lanes + 16));
    x = fold(fold(x, fold1, load(lanes + 32)), fold1, load(lanes + 48));
    return FoldRest(x, p, length);
}
#undef TS_WIDEST

bool HasWidestCarrylessMultiply() {
    static const bool supported = HasWideCarrylessMultiply() && __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512vl");
    return supported;
}
#endif

}  // namespace

uint32_t ArUpdateCRCBuffer(uint32_t crc, const void* buffer, size_t length) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (length >= 256 && HasWidestCarrylessMultiply())
        return UpdateByWidestFolding(crc, static_cast<const uint8_t*>(buffer), length);
    if (length >= 256 && HasWideCarrylessMultiply())
        return UpdateByWideFolding(crc, static_cast<const uint8_t*>(buffer), length);
    if (length >= 256 && HasCarrylessMultiply()) return UpdateByFolding(crc, static_cast<const uint8_t*>(buffer), length);
#endif
    return UpdateBySlices(crc, static_cast<const uint8_t*>(buffer), length);
}

namespace {

uint32_t UpdateBySlices(uint32_t crc, const uint8_t* p, size_t length) {
    const auto& t = kTables.t;
    while (length >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;  // little-endian hosts only (x86-64 on both targets)
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        length -= 8;
    }
    while (length--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace

namespace detail {

size_t AvailableCrcMethods(CrcMethod* methods) {
    size_t n = 0;
    methods[n++] = {"slices", [](uint32_t crc, const void* p, size_t length) {
                        return UpdateBySlices(crc, static_cast<const uint8_t*>(p), length);
                    }};
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The folding loops need 64 to 256 bytes; shorter buffers go through the slices as in use.
    if (HasCarrylessMultiply())
        methods[n++] = {"folding", [](uint32_t crc, const void* p, size_t length) {
                            auto q = static_cast<const uint8_t*>(p);
                            return length >= 256 ? UpdateByFolding(crc, q, length) : UpdateBySlices(crc, q, length);
                        }};
    if (HasWideCarrylessMultiply())
        methods[n++] = {"wide folding", [](uint32_t crc, const void* p, size_t length) {
                            auto q = static_cast<const uint8_t*>(p);
                            return length >= 256 ? UpdateByWideFolding(crc, q, length) : UpdateBySlices(crc, q, length);
                        }};
    if (HasWidestCarrylessMultiply())
        methods[n++] = {"widest folding", [](uint32_t crc, const void* p, size_t length) {
                            auto q = static_cast<const uint8_t*>(p);
                            return length >= 256 ? UpdateByWidestFolding(crc, q, length)
                                                 : UpdateBySlices(crc, q, length);
                        }};
#endif
    return n;
}

}  // namespace detail

}  // namespace archive
