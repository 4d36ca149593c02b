// Block reads, decryption and bit buffering for the legacy decoders.
#include "archive/legacy_input.h"

#include "archive/errors.h"

namespace archive::detail {

void TArLegacyInput::ThrowReadError() { throw EArReadError(); }

void TArLegacyInput::Fill() {
    while (held_ <= 32) {
        if (next_ == end_) {
            if (unread_ == 0) {
                // Past the declared end: zero bits (see Peek).
                held_ += 8;
                continue;
            }
            ReadBlock();
        }
        bits_ |= static_cast<uint64_t>(block_[next_++]) << held_;
        held_ += 8;
    }
}

void TArLegacyInput::ReadBlock() {
    auto want = static_cast<int64_t>(kBlockSize);
    if (want > unread_) want = unread_;
    int64_t got = source_->Read(block_, want);
    if (got <= 0 || got > want) ThrowReadError();
    if (decryptor_) decryptor_->Decrypt(block_, static_cast<size_t>(got));
    unread_ -= got;
    next_ = 0;
    end_ = static_cast<uint32_t>(got);
}

}  // namespace archive::detail
