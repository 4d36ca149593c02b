// The deflate/deflate64 decoder: reads the source in 16 KB blocks into a 64-bit LSB-first bit buffer,
// decodes Huffman blocks with a branch-light fast loop (inflate_fast.h) while plenty of input and output
// space remain and symbol by symbol with full checks near the ends, and writes into a large output buffer
// that is flushed in big pieces (inflate_window.h). Its memory (212 KiB) is a pooled
// workspace (inflate_workspace.h).
//
// The careful path here and the fast loop share the table format (inflate_tables.h) but not the bit
// accounting: the careful path fills the bit buffer with zero bytes past the end of the source and counts
// them, so that consuming one of them is reported as missing data; the fast loop runs only where its
// word loads stay inside the input block.
#include "archive/inflate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include "archive/inflate_fast.h"
#include "archive/inflate_internal.h"
#include "archive/inflate_read_ahead.h"
#include "archive/inflate_tables.h"
#include "archive/inflate_window.h"
#include "archive/inflate_workspace.h"
#include "archive/progress.h"
#include "archive/zip_crypto.h"

namespace archive {

namespace detail {

void InflateFail(const char* message) { throw InflateFault{message}; }

void InflateFailTruncated(BitOp op) {
    switch (op) {
        case BitOp::ReadBits: InflateFail("no more compressed data in stream [TArDfInBitStream.ReadBits]");
        case BitOp::ReadBit: InflateFail("no more compressed data in stream [TArDfInBitStream.ReadBit]");
        case BitOp::ReadBuffer: InflateFail("no more compressed data in stream [TArDfInBitStream.ReadBuffer]");
        case BitOp::DiscardBits: break;
    }
    InflateFail("no more compressed data in stream [TArDfInBitStream.DiscardBits]");
}

void FailExceptionalEntry(uint32_t entry) {
    switch (EntryValue(entry)) {
        case kBadLength: InflateFail("decoded an invalid length symbol: greater than 285 [DecodeData]");
        case kBadDistance: InflateFail("decoded an invalid distance symbol: greater than 29 [DecodeData]");
        default: InflateFail("decoded a bit pattern that is not a code of the current block [DecodeData]");
    }
}

}  // namespace detail

namespace {

using namespace detail;

constexpr size_t kStoredPiece = 16384;
// The partial size is capped where the classic 32 KB-flushing window would first have written out.
constexpr size_t kDeflatePartialCap = 65536;
constexpr size_t kDeflate64PartialCap = 98304;

// The order in which a dynamic block sends the code lengths of the code-length code.
constexpr uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

const char* const kErrorPrefix = "Archive inflate error, possibly a corrupted compressed stream. (Internal cause: ";

static_assert(InflateWindow::kFastMargin >= kFastOutputPerIteration + 16,
              "one more fast iteration, with its overshooting stores, must fit in the buffer");

enum class Outcome { Finished, PartialDone };

class Inflater {
public:
    Inflater(rtl::TStream* source, rtl::TStream* dest, const TArDeflateHelper& helper)
        : source_(source),
          dest_(dest),
          helper_(helper),
          deflate64_((helper.Options & kInflateDeflate64) != 0),
          testOnly_((helper.Options & kInflateTestOnly) != 0),
          input_(workspace_->input),
          window_(workspace_->window, dest, deflate64_, (helper.Options & kInflateAdler32) != 0, testOnly_),
          tables_(workspace_->tables) {
        in_ = inEnd_ = input_;

        if (!helper_.OnProgressStep)
            streamSize_ = 0;
        else
            streamSize_ = helper_.StreamSize == -1 ? source_->GetSize() : helper_.StreamSize;
        const size_t cap = deflate64_ ? kDeflate64PartialCap : kDeflatePartialCap;
        partialSize_ = helper_.PartialSize > 0 ? std::min<size_t>(size_t(helper_.PartialSize), cap) : 0;
        outLimit_ = partialSize_ > 0 ? partialSize_ : InflateWindow::kCapacity;
        sourceStart_ = source_->Position();
        destStart_ = testOnly_ ? 0 : dest_->Position();
        if (helper_.ReadSourceInPlace && helper_.Passphrase.empty()) {
            if (auto* memory = dynamic_cast<rtl::TMemoryStream*>(source_)) {
                const std::vector<uint8_t>& bytes = memory->Data();
                const size_t at = std::min<size_t>(size_t(std::max<int64_t>(sourceStart_, 0)), bytes.size());
                in_ = inEnd_ = bytes.data() + at;
                sourceEnd_ = bytes.data() + bytes.size();
                inPlace_ = true;
            }
        }
    }

    // Checks the encryption header; on a mismatch the source goes back over it.
    void StartDecryption() {
        decryptor_ = std::make_unique<TArZipDecryptor>(helper_.Passphrase);
        uint8_t header[TArZipDecryptor::kHeaderSize];
        int64_t got = source_->Read(header, sizeof header);
        if (got > 0) bytesRead_ += got;
        if (got != int64_t(sizeof header)) InflateFailTruncated(BitOp::ReadBuffer);
        if (!decryptor_->CheckHeader(header, helper_.CheckValue)) {
            source_->Seek(-int64_t(sizeof header), os::SeekOrigin::Current);
            throw EArInflatePasswordError();
        }
        if (helper_.ReadAheadThread && !helper_.DecryptBlock) {
            try {
                readAhead_ = std::make_unique<DecryptAheadReader>(*source_, *decryptor_, kInputBlock);
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
                    outcome = HuffmanBlock(GetFixedTables(deflate64_));
                    break;
                }
                case 2:
                    ReadDynamicTables();
                    outcome = HuffmanBlock(tables_);
                    break;
                default: InflateFail("starting new block, but invalid block type [Inflate]");
            }
            if (outcome == Outcome::PartialDone) return outcome;
            if (final) break;
        }
        window_.FlushUpTo(window_.pos);
        return Outcome::Finished;
    }

    // The partial size was reached: write out what was asked for.
    void WritePartial() { window_.FlushUpTo(std::min(window_.pos, partialSize_)); }

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

    uint32_t Checksum() const { return window_.Checksum(); }
    int64_t DecodedSize() { return testOnly_ ? window_.Written() : dest_->Position() - destStart_; }
    int64_t CompressedSizeRead() { return source_->Position() - sourceStart_; }

private:
    // --- Input -----------------------------------------------------------------------------------------------

    // Reads the next block of the source behind the unread remainder and reports progress.
    void RefillInput() {
        if (inPlace_) {
            // In place: the next block of the source's bytes joins the unread remainder where it lies.
            const size_t got = std::min<size_t>(kInputBlock, size_t(sourceEnd_ - inEnd_));
            inEnd_ += got;
            source_->Seek(int64_t(got), os::SeekOrigin::Current);
            AfterRead(int64_t(got));
            return;
        }
        size_t remaining = size_t(inEnd_ - in_);
        std::memmove(input_, in_, remaining);
        in_ = input_;
        inEnd_ = in_ + remaining;
        int64_t got;
        if (readAhead_) {
            got = readAhead_->Next(input_ + remaining);
        } else {
            got = source_->Read(input_ + remaining, int64_t(kInputBlock));
            if (got < 0) got = 0;
            if (decryptor_ && helper_.DecryptBlock) helper_.DecryptBlock(*decryptor_, input_ + remaining, size_t(got));
            else if (decryptor_) decryptor_->Decrypt(input_ + remaining, size_t(got));
        }
        inEnd_ += got;
        AfterRead(got);
    }

    void AfterRead(int64_t got) {
        bytesRead_ += got;
        if (size_t(got) < kInputBlock) sourceDone_ = true;
        if (streamSize_ > 0) helper_.OnProgressStep(int(RoundedPercent(bytesRead_, streamSize_)));
    }

    // Fills the bit buffer to at least 57 bits, with zero bytes past the end of the source (counted in
    // overrun_ so that consuming them is reported as truncated data).
    void EnsureBits() {
        if (bitCount_ > 56) return;
        if (size_t(inEnd_ - in_) < kInputSlack && !sourceDone_) RefillInput();
        if (inEnd_ - in_ >= 8) {
            RefillBits(in_, bitBuf_, bitCount_);
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

    void CheckNotTruncated(BitOp op) const {
        if (bitCount_ < overrun_ * 8) InflateFailTruncated(op);
    }

    void DropBits(unsigned n) {
        bitBuf_ >>= n;
        bitCount_ -= n;
    }

    unsigned ReadBits(unsigned n, BitOp op) {
        EnsureBits();
        unsigned value = unsigned(bitBuf_ & ((uint64_t(1) << n) - 1));
        DropBits(n);
        CheckNotTruncated(op);
        return value;
    }

    // Looks up one code and consumes the code alone (the extra bits of a length or distance stay in the
    // stream).
    uint32_t DecodeSlow(const uint32_t* table, unsigned primaryBits) {
        EnsureBits();
        uint32_t e = table[bitBuf_ & ((uint64_t(1) << primaryBits) - 1)];
        if (e & kEntrySubtable) {
            DropBits(primaryBits);
            e = table[EntryValue(e) + (bitBuf_ & ((uint64_t(1) << EntryCodeLength(e)) - 1))];
        }
        DropBits(EntryCodeLength(e));
        CheckNotTruncated(BitOp::DiscardBits);
        return e;
    }

    // --- Output ----------------------------------------------------------------------------------------------

    bool PartialReached() const { return partialSize_ > 0 && window_.pos >= partialSize_; }

    void FlushIfFull() {
        if (window_.pos >= window_.FlushPoint()) window_.Flush();
    }

    // Copies a match of any length, flushing on the way (long deflate64 matches, and matches near the end
    // of the buffer).
    void CopyMatchSlow(size_t length, size_t distance) {
        if (distance > window_.pos) InflateFail("distance reaches before the start of the data [DecodeData]");
        while (length > 0) {
            if (PartialReached()) return;
            FlushIfFull();
            size_t n = std::min(length, InflateWindow::kCapacity - window_.pos);
            uint8_t* out = window_.Data() + window_.pos;
            if (distance == 1) {
                std::memset(out, out[-1], n);
            } else {
                // Pieces no longer than the distance do not overlap their source.
                for (size_t done = 0; done < n;) {
                    size_t piece = std::min(n - done, distance);
                    std::memcpy(out + done, out + done - distance, piece);
                    done += piece;
                }
            }
            window_.pos += n;
            length -= n;
        }
    }

    // --- Blocks ----------------------------------------------------------------------------------------------

    Outcome StoredBlock() {
        // Skip to the byte boundary; whole bytes stay in the bit buffer and are taken first.
        DropBits(bitCount_ & 7);
        CheckNotTruncated(BitOp::ReadBits);
        unsigned len = ReadBits(16, BitOp::ReadBits);
        unsigned nlen = ReadBits(16, BitOp::ReadBits);
        if (len != (~nlen & 0xFFFF))
            InflateFail("invalid stored block (length and NOT length do not match) [InflateStoredBlock]");

        size_t left = len;
        while (left > 0) {
            if (PartialReached()) return Outcome::PartialDone;
            FlushIfFull();
            size_t piece = std::min({left, kStoredPiece, outLimit_ - window_.pos});
            uint8_t* out = window_.Data() + window_.pos;
            size_t done = 0;
            while (done < piece && bitCount_ >= 8) {
                out[done++] = uint8_t(bitBuf_);
                DropBits(8);
                CheckNotTruncated(BitOp::ReadBuffer);
            }
            if (bitCount_ == 0) bitBuf_ = 0;  // drop the look-ahead copies before reading bytes directly
            while (done < piece) {
                if (in_ == inEnd_) {
                    if (sourceDone_) InflateFailTruncated(BitOp::ReadBuffer);
                    RefillInput();
                    continue;
                }
                size_t n = std::min(piece - done, size_t(inEnd_ - in_));
                std::memcpy(out + done, in_, n);
                in_ += n;
                done += n;
            }
            window_.pos += piece;
            left -= piece;
        }
        return PartialReached() ? Outcome::PartialDone : Outcome::Finished;
    }

    // The code lengths of both codes, sent with the code-length code. `peek` makes at least 14 bits
    // available and returns the bit buffer; `drop(n)` consumes a code of n bits, `take(n)` consumes and
    // returns n extra bits.
    template <typename Peek, typename Drop, typename Take>
    static void ReadCodeLengths(uint8_t* lengths, unsigned total, const uint32_t* codeLenTable, Peek peek, Drop drop,
                                Take take) {
        unsigned i = 0;
        while (i < total) {
            // Code-length codes are at most 7 bits long: the table has no subtables.
            const uint32_t e = codeLenTable[peek() & ((uint64_t(1) << kCodeLenBits) - 1)];
            drop(EntryCodeLength(e));  // a stream that ended before the code reports that first
            if (e & kEntryExceptional) InflateFail("decoded a code length out of range {ReadLitDistCodeLengths}");
            unsigned symbol = EntryValue(e);
            if (symbol > 18) InflateFail("decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}");
            if (symbol < 16) {
                lengths[i++] = uint8_t(symbol);
                continue;
            }
            uint8_t value = 0;
            unsigned repeat;
            if (symbol == 16) {
                if (i == 0) InflateFail("repeat of the previous code length with no previous length {ReadLitDistCodeLengths}");
                value = lengths[i - 1];
                repeat = 3 + take(2);
            } else if (symbol == 17) {
                repeat = 3 + take(3);
            } else {
                repeat = 11 + take(7);
            }
            if (i + repeat > total) InflateFail("repeated code lengths run past the declared count {ReadLitDistCodeLengths}");
            std::memset(lengths + i, value, repeat);
            i += repeat;
        }
    }

    void ReadDynamicTables() {
        unsigned hlit = ReadBits(5, BitOp::ReadBits) + 257;
        unsigned hdist = ReadBits(5, BitOp::ReadBits) + 1;
        unsigned hclen = ReadBits(4, BitOp::ReadBits) + 4;
        if (hlit > 286) InflateFail("count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
        if (hdist > 30 && !deflate64_)
            InflateFail("count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");

        uint8_t codeLenLengths[19] = {};
        for (unsigned i = 0; i < hclen; ++i) codeLenLengths[kCodeLenOrder[i]] = uint8_t(ReadBits(3, BitOp::ReadBits));
        uint32_t codeLenTable[kCodeLenTableSize];
        BuildResult built = BuildCodeLengthTable(codeLenLengths, codeLenTable);
        if (built == BuildResult::OverSubscribed) InflateFail("over-subscribed code length code set [InflateDynamicBlock]");
        if (built != BuildResult::Ok) InflateFail("incomplete code length code set [InflateDynamicBlock]");

        uint8_t lengths[286 + 32] = {};
        const unsigned total = hlit + hdist;
        // A code length takes at most 14 bits with its extra bits, so `total` of them less than 2 * total
        // bytes. With that much input at hand, and the 8 bytes a refill reads, the loop runs on a local copy
        // of the bit buffer (which stores into `lengths` cannot be taken to change), with one word refill
        // per symbol and no checks for the end of the input.
        if (size_t(inEnd_ - in_) >= 2 * total + 16) {
            const uint8_t* in = in_;
            uint64_t bitBuf = bitBuf_;
            unsigned bitCount = bitCount_;
            auto take = [&](unsigned n) {
                unsigned value = unsigned(bitBuf & ((uint64_t(1) << n) - 1));
                bitBuf >>= n;
                bitCount -= n;
                return value;
            };
            ReadCodeLengths(
                lengths, total, codeLenTable,
                [&] {
                    RefillBits(in, bitBuf, bitCount);
                    return bitBuf;
                },
                take, take);
            in_ = in;
            bitBuf_ = bitBuf;
            bitCount_ = bitCount;
        } else {
            ReadCodeLengths(
                lengths, total, codeLenTable,
                [&] {
                    EnsureBits();
                    return bitBuf_;
                },
                [&](unsigned n) {
                    DropBits(n);
                    CheckNotTruncated(BitOp::DiscardBits);
                },
                [&](unsigned n) { return ReadBits(n, BitOp::ReadBits); });
        }

        if (lengths[256] == 0) InflateFail("no code for the end of block symbol [InflateDynamicBlock]");
        built = BuildLiteralTable(lengths, hlit, deflate64_, tables_.lit);
        if (built == BuildResult::OverSubscribed) InflateFail("over-subscribed literal/length code set [InflateDynamicBlock]");
        if (built != BuildResult::Ok) InflateFail("incomplete literal/length code set [InflateDynamicBlock]");
        // A block of literals only may send no distance codes at all.
        built = BuildDistanceTable(lengths + hlit, hdist, deflate64_, tables_.dist);
        if (built == BuildResult::OverSubscribed) InflateFail("over-subscribed distance code set [InflateDynamicBlock]");
        if (built == BuildResult::Incomplete) InflateFail("incomplete distance code set [InflateDynamicBlock]");
    }

    Outcome HuffmanBlock(const CodeTables& tables) {
        return deflate64_ ? HuffmanBlockT<true>(tables) : HuffmanBlockT<false>(tables);
    }

    template <bool kDeflate64>
    Outcome HuffmanBlockT(const CodeTables& tables) {
        for (;;) {
            if (PartialReached()) return Outcome::PartialDone;
            FlushIfFull();
            if (size_t(inEnd_ - in_) < kInputSlack && !sourceDone_) RefillInput();
            if (size_t(inEnd_ - in_) > kFastInput && window_.pos + InflateWindow::kFastMargin < outLimit_) {
                FastStop stop = RunFast<kDeflate64>(tables);
                if (stop == FastStop::EndOfBlock) return Outcome::Finished;
                continue;
            }
            // One symbol with full checks.
            uint32_t e = DecodeSlow(tables.lit, kLitBits);
            if (e & kEntryLiteral) {
                window_.Data()[window_.pos++] = uint8_t(e >> 16);
                continue;
            }
            if (e & kEntryExceptional) {
                if (EntryValue(e) == kEndOfBlock) return Outcome::Finished;
                FailExceptionalEntry(e);
            }
            size_t length = EntryValue(e) + ReadBits(EntryConsumed(e) - EntryCodeLength(e), BitOp::ReadBits);
            uint32_t d = DecodeSlow(tables.dist, kDistBits);
            if (d & kEntryExceptional) FailExceptionalEntry(d);
            size_t distance = EntryValue(d) + ReadBits(EntryConsumed(d) - EntryCodeLength(d), BitOp::ReadBits);
            CopyMatchSlow(length, distance);
        }
    }

    template <bool kDeflate64>
    FastStop RunFast(const CodeTables& tables) {
        uint8_t* const base = window_.Data();
        FastState s{in_,           inEnd_ - kFastInput, bitBuf_, bitCount_, base + window_.pos,
                    base,          base + (outLimit_ - InflateWindow::kFastMargin),   0, 0};
        FastStop stop = DecodeFast(s, tables, kDeflate64);
        in_ = s.in;
        bitBuf_ = s.bitBuf;
        bitCount_ = s.bitCount;
        window_.pos = size_t(s.out - base);
        if (stop == FastStop::LongMatch) CopyMatchSlow(s.longLength, s.longDistance);
        return stop;
    }

    InflateWorkspaceLease workspace_;  // first: the members below point into it
    rtl::TStream* source_;
    rtl::TStream* dest_;
    TArDeflateHelper helper_;
    const bool deflate64_, testOnly_;
    int64_t streamSize_ = 0;
    size_t partialSize_ = 0;
    size_t outLimit_ = 0;  // decoding stops here: the partial size or the buffer's capacity
    int64_t sourceStart_ = 0, destStart_ = 0;
    int64_t bytesRead_ = 0;
    std::unique_ptr<TArZipDecryptor> decryptor_;
    std::unique_ptr<DecryptAheadReader> readAhead_;  // declared after the decryptor it uses

    // Input: unread bytes are [in_, inEnd_); the bit buffer holds bitCount_ bits ahead of them.
    uint8_t* const input_;
    const uint8_t* in_ = nullptr;
    const uint8_t* inEnd_ = nullptr;
    bool inPlace_ = false;                // the source's bytes are read where they lie ...
    const uint8_t* sourceEnd_ = nullptr;  // ... up to here
    bool sourceDone_ = false;
    uint64_t bitBuf_ = 0;
    unsigned bitCount_ = 0;
    unsigned overrun_ = 0;  // zero bytes added to the bit buffer past the end of the source

    InflateWindow window_;
    CodeTables& tables_;  // the tables of the current dynamic block
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
    } catch (const InflateFault& e) {
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
