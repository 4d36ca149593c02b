// System operations. Not written yet.
#include "sys/syscomm.h"

namespace sys {

bool RemoveFile(const std::string&) { return false; }
bool SetPrivilege(const std::string&, bool) { return false; }

}  // namespace sys
