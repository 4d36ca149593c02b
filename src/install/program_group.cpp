// The program-group stage: the Start-menu folders and the shortcut files of the chosen products, and the
// directory-path helper it shares with the copy stage.
#include <algorithm>

#include "app/main_form.h"
#include "install/stage_support.h"
#include "os/machine.h"
#include "rtl/strings.h"
#include "sys/reg.h"

namespace app {

namespace {

constexpr char kShellFolders[] = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS";
constexpr char kStartupGroup[] = "STARTUP";

bool IsStartupGroup(const std::string& group) { return rtl::AnsiUpperCase(group) == kStartupGroup; }

// True when what precedes a backslash at position end is a root: nothing, or a drive ("C:"). Creating
// it would only fail.
bool IsRootPrefix(const std::string& path, size_t end) {
    return end == 0 || (end == 2 && path[1] == ':');
}

}  // namespace

// Creates every level of the path in turn, from the first below the root to the whole path; a level that
// exists already, or cannot be made, is passed over (a later operation on a missing level fails instead).
// Double-byte characters are stepped over whole, so a trail byte equal to '\' does not cut a name.
void TMainForm::MakeDirectoryPath(const std::string& path) {
    os::FileSystem& files = os::files();
    for (size_t i = 0; i < path.size(); ++i) {
        if (rtl::IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\' && !IsRootPrefix(path, i)) files.createDirectory(path.substr(0, i));
    }
    if (path.empty() || files.createDirectory(path)) return;
    // The steps go on without the folder (the spot that needs it says so); the cause is noted here.
    const uint32_t error = files.lastError();
    if (!os::DirectoryExists(path)) NoteFailure("create folder " + path + " failed" + WindowsErrorText(error));
}

std::string TMainForm::GetShortcutFolder(const std::string& group, const std::string& productName) {
    os::Registry& registry = os::registry();
    registry.createKey(os::RootKey::CurrentUser, kShellFolders);
    const bool startup = IsStartupGroup(group);
    std::string folder;
    if (!registry.readString(os::RootKey::CurrentUser, kShellFolders, startup ? group : std::string("Programs"),
                             folder))
        folder.clear();
    if (!folder.empty() && rtl::LastDelimiter("\\", folder) == folder.size() - 1) folder.pop_back();
    if (!startup) {
        folder += "\\" + productName;
        if (!group.empty()) folder += "\\" + group;
    }
    return folder;
}

void TMainForm::CreateProgramGroup() {
    Label5.SetCaption("正在建立程序组...");
    Label5.Repaint();
    Label5.SetCaption("正在建立快捷方式...");
    Label5.Repaint();

    // COM is balanced only when it was initialised here (S_OK, or S_FALSE when it was already); a failed
    // initialisation must not be undone.
    os::Shell& shell = os::shell();
    const bool comInitialized = shell.initializeCom() >= 0;

    const int shortcuts = Bounded(ShortCutCount, kMaxShortCuts);
    const int products = Bounded(ProductCount, kMaxProducts);
    CGauge1.SetMaxValue(ShortCutCount);
    int handled = 0;
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        for (int i = 0; i < shortcuts; ++i) {
            TShortCut& shortcut = ShortCuts[size_t(i)];
            if (shortcut.ProductNo != p + 1) continue;
            const std::string& target = Substitute(shortcut.Target);
            const size_t lastBackslash = rtl::LastDelimiter("\\", target);
            const std::string workingDirectory =
                lastBackslash == std::string::npos ? std::string() : target.substr(0, lastBackslash);
            CGauge1.SetProgress(handled++);
            if (!os::PathExists(target)) continue;

            const std::string folder = GetShortcutFolder(shortcut.Group, Products[size_t(p)].Name);
            MakeDirectoryPath(folder);
            const std::string linkFile = folder + "\\" + shortcut.LinkName + ".LNK";
            bool reported = false;
            if (sys::CreateLink(target, linkFile, "", workingDirectory, &reported) < 0 && !reported)
                NoteFailure("shortcut " + linkFile + " to " + target + " was not created" + LastErrorText());
        }
    }
    if (comInitialized) shell.uninitializeCom();
    CGauge1.SetProgress(ShortCutCount);
    CGauge1.Hide();
    CGauge1.Repaint();
}

}  // namespace app
