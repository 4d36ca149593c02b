#include "archive/item_decode.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/crc32.h"
#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/inflate.h"
#include "archive/item_prefetch.h"
#include "archive/legacy.h"
#include "archive/progress.h"
#include "archive/zip_crypto.h"
#include "archive/zip_records.h"

namespace archive::detail {

namespace {

constexpr int64_t kStoredChunk = 1024;
constexpr size_t kStoredWrite = 32768;

// The host's password, asking the need-password hook once when there is none.
std::string PasswordForItem(TArItemHost& host) {
    if (host.CurrentPassword().empty()) {
        std::string supplied = host.RequestPassword();
        if (!supplied.empty()) host.AcceptPassword(supplied);
    }
    if (host.CurrentPassword().empty()) throw EArZipInvalidPassword();
    return host.CurrentPassword();
}

// Reads and checks the encryption header of a stored item, asking for new passwords on a mismatch:
// PasswordRetries requests at most. Leaves the decryptor ready for the data.
void CheckStoredPassword(TArItemHost& host, rtl::TStream& stream, TArZipDecryptor& decryptor, uint32_t checkValue) {
    std::string password = PasswordForItem(host);
    for (int requests = 0;; ++requests) {
        uint8_t header[TArZipDecryptor::kHeaderSize];
        if (stream.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) throw EArReadError();
        decryptor.Reset(password);
        if (decryptor.CheckHeader(header, checkValue)) return;
        stream.Seek(-static_cast<int64_t>(sizeof header), os::SeekOrigin::Current);
        if (requests == host.PasswordRetries()) throw EArZipInvalidPassword();
        password = host.RequestPassword();
        if (password.empty()) throw EArUserAbort();
        host.AcceptPassword(password);
    }
}

uint32_t CopyStored(TArItemHost& host, TArArchiveItem& item, rtl::TStream& in, rtl::TStream* out,
                    TArZipDecryptor* decryptor) {
    const int64_t total = item.GetUncompressedSize();
    // Chunks are read, checked and reported 1 KB at a time, but written 32 KB at a time: one call to the
    // machine per 32 KB. Whatever ends a copy early deletes the file, so holding back the last chunks
    // changes nothing the caller sees.
    std::unique_ptr<uint8_t[]> pending(new uint8_t[kStoredWrite]);
    size_t held = 0;
    uint32_t crc = 0xFFFFFFFF;
    int64_t copied = 0;
    int64_t lastPercent = 0;
    bool abort = false;
    while (!abort) {
        int64_t chunk = std::min<int64_t>(kStoredChunk, total - copied);
        if (chunk <= 0) break;
        if (held + kStoredChunk > kStoredWrite) {
            if (out) out->WriteBuffer(pending.get(), static_cast<int64_t>(held));
            held = 0;
        }
        uint8_t* buffer = pending.get() + held;
        int64_t n = in.Read(buffer, chunk);
        if (n <= 0) break;
        if (decryptor) decryptor->Decrypt(buffer, static_cast<size_t>(n));
        crc = ArUpdateCRCBuffer(crc, buffer, static_cast<size_t>(n));
        held += static_cast<size_t>(n);
        copied += n;
        int64_t percent = RoundedPercent(copied, total);
        if (percent != lastPercent) {
            lastPercent = percent;
            abort = host.ItemProgress(item, static_cast<uint8_t>(percent));
        }
    }
    if (lastPercent < 100) abort = host.ItemProgress(item, 100) || abort;
    if (abort) throw EArUserAbort();
    if (out && held > 0) out->WriteBuffer(pending.get(), static_cast<int64_t>(held));
    return ~crc;
}

// The item's compressed bytes, for spanned sets and encrypted items. The deflate decoder reads ahead in
// large blocks: on a spanned stream that read-ahead would run on into the next volume (asking for it, or
// for the next disk) and the give-back seek would then land before the start of that volume; for an
// encrypted item it would decrypt bytes of the items that follow, which for small items costs more than
// the item itself. Reads stop at the item's end, and a backward seek stops at the start of the current
// volume.
class TArItemDataStream : public rtl::TStream {
public:
    TArItemDataStream(rtl::TStream& source, int64_t size) : source_(source), size_(size) {}
    int64_t Read(void* buffer, int64_t count) override {
        int64_t n = source_.Read(buffer, std::max<int64_t>(0, std::min(count, size_ - position_)));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { throw EArBadStream(); }
    // Positions count from the start of the item's data; moves are made relative to the source's
    // position, which also works when the data crossed into another volume.
    int64_t Seek(int64_t offset, os::SeekOrigin origin) override {
        if (origin == os::SeekOrigin::End) throw EArBadStream();
        int64_t target = origin == os::SeekOrigin::Begin ? offset : position_ + offset;
        target = std::max<int64_t>(target, 0);
        if (target != position_) source_.Seek(target - position_, os::SeekOrigin::Current);
        position_ = target;
        return position_;
    }
    int64_t GetSize() override { return size_; }

private:
    rtl::TStream& source_;
    int64_t size_;
    int64_t position_ = 0;
};

uint32_t DecodeDeflated(TArItemHost& host, TArArchiveItem& item, rtl::TStream& in, rtl::TStream* out, uint8_t method,
                        uint32_t checkValue) {
    TArDeflateHelper helper;
    helper.Options = method == 9 ? uint32_t(kInflateDeflate64) : 0u;
    TArBitBucketStream bitBucket;
    if (!out) helper.Options |= kInflateTestOnly;
    helper.StreamSize = item.GetCompressedSize();
    // The decoder counts what it read of the source, which for a damaged item can run past the item's end.
    helper.OnProgressStep = [&host](int percent) { host.InflateProgress(std::min(percent, 100)); };
    if (item.GetIsEncrypted()) {
        helper.Passphrase = PasswordForItem(host);
        helper.CheckValue = checkValue;
        // Decrypting ahead on a second thread pays off for larger items; a spanned set may have to ask
        // for a volume while reading, which only the user-interface thread may do.
        helper.ReadAheadThread = host.MayDecryptAhead() && item.GetCompressedSize() > 16384;
        if (TArLanePartners* partners = host.LanePartners())
            helper.DecryptBlock = [partners](TArZipDecryptor& decryptor, uint8_t* block, size_t length) {
                partners->DecryptWith(decryptor, block, length);
            };
    }
    const int64_t start = in.Position();
    for (int checks = 1;; ++checks) {
        try {
            if (host.Spanned() || item.GetIsEncrypted()) {
                TArItemDataStream data(in, item.GetCompressedSize());
                return Inflate(&data, out ? out : &bitBucket, helper);
            }
            return Inflate(&in, out ? out : &bitBucket, helper);
        } catch (const EArInflatePasswordError&) {
            std::string password = host.RequestPassword();
            if (password.empty()) throw EArUserAbort();
            if (checks >= host.PasswordRetries()) throw EArZipInvalidPassword();
            host.AcceptPassword(password);
            helper.Passphrase = password;
            in.SetPosition(start);
        }
    }
}

uint32_t DecodeLegacy(TArItemHost& host, TArZipItem& item, rtl::TStream& in, rtl::TStream* out, uint8_t method,
                      uint16_t flags, uint32_t checkValue) {
    if (method < 1 || method > 6) throw EArZipInvalidMethod();
    int64_t compressedSize = item.GetCompressedSize();
    TArZipDecryptor decryptor("");
    bool encrypted = item.GetIsEncrypted();
    if (encrypted) {
        // Up to PasswordRetries checks with the current password, even an empty one.
        const int64_t start = in.Position();
        for (int checks = 1;; ++checks) {
            uint8_t header[TArZipDecryptor::kHeaderSize];
            if (in.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) throw EArReadError();
            decryptor.Reset(host.CurrentPassword());
            if (decryptor.CheckHeader(header, checkValue)) break;
            if (!host.HasNeedPasswordHandler() || checks >= host.PasswordRetries()) throw EArZipInvalidPassword();
            std::string supplied = host.RequestPassword();
            if (!supplied.empty()) host.AcceptPassword(supplied);
            in.SetPosition(start);
        }
        compressedSize -= TArZipDecryptor::kHeaderSize;
    }
    TArUnzipHelperParams params;
    params.Source = &in;
    params.Dest = out;
    params.Decryptor = encrypted ? &decryptor : nullptr;
    params.CompressedSize = std::max<int64_t>(0, compressedSize);
    params.UncompressedSize = item.GetUncompressedSize();
    params.Method = method;
    params.GeneralPurposeBitFlag = flags;
    params.Progress = [&host, &item](uint8_t percent) { return host.ItemProgress(item, percent); };
    TArUnzipHelper helper(params);
    return helper.Execute();
}

// Decodes an encrypted item whose data was already decrypted ahead; false when there is none for it.
bool DecodePrefetched(TArItemHost& host, TArArchiveItem& item, rtl::TStream* out, uint8_t method, uint32_t& crc) {
    std::vector<uint8_t> data;
    if (!item.GetIsEncrypted() || !host.TakePrefetched(item, data)) return false;
    rtl::TMemoryStream source(std::move(data));
    TArDeflateHelper helper;
    helper.Options = method == 9 ? uint32_t(kInflateDeflate64) : 0u;
    TArBitBucketStream bitBucket;
    if (!out) helper.Options |= kInflateTestOnly;
    helper.StreamSize = item.GetCompressedSize() - TArZipDecryptor::kHeaderSize;
    helper.OnProgressStep = [&host](int percent) { host.InflateProgress(percent); };
    helper.ReadSourceInPlace = true;  // the decrypted bytes are this function's alone
    crc = Inflate(&source, out ? out : &bitBucket, helper);
    return true;
}

}  // namespace

void DecodeItem(TArItemHost& host, TArArchiveItem& baseItem, rtl::TStream* out) {
    auto& item = static_cast<TArZipItem&>(baseItem);
    // Deflate64 items need 2.1; anything newer is refused.
    if ((item.Header.VersionNeededToExtract & 0xFF) > 21) throw EArZipVersion();
    if (host.Spanned()) host.EnterVolume(item.Header.DiskNumberStart);

    rtl::TStream& in = host.Source();
    in.SetPosition(item.Header.RelativeOffset);
    TArZipLocalFileHeader local;
    local.LoadFromStream(in);

    const uint32_t checkValue = (local.GeneralPurposeBitFlag & 8) ? static_cast<uint32_t>(local.LastModFileTime) << 16
                                                                  : item.GetCRC32();
    const uint8_t method = static_cast<uint8_t>(local.CompressionMethod & 0xFF);
    uint32_t crc;
    if (method == 0) {
        TArZipDecryptor decryptor("");
        bool encrypted = item.GetIsEncrypted();
        if (encrypted) CheckStoredPassword(host, in, decryptor, checkValue);
        crc = CopyStored(host, item, in, out, encrypted ? &decryptor : nullptr);
    } else if (method == 8 || method == 9) {
        if (!DecodePrefetched(host, item, out, method, crc)) crc = DecodeDeflated(host, item, in, out, method, checkValue);
    } else {
        crc = DecodeLegacy(host, item, in, out, method, local.GeneralPurposeBitFlag, checkValue);
    }

    if (crc != checkValue && crc != item.GetCRC32()) host.BadCrc(item);
}

}  // namespace archive::detail
