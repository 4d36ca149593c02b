// Private to the ZIP layer: while the caller decodes one encrypted item and writes its file, a second
// thread reads and decrypts the compressed data of the items that follow, several at once. Decryption is
// strictly sequential within an item and costs more than decoding, so doing it ahead, and for several
// items together, keeps extraction from waiting on it. Anything unusual (another password, a damaged header, a short
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

#include "archive/zip_crypto.h"
#include "rtl/streams.h"

namespace archive::detail {

// The encrypted deflated item read and decrypted ahead of its decoding.
struct TArPrefetchJob {
    int index = 0;                // item index in the archive
    uint32_t relativeOffset = 0;  // of the local header
    uint32_t compressedSize = 0;  // including the 12-byte encryption header
    uint32_t crc = 0;             // from the central directory
};
struct TArPrefetched {
    int index = 0;
    bool usable = false;          // read whole, deflated, encrypted, and its header check passed
    std::vector<uint8_t> data;    // the (decrypted) bytes after the encryption header
    TArZipDecryptor decryptor{""};  // the item's keys where its decryption stands
};

// Largest item read ahead whole, and most bytes and items read for one group of items decrypted
// together. More items than lanes keep the lanes busy when one item is much longer than the others.
constexpr uint32_t kArLargestPrefetch = 1u << 20;
constexpr size_t kArMostPerGroup = 2u << 20;
constexpr size_t kArMostItemsPerGroup = 8;
// A long item's partners (decrypted alongside its blocks) may be more: its own lane runs for its whole
// length, and the small items that fill the group's bytes keep the other lanes busy meanwhile.
constexpr size_t kArMostPartners = 64;

// Reads the items of jobs from source and decrypts them with password, up to TArZipDecryptor::kLanes at
// once. An item that cannot be read whole, is not deflated and encrypted, or fails its header check is
// returned unusable: whoever decodes it reads it again and meets the fault as usual.
std::vector<TArPrefetched> ArReadDecrypted(rtl::TStream& source, const std::string& password, const TArPrefetchJob* jobs,
                                           size_t count);

// ArReadDecrypted in two steps: the items read and their headers checked, then their data decrypted.
std::vector<TArPrefetched> ArReadGroup(rtl::TStream& source, const std::string& password, const TArPrefetchJob* jobs,
                                       size_t count);
void ArDecryptGroup(std::vector<TArPrefetched>& group);

// The items of a group read but not yet decrypted, decrypted a block at a time alongside a long item's
// own blocks: up to kLanes-1 of them at once, as many bytes of each as the long item's block, so that a
// long item (too long to be read whole) is not decrypted alone.
class TArLanePartners {
public:
    explicit TArLanePartners(std::vector<TArPrefetched>& group);
    // Decrypts block with decryptor and the partners' next bytes with theirs.
    void DecryptWith(TArZipDecryptor& decryptor, uint8_t* block, size_t length);
    // Decrypts whatever the partners still hold encrypted.
    void Finish();

private:
    struct Partner {
        TArZipDecryptor* decryptor;
        uint8_t* next;
        size_t left;
    };
    std::vector<Partner> partners_;
    size_t first_ = 0;  // partners before this one are done
};

// How many of jobs (from the first) make one group for ArReadDecrypted: at most mostItems items and
// kArMostPerGroup bytes (the first always counts).
size_t ArGroupSize(const TArPrefetchJob* jobs, size_t count, size_t mostItems = kArMostItemsPerGroup);

class TArItemPrefetcher {
public:
    using Job = TArPrefetchJob;

    // No new group is read while this much decrypted data waits (so at most this plus one group waits).
    static constexpr size_t kMostBuffered = 4u << 20;

    // source is a stream of its own on the archive file, opened by the caller's thread; from now until
    // destruction only the prefetcher uses it. With ownThread the groups are read ahead on a thread of
    // their own (std::system_error when it cannot be started); without, each group is read when Take
    // asks for its first item, which still decrypts the items of the group together.
    TArItemPrefetcher(std::unique_ptr<rtl::TStream> source, std::string password, std::vector<Job> jobs,
                      bool ownThread);
    ~TArItemPrefetcher();
    TArItemPrefetcher(const TArItemPrefetcher&) = delete;
    TArItemPrefetcher& operator=(const TArItemPrefetcher&) = delete;

    // The decrypted compressed data of item index (the bytes after the encryption header), when it was
    // prefetched with password and its header check passed. Jobs of earlier items are dropped.
    bool Take(int index, const std::string& password, std::vector<uint8_t>& data);

private:
    void Work();

    std::unique_ptr<rtl::TStream> source_;
    const std::string password_;
    const std::vector<Job> jobs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TArPrefetched> results_;
    size_t buffered_ = 0;
    size_t groupStart_ = 0;  // first job of the group the worker reads now
    size_t nextJob_ = 0;     // next job the worker takes
    bool stop_ = false;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace archive::detail
