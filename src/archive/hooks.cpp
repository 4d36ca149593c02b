#include "archive/hooks.h"

namespace archive {

namespace {
TArMessageBoxHook messageBoxHook;
std::function<void()> processMessagesHook;
TArThreadStartHook threadStartHook;
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

}  // namespace archive
