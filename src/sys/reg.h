// Shell links with the error box of a failed save, and a directory created with a shell notification.
// COM must be initialised on the calling thread before CreateLink (the program-group stage does it).
#pragma once
#include <cstdint>
#include <string>

namespace sys {

// Creates the shell link linkFile (a ".LNK" file) to target, with description and working directory and
// nothing else set, through the shell's link object. Returns the COM status code (0 on success, negative
// on failure). Only a failed save is reported, by ShowLastError's box; a link object that cannot be
// created, or gives no IPersistFile, returns its status without a message. When shownError is given it is
// set to whether the box was shown.
int32_t CreateLink(const std::string& target, const std::string& linkFile, const std::string& description,
                   const std::string& workingDirectory, bool* shownError = nullptr);

// Shows the thread's last error code in a box with an exclamation icon and OK: its system text (US English)
// with the caption "Generic, Line=<line>, File=<sourceFile>", or, when the system has no text for it,
// "An error occured calling FormatMessage().Error Code <code>" with the caption "Generic".
void ShowLastError(uint16_t line, const std::string& sourceFile);

// Creates one directory and tells the shell a directory was created. Always true, also when the
// directory could not be created (a later operation on it fails instead).
bool CreateFolder(const std::string& path);

}  // namespace sys
