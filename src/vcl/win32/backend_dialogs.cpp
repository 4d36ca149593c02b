// The real-window backend's system dialogs: the message box and the shell's folder browser. While one is
// open its own loop dispatches our windows' messages; the wait state tells the robot which one it is.
#include "vcl/dialogs.h"
#include "vcl/win32/backend_impl.h"

#include <shlobj.h>

namespace vcl::win32::detail {
namespace {

// Starts the browser on the folder passed as the callback's data, when there is one.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    const char* start = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && start && *start)
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
    return 0;
}

}  // namespace

int Win32Backend::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    int answer = 0;
    {
        WaitScope wait(*this, WaitState{WaitState::MessageBox, "", caption, text, flags});
        answer = MessageBoxA(OwnerWindow(), text.c_str(), caption.c_str(), flags);
    }
    RethrowPending();
    return answer ? answer : idCancel;
}

bool Win32Backend::BrowseForFolder(const std::string& title, std::string& path) {
    BROWSEINFOA info{};
    info.hwndOwner = OwnerWindow();
    info.pidlRoot = nullptr;  // the desktop
    char display[MAX_PATH] = {};
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(path.c_str());
    PIDLIST_ABSOLUTE chosen = nullptr;
    {
        WaitScope wait(*this, WaitState{WaitState::Browser, "", title, "", info.ulFlags});
        chosen = SHBrowseForFolderA(&info);
    }
    RethrowPending();
    if (!chosen) return false;
    char buffer[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(chosen, buffer) != FALSE;
    CoTaskMemFree(chosen);
    if (ok) path = buffer;
    return ok;
}

// The desktop's item list is the root; no callback, so no starting folder. An item without a file-system
// path (allowed without BIF_RETURNONLYFSDIRS) is a confirmed choice with an empty path.
bool Win32Backend::BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) {
    PIDLIST_ABSOLUTE desktop = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(OwnerWindow(), CSIDL_DESKTOP, &desktop))) desktop = nullptr;
    BROWSEINFOA info{};
    info.hwndOwner = OwnerWindow();
    info.pidlRoot = desktop;
    char display[MAX_PATH] = {};
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = flags;
    PIDLIST_ABSOLUTE chosen = nullptr;
    {
        WaitScope wait(*this, WaitState{WaitState::Browser, "", title, "", flags});
        chosen = SHBrowseForFolderA(&info);
    }
    CoTaskMemFree(desktop);
    RethrowPending();
    if (!chosen) return false;
    char buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen, buffer)) buffer[0] = '\0';
    CoTaskMemFree(chosen);
    path = buffer;
    return true;
}

}  // namespace vcl::win32::detail
