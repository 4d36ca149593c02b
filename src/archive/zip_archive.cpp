#include "archive/zip_archive.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <system_error>

#include "archive/hooks.h"
#include "archive/inflate.h"
#include "archive/extract.h"
#include "archive/item_pool.h"
#include "archive/item_prefetch.h"
#include "archive/progress.h"
#include "archive/zip_crypto.h"
#include "archive/zip_directory.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace archive {

void TArPadLock::Lock() {
    mutex_.lock();
    ++count_;
}

void TArPadLock::Unlock() {
    if (count_ == 0) return;
    --count_;
    mutex_.unlock();
}

TArArchive::TArArchive(const std::string& fileName, uint32_t mode) : ArchiveName(fileName) {
    Status = TArArchiveStatus::asInvalid;
    TArMediaType media = ArDriveIsRemovable(fileName) ? TArMediaType::mtRemoveable : TArMediaType::mtLocal;
    FStream = std::make_unique<TArSpanStream>(fileName, mode, media);
    baseDirectory_ = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(os::files().moduleFileName()));
    if (baseDirectory_.size() == 2 && baseDirectory_[1] == ':') baseDirectory_ += '\\';
    Status = TArArchiveStatus::asIdle;
}

TArArchive::~TArArchive() = default;

void TArArchive::StartPrefetch(const std::string& mask, const std::string& exclusionMask) {
    Prefetcher.reset();
    PrefetchedItems = 0;
    // Spanned sets may have to ask for volumes while reading; without a password there is nothing to do.
    if (Spanned || Password.empty()) return;
    std::vector<detail::TArItemPrefetcher::Job> jobs;
    for (int i = 0; i < GetItemCount(); ++i) {
        auto* item = static_cast<TArZipItem*>(GetItem(i));
        uint8_t method = item->CompressionMethod();
        uint32_t size = item->GetCompressedSize();
        if (!item->GetIsEncrypted() || (method != 8 && method != 9) || size <= TArZipDecryptor::kHeaderSize ||
            size > detail::kArLargestPrefetch)
            continue;
        if (!item->MatchesStoredNameEx(mask) || item->MatchesStoredNameEx(exclusionMask)) continue;
        jobs.push_back({i, item->Header.RelativeOffset, size, item->GetCRC32()});
    }
    if (jobs.size() < 2) return;
    try {
        auto source = std::make_unique<rtl::TFileStream>(ArchiveName, os::kOpenRead | os::kShareDenyNone);
        // With one processor a reading thread would only take turns with this one.
        Prefetcher = std::make_unique<detail::TArItemPrefetcher>(std::move(source), Password, std::move(jobs),
                                                                 ArProcessorCount() >= 2);
    } catch (const rtl::Exception&) {
        // Without a second handle each item is read as it comes.
    } catch (const std::system_error&) {
        // Nor without a thread to read them.
    } catch (const std::bad_alloc&) {
    }
}

namespace {

// Unlocks the archive when the scope ends, however it ends: a handler of the caller's may raise.
class TArUnlockAtExit {
public:
    explicit TArUnlockAtExit(TArArchive& archive) : archive_(archive) {}
    ~TArUnlockAtExit() { archive_.Unlock(); }
    TArUnlockAtExit(const TArUnlockAtExit&) = delete;
    TArUnlockAtExit& operator=(const TArUnlockAtExit&) = delete;

private:
    TArArchive& archive_;
};

}  // namespace

void TArArchive::Load() {
    Lock();
    TArUnlockAtExit unlock(*this);
    try {
        LoadArchive();
        if (Status == TArArchiveStatus::asBusy) Status = TArArchiveStatus::asIdle;
    } catch (...) {
        if (OnLoad) OnLoad(Sender);
        throw;
    }
    if (OnLoad) OnLoad(Sender);
}

void TArArchive::CheckValid() const {
    if (Status == TArArchiveStatus::asInvalid) throw EArNoArchive();
}

void TArArchive::SetBaseDirectory(const std::string& value) {
    std::string result = value;
    // Only a real separator is dropped, never the trail byte of a double-byte character.
    const bool endsInSeparator = !result.empty() && rtl::LastDelimiter("\\", result) == result.size() - 1;
    if (endsInSeparator && result.size() > 1 && result[result.size() - 2] != ':') result.pop_back();
    if (!result.empty()) {
        uint32_t attributes = os::files().getFileAttributes(result);
        if (attributes == os::kInvalidAttributes || !(attributes & os::kAttrDirectory)) throw EArNoSuchDirectory();
    }
    baseDirectory_ = result;
}

void TArArchive::Lock() {
    lock_.Lock();
    Status = TArArchiveStatus::asBusy;
}

void TArArchive::Unlock() {
    if (Status == TArArchiveStatus::asBusy) Status = TArArchiveStatus::asIdle;
    lock_.Unlock();
}

bool TArArchive::DoArchiveProgress(uint8_t progress) {
    bool abort = false;
    if (OnArchiveProgress) OnArchiveProgress(Sender, progress, abort);
    return abort;
}

bool TArArchive::DoArchiveItemProgress(TArArchiveItem* item, uint8_t progress) {
    if (progressSeen_ > 0) return --progressSeen_ == 0 && abortAtLastSeen_;
    bool abort = false;
    if (OnArchiveItemProgress) OnArchiveItemProgress(Sender, item, progress, abort);
    return abort;
}

void TArArchive::DoInflateProgress(int percent) {
    if (DoArchiveItemProgress(CurrentItem, static_cast<uint8_t>(percent))) throw EArAbortProgress("Process aborted by user");
}

void TArArchive::DoProcessItemFailure(TArArchiveItem* item, TArProcessType type, TArErrorClass errorClass, int code) {
    if (OnProcessItemFailure) OnProcessItemFailure(Sender, item, type, errorClass, code);
}

std::string TArArchive::RequestPassword() {
    std::string password;
    if (OnNeedPassword) OnNeedPassword(Sender, password);
    return password;
}

void TArArchive::ExtractFilesEx(const std::string& mask, const std::string& exclusionMask) {
    // The base directory may have gone since it was set. It is already in the ANSI code page, as every
    // path the caller gives: only stored names come in the OEM one (GetFileName converts them).
    SetBaseDirectory(baseDirectory_);
    CheckValid();
    KnownDirectory.clear();
    const int count = GetItemCount();
    if (count == 0) return;
    // Whatever leaves the run, the helpers stop first, and the pool undoes what the caller never saw.
    struct StopHelpers {
        TArArchive& archive;
        ~StopHelpers() {
            archive.pool_.reset();
            archive.Prefetcher.reset();
            archive.KnownDirectory.clear();
        }
    } stopHelpers{*this};
    StartPool(mask, exclusionMask, true);
    if (!pool_) StartPrefetch(mask, exclusionMask);
    for (int i = 0; i < count; ++i) {
        TArArchiveItem* item = GetItem(i);
        if (item->MatchesStoredNameEx(mask) && !item->MatchesStoredNameEx(exclusionMask)) RunItem(i, true);
        if (DoArchiveProgress(static_cast<uint8_t>(ArPercentage(i + 1, GetItemCount())))) throw EArUserAbort();
    }
    DoArchiveProgress(100);
}

void TArArchive::StartPool(const std::string& mask, const std::string& exclusionMask, bool extracting) {
    pool_.reset();
    ParallelItems = 0;
    ParallelWorkers = 0;
    const int workers = ArWorkerCount();
    if (!ParallelAllowed || Spanned || !HasItemFailureHook() || workers < 2) return;
    if (extracting ? !ExtractProc : !TestProc) return;

    // Output names of every selected item, upper-cased: a name met twice (or a file where another item
    // needs a folder) depends on the order of writing, so such items stay in line.
    std::vector<detail::TArItemPool::Job> jobs;
    std::vector<std::string> keys;
    std::vector<std::string> allKeys, folderKeys;
    for (int i = 0; i < GetItemCount(); ++i) {
        auto* item = static_cast<TArZipItem*>(GetItem(i));
        if (!item->MatchesStoredNameEx(mask) || (!exclusionMask.empty() && item->MatchesStoredNameEx(exclusionMask)))
            continue;
        std::string output, key;
        if (extracting) {
            try {
                output = ArOutputPath(baseDirectory_, item->GetFileName(), ExtractOptions);
            } catch (const rtl::Exception&) {
                continue;  // refused in line, with its report
            }
            key = rtl::AnsiUpperCase(output);
            allKeys.push_back(key);
            for (std::string folder = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(key));
                 !folder.empty() && folder != rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(folder));
                 folder = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(folder)))
                folderKeys.push_back(folder);
        }
        const uint8_t method = item->CompressionMethod();
        const bool decodable = method == 0 || method == 8 || method == 9;
        if (!decodable || (item->Header.VersionNeededToExtract & 0xFF) > 21 ||
            (item->GetIsEncrypted() && Password.empty()))
            continue;
        if (extracting && rtl::ExtractFileName(output).empty()) continue;
        jobs.push_back({i, item, output});
        keys.push_back(key);
    }
    if (extracting) {
        std::sort(allKeys.begin(), allKeys.end());
        std::sort(folderKeys.begin(), folderKeys.end());
        for (const std::string& key : allKeys)
            if (std::binary_search(folderKeys.begin(), folderKeys.end(), key)) return;
        std::vector<detail::TArItemPool::Job> unique;
        for (size_t j = 0; j < jobs.size(); ++j) {
            auto range = std::equal_range(allKeys.begin(), allKeys.end(), keys[j]);
            if (range.second - range.first == 1) unique.push_back(std::move(jobs[j]));
        }
        jobs = std::move(unique);
    }
    if (jobs.size() < 2) return;

    detail::TArItemPool::Settings settings;
    settings.archiveName = ArchiveName;
    settings.password = Password;
    settings.passwordRetries = PasswordRetries;
    settings.options = ExtractOptions;
    settings.workers = workers;
    try {
        pool_ = std::make_unique<detail::TArItemPool>(settings, std::move(jobs));
    } catch (const std::bad_alloc&) {
        return;
    }
    ParallelWorkers = pool_->Workers();
    if (ParallelWorkers == 0) pool_.reset();
}

void TArArchive::RunItem(int index, bool extracting) {
    const int job = pool_ ? pool_->JobOf(index) : -1;
    if (job < 0) {
        ProcessItem(index, [&] { ProcessInLine(index, extracting); });
        return;
    }
    ProcessItem(index, [&] { CommitPooled(index, job, extracting); });
}

void TArArchive::ProcessInLine(int index, bool extracting) {
    if (extracting) ExtractItemAt(index, GetItem(index)->GetFileName());
    else TestItemAt(index);
}

void TArArchive::CommitPooled(int index, int job, bool extracting) {
    TArArchiveItem* item = GetItem(index);
    int seen = 0;
    for (;;) {
        uint8_t percent = 0;
        switch (pool_->Next(job, percent)) {
            case detail::TArItemPool::Event::Progress:
                ++seen;
                if (!DoArchiveItemProgress(item, percent)) continue;
                // Abort: in line, the decoding stops right here. The worker's output goes and the item is
                // decoded again in line, passing over the reports already made up to this Abort.
                pool_->Cancel(job);
                RedoInLine(index, extracting, seen, true);
                return;
            case detail::TArItemPool::Event::InDoubt:
                // The worker may have reported progress before it met what it leaves to this thread (damaged
                // data is found after the input holding it was counted): the redo decodes the same bytes,
                // so it passes over the reports already made instead of making them twice.
                pool_->Commit(job);
                RedoInLine(index, extracting, seen, false);
                return;
            case detail::TArItemPool::Event::Done: {
                pool_->Commit(job);
                ++ParallelItems;
                if (!pool_->BadCrc(job)) return;
                // As in line, the file stays with its date and attributes unless the report raises.
                try {
                    DoProcessItemFailure(item, TArProcessType::ptExtract, TArErrorClass::ecArchive, kArZipBadCRC);
                } catch (...) {
                    if (extracting)
                        ArRemoveOutput(ArOutputPath(baseDirectory_, item->GetFileName(), ExtractOptions));
                    throw;
                }
                return;
            }
        }
    }
}

void TArArchive::RedoInLine(int index, bool extracting, int seen, bool abortAtLastSeen) {
    progressSeen_ = seen;
    abortAtLastSeen_ = abortAtLastSeen;
    try {
        ProcessInLine(index, extracting);
    } catch (...) {
        progressSeen_ = 0;
        throw;
    }
    progressSeen_ = 0;
}

void TArArchive::ProcessItem(int index, const std::function<void()>& work) {
    CheckValid();
    TArArchiveItem* item = GetItem(index);
    Lock();
    // The confirmation and failure handlers are the caller's and may raise; the archive is unlocked
    // whatever leaves this function.
    TArUnlockAtExit unlock(*this);
    bool confirm = true;
    if (OnConfirmProcessItem) OnConfirmProcessItem(Sender, item, TArProcessType::ptExtract, confirm);
    if (!confirm) return;
    CurrentItem = item;
    CurrentIndex = index;
    try {
        work();
    } catch (const rtl::Exception&) {
        TArErrorClass errorClass;
        int code;
        ArConvertException(std::current_exception(), errorClass, code);
        DoProcessItemFailure(item, TArProcessType::ptExtract, errorClass, code);
    }
}

void TArArchive::ExtractAt(int index, const std::string& newName) {
    KnownDirectory.clear();  // only the items of one run share what they found
    ProcessItem(index, [&] {
        std::string name = newName.empty() ? GetItem(index)->GetFileName() : newName;
        ExtractItemAt(index, name);
    });
}

void TArArchive::TestFilesEx(const std::string& mask) {
    CheckValid();
    const int count = GetItemCount();
    struct StopHelpers {
        TArArchive& archive;
        ~StopHelpers() {
            archive.pool_.reset();
            archive.Prefetcher.reset();
        }
    } stopHelpers{*this};
    StartPool(mask, "", false);
    if (!pool_) StartPrefetch(mask, "");
    for (int i = 0; i < count; ++i) {
        CheckValid();
        if (GetItem(i)->MatchesStoredNameEx(mask)) RunItem(i, false);
        if (DoArchiveProgress(static_cast<uint8_t>(ArPercentage(i + 1, GetItemCount())))) throw EArUserAbort();
    }
    if (count) DoArchiveProgress(100);
}

TArZipArchive::TArZipArchive(const std::string& fileName, uint32_t mode) : TArArchive(fileName, mode) {
    PasswordRetries = 3;
    CurrentDisk = 65535;
}

void TArZipArchive::ExtractItemAt(int index, const std::string& newName) {
    if (!ExtractProc) throw EArZipNoExtraction();
    ExtractProc(*this, *GetItem(index), newName);
}

void TArZipArchive::TestItemAt(int index) {
    if (!TestProc) throw EArZipNoExtraction();
    TestProc(*this, *GetItem(index));
}

void TArZipArchive::MarkSpanned() {
    Spanned = true;
    FStream->Spanning = true;
    FStream->OnMediaRequest = [this](int spanNumber) { return NextVolumeName(spanNumber); };
}

bool TArZipArchive::AskNthDisk(int diskNumber) {
    bool abort = false;
    if (OnRequestNthDisk) {
        OnRequestNthDisk(Sender, static_cast<uint8_t>(diskNumber), abort);
    } else {
        char text[96];
        std::snprintf(text, sizeof text, "Insert disk number %d of the spanned disk set", diskNumber);
        abort = ArMessageBox(text, "Insert floppy", kMbOkCancel | kMbTaskModal) == kMbCancel;
    }
    return !abort;
}

bool TArZipArchive::AskLastDisk() {
    bool abort = false;
    if (OnRequestLastDisk) OnRequestLastDisk(Sender, abort);
    else
        abort = ArMessageBox("Insert the last disk in the spanned disk set", "Insert floppy", kMbOkCancel | kMbTaskModal) ==
                kMbCancel;
    return !abort;
}

// The name of the volume after the current one, for a read that ran off the end of a volume.
std::string TArZipArchive::NextVolumeName(int spanNumber) {
    if (FStream->MediaType() == TArMediaType::mtRemoveable) {
        if (!AskNthDisk(spanNumber + 1)) throw EArUserAbort();
        // The drive holds that disk now: an item on it needs no request, one on another disk does.
        CurrentDisk = static_cast<uint16_t>(spanNumber);
        return ArchiveName;
    }
    std::string name;
    if (OnRequestImage) {
        bool abort = false;
        name = ArchiveName;
        OnRequestImage(Sender, spanNumber, name, abort);
        if (abort) throw EArUserAbort();
    } else if (volumesByGeneratedNames_) {
        name = ArIncFilename(ArchiveName, spanNumber);
    } else {
        char text[96];
        std::snprintf(text, sizeof text, "Insert span number %d of the spanned file set", spanNumber);
        if (ArMessageBox(text, "Image file name", kMbOkCancel | kMbTaskModal) == kMbCancel) throw EArUserAbort();
        name = ArIncFilename(ArchiveName, spanNumber);
    }
    if (!os::FileExists(name)) throw EArFileNotFound();
    CurrentDisk = static_cast<uint16_t>(spanNumber);
    return name;
}

void TArZipArchive::RequestVolume(int number) {
    TArSpanStream& stream = *FStream;
    if (stream.MediaType() == TArMediaType::mtRemoveable) {
        if (number >= 0 && !AskNthDisk(number + 1)) throw EArUserAbort();
        stream.OpenVolume(ArchiveName, number >= 0 ? number : stream.SpanNumber());
        if (number >= 0) CurrentDisk = static_cast<uint16_t>(number);
        if (CurrentDisk == 65535) {
            while (FindCentralDirectoryTail(stream) < 0) {
                if (!AskLastDisk()) throw EArUserAbort();
                stream.OpenVolume(ArchiveName, stream.SpanNumber());
            }
        }
        return;
    }

    if (number < 0) {
        // The last volume: only needed when the open file has no end record.
        if (FindCentralDirectoryTail(stream) >= 0) return;
        if (OnRequestImage) {
            bool abort = false;
            std::string name = ArchiveName;
            OnRequestImage(Sender, number, name, abort);
            if (abort) throw EArUserAbort();
            if (!os::FileExists(name)) throw EArFileNotFound();
            stream.OpenVolume(name, stream.SpanNumber());
            return;
        }
        for (int i = 1; i <= 99; ++i) {
            std::string name = ArIncFilename(ArchiveName, i);
            if (!os::FileExists(name)) throw EArFileNotFound();
            stream.OpenVolume(name, i);
            if (FindCentralDirectoryTail(stream) >= 0) {
                CurrentDisk = static_cast<uint16_t>(i);
                volumesByGeneratedNames_ = true;
                return;
            }
        }
        throw EArFileNotFound();
    }

    std::string name = number == 0 ? ArchiveName : ArIncFilename(ArchiveName, number);
    if (OnRequestImage) {
        bool abort = false;
        OnRequestImage(Sender, number, name, abort);
        if (abort) throw EArUserAbort();
    }
    if (!os::FileExists(name)) throw EArFileNotFound();
    stream.OpenVolume(name, number);
    CurrentDisk = static_cast<uint16_t>(number);
}

void TArZipArchive::LoadArchive() {
    TArSpanStream& stream = *FStream;
    if (stream.GetSize() == 0) return;  // an empty file is an archive without items

    stream.SetPosition(0);
    uint8_t first[4] = {};
    int64_t firstLength = stream.Read(first, 4);
    uint32_t signature = firstLength == 4 ? ReadLE32(first) : 0;
    int64_t recordPosition = -1;
    if (signature != kSpannedSetSignature && signature != kSingleSpanSignature)
        recordPosition = FindCentralDirectoryTail(stream);

    if (recordPosition < 0) {
        if (firstLength < 2 || first[0] != 'P' || first[1] != 'K') {
            Status = TArArchiveStatus::asInvalid;
            throw EArZipInvalid();
        }
        Spanned = true;
        try {
            while (recordPosition < 0) {
                RequestVolume(-1);
                recordPosition = FindCentralDirectoryTail(stream);
            }
        } catch (const EArUserAbort&) {
            return;
        }
    }

    stream.SetPosition(recordPosition);
    Footer.LoadFromStream(stream);
    CurrentDisk = Footer.DiskNumber;
    stream.SetSpanNumber(CurrentDisk);
    if (CurrentDisk != 0) Spanned = true;
    if (Spanned) {
        MarkSpanned();
        stream.LastVolume = Footer.DiskNumber;
        // The directory may start on an earlier volume than the end record.
        if (Footer.StartDiskNumber != CurrentDisk) {
            try {
                RequestVolume(Footer.StartDiskNumber);
            } catch (const EArUserAbort&) {
                return;
            }
        }
    }

    stream.SetPosition(Footer.DirectoryOffset);
    int64_t entries = 0;
    while (CurrentDisk != Footer.DiskNumber || stream.Position() < recordPosition) {
        if (Spanned && CurrentDisk < Footer.DiskNumber && stream.Position() >= stream.GetSize()) {
            try {
                RequestVolume(CurrentDisk + 1);
            } catch (const EArUserAbort&) {
                return;
            }
            stream.SetPosition(0);
            continue;
        }
        auto item = std::make_unique<TArZipItem>();
        item->Header.LoadFromStream(stream);
        if (Spanned) CurrentDisk = static_cast<uint16_t>(stream.SpanNumber());
        item->DiskFileName = rtl::SlashesToBackslashes(item->GetFileName());
        item->Action = TArArchiveAction::aaNone;
        item->Tagged = false;
        ItemList.Add(std::move(item));
        ++entries;
        if (DoArchiveProgress(ArLoadingProgress(entries, Footer.TotalEntries))) {
            Status = TArArchiveStatus::asInvalid;
            throw EArUserAbort();
        }
    }
    DoArchiveProgress(100);
}

}  // namespace archive
