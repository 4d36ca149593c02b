// System operations the installation uses, apart from the windows and the product table: removing a file
// whatever its attributes and adjusting a privilege of the process; and further operations that the
// installation sequence does not call. Everything goes through the machine port.
#pragma once
#include <string>

namespace sys {

// Clears the file's attributes and deletes it; true when it was deleted.
bool RemoveFile(const std::string& fileName);
// Enables or disables a privilege of the process; true when it was adjusted.
bool SetPrivilege(const std::string& privilege, bool enable);

}  // namespace sys
