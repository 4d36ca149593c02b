// The deflate decoder's workspaces: a small process-wide pool of idle ones.
#include "archive/inflate_workspace.h"

#include <mutex>

namespace archive::detail {

namespace {

// As many idle workspaces as the engine runs decoders at once; more are released when returned. A pool
// rather than one per thread: thread-local objects with destructors are not dependable on every
// toolchain we build with.
constexpr int kPooled = 8;

std::mutex poolMutex;
InflateWorkspace* pool[kPooled];
int pooled = 0;

}  // namespace

InflateWorkspaceLease::InflateWorkspaceLease() {
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        if (pooled > 0) {
            workspace_ = pool[--pooled];
            return;
        }
    }
    workspace_ = new InflateWorkspace;
}

InflateWorkspaceLease::~InflateWorkspaceLease() {
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        if (pooled < kPooled) {
            pool[pooled++] = workspace_;
            return;
        }
    }
    delete workspace_;
}

}  // namespace archive::detail
