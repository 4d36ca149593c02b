#include "archive/item_prefetch.h"

#include <algorithm>

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

std::vector<TArPrefetched> ArReadGroup(rtl::TStream& source, const std::string& password, const TArPrefetchJob* jobs,
                                       size_t count) {
    std::vector<TArPrefetched> results(count);
    for (size_t i = 0; i < count; ++i) {
        const TArPrefetchJob& job = jobs[i];
        TArPrefetched& result = results[i];
        result.index = job.index;
        result.decryptor.Reset(password);
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
            if (!result.decryptor.CheckHeader(header, checkValue)) continue;
            result.data.resize(job.compressedSize - TArZipDecryptor::kHeaderSize);
            const auto size = static_cast<int64_t>(result.data.size());
            if (source.Read(result.data.data(), size) != size) {
                result.data = {};
                continue;
            }
            result.usable = true;
        } catch (...) {
            result.data = {};  // the decoder will meet the same fault and report it
        }
    }
    return results;
}

void ArDecryptGroup(std::vector<TArPrefetched>& group) { TArLanePartners(group).Finish(); }

std::vector<TArPrefetched> ArReadDecrypted(rtl::TStream& source, const std::string& password, const TArPrefetchJob* jobs,
                                           size_t count) {
    std::vector<TArPrefetched> group = ArReadGroup(source, password, jobs, count);
    ArDecryptGroup(group);
    return group;
}

TArLanePartners::TArLanePartners(std::vector<TArPrefetched>& group) {
    for (TArPrefetched& result : group)
        if (result.usable && !result.data.empty()) partners_.push_back({&result.decryptor, result.data.data(), result.data.size()});
}

void TArLanePartners::DecryptWith(TArZipDecryptor& decryptor, uint8_t* block, size_t length) {
    constexpr size_t kMost = TArZipDecryptor::kLanes;
    TArZipDecryptor* lanes[kMost] = {&decryptor};
    uint8_t* data[kMost] = {block};
    size_t lengths[kMost] = {length};
    size_t count = 1;
    while (first_ < partners_.size() && partners_[first_].left == 0) ++first_;
    for (size_t p = first_; p < partners_.size() && count < kMost; ++p) {
        Partner& partner = partners_[p];
        const size_t step = std::min(partner.left, length);
        lanes[count] = partner.decryptor;
        data[count] = partner.next;
        lengths[count++] = step;
        partner.next += step;
        partner.left -= step;
    }
    TArZipDecryptor::DecryptLanes(lanes, data, lengths, count);
}

void TArLanePartners::Finish() {
    std::vector<TArZipDecryptor*> lanes;
    std::vector<uint8_t*> data;
    std::vector<size_t> lengths;
    for (Partner& partner : partners_) {
        if (partner.left == 0) continue;
        lanes.push_back(partner.decryptor);
        data.push_back(partner.next);
        lengths.push_back(partner.left);
        partner.next += partner.left;
        partner.left = 0;
    }
    TArZipDecryptor::DecryptLanes(lanes.data(), data.data(), lengths.data(), lanes.size());
}

size_t ArGroupSize(const TArPrefetchJob* jobs, size_t count, size_t mostItems) {
    size_t n = 0, bytes = 0;
    while (n < count && n < mostItems &&
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
