// Decoders of the older ZIP methods: 1 shrink, 2-5 reduce (factors 1-4), 6 implode.
//
// Contract:
// - TArUnzipHelper reads at most CompressedSize bytes from the source (already positioned at the item's
//   compressed data, after any encryption header), in blocks of at most 4,096 bytes, decrypting them
//   through the decryptor when one is given. A read that returns nothing before the data is complete
//   raises EArReadError.
// - Decoded bytes collect in a 32 KB output buffer; each time it is written out (to dest, or nowhere
//   when dest is null), the CRC-32 is updated and, when it changed, ArPercentage(bytes written,
//   UncompressedSize) goes to the progress callback, which returns true to abort (EArUserAbort).
// - Execute returns the finished CRC-32 of the decoded bytes. Decoding stops after UncompressedSize
//   bytes. Method 2-5 with a bad factor raises EArZipInvalidFactor; a method other than 1-6 raises
//   EArZipInvalidMethod. Corrupt data never reads or writes outside the decoder's buffers: it ends in
//   EArReadError (input exhausted) or in output that fails the caller's CRC check.
#pragma once
#include <cstdint>
#include <functional>

#include "archive/zip_crypto.h"
#include "rtl/streams.h"

namespace archive {

struct TArUnzipHelperParams {
    rtl::TStream* Source = nullptr;
    rtl::TStream* Dest = nullptr;          // null: decode and checksum only
    TArZipDecryptor* Decryptor = nullptr;  // null: not encrypted
    int64_t CompressedSize = 0;            // bytes of compressed data, encryption header excluded
    int64_t UncompressedSize = 0;
    uint8_t Method = 0;                    // 1-6
    uint16_t GeneralPurposeBitFlag = 0;    // implode: bit 1 = 8 KB dictionary, bit 2 = three trees
    std::function<bool(uint8_t percent)> Progress;  // returns true to abort
};

class TArUnzipHelper {
public:
    explicit TArUnzipHelper(const TArUnzipHelperParams& params);
    ~TArUnzipHelper();
    uint32_t Execute();

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace archive
