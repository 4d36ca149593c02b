// The three legacy decoders, each reading from a bit input and writing to a sliding window until the
// window holds the expected size.
#pragma once
#include <cstdint>

#include "archive/legacy_input.h"
#include "archive/legacy_window.h"

namespace archive::detail {

// Method 1: dynamic LZW, 9 to 13 bit codes, with partial clearing.
void ArUnshrink(TArLegacyInput& in, TArSlidingWindowStream& out);

// Methods 2-5: follower sets and probabilistic expansion; factor 1-4 (else EArZipInvalidFactor).
void ArUnreduce(TArLegacyInput& in, TArSlidingWindowStream& out, int factor);

// Method 6: Shannon-Fano coded literals and matches; flags bit 1 = 8 KB dictionary, bit 2 = literal tree.
void ArExplode(TArLegacyInput& in, TArSlidingWindowStream& out, uint16_t flags);

}  // namespace archive::detail
