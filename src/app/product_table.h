// The product table: the setup description (SETUP.INI, CONFIG.INI, COMMENT.INI) held in fixed-capacity
// records, plus the run-time choices and counters the wizard and the installation stages keep beside it.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace app {

// Capacities of the description format. The loader truncates a description that exceeds one of them.
inline constexpr int kMaxLoginInfo = 20;
inline constexpr int kMaxInstallModes = 10;
inline constexpr int kMaxProducts = 10;
inline constexpr int kMaxModules = 30;        // per product and install mode
inline constexpr int kMaxPackages = 30;       // per module
inline constexpr int kMaxPublicModules = 30;
inline constexpr int kMaxCommentLines = 30;   // per module comment
inline constexpr int kMaxIniFiles = 10;       // per product
inline constexpr int kMaxRegKeys = 10;        // per product
inline constexpr int kMaxEntries = 100;       // per configuration file or registry key description
inline constexpr int kMaxBatLines = 100;      // per product
inline constexpr int kMaxCfgLines = 100;      // per product
inline constexpr int kMaxShortCuts = 255;
inline constexpr int kMaxServiceRunonce = 10;
inline constexpr int kMaxAddPrograms = 100;

// One choice of the wizard's install-mode page ([InstallMode] "Mode" i).
struct TInstallMode {
    std::string Name;         // caption of the mode's radio button
    int Kind = 0;             // 1 is treated specially by the wizard's instance page
    std::string Description;  // shown when the mode is chosen
};

// One product ([Products Name] "ProductName" p and [Default MainPath] "MainPath" p).
struct TProduct {
    std::string Name;
    int ModuleCount = 0;   // module keys of this product in every install mode (at most kMaxModules)
    int ModuleOption = 0;  // 0 modules fixed; 1 chosen one by one; 2 as 1 and the product can't be deselected
    std::string MainPath;  // installation directory; the path page changes it
    std::string RegKey;    // sub-key under "\SOFTWARE\Tessarine\"
};

// One package of a module: a ZIP file in the setup folder and where below MainPath it goes.
struct TPackageRef {
    std::string Directory;  // relative to MainPath, empty for MainPath itself; macros substituted at load
    std::string FileName;   // file name in the setup folder
};

// One module of a product in one install mode ([Product p Mode m] "Name" k).
struct TModule {
    std::string Name;
    int64_t Size = 0;      // uncompressed bytes of all items of all packages (64 bits: a module may pass 2 GiB)
    int State = 0;         // 0 not selected, 1 selected, 2 or 3 selected and locked
    std::string Picture;   // image file in the setup folder shown while the module is copied
    int PackageCount = 0;  // packages loaded into Packages (at most kMaxPackages)
    std::array<TPackageRef, kMaxPackages> Packages;
};

// A package installed with a product whatever modules are chosen ([Public Module] "Name" i).
struct TPublicModule {
    int ProductNo = 0;      // 1-based product number
    std::string Directory;  // absolute target directory; macros substituted at load
    std::string FileName;   // file name in the setup folder
};

// Title and text lines shown while a module is copied (COMMENT.INI [Product p Ins m Mod k]).
struct TModuleComment {
    std::string Title;
    std::array<std::string, kMaxCommentLines> Lines;
};

// One entry of an INI file: section, key and value.
struct TIniEntry {
    std::string A, B, Rest;
};

// One entry of a registry key: value name and data.
struct TRegEntry {
    std::string A, Rest;
};

// One INI file a product's configuration rewrites.
struct TIniFileSpec {
    std::string Path, FileName;
    int EntryCount = 0;
    std::array<TIniEntry, kMaxEntries> Entries;
};

// One registry key a product's configuration writes.
struct TRegKeySpec {
    std::string Root;
    int EntryCount = 0;
    std::array<TRegEntry, kMaxEntries> Entries;
};

// CONFIG.INI data of one product.
struct TProductConfig {
    int IniFileCount = 0, RegKeyCount = 0, BatLineCount = 0, CfgLineCount = 0;
    std::array<TIniFileSpec, kMaxIniFiles> IniFiles;
    std::array<TRegKeySpec, kMaxRegKeys> RegKeys;
    std::array<std::string, kMaxBatLines> BatLines;  // lines for C:\AUTOEXEC.BAT
    std::array<std::string, kMaxCfgLines> CfgLines;  // lines for C:\CONFIG.SYS
};

// One shortcut ([ShortCut] "Name" i).
struct TShortCut {
    int ProductNo = 0;
    std::string Target, Group, LinkName;
};

// The whole table. It is large (several megabytes of fixed arrays): keep it on the heap, as a member of a
// heap-allocated window or through std::make_unique, never as a local variable.
// Arrays are indexed from 0; the description files number from 1 (product p is Products[p - 1]).
struct TProductTable {
    // --- The description, filled by LoadSetupDescription ---
    std::array<std::string, kMaxLoginInfo> LoginInfo;
    int ModeCount = 0;
    std::array<TInstallMode, kMaxInstallModes> InstallModes;
    std::string DefaultMSDE;
    int ProductCount = 0;
    std::array<TProduct, kMaxProducts> Products;
    // Modules[mode][product][module] and the matching comments.
    std::array<std::array<std::array<TModule, kMaxModules>, kMaxProducts>, kMaxInstallModes> Modules;
    int PublicModuleCount = 0;
    std::array<TPublicModule, kMaxPublicModules> PublicModules;
    std::array<std::array<std::array<TModuleComment, kMaxModules>, kMaxProducts>, kMaxInstallModes> Comments;
    std::array<TProductConfig, kMaxProducts> ProductConfigs;
    int ShortCutCount = 0;
    std::array<TShortCut, kMaxShortCuts> ShortCuts;
    int ServiceRunonceCount = 0;
    std::array<std::string, kMaxServiceRunonce> ServiceRunonce;
    int AddProgramCount = 0;
    std::array<std::string, kMaxAddPrograms> AddPrograms;
    // 1 unless a description file was missing (then the main window closes at start-up).
    int DescriptionLoaded = 1;

    // --- Run-time members, set by the start-up test, the wizard and the stages ---
    bool IsWin9x = true;      // 95/98/ME family; true until the start-up test has run
    int CurMode = 0;          // install mode chosen in the wizard
    int WizardResult = 0;     // nonzero when the wizard ended with the command to install
    int CopyProgress = 0;     // packages extracted so far
    std::string CurTargetDir; // target directory of the package being extracted
    int UninstallFileNo = 0;  // running number of the next uninstall file value
};

}  // namespace app
