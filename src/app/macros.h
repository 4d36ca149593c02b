// Macro substitution in description texts: the Windows and system directories, a product's installation
// path and the database-engine instance name are put in place of _WIN_, _WINSYS_, _MAINPATH_d and _MSDE_.
#pragma once
#include <functional>
#include <string>

#include "app/product_table.h"

namespace app {

struct MacroContext {
    // The table whose Products give the paths of _MAINPATH_d; null leaves that macro unreplaced.
    const TProductTable* table = nullptr;
    // The current instance name (the wizard's EdtInsName); unset leaves _MSDE_ unreplaced (the description
    // is loaded before the wizard exists).
    std::function<std::string()> instanceName;
};

// Replaces, in place and in this order, the first occurrence of each macro in text:
//   _WIN_        (any letter case)  os::system().windowsDirectory(), read at every call;
//   _WINSYS_     (any letter case)  os::system().systemDirectory();
//   _MAINPATH_d  (any letter case)  the short (8.3) form of Products[d - 1].MainPath, or the path itself
//                                   when the machine gives no short form (the folder does not exist yet);
//                                   left as it stands when d is not a digit 1 to 9 naming a loaded product;
//   _MSDE_       (upper case only)  context.instanceName().
// Each later macro is searched in the text as the earlier replacements left it. A text holding exactly
// one '@' is left unchanged. Only the first 255 characters are searched for the first three macros (the
// texts are paths of at most 255 characters); the text itself is never cut. Matches begin only at
// character boundaries, so the trail byte of a double-byte character is never taken for '@' or '_'.
// Returns text.
std::string& SubstituteMacros(std::string& text, const MacroContext& context);

}  // namespace app
