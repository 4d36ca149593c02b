// Private to the deflate decoder: the memory one decoding needs (output buffer, input block and code
// tables, 212 KiB in all). Finished decodings leave it in a pool of up to 8 (the most decoders the engine
// runs at once) for the next one. Small items come one after another; allocating and releasing this much
// each time makes the allocator hand the pages back to the system and fault them in again, which costs
// more than decoding a small item.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/inflate_tables.h"
#include "archive/inflate_window.h"

namespace archive::detail {

constexpr size_t kInputBlock = 16384;  // bytes asked of the source per read
constexpr size_t kInputSlack = 32;     // the input block is refilled when fewer bytes than this remain

struct InflateWorkspace {
    uint8_t window[InflateWindow::kCapacity + InflateWindow::kSlack];
    uint8_t input[kInputBlock + kInputSlack];
    CodeTables tables;
};

static_assert(sizeof(InflateWorkspace) <= 212 * 1024 + 512, "the engine budgets about 256 KiB per decoder");

// Lends an idle workspace from the pool, or a new one. Each lease has its own, so decodings on several
// threads, or one started from inside another's callback, never share one. Contents are left from
// earlier use; nothing relies on them.
class InflateWorkspaceLease {
public:
    InflateWorkspaceLease();
    ~InflateWorkspaceLease();
    InflateWorkspaceLease(const InflateWorkspaceLease&) = delete;
    InflateWorkspaceLease& operator=(const InflateWorkspaceLease&) = delete;

    InflateWorkspace& operator*() const { return *workspace_; }
    InflateWorkspace* operator->() const { return workspace_; }

private:
    InflateWorkspace* workspace_;
};

}  // namespace archive::detail
