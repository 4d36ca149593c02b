// Private to the ZIP layer: the archive as the host of an item decoded in line, on the caller's thread:
// its own stream and volumes, its hooks, its password and the items read ahead for it.
#pragma once
#include "archive/hooks.h"
#include "archive/item_decode.h"
#include "archive/zip_archive.h"

namespace archive::detail {

class TArArchiveHost : public TArItemHost {
public:
    explicit TArArchiveHost(TArArchive& archive) : archive_(archive) {}

    rtl::TStream& Source() override { return *archive_.FStream; }
    void EnterVolume(uint16_t disk) override;
    bool Spanned() const override { return archive_.Spanned; }
    bool ItemProgress(TArArchiveItem& item, uint8_t percent) override {
        return archive_.DoArchiveItemProgress(&item, percent);
    }
    void InflateProgress(int percent) override { archive_.DoInflateProgress(percent); }
    void BadCrc(TArArchiveItem& item) override;
    const std::string& CurrentPassword() const override { return archive_.Password; }
    std::string RequestPassword() override { return archive_.RequestPassword(); }
    void AcceptPassword(const std::string& password) override { archive_.Password = password; }
    int PasswordRetries() const override { return archive_.PasswordRetries; }
    bool HasNeedPasswordHandler() const override { return static_cast<bool>(archive_.OnNeedPassword); }
    // Not with one processor, where the decrypting thread would only take turns with this one.
    bool MayDecryptAhead() const override { return !archive_.Spanned && ArProcessorCount() >= 2; }
    bool TakePrefetched(TArArchiveItem& item, std::vector<uint8_t>& data) override;

private:
    TArArchive& archive_;
};

}  // namespace archive::detail
