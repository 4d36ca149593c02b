// The medium being validated: its folder on the machine in use, the three description files as read,
// and the facts gathered from them that later checks share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setupcheck/validate/findings.h"
#include "setupcheck/validate/ini_document.h"

namespace setupcheck::validate {

inline constexpr char kSetupIni[] = "SETUP.INI";
inline constexpr char kConfigIni[] = "CONFIG.INI";
inline constexpr char kCommentIni[] = "COMMENT.INI";

// A text the setup passes through macro substitution, where it stands in the description.
struct MacroText {
    std::string file;
    int line = 0;
    std::string what;      // e.g. "the directory of package THGL.DAT"
    std::string text;      // as written
    bool atLoad = false;   // substituted while the description loads (before the instance name exists)
};

struct PackageRef {
    std::string fileName;
    std::string directory;  // as written; relative to the product's MainPath
    int line = 0;
};

struct Module {
    bool present = false;  // the key was read; a missing module stays empty in the setup
    std::string name, picture;
    int state = 0;
    int key = 0;           // k of "Name" k
    int line = 0;
    std::vector<PackageRef> packages;
};

struct Product {
    std::string name, regKey, mainPath;
    int moduleCount = 0;   // as the setup keeps it (at most the table's capacity)
    int moduleOption = 0;
    int line = 0;
};

struct InstallMode {
    std::string name, description;
    int kind = 0;
    int line = 0;
};

struct PublicModule {
    int productNo = 0;
    std::string directory, fileName;  // directory as written: absolute
    int line = 0;
};

struct ShortCut {
    int productNo = 0;
    std::string target, group, linkName;
    int line = 0;
};

struct Located {
    std::string text;
    int line = 0;
};

struct Description {
    std::vector<InstallMode> modes;
    std::string defaultMsde;
    int defaultMsdeLine = 0;
    std::vector<Product> products;
    std::vector<std::vector<std::vector<Module>>> modules;  // [mode][product][module]
    std::vector<PublicModule> publicModules;
    std::vector<ShortCut> shortCuts;
    std::vector<Located> runOnce, addPrograms;  // CONFIG.INI
    std::vector<MacroText> macroTexts;          // every text the setup substitutes, in file order
};

struct Medium {
    std::string folder;  // the setup folder as a path of the machine in use
    bool hasSetup = false, hasConfig = false, hasComment = false;
    IniDocument setup, config, comment;
    Description description;
    Findings findings;

    // folder + "\" + name, with a single separator after a drive root.
    std::string PathOf(const std::string& name) const;
    // A file (not a folder) of that name in the setup folder, letter case not counting.
    bool HasFile(const std::string& name) const;
    // The first bytes of a file of the medium (at most count); empty when it cannot be read.
    std::string ReadHead(const std::string& name, size_t count) const;
    // A whole file of the medium; false when it cannot be read.
    bool ReadAll(const std::string& name, std::string& bytes) const;
};

// A text of the description (system code page) as UTF-8 for a message.
std::string Utf8(const std::string& ansi);
// "Name" + 3, "Product" + 1 + "Mode" + 2, ...
std::string Numbered(const std::string& word, int number);

}  // namespace setupcheck::validate
