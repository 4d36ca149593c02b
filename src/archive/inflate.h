// The deflate decoder: one deflate (RFC 1951) or deflate64 stream from a source stream into a
// destination stream, optionally read through traditional PKWARE decryption.
//
// Contract:
// - Inflate decodes from the source's current position to the end of the final block and returns the
//   checksum of the decoded bytes (CRC-32, or Adler-32 with kInflateAdler32).
// - On return the source is positioned just after the last compressed byte consumed (read-ahead is
//   given back with a seek), and the helper's DecodedSize and CompressedSizeRead hold the results.
// - Corrupt or truncated data raises EArInflateError whose message is
//   "Archive inflate error, possibly a corrupted compressed stream. (Internal cause: <cause>)".
//   Truncated data gives the cause "no more compressed data in stream [TArDfInBitStream.<Operation>]".
//   Nothing outside the decoder's fixed buffers is ever read or written, whatever the input.
// - A wrong passphrase raises EArInflatePasswordError after moving the source back over the 12-byte
//   encryption header.
// - The progress callback may raise EArAbortProgress: decoding stops and Inflate returns 0 normally.
// - Read and write errors of the streams leave Inflate unchanged.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace archive {

class TArZipDecryptor;

enum : uint32_t {
    kInflateDeflate64 = 0x10,
    kInflateAdler32 = 0x20,
    kInflateTestOnly = 0x40000000,  // decode and checksum, write nothing
};

// Options of one Inflate call. Inflate works on a private copy and writes back only the two results.
class TArDeflateHelper {
public:
    uint32_t Options = 0;
    // Compressed bytes, for progress only; -1 means the size of the source stream.
    int64_t StreamSize = -1;
    // Receives the compressed bytes read so far x 100 / StreamSize after every refill of the input
    // buffer. May raise EArAbortProgress. Without it no progress is reported.
    std::function<void(int percent)> OnProgressStep;
    // Non-empty: the source is read through the decryption, after checking the 12-byte header.
    std::string Passphrase;
    // The decrypted header's last byte must equal the top byte of this value.
    uint32_t CheckValue = 0;
    // When positive, decoding stops once this many bytes have been produced and the result is 0.
    int64_t PartialSize = 0;
    // When non-empty, a log file of that name receives a short trace.
    std::string LogFile;
    // With a Passphrase: the source may be read and decrypted ahead on a second thread. Only for sources
    // whose reads never ask anything of the user (no volume changes).
    bool ReadAheadThread = false;
    // With a Passphrase, instead of decrypting each block read itself: called with the stream's decryptor
    // (after the header check) and the block, which it must decrypt in place with that decryptor. The
    // caller may decrypt other items' data in the same pass. Takes the place of ReadAheadThread.
    std::function<void(TArZipDecryptor& decryptor, uint8_t* block, size_t length)> DecryptBlock;
    // Without a Passphrase, when the source is an rtl::TMemoryStream that nothing changes while Inflate
    // runs: its bytes are decoded where they lie instead of being copied block by block. The source's
    // position and the progress reports advance as they would with reads.
    bool ReadSourceInPlace = false;

    // Results, written back when Inflate returns normally.
    int64_t DecodedSize = 0;
    int64_t CompressedSizeRead = 0;

    void Assign(const TArDeflateHelper& other) { *this = other; }
};

// "Archive inflate error, possibly a corrupted compressed stream. (Internal cause: ...)".
class EArInflateError : public rtl::Exception {
public:
    using rtl::Exception::Exception;
};
// "Inflate: stream is encrypted but passphrase is wrong".
class EArInflatePasswordError : public rtl::Exception {
public:
    EArInflatePasswordError() : rtl::Exception("Inflate: stream is encrypted but passphrase is wrong") {}
};
// Raised by a progress callback to stop decoding; Inflate then returns 0.
class EArAbortProgress : public rtl::Exception {
public:
    using rtl::Exception::Exception;
};

// source and dest must not be null (asserted). dest is not written in test mode but must still be given.
uint32_t Inflate(rtl::TStream* source, rtl::TStream* dest, TArDeflateHelper& helper);

}  // namespace archive
