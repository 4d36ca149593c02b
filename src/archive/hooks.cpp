#include "archive/hooks.h"

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

int ArWorkerCount() {
    int limit = workerLimit;
    if (limit > 0) return std::min(limit, 8);
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

}  // namespace archive
