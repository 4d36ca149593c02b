// Fuzz target for the deflate/deflate64 decoder: the first byte picks the options, the rest is the stream.
// Any input must end in a result or an EArInflateError, never in a crash or an out-of-bounds access.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/inflate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    rtl::TMemoryStream source(std::vector<uint8_t>(data + 1, data + size));
    rtl::TMemoryStream dest;
    archive::TArDeflateHelper helper;
    if (mode & 1) helper.Options |= archive::kInflateDeflate64;
    if (mode & 2) helper.Options |= archive::kInflateAdler32;
    if (mode & 4) helper.Options |= archive::kInflateTestOnly;
    if (mode & 8) helper.PartialSize = 1 + (mode >> 4) * 997;
    try {
        archive::Inflate(&source, &dest, helper);
        // The source must end inside the data given, after the bytes consumed.
        if (source.Position() > int64_t(size - 1) || helper.CompressedSizeRead != source.Position()) __builtin_trap();
    } catch (const archive::EArInflateError&) {
    } catch (const rtl::Exception&) {
    }
    return 0;
}
