// Fuzz target of the unshrink decoder (method 1) through TArUnzipHelper.
// Input: 3 bytes of expected output size (little-endian, up to 128 KB), then the compressed data.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/errors.h"
#include "archive/legacy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    archive::TArUnzipHelperParams p;
    p.UncompressedSize = (data[0] | data[1] << 8 | data[2] << 16) & 0x1FFFF;
    p.Method = 1;
    p.GeneralPurposeBitFlag = 0;
    rtl::TMemoryStream source(std::vector<uint8_t>(data + 3, data + size));
    p.Source = &source;
    p.CompressedSize = static_cast<int64_t>(size - 3);
    try {
        archive::TArUnzipHelper(p).Execute();
    } catch (const archive::EArException&) {
        // Clean rejection of bad data; crashes, leaks and other exceptions are what the fuzzer looks for.
    }
    return 0;
}
