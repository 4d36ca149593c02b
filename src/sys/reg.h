// Shell links and the error box of a failed save.
#pragma once
#include <cstdint>
#include <string>

namespace sys {

// Creates the shell link linkFile to target; returns the COM status code (0 = success).
int32_t CreateLink(const std::string& target, const std::string& linkFile, const std::string& description,
                   const std::string& workingDirectory);
// The box naming the last system error, the source line and the source file.
void ShowLastError(uint16_t line, const std::string& sourceFile);

}  // namespace sys
