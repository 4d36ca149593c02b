// The engine's two links to the user interface: message boxes (disk and volume requests) and running
// the message loop while a meter moves. The form library installs them; without one, a message box is
// answered with Cancel and no messages are processed. Also the one place where the engine starts its
// helper threads, so that a test can watch them start or make a start fail.
#pragma once
#include <functional>
#include <string>
#include <thread>

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

// Helper threads (decrypting ahead, prefetching items) start through ArStartThread: it calls the start
// hook, when one is set, with the helper's purpose ("decrypt-ahead", "prefetch", "extract-worker") and then starts a thread
// running work. An exception from the hook stands for a thread that could not be started and leaves
// ArStartThread as std::thread's own failure would; the callers then do the work in line.
using TArThreadStartHook = std::function<void(const char* purpose)>;
void SetArThreadStartHook(TArThreadStartHook hook);
std::thread ArStartThread(const char* purpose, std::function<void()> work);

// How many items ExtractFiles and TestFiles may work on at once. 0 (the default) means one per processor
// the process may run on, at most 8; 1 keeps every item on the caller's thread.
void SetArWorkerLimit(int workers);
int ArWorkerCount();
// The processors the process may run on (at least 1). With one, helper threads only take turns with the
// caller's thread, so the work they would do ahead is done in line.
int ArProcessorCount();

}  // namespace archive
