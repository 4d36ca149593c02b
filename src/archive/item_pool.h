// Private to the ZIP layer: the items of one ExtractFilesEx or TestFilesEx run decrypted, decoded,
// checked and written on a few worker threads, while the caller's thread reports every event in archive
// order. The keys of the traditional encryption start afresh for every item, so items are independent.
//
// How the two sides meet:
// - Workers take jobs in archive order, at most kAheadPerWorker jobs per worker beyond the last one the
//   caller took over (Commit), so the work done ahead, and undone on an early end, stays bounded. The
//   window is wide enough that while one worker decodes a long item the others keep busy with the many
//   small ones after it.
// - A worker records each item-progress value the decoding reports; the caller's thread replays them
//   (Next) as they come, so the user interface sees the same values as in line, at the same pace.
// - A worker that meets anything out of the ordinary (a password that does not match, damaged data,
//   an existing output file, a failure to create a file, ...) removes what it wrote and reports the job
//   InDoubt: the caller's thread then extracts that item in line, with every event and failure as usual.
// - Output files of jobs that were never committed are removed when the pool ends. Jobs are only made
//   for items whose output file does not exist, so nothing the user had is lost; folders a worker
//   created only for such items are removed too (when empty).
// - A worker takes up to eight jobs at once when their items are encrypted and deflated and together
//   hold at most 2 MiB: it reads and decrypts their data together first (the keys of different items are
//   independent, so the processor works on all of them at once), then decodes them one by one. An item
//   too long to be read whole may lead such a group: the group's data is then decrypted alongside the
//   leader's blocks as the leader is decoded.
// Memory per worker: the decoder's window and tables (at most about 210 KiB, deflate64) or the 32 KiB
// write buffer of a stored copy, one byte of progress record per 16 KiB of compressed data of the items
// in flight, and the decrypted data of the group it holds: about 2.25 MiB in all.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/item_prefetch.h"
#include "archive/items.h"
#include "archive/types.h"
#include "rtl/streams.h"

namespace archive::detail {

class TArItemPool {
public:
    static constexpr int kMostWorkers = 8;
    static constexpr size_t kAheadPerWorker = 64;

    struct Job {
        int index = 0;                   // in the archive
        TArArchiveItem* item = nullptr;  // read only while the pool runs
        std::string outputName;          // full path; empty when testing
    };
    struct Settings {
        std::string archiveName;
        std::string password;
        int passwordRetries = 3;
        TArExtractOptions options = eoCreateDirs;
        int workers = 2;
    };

    // Opens a stream on the archive for each worker and starts them; workers that cannot be started
    // (no thread, no second handle) are left out. Workers() tells how many run; with none, the caller
    // extracts every item in line.
    TArItemPool(const Settings& settings, std::vector<Job> jobs);
    // Stops the workers and removes the output of every job not committed.
    ~TArItemPool();
    TArItemPool(const TArItemPool&) = delete;
    TArItemPool& operator=(const TArItemPool&) = delete;

    int Workers() const { return static_cast<int>(threads_.size()); }
    // The job of item index, or -1 when the item is not the pool's.
    int JobOf(int index) const;

    enum class Event { Progress, Done, InDoubt };
    // Waits for the next thing job has to tell: a progress value (in percent), the end of a decoding
    // (BadCrc says whether the CRC check failed) or a job the caller must do itself.
    Event Next(int job, uint8_t& percent);
    bool BadCrc(int job);
    // Stops job (the caller's handler asked to abort): waits for its worker to let go of it and removes
    // its output. The caller then does the item in line.
    void Cancel(int job);
    // The caller takes over job's result: the pool no longer undoes it.
    void Commit(int job);

private:
    enum class State { Waiting, Running, Done, InDoubt };
    struct JobState {
        State state = State::Waiting;
        std::vector<uint8_t> progress;
        size_t replayed = 0;
        bool badCrc = false;
        bool cancel = false;
        bool committed = false;
    };
    class WorkerHost;

    void Work(rtl::TStream* source);
    // The job's item as a group member: its data read and decrypted together with the items of the
    // jobs that follow (TArItemPrefetcher's grouping); false for an item decoded from the archive.
    // longItem: whether the item must be too long to be read whole (a group's leader) or short enough.
    bool Groupable(size_t job, TArPrefetchJob& prefetch, bool longItem) const;
    void RunJob(size_t job, rtl::TStream& source, TArPrefetched* prefetched, TArLanePartners* partners);
    void RemoveOutput(size_t job);
    void NoteMadeDirectories(const std::vector<std::string>& made);
    void RemoveMadeDirectories();

    const Settings settings_;
    const std::vector<Job> jobs_;
    std::vector<JobState> states_;
    std::vector<std::unique_ptr<rtl::TStream>> sources_;
    // Output folders known to exist (upper case), and whether the workers made them in this run.
    std::map<std::string, bool> knownDirectories_;
    std::vector<std::string> madeDirectories_;   // folders the workers made, in the order made
    // Called with mutex_ held: whether the caller's thread, waiting in Next or Cancel, must be woken now
    // that job has finished (Done or InDoubt).
    bool WakeCallerAfter(size_t job) const;
    // Wakes the caller's thread if it waits (a worker is about to wait or stop, or starts a long job).
    void WakeWaitingCaller();

    std::mutex mutex_;
    std::condition_variable callerWake_;  // the caller's thread waits here (Next, Cancel)
    std::condition_variable workerWake_;  // workers wait here for jobs to enter their window
    size_t nextJob_ = 0;    // next job a worker takes
    size_t committed_ = 0;  // jobs before this one belong to the caller
    size_t ahead_ = 0;      // jobs the workers may take beyond committed_
    int waitingFor_ = -1;   // job the caller's thread waits on in Next or Cancel, -1 when it does not wait
    size_t wakeAt_ = 0;     // ... and the job whose end wakes it (see WakeCallerAfter)
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace archive::detail
