// Private to the deflate decoder: reads and decrypts the next input blocks on a second thread while the
// decoder works on the current one. Decryption cannot be vectorised (every byte depends on the one before),
// so overlapping it with decoding is what makes encrypted packages fast.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "archive/zip_crypto.h"
#include "rtl/streams.h"

namespace archive::detail {

class DecryptAheadReader {
public:
    // Starts reading source from its current position. From now until Stop, only the reader touches the
    // source and the decryptor. When the thread cannot be started the constructor raises
    // std::system_error and has touched neither.
    DecryptAheadReader(rtl::TStream& source, TArZipDecryptor& decryptor, size_t blockSize);
    ~DecryptAheadReader() { Stop(); }
    DecryptAheadReader(const DecryptAheadReader&) = delete;
    DecryptAheadReader& operator=(const DecryptAheadReader&) = delete;

    // Copies the next decrypted block (blockSize bytes, fewer only at the end of the source) to out and
    // returns its length; a read failure of the source is raised here, in the caller's thread.
    int64_t Next(uint8_t* out);
    // Ends the reading thread; the source position is then wherever the reader stopped.
    void Stop();

private:
    // The source is read in chunks of several blocks, so the two threads meet once per chunk.
    static constexpr int kSlots = 3;
    static constexpr size_t kBlocksPerChunk = 4;
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        int64_t length = 0;
        std::exception_ptr error;
    };

    void Work();

    rtl::TStream& source_;
    TArZipDecryptor& decryptor_;
    const size_t blockSize_;
    Slot slots_[kSlots];
    std::mutex mutex_;
    std::condition_variable changed_;
    int head_ = 0;    // next slot the caller takes
    int tail_ = 0;    // next slot the reader fills
    int filled_ = 0;  // slots filled and not yet taken
    int64_t taken_ = 0;  // bytes of the head slot already handed out
    bool stop_ = false;
    bool finished_ = false;  // the reader has filled its last slot
    std::thread thread_;
};

}  // namespace archive::detail
