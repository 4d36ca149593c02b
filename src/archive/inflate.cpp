// The deflate/deflate64 decoder: a 64-bit LSB-first bit buffer over a 16 KB input block, two-level Huffman
// lookup tables, a fast loop for the bulk of the data and a careful path near the ends of the buffers.
#include "archive/inflate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include "archive/crc32.h"
#include "archive/inflate_read_ahead.h"
#include "archive/progress.h"
#include "archive/zip_crypto.h"

namespace archive {

namespace {

// ---------------------------------------------------------------------------------------------------------------
// Constants

constexpr size_t kInputBlock = 16384;  // bytes asked of the source per read
constexpr size_t kInputSlack = 32;     // the input block is refilled when fewer bytes than this remain
constexpr size_t kFastInput = 32;      // the fast loop needs this many buffered bytes (two word refills)

struct WindowGeometry {
    size_t size;        // bytes of the output window
    size_t flushPoint;  // reaching it writes out the oldest 32 KB
};
constexpr WindowGeometry kDeflateWindow{65536 + 258, 65536};
constexpr WindowGeometry kDeflate64Window{163840, 98304};
constexpr size_t kFlushChunk = 32768;
constexpr size_t kFastOutMargin = 32;  // the fast loop stops this far before the flush point (chunk copies overshoot)
constexpr size_t kStoredPiece = 16384;

// Table entries (uint32): bits 0-4 code length to consume, bits 8-12 extra bits (or subtable index bits),
// flag bits 13-15, bits 16-31 the value (literal, base, subtable offset or exceptional kind).
constexpr uint32_t kLiteral = 0x8000;
constexpr uint32_t kSubtable = 0x4000;
constexpr uint32_t kExceptional = 0x2000;
// Values of exceptional entries.
constexpr uint32_t kEndOfBlock = 0;
constexpr uint32_t kBadLength = 1;    // length symbols 286 and 287
constexpr uint32_t kBadDistance = 2;  // distance symbols 30 and 31 without deflate64
constexpr uint32_t kNoCode = 3;       // a bit pattern of an incomplete code

constexpr unsigned kLitBits = 11;
constexpr unsigned kDistBits = 9;
constexpr unsigned kCodeLenBits = 7;
constexpr unsigned kMaxCodeLength = 15;
// A subtable per distinct primary prefix of a long code, each of (longest code - primary bits) index bits.
constexpr size_t kLitTableSize = (1u << kLitBits) + 288 * (1u << (kMaxCodeLength - kLitBits));
constexpr size_t kDistTableSize = (1u << kDistBits) + 32 * (1u << (kMaxCodeLength - kDistBits));
constexpr size_t kCodeLenTableSize = 1u << kCodeLenBits;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block sends the code lengths of the code-length code.
constexpr uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

const char* const kErrorPrefix = "Archive inflate error, possibly a corrupted compressed stream. (Internal cause: ";

// A fault in the compressed data; Inflate turns it into EArInflateError.
struct InternalError {
    std::string message;
};

[[noreturn]] void Fail(const char* message) { throw InternalError{message}; }

enum class BitOp { ReadBits, ReadBit, ReadBuffer, DiscardBits };

[[noreturn]] void FailTruncated(BitOp op) {
    switch (op) {
        case BitOp::ReadBits: Fail("no more compressed data in stream [TArDfInBitStream.ReadBits]");
        case BitOp::ReadBit: Fail("no more compressed data in stream [TArDfInBitStream.ReadBit]");
        case BitOp::ReadBuffer: Fail("no more compressed data in stream [TArDfInBitStream.ReadBuffer]");
        case BitOp::DiscardBits: break;
    }
    Fail("no more compressed data in stream [TArDfInBitStream.DiscardBits]");
}

inline uint64_t LoadLE64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);  // little-endian hosts only (x86-64 on both targets)
    return v;
}

// ---------------------------------------------------------------------------------------------------------------
// Huffman tables

// Per-symbol entry bits without the code length: flags, extra bits and value.
uint32_t LitSymbolInfo(unsigned symbol, bool deflate64) {
    if (symbol < 256) return kLiteral | (symbol << 16);
    if (symbol == 256) return kExceptional | (kEndOfBlock << 16);
    if (symbol > 285) return kExceptional | (kBadLength << 16);
    unsigned i = symbol - 257;
    if (symbol == 285 && deflate64) return (16u << 8) | (3u << 16);
    return (uint32_t(kLengthExtra[i]) << 8) | (uint32_t(kLengthBase[i]) << 16);
}

uint32_t DistSymbolInfo(unsigned symbol, bool deflate64) {
    if (symbol >= 30 && !deflate64) return kExceptional | (kBadDistance << 16);
    return (uint32_t(kDistExtra[symbol]) << 8) | (uint32_t(kDistBase[symbol]) << 16);
}

enum class BuildResult { Ok, OverSubscribed, Incomplete, Empty };

// Builds a lookup table for the canonical code given by lengths[0..count). The primary table is indexed by
// the next primaryBits bits of the stream; codes longer than that go through a pointer entry to a subtable
// indexed by the following (longest length - primaryBits) bits. Patterns that are no code get kNoCode.
// An incomplete code is accepted only when it is a single code of length one (then one pattern is no code).
template <typename InfoFn>
BuildResult BuildTable(const uint8_t* lengths, unsigned count, InfoFn info, uint32_t* table, unsigned primaryBits) {
    unsigned lengthCount[kMaxCodeLength + 1] = {};
    for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    unsigned maxLength = 0;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l)
        if (lengthCount[l]) maxLength = l;

    // Kraft sum: left counts the unused codes at each length.
    int left = 1;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l) {
        left = left * 2 - int(lengthCount[l]);
        if (left < 0) return BuildResult::OverSubscribed;
    }
    unsigned codes = count - lengthCount[0];
    BuildResult result = BuildResult::Ok;
    if (left > 0) {
        if (codes == 0)
            result = BuildResult::Empty;
        else if (!(codes == 1 && maxLength == 1))
            return BuildResult::Incomplete;
    }

    const unsigned holeLength = maxLength ? maxLength : 1;
    const uint32_t hole = kExceptional | (kNoCode << 16) | holeLength;
    const size_t primarySize = size_t(1) << primaryBits;
    for (size_t i = 0; i < primarySize; ++i) table[i] = hole;
    if (codes == 0) return result;

    // First canonical code of each length.
    unsigned nextCode[kMaxCodeLength + 2] = {};
    unsigned code = 0;
    for (unsigned l = 1; l <= kMaxCodeLength; ++l) {
        code = (code + (l > 1 ? lengthCount[l - 1] : 0)) << 1;
        nextCode[l] = code;
    }

    const unsigned subBits = maxLength > primaryBits ? maxLength - primaryBits : 0;
    const uint32_t primaryMask = uint32_t(primarySize - 1);
    size_t nextSubtable = primarySize;
    for (unsigned s = 0; s < count; ++s) {
        unsigned len = lengths[s];
        if (len == 0) continue;
        unsigned c = nextCode[len]++;
        // Codes are sent most significant bit first; the table is indexed by stream order, LSB first.
        unsigned reversed = 0;
        for (unsigned b = 0; b < len; ++b) reversed |= ((c >> b) & 1u) << (len - 1 - b);
        const uint32_t entry = info(s) | len;
        if (len <= primaryBits) {
            for (size_t i = reversed; i < primarySize; i += size_t(1) << len) table[i] = entry;
            continue;
        }
        uint32_t& pointer = table[reversed & primaryMask];
        if (!(pointer & kSubtable)) {
            pointer = kSubtable | (subBits << 8) | uint32_t(nextSubtable << 16);
            for (size_t i = 0; i < (size_t(1) << subBits); ++i) table[nextSubtable + i] = hole;
            nextSubtable += size_t(1) << subBits;
        }
        uint32_t* sub = table + (pointer >> 16);
        const size_t subSize = size_t(1) << subBits;
        for (size_t i = reversed >> primaryBits; i < subSize; i += size_t(1) << (len - primaryBits)) sub[i] = entry;
    }
    return result;
}

struct FixedTables {
    uint32_t lit[kLitTableSize];
    uint32_t dist[kDistTableSize];

    explicit FixedTables(bool deflate64) {
        uint8_t lengths[288];
        for (unsigned s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        BuildTable(lengths, 288, [&](unsigned s) { return LitSymbolInfo(s, deflate64); }, lit, kLitBits);
        uint8_t distLengths[32];
        std::memset(distLengths, 5, sizeof distLengths);
        BuildTable(distLengths, 32, [&](unsigned s) { return DistSymbolInfo(s, deflate64); }, dist, kDistBits);
    }
};

// The fixed code tables, built once per mode on first use.
const FixedTables& Fixed(bool deflate64) {
    static const FixedTables deflateTables(false);
    static const FixedTables deflate64Tables(true);
    return deflate64 ? deflate64Tables : deflateTables;
}

// ---------------------------------------------------------------------------------------------------------------
// Checksums

uint32_t UpdateAdler32(uint32_t adler, const uint8_t* p, size_t length) {
    constexpr uint32_t kBase = 65521;
    constexpr size_t kMaxRun = 5552;  // the longest run whose sums cannot overflow 32 bits
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (length > 0) {
        size_t run = std::min(length, kMaxRun);
        length -= run;
        while (run >= 8) {
            for (int i = 0; i < 8; ++i) b += (a += p[i]);
            p += 8;
            run -= 8;
        }
        while (run--) b += (a += *p++);
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

// ---------------------------------------------------------------------------------------------------------------
// The decoder state

enum class Outcome { Finished, PartialDone };

class Inflater {
public:
    Inflater(rtl::TStream* source, rtl::TStream* dest, const TArDeflateHelper& helper)
        : source_(source), dest_(dest), helper_(helper) {
        deflate64_ = (helper_.Options & kInflateDeflate64) != 0;
        adler_ = (helper_.Options & kInflateAdler32) != 0;
        testOnly_ = (helper_.Options & kInflateTestOnly) != 0;
        const WindowGeometry& geometry = deflate64_ ? kDeflate64Window : kDeflateWindow;
        windowSize_ = geometry.size;
        flushPoint_ = geometry.flushPoint;
        window_.reset(new uint8_t[windowSize_]);
        input_.reset(new uint8_t[kInputBlock + kInputSlack]);
        in_ = inEnd_ = input_.get();
        checksum_ = adler_ ? 1u : 0xFFFFFFFFu;

        if (!helper_.OnProgressStep)
            streamSize_ = 0;
        else
            streamSize_ = helper_.StreamSize == -1 ? source_->GetSize() : helper_.StreamSize;
        partialSize_ = helper_.PartialSize > 0 ? std::min<int64_t>(helper_.PartialSize, int64_t(flushPoint_)) : 0;
        outLimit_ = partialSize_ > 0 ? size_t(partialSize_) : flushPoint_;
        sourceStart_ = source_->Position();
        destStart_ = testOnly_ ? 0 : dest_->Position();
    }

    // Checks the encryption header; on a mismatch the source goes back over it.
    void StartDecryption() {
        decryptor_ = std::make_unique<TArZipDecryptor>(helper_.Passphrase);
        uint8_t header[TArZipDecryptor::kHeaderSize];
        int64_t got = source_->Read(header, sizeof header);
        if (got > 0) bytesRead_ += got;
        if (got != int64_t(sizeof header)) FailTruncated(BitOp::ReadBuffer);
        if (!decryptor_->CheckHeader(header, helper_.CheckValue)) {
            source_->Seek(-int64_t(sizeof header), os::SeekOrigin::Current);
            throw EArInflatePasswordError();
        }
        if (helper_.ReadAheadThread) {
            try {
                readAhead_ = std::make_unique<detail::DecryptAheadReader>(*source_, *decryptor_, kInputBlock);
            } catch (const std::system_error&) {
                // No thread to spare: the blocks are decrypted in line as they are read.
            } catch (const std::bad_alloc&) {
            }
        }
    }

    Outcome Run() {
        for (;;) {
            bool final = ReadBits(1, BitOp::ReadBit) != 0;
            unsigned type = ReadBits(2, BitOp::ReadBits);
            Outcome outcome;
            switch (type) {
                case 0: outcome = StoredBlock(); break;
                case 1: {
                    const FixedTables& fixed = Fixed(deflate64_);
                    outcome = HuffmanBlock(fixed.lit, fixed.dist);
                    break;
                }
                case 2:
                    ReadDynamicTables();
                    outcome = HuffmanBlock(lit_, dist_);
                    break;
                default: Fail("starting new block, but invalid block type [Inflate]");
            }
            if (outcome == Outcome::PartialDone) return outcome;
            if (final) break;
        }
        FlushAll();
        return Outcome::Finished;
    }

    // The partial size was reached: write out what was asked for.
    void WritePartial() {
        size_t n = std::min(wpos_, size_t(partialSize_));
        Emit(window_.get(), n);
        wpos_ = 0;
    }

    // Moves the source back over the read-ahead so it ends just after the last byte consumed.
    void GiveBackReadAhead() {
        int64_t unused = int64_t(inEnd_ - in_) + int64_t(bitCount_ / 8) - int64_t(overrun_);
        if (readAhead_) {
            // The reading thread may have gone further than the blocks handed over.
            readAhead_->Stop();
            source_->SetPosition(sourceStart_ + bytesRead_ - std::max<int64_t>(unused, 0));
        } else if (unused > 0) {
            source_->Seek(-unused, os::SeekOrigin::Current);
        }
        in_ = inEnd_;
        bitCount_ = 0;
        bitBuf_ = 0;
        overrun_ = 0;
    }

    uint32_t Checksum() const { return adler_ ? checksum_ : ~checksum_; }
    int64_t DecodedSize() { return testOnly_ ? written_ : dest_->Position() - destStart_; }
    int64_t CompressedSizeRead() { return source_->Position() - sourceStart_; }

private:
    // --- Input -----------------------------------------------------------------------------------------------

    // Reads the next block of the source behind the unread remainder and reports progress.
    void RefillInput() {
        size_t remaining = size_t(inEnd_ - in_);
        std::memmove(input_.get(), in_, remaining);
        in_ = input_.get();
        inEnd_ = in_ + remaining;
        int64_t got;
        if (readAhead_) {
            got = readAhead_->Next(input_.get() + remaining);
        } else {
            got = source_->Read(input_.get() + remaining, int64_t(kInputBlock));
            if (got < 0) got = 0;
            if (decryptor_) decryptor_->Decrypt(input_.get() + remaining, size_t(got));
        }
        inEnd_ += got;
        bytesRead_ += got;
        if (size_t(got) < kInputBlock) sourceDone_ = true;
        if (streamSize_ > 0) helper_.OnProgressStep(int(RoundedPercent(bytesRead_, streamSize_)));
    }

    // Word refill: needs 8 readable bytes; leaves 56 to 63 bits in the buffer. Bits above the count hold the
    // start of the next unconsumed bytes, which later refills OR in again at the same place.
    static inline void FastRefill(const uint8_t*& in, uint64_t& bitBuf, unsigned& bitCount) {
        bitBuf |= LoadLE64(in) << bitCount;
        in += (63 - bitCount) >> 3;
        bitCount |= 56;
    }

    // Fills the bit buffer to at least 57 bits, with zero bytes past the end of the source (counted in
    // overrun_ so that consuming them is reported as truncated data).
    void EnsureBits() {
        if (bitCount_ > 56) return;
        if (size_t(inEnd_ - in_) < kInputSlack && !sourceDone_) RefillInput();
        if (inEnd_ - in_ >= 8) {
            FastRefill(in_, bitBuf_, bitCount_);
            return;
        }
        while (bitCount_ <= 56) {
            if (in_ < inEnd_)
                bitBuf_ |= uint64_t(*in_++) << bitCount_;
            else
                ++overrun_;
            bitCount_ += 8;
        }
    }

    inline void CheckNotTruncated(BitOp op) const {
        if (bitCount_ < overrun_ * 8) FailTruncated(op);
    }

    unsigned ReadBits(unsigned n, BitOp op) {
        EnsureBits();
        unsigned value = unsigned(bitBuf_ & ((uint64_t(1) << n) - 1));
        bitBuf_ >>= n;
        bitCount_ -= n;
        CheckNotTruncated(op);
        return value;
    }

    // Looks up one code with the slow path's bounds checks; returns the entry after consuming its bits.
    uint32_t DecodeSlow(const uint32_t* table, unsigned primaryBits) {
        EnsureBits();
        uint32_t e = table[bitBuf_ & ((uint64_t(1) << primaryBits) - 1)];
        if (e & kSubtable)
            e = table[(e >> 16) + ((bitBuf_ >> primaryBits) & ((uint64_t(1) << ((e >> 8) & 0x1F)) - 1))];
        unsigned len = e & 0x1F;
        bitBuf_ >>= len;
        bitCount_ -= len;
        CheckNotTruncated(BitOp::DiscardBits);
        return e;
    }

    // --- Output ----------------------------------------------------------------------------------------------

    void Emit(const uint8_t* data, size_t n) {
        if (n == 0) return;
        checksum_ = adler_ ? UpdateAdler32(checksum_, data, n) : ArUpdateCRCBuffer(checksum_, data, n);
        if (testOnly_)
            written_ += int64_t(n);
        else
            dest_->WriteBuffer(data, int64_t(n));
    }

    // The write position reached the flush point: write out the oldest 32 KB and keep the rest as history.
    void Flush() {
        Emit(window_.get(), kFlushChunk);
        std::memmove(window_.get(), window_.get() + kFlushChunk, wpos_ - kFlushChunk);
        wpos_ -= kFlushChunk;
    }

    void FlushAll() {
        Emit(window_.get(), wpos_);
        wpos_ = 0;
    }

    bool PartialReached() const { return partialSize_ > 0 && int64_t(wpos_) >= partialSize_; }

    // Copies a match of any length with byte steps, flushing on the way (long deflate64 matches).
    void CopyMatchSlow(size_t length, size_t distance) {
        if (distance > wpos_) Fail("distance reaches before the start of the data [DecodeData]");
        while (length > 0) {
            if (PartialReached()) return;
            if (wpos_ >= flushPoint_) Flush();
            size_t n = std::min(length, windowSize_ - wpos_);
            uint8_t* out = window_.get() + wpos_;
            const uint8_t* from = out - distance;
            for (size_t i = 0; i < n; ++i) out[i] = from[i];
            wpos_ += n;
            length -= n;
        }
    }

    // --- Blocks ----------------------------------------------------------------------------------------------

    Outcome StoredBlock() {
        // Skip to the byte boundary; whole bytes stay in the bit buffer and are taken first.
        unsigned pad = bitCount_ & 7;
        bitBuf_ >>= pad;
        bitCount_ -= pad;
        CheckNotTruncated(BitOp::ReadBits);
        unsigned len = ReadBits(16, BitOp::ReadBits);
        unsigned nlen = ReadBits(16, BitOp::ReadBits);
        if (len != (~nlen & 0xFFFF))
            Fail("invalid stored block (length and NOT length do not match) [InflateStoredBlock]");

        size_t left = len;
        while (left > 0) {
            if (PartialReached()) return Outcome::PartialDone;
            if (wpos_ >= flushPoint_) Flush();
            size_t piece = std::min({left, kStoredPiece, outLimit_ - wpos_});
            uint8_t* out = window_.get() + wpos_;
            size_t done = 0;
            while (done < piece && bitCount_ >= 8) {
                out[done++] = uint8_t(bitBuf_);
                bitBuf_ >>= 8;
                bitCount_ -= 8;
                CheckNotTruncated(BitOp::ReadBuffer);
            }
            if (bitCount_ == 0) bitBuf_ = 0;  // drop the look-ahead copies before reading bytes directly
            while (done < piece) {
                if (in_ == inEnd_) {
                    if (sourceDone_) FailTruncated(BitOp::ReadBuffer);
                    RefillInput();
                    continue;
                }
                size_t n = std::min(piece - done, size_t(inEnd_ - in_));
                std::memcpy(out + done, in_, n);
                in_ += n;
                done += n;
            }
            wpos_ += piece;
            left -= piece;
        }
        return PartialReached() ? Outcome::PartialDone : Outcome::Finished;
    }

    void ReadDynamicTables() {
        unsigned hlit = ReadBits(5, BitOp::ReadBits) + 257;
        unsigned hdist = ReadBits(5, BitOp::ReadBits) + 1;
        unsigned hclen = ReadBits(4, BitOp::ReadBits) + 4;
        if (hlit > 286) Fail("count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
        if (hdist > 30 && !deflate64_)
            Fail("count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");

        uint8_t codeLenLengths[19] = {};
        for (unsigned i = 0; i < hclen; ++i) codeLenLengths[kCodeLenOrder[i]] = uint8_t(ReadBits(3, BitOp::ReadBits));
        uint32_t codeLenTable[kCodeLenTableSize];
        BuildResult built = BuildTable(codeLenLengths, 19, [](unsigned s) { return s << 16; }, codeLenTable,
                                       kCodeLenBits);
        if (built == BuildResult::OverSubscribed)
            Fail("over-subscribed code length code set [InflateDynamicBlock]");
        if (built != BuildResult::Ok) Fail("incomplete code length code set [InflateDynamicBlock]");

        uint8_t lengths[286 + 32] = {};
        const unsigned total = hlit + hdist;
        unsigned i = 0;
        while (i < total) {
            uint32_t e = DecodeSlow(codeLenTable, kCodeLenBits);
            if (e & kExceptional) Fail("decoded a code length out of range {ReadLitDistCodeLengths}");
            unsigned symbol = e >> 16;
            if (symbol > 18) Fail("decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}");
            if (symbol < 16) {
                lengths[i++] = uint8_t(symbol);
                continue;
            }
            uint8_t value = 0;
            unsigned repeat;
            if (symbol == 16) {
                if (i == 0) Fail("repeat of the previous code length with no previous length {ReadLitDistCodeLengths}");
                value = lengths[i - 1];
                repeat = 3 + ReadBits(2, BitOp::ReadBits);
            } else if (symbol == 17) {
                repeat = 3 + ReadBits(3, BitOp::ReadBits);
            } else {
                repeat = 11 + ReadBits(7, BitOp::ReadBits);
            }
            if (i + repeat > total) Fail("repeated code lengths run past the declared count {ReadLitDistCodeLengths}");
            std::memset(lengths + i, value, repeat);
            i += repeat;
        }

        if (lengths[256] == 0) Fail("no code for the end of block symbol [InflateDynamicBlock]");
        const bool d64 = deflate64_;
        built = BuildTable(lengths, hlit, [d64](unsigned s) { return LitSymbolInfo(s, d64); }, lit_, kLitBits);
        if (built == BuildResult::OverSubscribed) Fail("over-subscribed literal/length code set [InflateDynamicBlock]");
        if (built != BuildResult::Ok) Fail("incomplete literal/length code set [InflateDynamicBlock]");
        // A block of literals only may send no distance codes at all.
        built = BuildTable(lengths + hlit, hdist, [d64](unsigned s) { return DistSymbolInfo(s, d64); }, dist_,
                           kDistBits);
        if (built == BuildResult::OverSubscribed) Fail("over-subscribed distance code set [InflateDynamicBlock]");
        if (built == BuildResult::Incomplete) Fail("incomplete distance code set [InflateDynamicBlock]");
    }

    [[noreturn]] static void FailExceptional(uint32_t e) {
        switch (e >> 16) {
            case kBadLength: Fail("decoded an invalid length symbol: greater than 285 [DecodeData]");
            case kBadDistance: Fail("decoded an invalid distance symbol: greater than 29 [DecodeData]");
            default: Fail("decoded a bit pattern that is not a code of the current block [DecodeData]");
        }
    }

    Outcome HuffmanBlock(const uint32_t* lit, const uint32_t* dist) {
        return deflate64_ ? HuffmanBlockT<true>(lit, dist) : HuffmanBlockT<false>(lit, dist);
    }

    template <bool kDeflate64>
    Outcome HuffmanBlockT(const uint32_t* lit, const uint32_t* dist) {
        for (;;) {
            if (PartialReached()) return Outcome::PartialDone;
            if (wpos_ >= flushPoint_) Flush();
            if (size_t(inEnd_ - in_) < kInputSlack && !sourceDone_) RefillInput();
            if (size_t(inEnd_ - in_) >= kFastInput && wpos_ + kFastOutMargin < outLimit_) {
                if (FastLoop<kDeflate64>(lit, dist)) return Outcome::Finished;
                continue;
            }
            // One symbol with full checks.
            uint32_t e = DecodeSlow(lit, kLitBits);
            if (e & kLiteral) {
                window_[wpos_++] = uint8_t(e >> 16);
                continue;
            }
            if (e & kExceptional) {
                if ((e >> 16) == kEndOfBlock) return Outcome::Finished;
                FailExceptional(e);
            }
            size_t length = (e >> 16) + ReadBits((e >> 8) & 0x1F, BitOp::ReadBits);
            uint32_t d = DecodeSlow(dist, kDistBits);
            if (d & kExceptional) FailExceptional(d);
            size_t distance = (d >> 16) + ReadBits((d >> 8) & 0x1F, BitOp::ReadBits);
            CopyMatchSlow(length, distance);
        }
    }

    // Decodes while at least kFastInput bytes of input remain and the output is kFastOutMargin before its limit.
    // Returns true at the end of the block.
    template <bool kDeflate64>
    bool FastLoop(const uint32_t* lit, const uint32_t* dist) {
        const uint8_t* in = in_;
        const uint8_t* const inLimit = inEnd_ - kFastInput;
        uint64_t bitBuf = bitBuf_;
        unsigned bitCount = bitCount_;
        uint8_t* const window = window_.get();
        uint8_t* out = window + wpos_;
        uint8_t* const outLimit = window + (outLimit_ - kFastOutMargin);
        bool endOfBlock = false;

        constexpr uint64_t kLitMask = (1u << kLitBits) - 1;
        constexpr uint64_t kDistMask = (1u << kDistBits) - 1;
        do {
            FastRefill(in, bitBuf, bitCount);
            uint32_t e = lit[bitBuf & kLitMask];
            if (e & kSubtable) e = lit[(e >> 16) + ((bitBuf >> kLitBits) & ((1u << ((e >> 8) & 0x1F)) - 1))];
            bitBuf >>= e & 0x1F;
            bitCount -= e & 0x1F;
            if (e & kLiteral) {
                *out++ = uint8_t(e >> 16);
                // At least 41 bits remain: two more literals of up to 15 bits need no refill.
                e = lit[bitBuf & kLitMask];
                if (!(e & kLiteral)) continue;
                bitBuf >>= e & 0x1F;
                bitCount -= e & 0x1F;
                *out++ = uint8_t(e >> 16);
                e = lit[bitBuf & kLitMask];
                if (!(e & kLiteral)) continue;
                bitBuf >>= e & 0x1F;
                bitCount -= e & 0x1F;
                *out++ = uint8_t(e >> 16);
                continue;
            }
            if (e & kExceptional) {
                if ((e >> 16) == kEndOfBlock) {
                    endOfBlock = true;
                    break;
                }
                FailExceptional(e);
            }
            unsigned extra = (e >> 8) & 0x1F;
            size_t length = (e >> 16) + size_t(bitBuf & ((uint64_t(1) << extra) - 1));
            bitBuf >>= extra;
            bitCount -= extra;
            // A deflate64 length can take 31 bits; the distance needs up to 29.
            if (kDeflate64 && bitCount < 29) FastRefill(in, bitBuf, bitCount);

            uint32_t d = dist[bitBuf & kDistMask];
            if (d & kSubtable) d = dist[(d >> 16) + ((bitBuf >> kDistBits) & ((1u << ((d >> 8) & 0x1F)) - 1))];
            bitBuf >>= d & 0x1F;
            bitCount -= d & 0x1F;
            if (d & kExceptional) FailExceptional(d);
            extra = (d >> 8) & 0x1F;
            size_t distance = (d >> 16) + size_t(bitBuf & ((uint64_t(1) << extra) - 1));
            bitBuf >>= extra;
            bitCount -= extra;
            if (distance > size_t(out - window)) Fail("distance reaches before the start of the data [DecodeData]");

            if (kDeflate64 && length > 258) {
                in_ = in;
                bitBuf_ = bitBuf;
                bitCount_ = bitCount;
                wpos_ = size_t(out - window);
                CopyMatchSlow(length, distance);
                return false;
            }
            const uint8_t* from = out - distance;
            uint8_t* const end = out + length;
            if (distance >= 16) {
                // Chunk copies may write up to 15 bytes past the match; the margin keeps them inside the window.
                do {
                    std::memcpy(out, from, 16);
                    out += 16;
                    from += 16;
                } while (out < end);
            } else if (distance >= 8) {
                do {
                    std::memcpy(out, from, 8);
                    out += 8;
                    from += 8;
                } while (out < end);
            } else if (distance == 1) {
                std::memset(out, out[-1], length);
            } else {
                do *out++ = *from++;
                while (out < end);
            }
            out = end;
        } while (in < inLimit && out < outLimit);

        in_ = in;
        bitBuf_ = bitBuf;
        bitCount_ = bitCount;
        wpos_ = size_t(out - window);
        return endOfBlock;
    }

    rtl::TStream* source_;
    rtl::TStream* dest_;
    TArDeflateHelper helper_;
    bool deflate64_ = false, adler_ = false, testOnly_ = false;
    int64_t streamSize_ = 0;
    int64_t partialSize_ = 0;
    int64_t sourceStart_ = 0, destStart_ = 0;
    int64_t bytesRead_ = 0;
    int64_t written_ = 0;
    std::unique_ptr<TArZipDecryptor> decryptor_;
    std::unique_ptr<detail::DecryptAheadReader> readAhead_;  // declared after the decryptor it uses

    // Input: unread bytes are [in_, inEnd_); the bit buffer holds bitCount_ bits ahead of them.
    std::unique_ptr<uint8_t[]> input_;
    const uint8_t* in_ = nullptr;
    const uint8_t* inEnd_ = nullptr;
    bool sourceDone_ = false;
    uint64_t bitBuf_ = 0;
    unsigned bitCount_ = 0;
    unsigned overrun_ = 0;  // zero bytes added to the bit buffer past the end of the source

    // Output window.
    std::unique_ptr<uint8_t[]> window_;
    size_t windowSize_ = 0, flushPoint_ = 0, outLimit_ = 0;
    size_t wpos_ = 0;
    uint32_t checksum_ = 0;

    uint32_t lit_[kLitTableSize];
    uint32_t dist_[kDistTableSize];
};

// The optional trace file; failures to write it never disturb decoding.
class InflateLog {
public:
    explicit InflateLog(const std::string& fileName) {
        if (fileName.empty()) return;
        try {
            file_ = std::make_unique<rtl::TFileStream>(fileName, rtl::fmCreate);
        } catch (const rtl::Exception&) {
            file_.reset();
        }
    }
    void Line(const std::string& text) {
        if (!file_) return;
        try {
            std::string line = text + "\r\n";
            file_->WriteBuffer(line.data(), int64_t(line.size()));
        } catch (const rtl::Exception&) {
        }
    }

private:
    std::unique_ptr<rtl::TFileStream> file_;
};

}  // namespace

uint32_t Inflate(rtl::TStream* source, rtl::TStream* dest, TArDeflateHelper& helper) {
    if (!source) throw rtl::EAssertionFailed("Deflate: aSource stream cannot be nil");
    if (!dest) throw rtl::EAssertionFailed("Deflate: aDest stream cannot be nil");

    TArDeflateHelper work;
    work.Assign(helper);
    InflateLog log(work.LogFile);
    log.Line("INFLATING STREAM...");
    log.Line("Need to recompile the app with UseLogging turned on");

    auto inflater = std::make_unique<Inflater>(source, dest, work);
    uint32_t result = 0;
    try {
        if (!work.Passphrase.empty()) inflater->StartDecryption();
        if (inflater->Run() == Outcome::PartialDone)
            inflater->WritePartial();
        else
            result = inflater->Checksum();
    } catch (const InternalError& e) {
        log.Line("Internal exception raised: " + e.message);
        throw EArInflateError(kErrorPrefix + e.message + ")");
    } catch (const EArAbortProgress&) {
        result = 0;
    }
    inflater->GiveBackReadAhead();
    helper.DecodedSize = inflater->DecodedSize();
    helper.CompressedSizeRead = inflater->CompressedSizeRead();
    return result;
}

}  // namespace archive
