#include "archive/archive_host.h"

#include "archive/item_prefetch.h"

namespace archive::detail {

void TArArchiveHost::EnterVolume(uint16_t disk) {
    if (archive_.CurrentDisk != disk) static_cast<TArZipArchive&>(archive_).RequestVolume(disk);
}

void TArArchiveHost::BadCrc(TArArchiveItem& item) {
    if (!archive_.HasItemFailureHook()) throw EArZipBadCRC();
    archive_.DoProcessItemFailure(&item, TArProcessType::ptExtract, TArErrorClass::ecArchive, kArZipBadCRC);
}

bool TArArchiveHost::TakePrefetched(TArArchiveItem&, std::vector<uint8_t>& data) {
    if (!archive_.Prefetcher || !archive_.Prefetcher->Take(archive_.CurrentIndex, archive_.Password, data)) return false;
    ++archive_.PrefetchedItems;
    return true;
}

}  // namespace archive::detail
