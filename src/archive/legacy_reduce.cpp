// Methods 2-5 (reduce with factor 1-4): bytes coded through per-byte follower sets, then expanded by a
// small state machine where byte 144 (DLE) introduces a back reference.
#include <cstdint>
#include <memory>

#include "archive/errors.h"
#include "archive/legacy_decoders.h"

namespace archive::detail {
namespace {

constexpr uint8_t kDLE = 144;
constexpr uint32_t kMaxFollowers = 32;

// Bits of a follower index for a set of n bytes (n >= 1).
int IndexBits(uint32_t n) {
    int bits = 1;
    while ((1u << bits) < n) ++bits;
    return bits;
}

struct TFollowerSets {
    uint8_t count[256];
    uint8_t bits[256];
    uint8_t bytes[256][kMaxFollowers];
};

}  // namespace

void ArUnreduce(TArLegacyInput& in, TArSlidingWindowStream& out, int factor) {
    if (factor < 1 || factor > 4) throw EArZipInvalidFactor();
    auto sets = std::make_unique<TFollowerSets>();
    for (int j = 255; j >= 0; --j) {
        uint32_t n = in.Bits(6);
        if (n > kMaxFollowers) TArLegacyInput::ThrowReadError();  // no encoder writes larger sets
        sets->count[j] = static_cast<uint8_t>(n);
        sets->bits[j] = static_cast<uint8_t>(n ? IndexBits(n) : 0);
        for (uint32_t k = 0; k < n; ++k) sets->bytes[j][k] = static_cast<uint8_t>(in.Bits(8));
        for (uint32_t k = n; k < kMaxFollowers; ++k) sets->bytes[j][k] = 0;  // an index past the set reads 0
    }

    const uint32_t lengthMask = 0xFFu >> factor;
    const int distanceShift = 8 - factor;
    enum { kPlain, kAfterDLE, kLengthByte, kDistanceByte } state = kPlain;
    uint8_t last = 0;
    uint32_t v = 0, length = 0;
    while (!out.Done()) {
        in.NeedSymbol();
        uint8_t c;
        if (sets->count[last] == 0 || in.Bits(1)) {
            c = static_cast<uint8_t>(in.Bits(8));
        } else {
            c = sets->bytes[last][in.Bits(sets->bits[last])];
        }
        last = c;

        switch (state) {
            case kPlain:
                if (c == kDLE) state = kAfterDLE;
                else out.PutByte(c);
                break;
            case kAfterDLE:
                if (c == 0) {
                    out.PutByte(kDLE);
                    state = kPlain;
                } else {
                    v = c;
                    length = v & lengthMask;
                    state = length == lengthMask ? kLengthByte : kDistanceByte;
                }
                break;
            case kLengthByte:
                length += c;
                state = kDistanceByte;
                break;
            case kDistanceByte:
                out.CopyMatch(((v >> distanceShift) << 8) + c + 1, length + 3);
                state = kPlain;
                break;
        }
    }
}

}  // namespace archive::detail
