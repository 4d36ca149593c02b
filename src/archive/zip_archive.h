// The archive object behind the unzipper component: the open file, its items, base directory, status
// and lock, the event hooks through which it reports to the component, and the reading of spanned sets.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "archive/items.h"
#include "archive/span_stream.h"
#include "archive/types.h"
#include "archive/zip_records.h"

namespace archive {

namespace detail {
class TArItemPrefetcher;
class TArItemPool;
}

// Re-entrant lock of one archive; Unlock without a matching Lock does nothing.
class TArPadLock {
public:
    void Lock();
    void Unlock();
    bool Locked() const { return count_ > 0; }

private:
    std::recursive_mutex mutex_;
    int count_ = 0;
};

class TArArchive {
public:
    static constexpr uint32_t kOpenMode = 0x40;  // read, others may read and write

    // Opens the file through a TArSpanStream (removable media when the path's drive is removable).
    // Status is asIdle afterwards; the base directory is the running program's directory.
    TArArchive(const std::string& fileName, uint32_t mode);
    virtual ~TArArchive();

    // Reads the directory (locked, asBusy); the loaded hook runs afterwards whatever happened.
    void Load();
    int GetItemCount() const { return ItemList.Count(); }
    TArArchiveItem* GetItem(int index) const { return ItemList.Get(index); }
    // Raises EArNoArchive when the archive is asInvalid.
    void CheckValid() const;
    // A trailing '\' is dropped except after a drive ("C:\"); a non-empty value that is no existing
    // directory raises EArNoSuchDirectory and is not stored.
    void SetBaseDirectory(const std::string& value);
    const std::string& BaseDirectory() const { return baseDirectory_; }
    void Lock();
    void Unlock();
    // True while the archive's lock is held (between Lock and the matching Unlock).
    bool Locked() const { return lock_.Locked(); }

    // Extracts the items matching mask and not matching exclusionMask, in directory order. Failures of
    // single items go to the item-failure hook; archive progress Abort raises EArUserAbort.
    void ExtractFilesEx(const std::string& mask, const std::string& exclusionMask);
    // One item; an empty new name means the item's own name.
    void ExtractAt(int index, const std::string& newName);
    // Decodes the matching items without writing anything; failures go to the item-failure hook.
    void TestFilesEx(const std::string& mask);

    // Item progress from the deflate decoder; raises EArAbortProgress when the hook asks to abort.
    void DoInflateProgress(int percent);
    // Reports through the hooks; each returns the Abort flag.
    bool DoArchiveProgress(uint8_t progress);
    bool DoArchiveItemProgress(TArArchiveItem* item, uint8_t progress);
    void DoProcessItemFailure(TArArchiveItem* item, TArProcessType type, TArErrorClass errorClass, int code);
    bool HasItemFailureHook() const { return static_cast<bool>(OnProcessItemFailure); }
    // Asks the need-password hook; returns what it supplied ("" for nothing).
    std::string RequestPassword();

    std::string ArchiveName;
    std::unique_ptr<TArSpanStream> FStream;
    TArArchiveList ItemList;
    TArArchiveStatus Status = TArArchiveStatus::asInvalid;
    TArArchiveItem* CurrentItem = nullptr;
    int CurrentIndex = -1;
    // Reads small encrypted items ahead during ExtractFilesEx and TestFilesEx; null otherwise.
    std::unique_ptr<detail::TArItemPrefetcher> Prefetcher;
    // Items of the last ExtractFilesEx or TestFilesEx whose data came from the prefetcher.
    int PrefetchedItems = 0;
    // Whether ExtractFilesEx and TestFilesEx may hand items to worker threads. The component allows it
    // when none of the caller's handlers could refuse an item, answer an overwrite question or supply a
    // password; spanned sets never go to workers.
    bool ParallelAllowed = false;
    // Items of the last ExtractFilesEx or TestFilesEx that workers decoded, and the workers that ran.
    int ParallelItems = 0;
    int ParallelWorkers = 0;
    // Whether an existing output file is asked about through OnConfirmOverwrite. The component clears it
    // when the caller has no handler, whose answer would always be yes; the existence test is then saved.
    bool OverwriteNeedsQuestion = true;
    // The output folder of the item extracted last in this run, known to exist: the items of one folder
    // usually follow each other, and their folder is looked at once. Emptied when a run starts.
    std::string KnownDirectory;
    std::string Password;
    uint8_t PasswordRetries = 3;
    TArExtractOptions ExtractOptions = eoCreateDirs;
    bool Spanned = false;
    uint16_t CurrentDisk = 65535;  // none yet
    TArZipDirectoryFileFooter Footer;
    // Copied from the component; extraction does not use them.
    int64_t SpanningThreshold = 0;
    std::string TempDirectory, LogFile;
    bool Logging = false;
    void* Sender = nullptr;  // what events report as their sender

    // Hooks the component installs.
    TArArchiveProgressEvent OnArchiveProgress;
    TArArchiveItemProgressEvent OnArchiveItemProgress;
    TArArchiveItemConfirmEvent OnConfirmProcessItem;
    TArArchiveEvent OnLoad;
    TArArchiveItemFailureEvent OnProcessItemFailure;
    TArConfirmOverwriteEvent OnConfirmOverwrite;
    TArNeedPasswordEvent OnNeedPassword;
    TArRequestImageEvent OnRequestImage;
    TArRequestDiskEvent OnRequestLastDisk;
    TArRequestNthDiskEvent OnRequestNthDisk;
    std::function<void(TArArchive&, TArArchiveItem&, const std::string&)> ExtractProc;
    std::function<void(TArArchive&, TArArchiveItem&, rtl::TStream*)> ExtractToStreamProc;
    std::function<void(TArArchive&, TArArchiveItem&)> TestProc;

protected:
    virtual void LoadArchive() = 0;
    virtual void ExtractItemAt(int index, const std::string& newName) = 0;
    virtual void TestItemAt(int index) = 0;

private:
    void ProcessItem(int index, const std::function<void()>& work);
    // Starts the prefetcher for the encrypted small items that masks select, when it can help.
    void StartPrefetch(const std::string& mask, const std::string& exclusionMask);
    // Starts the worker pool for the items masks select, when allowed and worth it (else leaves it null).
    void StartPool(const std::string& mask, const std::string& exclusionMask, bool extracting);
    // Runs one item of the run: through its pool job when it has one, else in line.
    void RunItem(int index, bool extracting);
    // The caller's side of a pool job (inside ProcessItem): replays its progress, reports its CRC
    // failure, or does the item in line when the worker left it or the caller's handler aborted.
    void CommitPooled(int index, int job, bool extracting);
    void ProcessInLine(int index, bool extracting);

    std::string baseDirectory_;
    TArPadLock lock_;
    std::unique_ptr<detail::TArItemPool> pool_;
    // Item-progress reports the caller has already seen from a worker: an item redone in line passes them
    // over, and after an Abort the last one returns that Abort again.
    int progressSeen_ = 0;
    bool abortAtLastSeen_ = false;
    // Redoes a pooled item in line after seen reports of its worker.
    void RedoInLine(int index, bool extracting, int seen, bool abortAtLastSeen);
};

class TArZipArchive : public TArArchive {
public:
    TArZipArchive(const std::string& fileName, uint32_t mode);

    // Makes volume number current (-1: the last one), asking for disks or image names as the media
    // requires. Raises EArUserAbort when a request is refused and EArFileNotFound when a volume is
    // missing.
    void RequestVolume(int number);
    // Marks the archive a spanned set: from now on the stream moves through its volumes.
    void MarkSpanned();

protected:
    void LoadArchive() override;
    void ExtractItemAt(int index, const std::string& newName) override;
    void TestItemAt(int index) override;

private:
    bool AskNthDisk(int diskNumber);
    bool AskLastDisk();
    std::string NextVolumeName(int spanNumber);

    bool volumesByGeneratedNames_ = false;
};

}  // namespace archive
