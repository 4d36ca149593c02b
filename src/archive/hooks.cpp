#include "archive/hooks.h"

#include "os/machine.h"
#include "os/system.h"

#include <algorithm>
#include <atomic>

namespace archive {

namespace {
TArMessageBoxHook messageBoxHook;
std::function<void()> processMessagesHook;
TArThreadStartHook threadStartHook;
std::atomic<int> workerLimit{0};
}  // namespace

void SetArMessageBoxHook(TArMessageBoxHook hook) { messageBoxHook = std::move(hook); }

int ArMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return messageBoxHook ? messageBoxHook(text, caption, flags) : kMbCancel;
}

void SetArProcessMessagesHook(std::function<void()> hook) { processMessagesHook = std::move(hook); }

void ArProcessMessages() {
    if (processMessagesHook) processMessagesHook();
}

void SetArThreadStartHook(TArThreadStartHook hook) { threadStartHook = std::move(hook); }

std::thread ArStartThread(const char* purpose, std::function<void()> work) {
    if (threadStartHook) threadStartHook(purpose);
    return std::thread(std::move(work));
}

void SetArWorkerLimit(int workers) { workerLimit = std::max(0, workers); }

int ArProcessorCount() {
    // Asked for every item; the answer of the machine is kept once there is one.
    static std::atomic<int> known{0};
    int count = known.load(std::memory_order_relaxed);
    if (count > 0) return count;
    if (os::hasMachine()) {
        count = os::system().processorCount();
        if (count > 0) known.store(count, std::memory_order_relaxed);
    }
    if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
    return std::max(count, 1);
}

int ArWorkerCount() {
    int limit = workerLimit;
    if (limit > 0) return std::min(limit, 8);
    return std::min(ArProcessorCount(), 8);
}

}  // namespace archive
