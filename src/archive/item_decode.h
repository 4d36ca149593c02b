// Private to the ZIP layer: decoding one item's data (stored, deflate, deflate64, the older methods) with
// its password check and CRC check. What the decoding needs besides the item comes from a host: in line
// the archive itself, on a worker of the parallel pool a stream of the worker's own and a record of the
// progress that the caller's thread replays.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/items.h"
#include "rtl/streams.h"

namespace archive::detail {

class TArLanePartners;

class TArItemHost {
public:
    virtual ~TArItemHost() = default;

    // The archive's bytes; DecodeItem positions it.
    virtual rtl::TStream& Source() = 0;
    // Makes the item's first volume current when the archive is a spanned set (in line only).
    virtual void EnterVolume(uint16_t disk) = 0;
    virtual bool Spanned() const = 0;

    // Item progress of stored copies and the older methods; true means Abort.
    virtual bool ItemProgress(TArArchiveItem& item, uint8_t percent) = 0;
    // Item progress of the deflate decoder; raises EArAbortProgress on Abort.
    virtual void InflateProgress(int percent) = 0;
    // A CRC mismatch: reported through the item-failure hook, or raised as EArZipBadCRC without one.
    virtual void BadCrc(TArArchiveItem& item) = 0;

    // Passwords. Current is the password in force (possibly empty); Request asks the need-password hook
    // and returns what it supplied ("" for nothing); Accept makes a supplied password current.
    virtual const std::string& CurrentPassword() const = 0;
    virtual std::string RequestPassword() = 0;
    virtual void AcceptPassword(const std::string& password) = 0;
    virtual int PasswordRetries() const = 0;
    virtual bool HasNeedPasswordHandler() const = 0;
    // Whether a large encrypted item may be decrypted ahead on a helper thread.
    virtual bool MayDecryptAhead() const = 0;
    // The decrypted compressed data of an encrypted deflated item that was read ahead, when there is one.
    virtual bool TakePrefetched(TArArchiveItem& item, std::vector<uint8_t>& data) = 0;
    // Other items to decrypt alongside an encrypted deflated item as it is read, or null.
    virtual TArLanePartners* LanePartners() { return nullptr; }
};

// Decodes item into out (null: test only) and checks its CRC.
void DecodeItem(TArItemHost& host, TArArchiveItem& item, rtl::TStream* out);

}  // namespace archive::detail
