#include "archive/item_pool.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "archive/extract.h"
#include "archive/hooks.h"
#include "archive/item_decode.h"
#include "archive/port_gate.h"
#include "archive/zip_crypto.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace archive::detail {

namespace {

// Raised on a worker when its job must be left to the caller's thread. Not an rtl::Exception, so nothing
// on the way mistakes it for a failure of the item.
struct TArLeaveToCaller {};

}  // namespace

// A worker's side of decoding one item: its own stream, the package password as it was when the run
// began, and every report recorded for the caller's thread instead of made.
class TArItemPool::WorkerHost : public TArItemHost {
public:
    WorkerHost(TArItemPool& pool, size_t job, rtl::TStream& source, TArPrefetched* prefetched, TArLanePartners* partners)
        : pool_(pool), job_(job), source_(source), prefetched_(prefetched), partners_(partners) {}

    rtl::TStream& Source() override { return source_; }
    void EnterVolume(uint16_t) override {}
    bool Spanned() const override { return false; }
    bool ItemProgress(TArArchiveItem&, uint8_t percent) override { return Record(percent); }
    void InflateProgress(int percent) override {
        if (Record(static_cast<uint8_t>(percent))) throw TArLeaveToCaller();
    }
    void BadCrc(TArArchiveItem&) override {
        std::lock_guard<std::mutex> lock(pool_.mutex_);
        pool_.states_[job_].badCrc = true;
    }
    const std::string& CurrentPassword() const override { return pool_.settings_.password; }
    std::string RequestPassword() override { throw TArLeaveToCaller(); }
    void AcceptPassword(const std::string&) override { throw TArLeaveToCaller(); }
    int PasswordRetries() const override { return pool_.settings_.passwordRetries; }
    bool HasNeedPasswordHandler() const override { return false; }
    bool MayDecryptAhead() const override { return false; }
    bool TakePrefetched(TArArchiveItem&, std::vector<uint8_t>& data) override {
        if (!prefetched_ || !prefetched_->usable) return false;
        data = std::move(prefetched_->data);
        prefetched_ = nullptr;
        return true;
    }
    TArLanePartners* LanePartners() override { return partners_; }

private:
    // Records a progress value; true when the caller has cancelled the job.
    // The caller's thread is woken only when kProgressWake values wait for it: a decoder records one
    // per 16 KiB of input, and waking for each cost more than decoding the small items. When the job
    // ends, WakeCallerAfter decides.
    bool Record(uint8_t percent) {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(pool_.mutex_);
            JobState& state = pool_.states_[job_];
            if (state.cancel) return true;
            state.progress.push_back(percent);
            wake = pool_.waitingFor_ == static_cast<int>(job_) && state.progress.size() - state.replayed >= kProgressWake;
        }
        if (wake) pool_.callerWake_.notify_one();
        return false;
    }

    static constexpr size_t kProgressWake = 4;

    TArItemPool& pool_;
    size_t job_;
    rtl::TStream& source_;
    TArPrefetched* prefetched_;
    TArLanePartners* partners_;
};

TArItemPool::TArItemPool(const Settings& settings, std::vector<Job> jobs)
    : settings_(settings), jobs_(std::move(jobs)), states_(jobs_.size()) {
    const int wanted = std::max(0, std::min<int>({settings_.workers, kMostWorkers, static_cast<int>(jobs_.size())}));
    ahead_ = kAheadPerWorker * static_cast<size_t>(wanted);
    sources_.reserve(static_cast<size_t>(wanted));
    threads_.reserve(static_cast<size_t>(wanted));
    for (int i = 0; i < wanted; ++i) {
        try {
            sources_.push_back(Gated([&] {
                return std::make_unique<rtl::TFileStream>(settings_.archiveName, os::kOpenRead | os::kShareDenyNone);
            }));
            rtl::TStream* raw = sources_.back().get();
            try {
                threads_.push_back(ArStartThread("extract-worker", [this, raw] { Work(raw); }));
            } catch (...) {
                sources_.pop_back();
                throw;
            }
        } catch (const rtl::Exception&) {
            break;  // no second handle on the archive: fewer workers
        } catch (const std::system_error&) {
            break;  // no thread: fewer workers
        } catch (const std::bad_alloc&) {
            break;
        }
    }
}

TArItemPool::~TArItemPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        for (JobState& state : states_) state.cancel = true;
    }
    workerWake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    for (size_t job = 0; job < jobs_.size(); ++job)
        if (!states_[job].committed && states_[job].state == State::Done) RemoveOutput(job);
    RemoveMadeDirectories();
}

void TArItemPool::NoteMadeDirectories(const std::vector<std::string>& made) {
    if (made.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    madeDirectories_.insert(madeDirectories_.end(), made.begin(), made.end());
}

// Folders workers made for jobs the caller never took over would not exist had the items been done in
// line: they go, innermost first, unless a job the caller took over has its file below them. A folder
// that is not empty (someone else put something there) stays.
void TArItemPool::RemoveMadeDirectories() {
    std::vector<std::string> kept;
    for (size_t job = 0; job < jobs_.size(); ++job)
        if (states_[job].committed && !jobs_[job].outputName.empty())
            kept.push_back(rtl::AnsiUpperCase(jobs_[job].outputName));
    for (auto it = madeDirectories_.rbegin(); it != madeDirectories_.rend(); ++it) {
        const std::string prefix = rtl::AnsiUpperCase(rtl::IncludeTrailingBackslash(*it));
        const bool used = std::any_of(kept.begin(), kept.end(),
                                      [&](const std::string& output) { return output.rfind(prefix, 0) == 0; });
        if (!used) Gated([&] { return os::files().removeDirectory(*it); });
    }
}

int TArItemPool::JobOf(int index) const {
    auto it = std::lower_bound(jobs_.begin(), jobs_.end(), index, [](const Job& job, int i) { return job.index < i; });
    return it != jobs_.end() && it->index == index ? static_cast<int>(it - jobs_.begin()) : -1;
}

bool TArItemPool::Groupable(size_t job, TArPrefetchJob& prefetch, bool longItem) const {
    const auto* item = static_cast<const TArZipItem*>(jobs_[job].item);
    const uint8_t method = item->CompressionMethod();
    const uint32_t size = item->GetCompressedSize();
    if (!item->GetIsEncrypted() || (method != 8 && method != 9) || size <= TArZipDecryptor::kHeaderSize ||
        (size > kArLargestPrefetch) != longItem)
        return false;
    prefetch = {jobs_[job].index, item->Header.RelativeOffset, size, item->GetCRC32()};
    return true;
}

// Waking the caller's thread for every finished job cost more than the small items themselves (on a
// machine with as many workers as processors, each wake also puts a worker aside). Finished jobs are
// reported in bunches instead: the caller is woken when the kWakeBunch-th job from the one it waits for
// ends, or earlier when a worker is about to wait or stop, or starts a long job.
namespace {
constexpr size_t kWakeBunch = 6;
constexpr uint32_t kLongJob = 256u << 10;  // compressed bytes
}  // namespace

bool TArItemPool::WakeCallerAfter(size_t job) const {
    return waitingFor_ >= 0 && job >= wakeAt_;
}

void TArItemPool::WakeWaitingCaller() {
    bool waiting;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting = waitingFor_ >= 0;
    }
    if (waiting) callerWake_.notify_one();
}

void TArItemPool::Work(rtl::TStream* source) {
    std::vector<TArPrefetchJob> group;
    for (;;) {
        size_t first, taken;
        bool leader;  // the first job leads the group (decrypted alongside its blocks)
        group.clear();
        bool longJob = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            auto mayTake = [&] { return stop_ || nextJob_ >= jobs_.size() || nextJob_ < committed_ + ahead_; };
            if (!mayTake() || nextJob_ >= jobs_.size()) {
                if (waitingFor_ >= 0) callerWake_.notify_one();
                workerWake_.wait(lock, mayTake);
            }
            if (stop_ || nextJob_ >= jobs_.size()) return;
            first = nextJob_;
            // The group: the jobs that follow while they qualify, are free to take, and fit. An item too
            // long to be read whole leads a group of its own: the group is decrypted alongside its blocks.
            TArPrefetchJob prefetch;
            leader = Groupable(first, prefetch, true);
            const size_t start = first + (leader ? 1 : 0);
            const size_t mostItems = leader ? kArMostPartners : kArMostItemsPerGroup;
            for (size_t job = start; job < jobs_.size() && (job == first || job < committed_ + ahead_) &&
                                     group.size() < mostItems && Groupable(job, prefetch, false);
                 ++job)
                group.push_back(prefetch);
            group.resize(ArGroupSize(group.data(), group.size(), mostItems));
            taken = std::max<size_t>(start - first + group.size(), 1);
            for (size_t job = first; job < first + taken; ++job) {
                states_[job].state = State::Running;
                longJob = longJob || jobs_[job].item->GetCompressedSize() > kLongJob;
            }
            nextJob_ = first + taken;
        }
        if (longJob) WakeWaitingCaller();
        if (group.size() < (leader ? 1u : 2u)) {
            RunJob(first, *source, nullptr, nullptr);
            continue;
        }
        std::vector<TArPrefetched> decrypted = ArReadGroup(*source, settings_.password, group.data(), group.size());
        size_t next = first;
        if (leader) {
            TArLanePartners partners(decrypted);
            RunJob(next++, *source, nullptr, &partners);
            partners.Finish();
        } else {
            ArDecryptGroup(decrypted);
        }
        for (TArPrefetched& member : decrypted) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) {
                    for (size_t job = next; job < first + taken; ++job) states_[job].state = State::InDoubt;
                    return;
                }
            }
            RunJob(next++, *source, &member, nullptr);
            member.data = {};
        }
    }
}

void TArItemPool::RunJob(size_t job, rtl::TStream& source, TArPrefetched* prefetched, TArLanePartners* partners) {
    const Job& work = jobs_[job];
    WorkerHost host(*this, job, source, prefetched, partners);
    bool done = false;
    try {
        if (work.outputName.empty()) {
            DecodeItem(host, *work.item, nullptr);
        } else {
            std::string directory = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(work.outputName));
            std::string key = rtl::AnsiUpperCase(directory);
            bool known = false, fresh = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                auto it = knownDirectories_.find(key);
                if (it != knownDirectories_.end()) {
                    known = true;
                    fresh = it->second;
                }
            }
            if (!known && !directory.empty()) {
                if (!(settings_.options & eoCreateDirs)) {
                    if (!ArDirectoryExists(directory)) throw TArLeaveToCaller();
                } else {
                    std::vector<std::string> made;
                    try {
                        ArCreateDirectory(directory, &made);  // another worker may be making it too
                    } catch (...) {
                        NoteMadeDirectories(made);
                        throw;
                    }
                    NoteMadeDirectories(made);
                    fresh = !made.empty() && made.back() == directory;
                }
            }
            if (!known) {
                std::lock_guard<std::mutex> lock(mutex_);
                bool& entry = knownDirectories_[key];
                entry = entry || fresh;
            }
            // An existing file may need a question, and must not be lost if the run ends early. In a folder
            // the workers made there is none: output names are unique among the jobs and every other item.
            if (!fresh && Gated([&] { return os::PathExists(work.outputName); })) throw TArLeaveToCaller();
            ArWriteItemFile(work.outputName, *work.item, [&](rtl::TStream& file) { DecodeItem(host, *work.item, &file); },
                            nullptr);
        }
        done = true;
    } catch (...) {
        // Whatever it was, the caller's thread meets it again in line and reports it as usual.
    }
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        JobState& state = states_[job];
        state.state = done ? State::Done : State::InDoubt;
        if (!done) state.progress.clear();
        wake = WakeCallerAfter(job);
    }
    if (wake) callerWake_.notify_one();
}

TArItemPool::Event TArItemPool::Next(int job, uint8_t& percent) {
    std::unique_lock<std::mutex> lock(mutex_);
    JobState& state = states_[static_cast<size_t>(job)];
    waitingFor_ = job;
    wakeAt_ = static_cast<size_t>(job) + kWakeBunch - 1;
    callerWake_.wait(lock, [&] {
        return state.state == State::InDoubt || state.state == State::Done || state.replayed < state.progress.size();
    });
    waitingFor_ = -1;
    if (state.state == State::InDoubt) return Event::InDoubt;
    if (state.replayed < state.progress.size()) {
        percent = state.progress[state.replayed++];
        return Event::Progress;
    }
    return Event::Done;
}

bool TArItemPool::BadCrc(int job) {
    std::lock_guard<std::mutex> lock(mutex_);
    return states_[static_cast<size_t>(job)].badCrc;
}

void TArItemPool::Cancel(int job) {
    std::unique_lock<std::mutex> lock(mutex_);
    JobState& state = states_[static_cast<size_t>(job)];
    state.cancel = true;
    waitingFor_ = job;
    wakeAt_ = static_cast<size_t>(job);
    callerWake_.wait(lock, [&] { return state.state == State::Done || state.state == State::InDoubt; });
    waitingFor_ = -1;
    const bool written = state.state == State::Done;
    state.committed = true;
    committed_ = std::max(committed_, static_cast<size_t>(job) + 1);
    lock.unlock();
    workerWake_.notify_all();
    if (written) RemoveOutput(static_cast<size_t>(job));
}

void TArItemPool::Commit(int job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        states_[static_cast<size_t>(job)].committed = true;
        states_[static_cast<size_t>(job)].progress = {};
        committed_ = std::max(committed_, static_cast<size_t>(job) + 1);
    }
    workerWake_.notify_all();
}

void TArItemPool::RemoveOutput(size_t job) {
    if (!jobs_[job].outputName.empty()) ArRemoveOutput(jobs_[job].outputName);
}

}  // namespace archive::detail
