// The fast decoding loop compiled twice: for any x86-64 processor, and with BMI2, whose shifts by a
// variable count and bit-field extraction shorten the loop's critical path. The processor is asked once.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-vectorize")
#endif
#include "archive/inflate_fast.h"

namespace archive::detail {

namespace {

template <bool kDeflate64, bool kCheckDistance>
FastStop DecodeFastPortable(FastState& s, const CodeTables& tables) {
    return DecodeFastBody<kDeflate64, kCheckDistance, false>(s, tables);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TS_INFLATE_BMI2 1
template <bool kDeflate64, bool kCheckDistance>
__attribute__((target("bmi2"))) FastStop DecodeFastBmi2(FastState& s, const CodeTables& tables) {
    return DecodeFastBody<kDeflate64, kCheckDistance, true>(s, tables);
}

bool HasBmi2() {
    static const bool supported = __builtin_cpu_supports("bmi2");
    return supported;
}
#endif

}  // namespace

FastStop DecodeFast(FastState& s, const CodeTables& tables, bool deflate64) {
    // Once the buffer holds more than the farthest distance, no match can reach before its start.
    const bool check = size_t(s.out - s.outBase) < (deflate64 ? 65536u : 32768u);
#ifdef TS_INFLATE_BMI2
    if (HasBmi2()) {
        if (deflate64) return check ? DecodeFastBmi2<true, true>(s, tables) : DecodeFastBmi2<true, false>(s, tables);
        return check ? DecodeFastBmi2<false, true>(s, tables) : DecodeFastBmi2<false, false>(s, tables);
    }
#endif
    if (deflate64) return check ? DecodeFastPortable<true, true>(s, tables) : DecodeFastPortable<true, false>(s, tables);
    return check ? DecodeFastPortable<false, true>(s, tables) : DecodeFastPortable<false, false>(s, tables);
}

}  // namespace archive::detail
