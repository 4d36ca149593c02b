// CRC-32 by carry-less folding against the plain definition, decrypting several items at once against
// one at a time, and decrypting ahead on a second thread: it must give the same bytes, checksum, sizes and
// final source position as decrypting in line.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/zip_crypto.h"
#include "rtl/exceptions.h"
#include "support/zip_builder.h"

using namespace archive;

namespace {

uint32_t BitwiseCrc(uint32_t crc, const uint8_t* p, size_t n) {
    while (n--) {
        crc ^= *p++;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> data(n);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    return data;
}

// Compressible but not trivial: runs of words drawn from a small vocabulary.
std::vector<uint8_t> TextLike(size_t n, uint32_t seed) {
    static const char* const words[] = {"setup ", "package ", "module ", "product ", "install ", "path\r\n"};
    std::mt19937 rng(seed);
    std::vector<uint8_t> data;
    while (data.size() < n) {
        const char* w = words[rng() % 6];
        data.insert(data.end(), w, w + std::strlen(w));
    }
    data.resize(n);
    return data;
}

}  // namespace

TEST(Crc32, MatchesTheDefinitionForEveryLengthAlignmentAndStartValue) {
    const auto data = RandomBytes(4200, 7);
    std::mt19937 rng(3);
    detail::CrcMethod methods[4];
    const size_t count = detail::AvailableCrcMethods(methods);
    for (size_t m = 0; m < count; ++m)
        for (size_t length = 0; length < 1200; length += (length < 300 ? 1 : 13)) {
            for (size_t offset : {0, 1, 5, 15}) {
                uint32_t start = rng();
                ASSERT_EQ(methods[m].update(start, data.data() + offset, length),
                          BitwiseCrc(start, data.data() + offset, length))
                    << methods[m].name << ", length " << length << " offset " << offset;
            }
        }
    for (size_t length : {0, 100, 255, 256, 4200}) {
        uint32_t start = rng();
        EXPECT_EQ(ArUpdateCRCBuffer(start, data.data(), length), BitwiseCrc(start, data.data(), length)) << length;
    }
    EXPECT_EQ(ArCrc32("123456789", 9), 0xCBF43926u);
    // Split anywhere, the register carries over.
    uint32_t whole = ArUpdateCRCBuffer(0xFFFFFFFF, data.data(), 4200);
    uint32_t parts = ArUpdateCRCBuffer(ArUpdateCRCBuffer(0xFFFFFFFF, data.data(), 1777), data.data() + 1777, 4200 - 1777);
    EXPECT_EQ(whole, parts);
}

namespace {

struct Decoded {
    std::vector<uint8_t> output;
    uint32_t crc = 0;
    int64_t decodedSize = 0, compressedRead = 0, sourcePosition = 0;
    std::vector<int> progress;
};

// Decodes an encrypted item followed by unrelated bytes, with or without the reading thread.
Decoded DecodeEncrypted(const std::vector<uint8_t>& item, bool readAhead, uint32_t checkValue) {
    std::vector<uint8_t> source = item;
    source.insert(source.end(), 50000, 0xEE);  // the next item's bytes
    rtl::TMemoryStream in(source);
    rtl::TMemoryStream out;
    TArDeflateHelper helper;
    helper.Passphrase = "pluvermak_*&!";
    helper.CheckValue = checkValue;
    helper.ReadAheadThread = readAhead;
    helper.StreamSize = static_cast<int64_t>(item.size());
    Decoded result;
    helper.OnProgressStep = [&](int percent) { result.progress.push_back(percent); };
    result.crc = Inflate(&in, &out, helper);
    result.output = out.Data();
    result.decodedSize = helper.DecodedSize;
    result.compressedRead = helper.CompressedSizeRead;
    result.sourcePosition = in.Position();
    return result;
}

}  // namespace

// Items of every length (none, shorter than the others, more items than lanes) decrypted together give
// the bytes and leave the keys each gives alone.
TEST(ZipDecryption, ItemsDecryptedTogetherAsOneByOne) {
    const std::vector<size_t> lengths = {0, 1, 5000, 17, 5000, 70001, 3, 0, 4096, 2};
    std::vector<std::vector<uint8_t>> alone, together;
    std::vector<TArZipDecryptor> single, lanes;
    for (size_t i = 0; i < lengths.size(); ++i) {
        alone.push_back(RandomBytes(lengths[i], 100 + uint32_t(i)));
        together.push_back(alone.back());
        const std::string password = "pw" + std::to_string(i);
        single.emplace_back(password);
        lanes.emplace_back(password);
    }
    for (size_t count : {size_t(2), size_t(4), lengths.size()}) {
        SCOPED_TRACE("items: " + std::to_string(count));
        std::vector<TArZipDecryptor*> decryptors;
        std::vector<uint8_t*> data;
        for (size_t i = 0; i < count; ++i) {
            single[i].Decrypt(alone[i].data(), alone[i].size());
            decryptors.push_back(&lanes[i]);
            data.push_back(together[i].data());
        }
        TArZipDecryptor::DecryptLanes(decryptors.data(), data.data(), lengths.data(), count);
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(together[i], alone[i]) << "item " << i;
            EXPECT_EQ(lanes[i].DecryptByte(0x5A), single[i].DecryptByte(0x5A)) << "keys of item " << i;
        }
    }
}

TEST(InflateReadAhead, GivesTheSameResultsAsDecryptingInLine) {
    for (size_t size : {size_t(0), size_t(1000), size_t(16384), size_t(70000), size_t(300000)}) {
        auto plain = size % 2 ? TextLike(size, 11) : RandomBytes(size, 11);
        auto item = test_support::ZipEncrypt(test_support::DeflateStoredBlocks(plain, 5000), "pluvermak_*&!", 0x42);
        Decoded inLine = DecodeEncrypted(item, false, 0x42000000);
        Decoded ahead = DecodeEncrypted(item, true, 0x42000000);
        EXPECT_EQ(ahead.output, plain) << size;
        EXPECT_EQ(ahead.crc, ArCrc32(plain.data(), plain.size())) << size;
        EXPECT_EQ(ahead.crc, inLine.crc);
        EXPECT_EQ(ahead.decodedSize, inLine.decodedSize);
        EXPECT_EQ(ahead.compressedRead, inLine.compressedRead);
        // Just after the item, although the thread read further.
        EXPECT_EQ(ahead.sourcePosition, static_cast<int64_t>(item.size())) << size;
        EXPECT_EQ(ahead.progress, inLine.progress);
    }
}

namespace {

// A source that fails after a number of bytes, as a damaged disk would.
class FailingStream : public rtl::TMemoryStream {
public:
    FailingStream(std::vector<uint8_t> data, int64_t failAt) : rtl::TMemoryStream(std::move(data)), failAt_(failAt) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (Position() + count > failAt_) throw rtl::EReadError("Stream read error");
        return rtl::TMemoryStream::Read(buffer, count);
    }

private:
    int64_t failAt_;
};

}  // namespace

TEST(InflateReadAhead, ReadFailuresAndAbortsReachTheCallersThread) {
    auto plain = RandomBytes(200000, 5);
    auto item = test_support::ZipEncrypt(test_support::DeflateStoredBlocks(plain), "pw", 0x10);

    FailingStream failing(item, 100000);
    rtl::TMemoryStream out;
    TArDeflateHelper helper;
    helper.Passphrase = "pw";
    helper.CheckValue = 0x10000000;
    helper.ReadAheadThread = true;
    EXPECT_THROW(Inflate(&failing, &out, helper), rtl::EReadError);

    rtl::TMemoryStream in(item);
    int calls = 0;
    helper.OnProgressStep = [&](int) {
        if (++calls == 3) throw EArAbortProgress("Process aborted by user");
    };
    helper.StreamSize = static_cast<int64_t>(item.size());
    EXPECT_EQ(Inflate(&in, &out, helper), 0u);
    EXPECT_EQ(calls, 3);
}
