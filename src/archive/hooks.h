// The engine's two links to the user interface: message boxes (disk and volume requests) and running
// the message loop while a meter moves. The form library installs them; without one, a message box is
// answered with Cancel and no messages are processed.
#pragma once
#include <functional>
#include <string>

namespace archive {

enum : int { kMbOk = 1, kMbCancel = 2 };
enum : unsigned { kMbOkCancel = 0x1, kMbTaskModal = 0x2000 };

// Shows a message box with text and caption and returns kMbOk or kMbCancel.
using TArMessageBoxHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetArMessageBoxHook(TArMessageBoxHook hook);
int ArMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// Lets the application's message loop run (ProcessMessages).
void SetArProcessMessagesHook(std::function<void()> hook);
void ArProcessMessages();

}  // namespace archive
