// The input side of the legacy decoders: compressed bytes read in blocks of at most 4,096, decrypted as
// read, and handed out as a bit stream, least significant bit of each byte first.
#pragma once
#include <cassert>
#include <cstdint>

#include "archive/zip_crypto.h"
#include "rtl/streams.h"

namespace archive::detail {

class TArLegacyInput {
public:
    static constexpr uint32_t kBlockSize = 4096;

    TArLegacyInput(rtl::TStream* source, TArZipDecryptor* decryptor, int64_t compressedSize)
        : source_(source), decryptor_(decryptor), unread_(compressedSize < 0 ? 0 : compressedSize),
          totalBits_(static_cast<uint64_t>(unread_) * 8) {}

    // The next count bits (count <= 32) without consuming them. Past the end of the data they are zero:
    // encoders may end the data inside the last code, and a lookup may peek further than the code it finds.
    uint32_t Peek(int count) {
        assert(count >= 0 && count <= 32);
        if (held_ < count) Fill();
        return static_cast<uint32_t>(bits_ & ((uint64_t{1} << count) - 1));
    }

    void Drop(int count) {
        assert(count >= 0 && count <= held_);
        bits_ >>= count;
        held_ -= count;
        consumed_ += static_cast<uint64_t>(count);
    }

    uint32_t Bits(int count) {
        uint32_t value = Peek(count);
        Drop(count);
        return value;
    }

    // Called before each new symbol while output is still expected. Zero bits past the end only finish the
    // symbol in progress; starting another one after every bit of the data was used means the data is
    // short of the declared output, which is a read error (EArReadError).
    void NeedSymbol() const {
        if (consumed_ >= totalBits_) ThrowReadError();
    }

    [[noreturn]] static void ThrowReadError();

private:
    // Tops the bit buffer up to at least 33 bits, reading the next block when the current one is used up.
    void Fill();
    void ReadBlock();

    rtl::TStream* source_;
    TArZipDecryptor* decryptor_;
    int64_t unread_;         // bytes of the data not yet read from the source
    uint64_t totalBits_;
    uint64_t consumed_ = 0;  // bits handed out, padding included
    uint64_t bits_ = 0;
    int held_ = 0;
    uint32_t next_ = 0, end_ = 0;  // unconsumed bytes of block_
    uint8_t block_[kBlockSize];
};

}  // namespace archive::detail
