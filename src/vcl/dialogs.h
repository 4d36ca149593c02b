// Message-box flags and answers (Windows' numbers, so a window backend passes them through) and the
// folder browser.
#pragma once
#include <string>
#include <vector>

namespace vcl {

enum TMsgBoxFlags : unsigned {
    mbOK = 0x0, mbOKCancel = 0x1, mbAbortRetryIgnore = 0x2, mbYesNoCancel = 0x3, mbYesNo = 0x4,
    mbRetryCancel = 0x5, mbButtonsMask = 0xF,
    mbIconStop = 0x10, mbIconQuestion = 0x20, mbIconWarning = 0x30, mbIconInformation = 0x40,
    mbIconMask = 0xF0,
    mbDefButton1 = 0x000, mbDefButton2 = 0x100, mbDefButton3 = 0x200, mbDefButtonMask = 0xF00,
    mbApplModal = 0x0000, mbSystemModal = 0x1000, mbTaskModal = 0x2000,
};

enum TMsgBoxAnswer : int { idOK = 1, idCancel = 2, idAbort = 3, idRetry = 4, idIgnore = 5, idYes = 6, idNo = 7 };

// The answers a box with these flags offers, left to right (an unknown button set is taken as OK).
std::vector<int> MessageBoxButtons(unsigned flags);
// The answer its default button gives (mbDefButton2/3, else the first).
int MessageBoxDefaultAnswer(unsigned flags);
// "stop", "question", "warning", "information" or "" for the icon bits; "OK", "OKCancel", ... for the buttons.
std::string MessageBoxIconName(unsigned flags);
std::string MessageBoxButtonsName(unsigned flags);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No", or the number.
std::string MessageBoxAnswerName(int answer);

// The shell's folder browser: true with the chosen folder in path (which may hold a starting folder).
bool BrowseForFolder(const std::string& title, std::string& path);

// The shell's folder-browser flags (BIF_*, Windows' numbers). With none, OK also accepts items that are no
// file-system folder (the network neighbourhood, a printer, the control panel).
enum TBrowseFlags : unsigned { bifNone = 0x0, bifReturnOnlyFsDirs = 0x1 };

// The shell's folder browser rooted at the desktop, with flags and no starting folder. True when the user
// confirmed a choice: path is then the chosen item's file-system path, or empty when the item has none.
// False when cancelled (path unchanged).
bool BrowseForFolder(const std::string& title, unsigned flags, std::string& path);

}  // namespace vcl
