// The real machine's shell: ShellExecuteA, WinExec, COM initialisation, shell links through the shell's
// link object (IShellLinkA + IPersistFile) and SHChangeNotify.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

class Win32Shell : public Shell {
public:
    intptr_t shellExecute(void* owner, const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showCommand) override {
        HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), operation.empty() ? nullptr : operation.c_str(), file.c_str(),
                                         parameters.empty() ? nullptr : parameters.c_str(),
                                         directory.empty() ? nullptr : directory.c_str(), showCommand);
        return reinterpret_cast<intptr_t>(result);
    }

    uint32_t winExec(const std::string& commandLine, int showCommand) override {
        return WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
    }

    int32_t initializeCom() override { return CoInitialize(nullptr); }
    void uninitializeCom() override { CoUninitialize(); }

    using Shell::createShellLink;
    int32_t createShellLink(const ShellLinkSpec& spec, const std::string& linkFile, bool remember,
                            ShellLinkStep& reached) override {
        reached = ShellLinkStep::CreateObject;
        Released<IShellLinkA> link;
        HRESULT status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                          reinterpret_cast<void**>(&link.p));
        if (FAILED(status)) return status;
        reached = ShellLinkStep::QueryPersistFile;
        link.p->SetPath(spec.target.c_str());
        if (!spec.arguments.empty()) link.p->SetArguments(spec.arguments.c_str());
        link.p->SetDescription(spec.description.c_str());
        link.p->SetWorkingDirectory(spec.workingDirectory.c_str());
        Released<IPersistFile> file;
        status = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
        if (FAILED(status)) return status;
        reached = ShellLinkStep::Save;
        // The name is converted into a buffer of MAX_PATH wide characters. A longer name does not fit: the
        // conversion fails rather than hand Save a name without its terminator.
        WCHAR wide[MAX_PATH];
        int length = MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH);
        if (length == 0) {
            DWORD error = GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
            SetLastError(error);
            return HRESULT_FROM_WIN32(error);
        }
        status = file.p->Save(wide, remember ? TRUE : FALSE);
        if (SUCCEEDED(status)) reached = ShellLinkStep::Saved;
        return status;
    }

    void notifyDirectoryCreated(const std::string& path) override {
        SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, path.c_str(), nullptr);
    }
};

}  // namespace

std::unique_ptr<Shell> MakeShell() { return std::make_unique<Win32Shell>(); }

}  // namespace os::win32::detail
