// The installation stages on the test machine: a scratch setup folder made the current directory, the
// medium's description files written into it, the six windows created as the program creates them
// (without the message loop) and a headless backend that notes the message boxes. Tests call the stages'
// operations on the main window's table directly and look at what they left on the machine; whatever a
// test changed of the process (backend, current directory, the simulated machine's settings, the windows,
// the user's shell folders it kept) is put back after it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "os/machine.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

namespace install_test {

constexpr os::RootKey HKLM = os::RootKey::LocalMachine;
constexpr os::RootKey HKCU = os::RootKey::CurrentUser;
// The family's key below HKLM that holds every product's own key.
inline const std::string kFamily = "\\SOFTWARE\\Tessarine\\";
// The user's shell folders below HKCU: where Programs, Startup and Desktop lie.
inline const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The boot files of drive C and the backups the environment stage makes of them.
inline constexpr const char* kBootFiles[] = {"C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.CHT", "C:\\CONFIG.SYS",
                                             "C:\\CONFIG.CHT"};
// The backups while they are written; they take the backups' names only when complete.
inline constexpr const char* kPartialBackups[] = {"C:\\AUTOEXEC.$$$", "C:\\CONFIG.$$$"};

// One item of a package: stored name, content, stored (0) or deflated (8), and the password it is
// encrypted with (none when empty).
struct PackageItem {
    std::string name, content;
    uint16_t method = 0;
    std::string password = app::kPackagePassword;
};

// A whole file's bytes as text.
std::string ReadText(const std::string& path);
// Whether the path names a file or a folder.
bool Exists(const std::string& path);
// Removes a file whatever its attributes, or an empty folder; nothing when the path names neither.
void RemoveIfPresent(const std::string& path);
// Removes the boot files of drive C and their backups, so each test starts without them.
void RemoveBootFiles();
// Deletes a registry key with all its subkeys.
void DeleteTree(const std::string& path, os::RootKey root = HKLM);
// The short form the system gives of an existing path (a failure to give one fails the test).
std::string ShortOf(const std::string& path);

class InstallStage : public testing::Test {
protected:
    // The backend, the scratch folder as current directory, fresh settings of the simulated machine.
    void SetUp() override;
    // Puts back the kept shell folders, frees the windows, restores backend, directory and settings.
    void TearDown() override;

    std::string In(const std::string& name) const { return folder + "\\" + name; }
    // The medium's description files: SETUP.INI and COMMENT.INI with these texts, and a CONFIG.INI that
    // lists no additional programs.
    void WriteMedium(const std::string& setupIni, const std::string& commentIni = "");
    // A medium of two products, both checked, each with one module in the package a.dat (product 1's
    // module with a comment); mainPaths are the lines of its [Default MainPath] section.
    void WriteTwoProductMedium(const std::string& mainPaths);
    // Writes a package into the setup folder.
    void Package(const std::string& file, const std::vector<PackageItem>& items);
    // The six windows in the program's order (the main window loads the medium); the medium must describe
    // this many products. From then on the stages' failures are collected in `failures`.
    void CreateWindows(int products);
    // Keeps the user's Shell Folders value of this name as it is now; after the test it is written back,
    // or removed when it did not exist.
    void KeepShellFolder(const std::string& name);

    app::TMainForm& Table() { return *app::MainForm; }
    // Sets the product list's marks: 'x' checked, 'g' grayed, '-' unchecked.
    void Choose(const std::string& marks);
    // Replaces the table's shortcut list.
    void Shortcuts(const std::vector<app::TShortCut>& list);
    const std::vector<vcl::headless::MessageBoxRecord>& Boxes() const { return backend.MessageBoxes(); }
    // The message boxes with this text.
    std::vector<vcl::headless::MessageBoxRecord> BoxesSaying(const std::string& text) const;
#ifndef _WIN32
    static os::sim::SimMachine& Sim() { return dynamic_cast<os::sim::SimMachine&>(os::machine()); }
#endif

    std::string folder;  // the setup folder
    std::vector<std::string> failures;
    vcl::headless::ScriptDriver script;
    vcl::headless::HeadlessBackend backend{&script};

private:
    struct ShellFolder {
        std::string name;
        bool existed = false;
        std::string value;
    };
    std::vector<ShellFolder> keptShellFolders_;
    vcl::Backend* previousBackend_ = nullptr;
    std::string previousDirectory_;
};

}  // namespace install_test
