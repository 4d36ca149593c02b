#include "archive/extract.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/item_prefetch.h"
#include "archive/legacy.h"
#include "archive/progress.h"
#include "archive/zip_crypto.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace archive {

namespace {

constexpr int64_t kStoredChunk = 1024;

// "." and "..", also in the forms Windows reduces to them: it drops trailing dots and blanks from names,
// so ".. " and "..." are no ordinary names either.
bool IsUnsafeComponent(const std::string& part) {
    return !part.empty() && part.find('.') != std::string::npos && part.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

bool ArIsSafeRelativeName(const std::string& name) {
    if (name.empty()) return true;
    if (name[0] == '\\' || name.find(':') != std::string::npos || name.find('\0') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && name[end] != '\\') {
            if (rtl::IsLeadByte(static_cast<uint8_t>(name[end])) && end + 1 < name.size()) ++end;
            ++end;
        }
        if (IsUnsafeComponent(name.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

namespace {


os::LocalDateTime FromDos(uint16_t date, uint16_t time) {
    return {(date >> 9) + 1980, (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2};
}

bool IsValidDosDate(uint16_t date, uint16_t time) {
    int month = (date >> 5) & 15, day = date & 31;
    return month >= 1 && month <= 12 && day >= 1 && (time >> 11) < 24 && ((time >> 5) & 63) < 60 && (time & 31) < 30;
}

// The archive's password, asking the need-password hook once when there is none.
std::string PasswordForItem(TArArchive& archive) {
    if (archive.Password.empty()) {
        std::string supplied = archive.RequestPassword();
        if (!supplied.empty()) archive.Password = supplied;
    }
    if (archive.Password.empty()) throw EArZipInvalidPassword();
    return archive.Password;
}

// Reads and checks the encryption header of a stored item, asking for new passwords on a mismatch:
// PasswordRetries requests at most. Leaves the decryptor ready for the data.
void CheckStoredPassword(TArArchive& archive, rtl::TStream& stream, TArZipDecryptor& decryptor, uint32_t checkValue) {
    std::string password = PasswordForItem(archive);
    for (int requests = 0;; ++requests) {
        uint8_t header[TArZipDecryptor::kHeaderSize];
        if (stream.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) throw EArReadError();
        decryptor.Reset(password);
        if (decryptor.CheckHeader(header, checkValue)) return;
        stream.Seek(-static_cast<int64_t>(sizeof header), os::SeekOrigin::Current);
        if (requests == archive.PasswordRetries) throw EArZipInvalidPassword();
        password = archive.RequestPassword();
        if (password.empty()) throw EArUserAbort();
        archive.Password = password;
    }
}

uint32_t CopyStored(TArArchive& archive, TArArchiveItem& item, rtl::TStream& in, rtl::TStream* out,
                    TArZipDecryptor* decryptor) {
    const int64_t total = item.GetUncompressedSize();
    uint8_t buffer[kStoredChunk];
    uint32_t crc = 0xFFFFFFFF;
    int64_t copied = 0;
    int64_t lastPercent = 0;
    bool abort = false;
    while (!abort) {
        int64_t chunk = std::min<int64_t>(kStoredChunk, total - copied);
        if (chunk <= 0) break;
        int64_t n = in.Read(buffer, chunk);
        if (n <= 0) break;
        if (decryptor) decryptor->Decrypt(buffer, static_cast<size_t>(n));
        crc = ArUpdateCRCBuffer(crc, buffer, static_cast<size_t>(n));
        if (out) out->WriteBuffer(buffer, n);
        copied += n;
        int64_t percent = RoundedPercent(copied, total);
        if (percent != lastPercent) {
            lastPercent = percent;
            abort = archive.DoArchiveItemProgress(&item, static_cast<uint8_t>(percent));
        }
    }
    if (lastPercent < 100) abort = archive.DoArchiveItemProgress(&item, 100) || abort;
    if (abort) throw EArUserAbort();
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

uint32_t DecodeDeflated(TArArchive& archive, TArZipItem& item, rtl::TStream& in, rtl::TStream* out, uint8_t method,
                        uint32_t checkValue) {
    TArDeflateHelper helper;
    helper.Options = method == 9 ? kInflateDeflate64 : 0;
    TArBitBucketStream bitBucket;
    if (!out) helper.Options |= kInflateTestOnly;
    helper.StreamSize = item.GetCompressedSize();
    helper.OnProgressStep = [&archive](int percent) { archive.DoInflateProgress(percent); };
    if (item.GetIsEncrypted()) {
        helper.Passphrase = PasswordForItem(archive);
        helper.CheckValue = checkValue;
        // Decrypting ahead on a second thread pays off for larger items; a spanned set may have to ask
        // for a volume while reading, which only the user-interface thread may do.
        helper.ReadAheadThread = !archive.Spanned && item.GetCompressedSize() > 16384;
    }
    const int64_t start = in.Position();
    for (int checks = 1;; ++checks) {
        try {
            if (archive.Spanned || item.GetIsEncrypted()) {
                TArItemDataStream data(in, item.GetCompressedSize());
                return Inflate(&data, out ? out : &bitBucket, helper);
            }
            return Inflate(&in, out ? out : &bitBucket, helper);
        } catch (const EArInflatePasswordError&) {
            std::string password = archive.RequestPassword();
            if (password.empty()) throw EArUserAbort();
            if (checks >= archive.PasswordRetries) throw EArZipInvalidPassword();
            archive.Password = password;
            helper.Passphrase = password;
            in.SetPosition(start);
        }
    }
}

uint32_t DecodeLegacy(TArArchive& archive, TArZipItem& item, rtl::TStream& in, rtl::TStream* out, uint8_t method,
                      uint16_t flags, uint32_t checkValue) {
    if (method < 1 || method > 6) throw EArZipInvalidMethod();
    int64_t compressedSize = item.GetCompressedSize();
    TArZipDecryptor decryptor("");
    bool encrypted = item.GetIsEncrypted();
    if (encrypted) {
        // Up to PasswordRetries checks with the archive's password, even an empty one.
        const int64_t start = in.Position();
        for (int checks = 1;; ++checks) {
            uint8_t header[TArZipDecryptor::kHeaderSize];
            if (in.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) throw EArReadError();
            decryptor.Reset(archive.Password);
            if (decryptor.CheckHeader(header, checkValue)) break;
            if (!archive.OnNeedPassword || checks >= archive.PasswordRetries) throw EArZipInvalidPassword();
            std::string supplied = archive.RequestPassword();
            if (!supplied.empty()) archive.Password = supplied;
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
    params.Progress = [&archive, &item](uint8_t percent) { return archive.DoArchiveItemProgress(&item, percent); };
    TArUnzipHelper helper(params);
    return helper.Execute();
}

// Decodes an encrypted item whose data the prefetcher already decrypted; false when it has none for it.
bool DecodePrefetched(TArArchive& archive, TArZipItem& item, rtl::TStream* out, uint8_t method, uint32_t& crc) {
    std::vector<uint8_t> data;
    if (!archive.Prefetcher || !item.GetIsEncrypted() || !archive.Prefetcher->Take(archive.CurrentIndex, archive.Password, data))
        return false;
    ++archive.PrefetchedItems;
    rtl::TMemoryStream source(std::move(data));
    TArDeflateHelper helper;
    helper.Options = method == 9 ? kInflateDeflate64 : 0;
    TArBitBucketStream bitBucket;
    if (!out) helper.Options |= kInflateTestOnly;
    helper.StreamSize = item.GetCompressedSize() - TArZipDecryptor::kHeaderSize;
    helper.OnProgressStep = [&archive](int percent) { archive.DoInflateProgress(percent); };
    crc = Inflate(&source, out ? out : &bitBucket, helper);
    return true;
}

// Decodes item into out (null: test only) and checks its CRC.
void DecodeItem(TArArchive& archive, TArArchiveItem& baseItem, rtl::TStream* out) {
    auto& item = static_cast<TArZipItem&>(baseItem);
    // Deflate64 items need 2.1; anything newer is refused.
    if ((item.Header.VersionNeededToExtract & 0xFF) > 21) throw EArZipVersion();

    auto& zip = static_cast<TArZipArchive&>(archive);
    if (archive.Spanned && archive.CurrentDisk != item.Header.DiskNumberStart) zip.RequestVolume(item.Header.DiskNumberStart);

    rtl::TStream& in = *archive.FStream;
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
        if (encrypted) CheckStoredPassword(archive, in, decryptor, checkValue);
        crc = CopyStored(archive, item, in, out, encrypted ? &decryptor : nullptr);
    } else if (method == 8 || method == 9) {
        if (!DecodePrefetched(archive, item, out, method, crc)) crc = DecodeDeflated(archive, item, in, out, method, checkValue);
    } else {
        crc = DecodeLegacy(archive, item, in, out, method, local.GeneralPurposeBitFlag, checkValue);
    }

    if (crc != checkValue && crc != item.GetCRC32()) {
        if (!archive.HasItemFailureHook()) throw EArZipBadCRC();
        archive.DoProcessItemFailure(&item, TArProcessType::ptExtract, TArErrorClass::ecArchive, kArZipBadCRC);
    }
}

}  // namespace

bool ArDirectoryExists(const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) return false;
    uint32_t attributes = os::files().getFileAttributes(path);
    return attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory);
}

void ArCreateDirectory(const std::string& path) {
    if (ArDirectoryExists(path)) return;
    // The prefixes ending at a separator, then the whole path; drive roots and the server and share of a
    // network path are never created.
    size_t skipUntil = path.rfind("\\\\", 0) == 0 ? rtl::ExtractFileDrive(path).size() : 0;
    std::vector<std::string> levels;
    for (size_t i = 0; i < path.size(); ++i) {
        if (rtl::IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] != '\\' || i == 0 || i <= skipUntil || path[i - 1] == ':') continue;
        levels.push_back(path.substr(0, i));
    }
    levels.push_back(path);
    // Find the deepest level that exists (usually the parent), then create the ones below it.
    size_t first = levels.size() - 1;
    while (first > 0 && !ArDirectoryExists(levels[first - 1])) --first;
    for (size_t i = first; i < levels.size(); ++i) {
        if (!os::files().createDirectory(levels[i]) && !ArDirectoryExists(levels[i]))
            throw rtl::EInOutError("Cannot create directory " + levels[i], static_cast<int>(os::files().lastError()));
    }
}

bool ArConfirmPath(const std::string& baseDirectory, std::string& name, TArExtractOptions options,
                   const TArConfirmOverwriteEvent& confirmOverwrite) {
    std::string stored = rtl::SlashesToBackslashes(name);
    // The base directory may end in a double-byte character whose trail byte is '\'.
    std::string result = rtl::IncludeTrailingBackslash(baseDirectory);
    std::string relative = (options & eoRestorePath) ? stored : rtl::ExtractFileName(stored);
    // A NUL anywhere in the stored name refuses the item, also when only its file part is used: the
    // name the caller sees is the whole stored one.
    if (stored.find('\0') != std::string::npos || !ArIsSafeRelativeName(relative)) throw EArUnsafeName();
    result += relative;

    std::string directory = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(result));
    if (!directory.empty() && !ArDirectoryExists(directory)) {
        if (options & eoCreateDirs) ArCreateDirectory(directory);
        else throw EArNoSuchDirectory();
    }
    bool confirm = true;
    if (os::FileExists(result) && confirmOverwrite) confirmOverwrite(result, confirm);
    if (!confirm) return false;
    name = result;
    return true;
}

void ArUnzipToStream(TArArchive& archive, TArArchiveItem& item, rtl::TStream* stream) {
    if (!stream) throw EArBadStream();
    DecodeItem(archive, item, stream);
}

void ArTestItem(TArArchive& archive, TArArchiveItem& item) { DecodeItem(archive, item, nullptr); }

void ArUnzip(TArArchive& archive, TArArchiveItem& item, const std::string& name) {
    std::string outputName = name;
    if (!ArConfirmPath(archive.BaseDirectory(), outputName, archive.ExtractOptions, archive.OnConfirmOverwrite)) return;
    auto file = std::make_unique<rtl::TFileStream>(outputName, rtl::fmCreate);
    try {
        ArUnzipToStream(archive, item, file.get());
        uint16_t date = item.GetLastModFileDate(), time = item.GetLastModFileTime();
        if (IsValidDosDate(date, time)) file->Handle().setLastWriteTime(FromDos(date, time));
        os::files().setFileAttributes(outputName, item.GetExternalFileAttributes());
        file.reset();
    } catch (...) {
        try {
            throw;
        } catch (const EArUserAbort&) {
            archive.Status = TArArchiveStatus::asInvalid;
        } catch (...) {
        }
        file.reset();
        if (os::PathExists(outputName)) os::files().deleteFile(outputName);
        throw;
    }
}

}  // namespace archive
