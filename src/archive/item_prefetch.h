// Private to the ZIP layer: while the caller decodes one small encrypted item and writes its file, a
// second thread reads and decrypts the compressed data of the items that follow. Decryption is strictly
// sequential per item and costs more than decoding, so doing it ahead keeps extraction of a package made
// of many small files from waiting on it. Anything unusual (another password, a damaged header, a short
// read) makes the prefetcher step aside: the caller then reads the item itself as always.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rtl/streams.h"

namespace archive::detail {

class TArItemPrefetcher {
public:
    struct Job {
        int index = 0;                // item index in the archive
        uint32_t relativeOffset = 0;  // of the local header
        uint32_t compressedSize = 0;  // including the 12-byte encryption header
        uint32_t crc = 0;             // from the central directory
    };

    // Largest item prefetched, and how much decrypted data may wait at most.
    static constexpr uint32_t kLargestItem = 65536;
    static constexpr size_t kMostBuffered = 6u << 20;

    // source is a stream of its own on the archive file, opened by the caller's thread; from now until
    // destruction only the prefetcher uses it. Raises std::system_error when the thread cannot be started.
    TArItemPrefetcher(std::unique_ptr<rtl::TStream> source, std::string password, std::vector<Job> jobs);
    ~TArItemPrefetcher();
    TArItemPrefetcher(const TArItemPrefetcher&) = delete;
    TArItemPrefetcher& operator=(const TArItemPrefetcher&) = delete;

    // The decrypted compressed data of item index (the bytes after the encryption header), when it was
    // prefetched with password and its header check passed. Jobs of earlier items are dropped.
    bool Take(int index, const std::string& password, std::vector<uint8_t>& data);

private:
    struct Result {
        int index = 0;
        bool usable = false;
        std::vector<uint8_t> data;
    };

    void Work();
    Result Prefetch(const Job& job);

    std::unique_ptr<rtl::TStream> source_;
    const std::string password_;
    const std::vector<Job> jobs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Result> results_;
    size_t buffered_ = 0;
    size_t nextJob_ = 0;  // next job the worker takes
    bool stop_ = false;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace archive::detail
