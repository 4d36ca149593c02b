// Shell links through the machine port, the last-error box and the notified directory creation.
#include "sys/reg.h"


#include "os/machine.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"

namespace sys {

namespace {

// The name the last-error box gives for this unit.
constexpr char kSourceFile[] = "reg.cpp";

// wsprintf's "%d" of a DWORD: the code read as a signed 32-bit number.
std::string SignedDecimal(uint32_t value) { return std::to_string(static_cast<int32_t>(value)); }

}  // namespace

int32_t CreateLink(const std::string& target, const std::string& linkFile, const std::string& description,
                   const std::string& workingDirectory, bool* shownError) {
    if (shownError) *shownError = false;
    os::ShellLinkSpec link;
    link.target = target;
    link.description = description;
    link.workingDirectory = workingDirectory;
    os::ShellLinkStep reached = os::ShellLinkStep::CreateObject;
    const int32_t status = os::shell().createShellLink(link, linkFile, true, reached);
    if (status < 0 && reached == os::ShellLinkStep::Save) {
        ShowLastError(__LINE__, kSourceFile);
        if (shownError) *shownError = true;
    }
    return status;
}

void ShowLastError(uint16_t line, const std::string& sourceFile) {
    os::System& system = os::system();
    const uint32_t code = system.lastError();
    const std::string text = system.errorText(code);
    const unsigned flags = vcl::mbOK | vcl::mbIconWarning;  // MB_ICONEXCLAMATION
    if (!text.empty()) {
        std::string caption = "Generic, Line=" + std::to_string(line) + ", File=" + sourceFile;
        vcl::Application->MessageBox(text, caption, flags);
    } else {
        vcl::Application->MessageBox("An error occured calling FormatMessage().Error Code " + SignedDecimal(code),
                                     "Generic", flags);
    }
}

bool CreateFolder(const std::string& path) {
    os::files().createDirectory(path);
    os::shell().notifyDirectoryCreated(path);
    return true;
}

}  // namespace sys
