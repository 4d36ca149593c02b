// Method 1 (shrink): LZW with codes of 9 to 13 bits. Code 256 is a control prefix: 256,1 widens the codes
// by one bit, 256,2 frees every string code that no other code uses as its prefix.
#include <cstdint>
#include <memory>

#include "archive/legacy_decoders.h"

namespace archive::detail {
namespace {

constexpr int kMinBits = 9;
constexpr int kMaxBits = 13;
constexpr uint32_t kCodes = 1u << kMaxBits;
constexpr uint32_t kControl = 256;
constexpr uint32_t kFirstFree = 257;
constexpr uint32_t kNone = 0xFFFF;

class TUnshrinker {
public:
    TUnshrinker(TArLegacyInput& in, TArSlidingWindowStream& out) : in_(in), out_(out) {
        for (uint32_t c = 0; c < kCodes; ++c) {
            prefix_[c] = static_cast<uint16_t>(kControl);  // a chain reaching 256 is corrupt
            suffix_[c] = static_cast<uint8_t>(c);
            used_[c] = c < 256;
        }
    }

    void Run() {
        while (!out_.Done()) {
            in_.NeedSymbol();
            uint32_t code = in_.Bits(codeBits_);
            if (code == kControl) {
                Control();
                continue;
            }
            if (prev_ == kNone) {
                // The first code is a plain byte.
                if (code >= 256) TArLegacyInput::ThrowReadError();
                out_.PutByte(static_cast<uint8_t>(code));
                prev_ = code;
                continue;
            }
            uint32_t length;
            if (used_[code]) {
                length = Expand(code);
                AddString(stack_[kCodes - length]);
            } else if (code == nextFree_) {
                // The code the encoder made from the previous string plus its own first byte (KwKwK).
                length = Expand(prev_);
                AddString(stack_[kCodes - length]);
                length = Expand(code);
            } else {
                // Neither assigned nor the next to be assigned: no encoder writes this.
                TArLegacyInput::ThrowReadError();
            }
            Emit(length);
            prev_ = code;
        }
    }

private:
    void Control() {
        uint32_t what = in_.Bits(codeBits_);
        if (what == 1 && codeBits_ < kMaxBits) {
            ++codeBits_;
        } else if (what == 2) {
            PartialClear();
        } else {
            TArLegacyInput::ThrowReadError();
        }
    }

    // Frees the leaves of the code tree: assigned codes that are no other assigned code's prefix.
    void PartialClear() {
        bool isPrefix[kCodes] = {};
        for (uint32_t c = kFirstFree; c < kCodes; ++c)
            if (used_[c]) isPrefix[prefix_[c]] = true;
        for (uint32_t c = kFirstFree; c < kCodes; ++c)
            if (!isPrefix[c]) used_[c] = false;
        nextFree_ = kFirstFree;
        AdvanceFree();
    }

    void AdvanceFree() {
        while (nextFree_ < kCodes && used_[nextFree_]) ++nextFree_;
    }

    // New string: the previous code's string followed by first.
    void AddString(uint8_t first) {
        if (nextFree_ >= kCodes) return;  // table full until the next clear
        prefix_[nextFree_] = static_cast<uint16_t>(prev_);
        suffix_[nextFree_] = first;
        used_[nextFree_] = true;
        AdvanceFree();
    }

    // Spells code's string into the end of stack_ and returns its length. Chains are bounded by the stack:
    // corrupt data can link codes into a loop.
    uint32_t Expand(uint32_t code) {
        uint32_t top = kCodes;
        while (code >= 256) {
            if (code == kControl || top == 1) TArLegacyInput::ThrowReadError();
            stack_[--top] = suffix_[code];
            code = prefix_[code];
        }
        stack_[--top] = static_cast<uint8_t>(code);
        return kCodes - top;
    }

    void Emit(uint32_t length) {
        const uint8_t* p = stack_ + (kCodes - length);
        if (static_cast<int64_t>(length) > out_.Remaining()) length = static_cast<uint32_t>(out_.Remaining());
        for (uint32_t i = 0; i < length; ++i) out_.PutByte(p[i]);
    }

    TArLegacyInput& in_;
    TArSlidingWindowStream& out_;
    int codeBits_ = kMinBits;
    uint32_t prev_ = kNone;
    uint32_t nextFree_ = kFirstFree;
    uint16_t prefix_[kCodes];
    uint8_t suffix_[kCodes];
    bool used_[kCodes];
    uint8_t stack_[kCodes];
};

}  // namespace

void ArUnshrink(TArLegacyInput& in, TArSlidingWindowStream& out) {
    auto decoder = std::make_unique<TUnshrinker>(in, out);  // 40 KB of tables: off the stack
    decoder->Run();
}

}  // namespace archive::detail
