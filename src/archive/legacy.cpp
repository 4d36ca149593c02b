// TArUnzipHelper: picks the legacy decoder for an item's method and runs it from the source stream into
// the sliding window.
#include "archive/legacy.h"

#include <memory>

#include "archive/errors.h"
#include "archive/legacy_decoders.h"

namespace archive {

struct TArUnzipHelper::Impl {
    explicit Impl(const TArUnzipHelperParams& p)
        : params(p), input(p.Source, p.Decryptor, p.CompressedSize),
          window(p.Dest, p.UncompressedSize, &params.Progress) {}

    TArUnzipHelperParams params;
    detail::TArLegacyInput input;
    detail::TArSlidingWindowStream window;
};

TArUnzipHelper::TArUnzipHelper(const TArUnzipHelperParams& params) : impl_(new Impl(params)) {}

TArUnzipHelper::~TArUnzipHelper() { delete impl_; }

uint32_t TArUnzipHelper::Execute() {
    const uint8_t method = impl_->params.Method;
    if (method < 1 || method > 6) throw EArZipInvalidMethod();
    if (method == 1) detail::ArUnshrink(impl_->input, impl_->window);
    else if (method == 6) detail::ArExplode(impl_->input, impl_->window, impl_->params.GeneralPurposeBitFlag);
    else detail::ArUnreduce(impl_->input, impl_->window, method - 1);
    impl_->window.Flush();
    return impl_->window.Crc();
}

}  // namespace archive
