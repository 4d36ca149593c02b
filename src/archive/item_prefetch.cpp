#include "archive/item_prefetch.h"

#include "archive/hooks.h"

#include "archive/zip_crypto.h"
#include "archive/zip_records.h"

namespace archive::detail {

TArItemPrefetcher::TArItemPrefetcher(std::unique_ptr<rtl::TStream> source, std::string password, std::vector<Job> jobs)
    : source_(std::move(source)), password_(std::move(password)), jobs_(std::move(jobs)) {
    thread_ = ArStartThread("prefetch", [this] { Work(); });
}

TArItemPrefetcher::~TArItemPrefetcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

TArItemPrefetcher::Result TArItemPrefetcher::Prefetch(const Job& job) {
    Result result;
    result.index = job.index;
    try {
        source_->SetPosition(job.relativeOffset);
        TArZipLocalFileHeader local;
        local.LoadFromStream(*source_);
        uint8_t method = static_cast<uint8_t>(local.CompressionMethod & 0xFF);
        if ((method != 8 && method != 9) || !local.IsEncrypted()) return result;
        uint32_t checkValue =
            (local.GeneralPurposeBitFlag & 8) ? static_cast<uint32_t>(local.LastModFileTime) << 16 : job.crc;
        std::vector<uint8_t> bytes(job.compressedSize);
        if (source_->Read(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()))
            return result;
        TArZipDecryptor decryptor(password_);
        if (!decryptor.CheckHeader(bytes.data(), checkValue)) return result;
        decryptor.Decrypt(bytes.data() + TArZipDecryptor::kHeaderSize, bytes.size() - TArZipDecryptor::kHeaderSize);
        result.data.assign(bytes.begin() + TArZipDecryptor::kHeaderSize, bytes.end());
        result.usable = true;
    } catch (...) {
        result.usable = false;  // the caller will meet the same fault and report it
    }
    return result;
}

void TArItemPrefetcher::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || buffered_ < kMostBuffered; });
            if (stop_ || nextJob_ == jobs_.size()) break;
            job = jobs_[nextJob_++];
        }
        Result result = Prefetch(job);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            buffered_ += result.data.size() + 1;
            results_.push_back(std::move(result));
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
        for (size_t j = nextJob_; j < jobs_.size() && !pending; ++j) pending = jobs_[j].index == index;
        bool inProgress = nextJob_ > 0 && jobs_[nextJob_ - 1].index == index;
        if ((!pending && !inProgress) || finished_) return false;
        changed_.wait(lock);
    }
    Result& front = results_.front();
    if (front.index != index) return false;
    bool usable = front.usable;
    buffered_ -= front.data.size() + 1;
    if (usable) data = std::move(front.data);
    results_.pop_front();
    changed_.notify_all();
    return usable;
}

}  // namespace archive::detail
