// Shell links. Not written yet.
#include "sys/reg.h"

namespace sys {

int32_t CreateLink(const std::string&, const std::string&, const std::string&, const std::string&) { return 0; }
void ShowLastError(uint16_t, const std::string&) {}

}  // namespace sys
