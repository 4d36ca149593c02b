// Times archive::Inflate against zlib's raw inflate and libdeflate's whole-buffer decompressor on the same
// deflate data: a ~100 MB corpus of program binaries, text from /usr/share and seeded random bytes,
// compressed here with zlib at levels 6 and 9. Every decoder is timed with the CRC-32 of its output, as
// extraction needs it; the decoders take turns within each repeat and the best time of each counts.
// Usage: bench_inflate_core [megabytes] [repeats] [ours|libdeflate]
// With a decoder's name, only that decoder runs, on the level 6 data, `repeats` times: for a profiler.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/extract.h"
#include "archive/inflate.h"
#include "archive/zip_crypto.h"

namespace fs = std::filesystem;

namespace {

// Appends regular files under root (sorted walk) until budget bytes were taken.
void AddFiles(std::vector<uint8_t>& corpus, const fs::path& root, size_t budget, bool textOnly) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        auto ext = it->path().extension().string();
        if (textOnly && (ext == ".gz" || ext == ".png" || ext == ".jpg" || ext == ".xz" || ext == ".bz2" ||
                         ext == ".mo" || ext == ".zip" || ext == ".ttf" || ext == ".pyc"))
            continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    size_t taken = 0;
    for (const auto& f : files) {
        if (taken >= budget) break;
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        size_t n = std::min(data.size(), budget - taken);
        corpus.insert(corpus.end(), data.begin(), data.begin() + n);
        taken += n;
    }
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The PKWARE traditional cipher in the encrypting direction (keys follow the plain bytes).
std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& plain, const std::string& password, uint8_t checkByte) {
    uint32_t k[3] = {0x12345678, 0x23456789, 0x34567890};
    auto update = [&](uint8_t p) {
        k[0] = archive::ArUpdateCRC32(p, k[0]);
        k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
        k[2] = archive::ArUpdateCRC32(uint8_t(k[1] >> 24), k[2]);
    };
    for (char c : password) update(uint8_t(c));
    std::vector<uint8_t> header(12, 0x5A);
    header[11] = checkByte;
    std::vector<uint8_t> out;
    auto put = [&](uint8_t p) {
        uint32_t t = (k[2] & 0xFFFF) | 2;
        out.push_back(uint8_t(p ^ uint8_t((t * (t ^ 1)) >> 8)));
        update(p);
    };
    for (uint8_t b : header) put(b);
    for (uint8_t b : plain) put(b);
    return out;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best times of several decoders, run in turn within each repeat, so that a change of load on a shared
// machine affects all of them alike.
template <size_t N>
std::array<double, N> BestInTurn(int repeats, const std::array<std::function<void()>, N>& runs) {
    std::array<double, N> best;
    best.fill(1e30);
    for (int i = 0; i < repeats; ++i)
        for (size_t k = 0; k < N; ++k) {
            auto start = std::chrono::steady_clock::now();
            runs[k]();
            best[k] = std::min(best[k], Seconds(start));
        }
    return best;
}

uint32_t ZlibInflate(const std::vector<uint8_t>& packed, bool withCrc, size_t& produced) {
    static std::vector<uint8_t> buffer(1 << 18);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(packed.data());
    z.avail_in = uInt(packed.size());
    uLong crc = crc32(0, nullptr, 0);
    produced = 0;
    for (;;) {
        z.next_out = buffer.data();
        z.avail_out = uInt(buffer.size());
        int rc = inflate(&z, Z_NO_FLUSH);
        size_t n = buffer.size() - z.avail_out;
        if (withCrc) crc = crc32(crc, buffer.data(), uInt(n));
        produced += n;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK) {
            std::fprintf(stderr, "zlib inflate failed: %d\n", rc);
            std::exit(1);
        }
    }
    inflateEnd(&z);
    return uint32_t(crc);
}

// libdeflate decodes the whole stream into one buffer of the known size (its fastest mode), then its
// CRC-32 runs over that buffer.
uint32_t LibdeflateInflate(libdeflate_decompressor* decompressor, const std::vector<uint8_t>& packed,
                           std::vector<uint8_t>& out, size_t& produced) {
    size_t actual = 0;
    if (libdeflate_deflate_decompress(decompressor, packed.data(), packed.size(), out.data(), out.size(), &actual) !=
        LIBDEFLATE_SUCCESS) {
        std::fprintf(stderr, "libdeflate decompress failed\n");
        std::exit(1);
    }
    produced = actual;
    return libdeflate_crc32(0, out.data(), actual);
}

// The source stream is made once outside the timing, as libdeflate's input buffer is; each run rewinds it.
uint32_t OurInflate(rtl::TMemoryStream& source, const std::string& password, uint32_t checkValue,
                    int64_t& produced) {
    source.SetPosition(0);
    archive::TArBitBucketStream dest;
    archive::TArDeflateHelper helper;
    helper.Passphrase = password;
    helper.CheckValue = checkValue;
    helper.ReadSourceInPlace = true;  // as the engine decodes items it read and decrypted ahead
    uint32_t crc = archive::Inflate(&source, &dest, helper);
    produced = helper.DecodedSize;
    return crc;
}

}  // namespace

int main(int argc, char** argv) {
    size_t megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 100;
    int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const size_t total = megabytes << 20;

    std::vector<uint8_t> corpus;
    AddFiles(corpus, "/usr/bin", total * 5 / 10, false);
    AddFiles(corpus, "/usr/share", total * 4 / 10, true);
    std::mt19937_64 rng(42);
    while (corpus.size() < total) {
        uint64_t v = rng();
        corpus.insert(corpus.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 8);
    }
    corpus.resize(total);
    const uint32_t expected = archive::ArCrc32(corpus.data(), corpus.size());
    std::printf("corpus: %.1f MB (binaries, text, random)\n", corpus.size() / 1e6);

    const std::string only = argc > 3 ? argv[3] : "";
    if (!only.empty()) {
        std::vector<uint8_t> packed = Deflate(corpus, 6);
        rtl::TMemoryStream packedStream(packed);
        libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
        std::vector<uint8_t> whole(corpus.size());
        int64_t ourSize = 0;
        size_t ldSize = 0;
        uint32_t crc = 0;
        const double best = BestInTurn<1>(repeats, {[&] {
            crc = only == "ours" ? OurInflate(packedStream, "", 0, ourSize)
                                 : LibdeflateInflate(decompressor, packed, whole, ldSize);
        }})[0];
        libdeflate_free_decompressor(decompressor);
        std::printf("%s: %.1f MB/s%s\n", only.c_str(), corpus.size() / 1e6 / best, crc == expected ? "" : " MISMATCH");
        return crc == expected ? 0 : 1;
    }

    for (int level : {6, 9}) {
        std::vector<uint8_t> packed = Deflate(corpus, level);
        std::printf("\nzlib level %d: %.1f MB compressed (%.1f%%)\n", level, packed.size() / 1e6,
                    100.0 * packed.size() / corpus.size());
        const double mb = corpus.size() / 1e6;

        int64_t ourSize = 0;
        uint32_t ourCrc = 0, zCrc = 0, ldCrc = 0;
        size_t zSize = 0, ldSize = 0;
        rtl::TMemoryStream packedStream(packed);
        libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
        std::vector<uint8_t> whole(corpus.size());
        const auto best = BestInTurn<4>(
            repeats, {[&] { ourCrc = OurInflate(packedStream, "", 0, ourSize); },
                      [&] { ZlibInflate(packed, false, zSize); }, [&] { zCrc = ZlibInflate(packed, true, zSize); },
                      [&] { ldCrc = LibdeflateInflate(decompressor, packed, whole, ldSize); }});
        libdeflate_free_decompressor(decompressor);
        const double ours = best[0], zlibPlain = best[1], zlibCrc = best[2], libdeflate = best[3];
        if (ourCrc != expected || size_t(ourSize) != corpus.size() || zCrc != expected) {
            std::printf("MISMATCH: ours crc %08x size %lld, zlib crc %08x, expected %08x\n", ourCrc,
                        (long long)ourSize, zCrc, expected);
            return 1;
        }
        if (ldCrc != expected || ldSize != corpus.size()) {
            std::printf("MISMATCH: libdeflate crc %08x size %zu, expected %08x\n", ldCrc, ldSize, expected);
            return 1;
        }
        std::printf("  archive::Inflate (with CRC-32)     %8.1f MB/s\n", mb / ours);
        std::printf("  zlib inflate (no checksum)         %8.1f MB/s\n", mb / zlibPlain);
        std::printf("  zlib inflate + crc32               %8.1f MB/s\n", mb / zlibCrc);
        std::printf("  libdeflate whole buffer + crc32    %8.1f MB/s   (ours/libdeflate %.2fx)\n", mb / libdeflate,
                    libdeflate / ours);

        if (level == 6) {
            const std::string password = "benchmark password";
            rtl::TMemoryStream sealed(Encrypt(packed, password, uint8_t(expected >> 24)));
            const double enc =
                BestInTurn<1>(repeats, {[&] { ourCrc = OurInflate(sealed, password, expected, ourSize); }})[0];
            if (ourCrc != expected) {
                std::printf("MISMATCH in the encrypted run\n");
                return 1;
            }
            std::printf("  archive::Inflate, encrypted        %8.1f MB/s\n", mb / enc);
        }
    }
    return 0;
}
