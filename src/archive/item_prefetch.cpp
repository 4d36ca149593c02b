#include "archive/item_prefetch.h"

#include "archive/hooks.h"

#include "archive/zip_crypto.h"
#include "archive/zip_records.h"

namespace archive::detail {

TArItemPrefetcher::TArItemPrefetcher(std::unique_ptr<rtl::TStream> source, std::string password, std::vector<Job> jobs,
                                     bool ownThread)
    : source_(std::move(source)), password_(std::move(password)), jobs_(std::move(jobs)) {
    if (ownThread) thread_ = ArStartThread("prefetch", [this] { Work(); });
}

TArItemPrefetcher::~TArItemPrefetcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::vector<TArPrefetched> ArReadDecrypted(rtl::TStream& source, const std::string& password, const TArPrefetchJob* jobs,
                                           size_t count) {
    std::vector<TArPrefetched> results(count);
    std::vector<TArZipDecryptor> decryptors(count, TArZipDecryptor(password));
    std::vector<TArZipDecryptor*> lanes;
    std::vector<uint8_t*> data;
    std::vector<size_t> lengths;
    for (size_t i = 0; i < count; ++i) {
        const TArPrefetchJob& job = jobs[i];
        TArPrefetched& result = results[i];
        result.index = job.index;
        try {
            if (job.compressedSize < TArZipDecryptor::kHeaderSize) continue;
            source.SetPosition(job.relativeOffset);
            TArZipLocalFileHeader local;
            local.LoadFromStream(source);
            uint8_t method = static_cast<uint8_t>(local.CompressionMethod & 0xFF);
            if ((method != 8 && method != 9) || !local.IsEncrypted()) continue;
            uint32_t checkValue =
                (local.GeneralPurposeBitFlag & 8) ? static_cast<uint32_t>(local.LastModFileTime) << 16 : job.crc;
            uint8_t header[TArZipDecryptor::kHeaderSize];
            if (source.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) continue;
            if (!decryptors[i].CheckHeader(header, checkValue)) continue;
            result.data.resize(job.compressedSize - TArZipDecryptor::kHeaderSize);
            const auto size = static_cast<int64_t>(result.data.size());
            if (source.Read(result.data.data(), size) != size) {
                result.data = {};
                continue;
            }
            result.usable = true;
            lanes.push_back(&decryptors[i]);
            data.push_back(result.data.data());
            lengths.push_back(result.data.size());
        } catch (...) {
            result.data = {};  // the decoder will meet the same fault and report it
        }
    }
    TArZipDecryptor::DecryptLanes(lanes.data(), data.data(), lengths.data(), lanes.size());
    return results;
}

size_t ArGroupSize(const TArPrefetchJob* jobs, size_t count) {
    size_t n = 0, bytes = 0;
    while (n < count && n < kArMostItemsPerGroup &&
           (n == 0 || bytes + jobs[n].compressedSize <= kArMostPerGroup))
        bytes += jobs[n++].compressedSize;
    return n;
}

void TArItemPrefetcher::Work() {
    for (;;) {
        size_t first, count;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || buffered_ < kMostBuffered; });
            if (stop_ || nextJob_ == jobs_.size()) break;
            first = nextJob_;
            count = ArGroupSize(&jobs_[first], jobs_.size() - first);
            groupStart_ = first;
            nextJob_ = first + count;
        }
        std::vector<TArPrefetched> group = ArReadDecrypted(*source_, password_, &jobs_[first], count);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (TArPrefetched& result : group) {
                buffered_ += result.data.size() + 1;
                results_.push_back(std::move(result));
            }
        }
        changed_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

bool TArItemPrefetcher::Take(int index, const std::string& password, std::vector<uint8_t>& data) {
    if (password != password_) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!results_.empty() && results_.front().index < index) {
            buffered_ -= results_.front().data.size() + 1;
            results_.pop_front();
            changed_.notify_all();
        }
        if (!results_.empty()) break;
        // Nothing waiting: is the item still to come?
        bool pending = false;
        size_t job = nextJob_;
        for (; job < jobs_.size() && !pending; ++job) pending = jobs_[job].index == index;
        if (pending && !thread_.joinable()) {
            // No thread of its own: the group that begins with this item is read here and now.
            const size_t first = job - 1;
            const size_t count = ArGroupSize(&jobs_[first], jobs_.size() - first);
            for (TArPrefetched& result : ArReadDecrypted(*source_, password_, &jobs_[first], count)) {
                buffered_ += result.data.size() + 1;
                results_.push_back(std::move(result));
            }
            nextJob_ = first + count;
            continue;
        }
        bool inProgress = false;
        for (size_t j = groupStart_; j < nextJob_ && !inProgress; ++j) inProgress = jobs_[j].index == index;
        if ((!pending && !inProgress) || finished_) return false;
        changed_.wait(lock);
    }
    TArPrefetched& front = results_.front();
    if (front.index != index) return false;
    bool usable = front.usable;
    buffered_ -= front.data.size() + 1;
    if (usable) data = std::move(front.data);
    results_.pop_front();
    changed_.notify_all();
    return usable;
}

}  // namespace archive::detail
