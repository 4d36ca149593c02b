// Placeholder: the profile part of the port is being written.
#include "os/win32/win32_parts.h"

#include <stdexcept>

namespace os::win32::detail {

std::unique_ptr<Profile> MakeProfile() { return nullptr; }

}  // namespace os::win32::detail
