// Registry and uninstall registration: the products' own registry keys, the install information key, the
// RunOnce commands, the uninstaller copied into the Windows directory, the login-information file, the
// uninstall entry, and the per-package lists of extracted files the uninstaller works from.
//
// Every value goes to HKEY_LOCAL_MACHINE as a string. None of these steps shows a message: what cannot be
// written or created is passed to NoteFailure, and the step goes on with the rest.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/main_form.h"
#include "install/copy_into_place.h"
#include "install/stage_support.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace app {

namespace {

constexpr os::RootKey kRoot = os::RootKey::LocalMachine;
// The product family's key; the install information and the file lists live below it.
constexpr char kFamilyKey[] = "\\SOFTWARE\\Tessarine\\";
constexpr char kRunOnceKey[] = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE";
// The family name and the product's RegKey are separated by a blank in the uninstall entry's key name.
constexpr char kUninstallKeyPrefix[] = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\Tessarine ";
// The uninstaller as the medium holds it, and its copy in the Windows directory.
constexpr char kUninstallerSource[] = "Setup.CHT";
constexpr char kUninstallerCopy[] = "Tavrun2.EXE";
// The copy while it is being written.
constexpr char kUninstallerPartial[] = "Tavrun2.$$$";
constexpr char kUninstallerCommand[] = "Tavrun2.exe";
constexpr char kLoginInfoFile[] = "logininfo.txt";
constexpr char kProductIcon[] = "CTLX.EXE";

// The key as the failure texts name it: "HKLM\SOFTWARE\...".
std::string KeyText(const std::string& path) {
    return "HKLM" + (path.empty() || path[0] != '\\' ? "\\" + path : path);
}

// How failure texts name the registry's error, as file failures name theirs: " (Windows error 5)".
std::string RegistryErrorText() { return WindowsErrorText(os::registry().lastError()); }

// A key opened with creation allowed; its values are written one by one. A key that cannot be created is
// noted once and its values are not attempted.
class KeyWriter {
public:
    KeyWriter(const TMainForm& form, std::string path) : form_(form), path_(std::move(path)) {
        open_ = os::registry().createKey(kRoot, path_);
        if (!open_)
            form_.NoteFailure("registry key " + KeyText(path_) + " could not be created" + RegistryErrorText());
    }

    void Write(const std::string& name, const std::string& data) {
        if (!open_) return;
        if (!os::registry().writeString(kRoot, path_, name, data))
            form_.NoteFailure("registry value " + KeyText(path_) + "|" + name + " could not be written" +
                              RegistryErrorText());
    }

private:
    const TMainForm& form_;
    std::string path_;
    bool open_ = false;
};

bool WriteAll(os::File& file, const void* data, int64_t size) {
    return size == 0 || file.write(data, size) == size;
}

}  // namespace

void TMainForm::RegisterProducts() {
    for (int p = 0; p < Bounded(ProductCount, kMaxProducts); ++p) {
        if (!ProductChosen(p)) continue;
        TProductConfig& config = ProductConfigs[p];
        for (int k = 0; k < Bounded(config.RegKeyCount, kMaxRegKeys); ++k) {
            TRegKeySpec& spec = config.RegKeys[k];
            // The key path is used as written; only the names and data carry macros.
            KeyWriter key(*this, spec.Root);
            for (int e = 0; e < Bounded(spec.EntryCount, kMaxEntries); ++e) {
                TRegEntry& entry = spec.Entries[e];
                Substitute(entry.Rest);
                Substitute(entry.A);
                key.Write(entry.A, entry.Rest);
            }
        }
    }
}

void TMainForm::RegisterInstallInfo() {
    // Named after the first product whether or not it is installed; lists the chosen ones from 1.
    KeyWriter key(*this, kFamilyKey + Products[0].RegKey);
    int n = 0;
    for (int p = 0; p < Bounded(ProductCount, kMaxProducts); ++p) {
        if (!ProductChosen(p)) continue;
        const std::string number = rtl::IntToStr(++n);
        key.Write("ProductName" + number, Products[p].Name);
        key.Write("ProductPath" + number, Products[p].MainPath);
        key.Write("ProductUninstallFlag" + number, "0");
    }
    key.Write("ProductNumber", rtl::IntToStr(n));
}

void TMainForm::RegisterRunOnce() {
    KeyWriter key(*this, kRunOnceKey);
    // One value name for every entry: when several programs exist, the last one's command stays.
    const std::string valueName = "晨帆" + Products[0].Name + " " + Products[0].RegKey;
    for (int i = 0; i < Bounded(ServiceRunonceCount, kMaxServiceRunonce); ++i) {
        std::string& command = ServiceRunonce[i];
        Substitute(command);
        // The program is what precedes the first switch; the switches are written with it.
        const std::string program = rtl::Trim(std::string_view(command).substr(0, command.find('/')));
        if (os::FileExists(program)) key.Write(valueName, command);
    }
}

void TMainForm::CopyUninstaller() {
    const std::string sourcePath = PathIn(SetupFolder(), kUninstallerSource);
    std::unique_ptr<os::File> source = os::files().openFile(sourcePath, os::kOpenRead | os::kShareDenyWrite);
    if (!source) {
        // An earlier copy in the Windows directory stays as it is.
        NoteFailure("uninstaller " + sourcePath + " could not be opened" + LastErrorText() + "; " + kUninstallerCopy +
                    " was not copied");
        return;
    }
    // The copy is written beside the program under another name and put in its place only when complete,
    // so an earlier copy is never replaced by a cut-off one (a full disk, a disc that cannot be read).
    const std::string targetPath = PathIn(os::system().windowsDirectory(), kUninstallerCopy);
    const std::string partialPath = PathIn(os::system().windowsDirectory(), kUninstallerPartial);
    const CopyIntoPlaceResult copy = CopyIntoPlace(*source, partialPath, targetPath);
    const std::string error = WindowsErrorText(copy.error);
    using Step = CopyIntoPlaceResult::Step;
    switch (copy.step) {
        case Step::Done: return;
        case Step::NotCreated:
            NoteFailure("file " + partialPath + " could not be created" + error + "; " + kUninstallerCopy +
                        " was not copied");
            return;
        case Step::NotWritten:
            NoteFailure("file " + targetPath + " could not be written completely from " + sourcePath + error +
                        "; an earlier copy stays as it was");
            return;
        case Step::NotReplaced:
            NoteFailure("file " + targetPath + " could not be replaced" + error + "; the earlier copy stays as it was");
            return;
        case Step::NotMoved: NoteFailure("file " + targetPath + " could not be put in place" + error); return;
    }
}

void TMainForm::WriteLoginInfo() {
    const std::string path = PathIn(Products[0].MainPath, kLoginInfoFile);
    if (os::FileExists(path)) os::files().deleteFile(path);
    // The non-empty texts with one TAB between two of them; no line end.
    std::string content;
    for (const std::string& text : LoginInfo) {
        if (text.empty()) continue;
        if (!content.empty()) content += '\t';
        content += text;
    }
    std::unique_ptr<os::File> file = os::files().createFile(path);
    if (!file) {
        NoteFailure("file " + path + " could not be created" + LastErrorText());
        return;
    }
    if (!WriteAll(*file, content.data(), int64_t(content.size()))) {
        // A cut-off file would hand the product a wrong login; none is better.
        const uint32_t error = os::files().lastError();
        file.reset();
        os::files().deleteFile(path);
        NoteFailure("file " + path + " could not be written" + WindowsErrorText(error) + "; it was removed");
    }
}

void TMainForm::RegisterUninstall() {
    const TProduct& first = Products[0];
    KeyWriter key(*this, kUninstallKeyPrefix + first.RegKey);
    const std::string icon = PathIn(first.MainPath, kProductIcon);
    if (os::FileExists(icon)) key.Write("DisplayIcon", icon);
    key.Write("DisplayName", first.Name + "(" + first.RegKey + ")");
    // The uninstaller copied into the Windows directory, with the RegKey in double quotes as its argument.
    key.Write("UnInstallString",
              PathIn(os::system().windowsDirectory(), kUninstallerCommand) + " \"" + first.RegKey + "\"");
}

void TMainForm::RecordExtractedFiles(int product, const std::string& baseDir, const std::vector<std::string>& names) {
    if (product < 0 || product >= kMaxProducts) {
        NoteFailure("file list of product index " + rtl::IntToStr(product) + " not recorded: no such product");
        return;
    }
    KeyWriter key(*this, kFamilyKey + Products[product].RegKey + "\\UninstallInfo" + rtl::IntToStr(product + 1));
    // The Windows 95 family gets the key without values.
    if (IsWin9x) return;
    for (const std::string& name : names) {
        // The numbers run on across packages and products, so a key's first value need not be File0.
        // Stored names separate folders with '/'; the value is the path the file was extracted to.
        key.Write("File" + rtl::IntToStr(UninstallFileNo), PathIn(baseDir, rtl::SlashesToBackslashes(name)));
        ++UninstallFileNo;
    }
}

}  // namespace app
