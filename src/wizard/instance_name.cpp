// The instance-name checks (see the header).
#include "wizard/instance_name.h"

#include "os/machine.h"
#include "os/registry.h"
#include "rtl/strings.h"

namespace wizard {

bool HasSpecialChars(const std::string& name) {
    for (unsigned char c : name) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!plain) return true;
    }
    return false;
}

std::string InstanceServiceKey(const std::string& name) {
    const std::string services = "\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\";
    std::string upper = rtl::AnsiUpperCase(name);
    if (upper == "MSSQLSERVER") return services + "MSSQLSERVER";
    return services + "MSSQL$" + upper;
}

std::string InstanceNameRefusal(const std::string& name) {
    if (name.empty()) return kInstanceNameEmpty;
    if (HasSpecialChars(name)) return kInstanceNameSpecial;
    if (os::registry().keyExists(os::RootKey::LocalMachine, InstanceServiceKey(name))) return kInstanceNameExists;
    return {};
}

}  // namespace wizard
