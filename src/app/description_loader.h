// Loading of the setup description: SETUP.INI, CONFIG.INI and COMMENT.INI of the setup folder into the
// product table, with the package sizes totalled from the archives' directories.
#pragma once
#include <functional>
#include <string>

#include "app/product_table.h"

namespace archive {
class TArUnZipper;
}

namespace app {

// Message-box flags the loader passes (the Win32 MB_* values).
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbIconWarning = 0x30;

struct LoaderContext {
    // The setup folder: the process's current directory at start-up ("E:\" for a drive root).
    std::string setupFolder;
    // Shows a modal message box with a single OK button; returns the button pressed. Must be set.
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)> messageBox;
    // Substitutes the macros of a package directory in place; unset: SubstituteMacros over the table
    // being loaded, without an instance name.
    std::function<void(std::string& text)> substituteMacros;
    // The component that opens each package to total its items' sizes: the main window's package
    // component, so its meters see the directories being read. Must be set. The archive is closed again
    // after each package.
    archive::TArUnZipper* packageReader = nullptr;
};

// Fills the description members of a freshly constructed table from the three files in the setup folder,
// in the order SETUP.INI, CONFIG.INI, COMMENT.INI. Sets DescriptionLoaded to 1, then:
// - a missing description file: message "找不到<NAME>，无法安装！" (caption "提示", stop icon),
//   DescriptionLoaded = 0, and what was read before stays;
// - a module listing fewer packages than it declares, or a missing package file of a module or public
//   module: a warning (caption "提示") and loading stops there; DescriptionLoaded stays 1 and the module
//   keeps the packages loaded before the fault (PackageCount counts them, Size totals them).
// A description beyond a capacity of the table is truncated at that capacity.
// Throws what the archive component throws for a package that exists but is no archive. A package that
// cannot be read (a scratched disc, the disc taken out) throws the stream's exception with the package's
// path and the Windows error after its text: "Stream read error: E:\PKG.DAT (Windows error 23)".
void LoadSetupDescription(TProductTable& table, LoaderContext& context);

}  // namespace app
