// The machine port, shell: starting programs, shell links (.LNK files), shell notifications and COM.
#pragma once
#include <cstdint>
#include <string>

namespace os {

enum : int { kSwHide = 0, kSwShowNormal = 1, kSwMinimize = 6 };

struct ShellLinkSpec {
    std::string target;            // SetPath
    std::string arguments;         // SetArguments; empty: not set
    std::string workingDirectory;  // SetWorkingDirectory
    std::string description;       // SetDescription
};

// The steps of creating a shell link, in order.
enum class ShellLinkStep {
    CreateObject,      // CoCreateInstance of the link object (as IShellLinkA)
    QueryPersistFile,  // asking the object for IPersistFile
    Save,              // converting the link file's name to UTF-16 and IPersistFile::Save
    Saved,             // every step succeeded
};

class Shell {
public:
    virtual ~Shell() = default;

    // ShellExecuteA with an owner window (an HWND; null for none), the parent of any message the shell
    // shows about the start: the result is the instance value (above 32 on success).
    virtual intptr_t shellExecute(void* owner, const std::string& operation, const std::string& file,
                                  const std::string& parameters, const std::string& directory, int showCommand) = 0;
    // The same with no owner window.
    intptr_t shellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                          const std::string& directory, int showCommand) {
        return shellExecute(nullptr, operation, file, parameters, directory, showCommand);
    }
    // WinExec: above 31 on success.
    virtual uint32_t winExec(const std::string& commandLine, int showCommand) = 0;

    // CoInitialize / CoUninitialize on the calling thread.
    virtual int32_t initializeCom() = 0;
    virtual void uninitializeCom() = 0;
    // Creates the shell-link object, sets what spec gives and saves it as linkFile (IPersistFile::Save
    // with fRemember). Returns the COM status: 0 on success, negative on failure; a failed save leaves the
    // reason in the thread's last error.
    int32_t createShellLink(const ShellLinkSpec& spec, const std::string& linkFile, bool remember) {
        ShellLinkStep reached;
        return createShellLink(spec, linkFile, remember, reached);
    }
    // The same, telling in reached where it stopped: the step that failed, or Saved. A caller that
    // reports only failed saves (with the thread's last error) tells them from the others by it.
    virtual int32_t createShellLink(const ShellLinkSpec& spec, const std::string& linkFile, bool remember,
                                    ShellLinkStep& reached) = 0;
    // SHChangeNotify(SHCNE_MKDIR, SHCNF_PATH, path).
    virtual void notifyDirectoryCreated(const std::string& path) = 0;
};

}  // namespace os
