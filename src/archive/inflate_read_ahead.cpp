#include "archive/inflate_read_ahead.h"

#include <algorithm>
#include <cstring>

#include "archive/hooks.h"

namespace archive::detail {

DecryptAheadReader::DecryptAheadReader(rtl::TStream& source, TArZipDecryptor& decryptor, size_t blockSize)
    : source_(source), decryptor_(decryptor), blockSize_(blockSize) {
    for (Slot& slot : slots_) slot.data.reset(new uint8_t[blockSize * kBlocksPerChunk]);
    thread_ = ArStartThread("decrypt-ahead", [this] { Work(); });
}

void DecryptAheadReader::Work() {
    // The first chunk is one block, so that decoding can start at once.
    size_t chunk = blockSize_;
    for (;;) {
        int slotIndex;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || filled_ < kSlots; });
            if (stop_) break;
            slotIndex = tail_;
        }
        Slot& slot = slots_[slotIndex];
        slot.error = nullptr;
        slot.length = 0;
        try {
            int64_t n = source_.Read(slot.data.get(), static_cast<int64_t>(chunk));
            if (n > 0) decryptor_.Decrypt(slot.data.get(), static_cast<size_t>(n));
            slot.length = n > 0 ? n : 0;
        } catch (...) {
            slot.error = std::current_exception();
        }
        bool last = slot.error || slot.length < static_cast<int64_t>(chunk);
        chunk = blockSize_ * kBlocksPerChunk;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tail_ = (tail_ + 1) % kSlots;
            ++filled_;
            finished_ = last;
        }
        changed_.notify_all();
        if (last) break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

int64_t DecryptAheadReader::Next(uint8_t* out) {
    int slotIndex;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return filled_ > 0 || finished_; });
        if (filled_ == 0) return 0;
        slotIndex = head_;
    }
    Slot& slot = slots_[slotIndex];
    if (slot.error) std::rethrow_exception(slot.error);
    // The chunk goes out a block at a time; the block after the last byte of a short chunk is short.
    int64_t length = std::min<int64_t>(static_cast<int64_t>(blockSize_), slot.length - taken_);
    std::memcpy(out, slot.data.get() + taken_, static_cast<size_t>(length));
    taken_ += length;
    if (taken_ >= slot.length) {
        taken_ = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            head_ = (head_ + 1) % kSlots;
            --filled_;
        }
        changed_.notify_all();
    }
    return length;
}

void DecryptAheadReader::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

}  // namespace archive::detail
