// The simulated machine's system part, and what it recorded: privilege adjustments and restart requests,
// which a report of a simulated run lists (nothing is ever restarted).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "os/system.h"

namespace os::sim {

class SimMachine;

struct PrivilegeCall {
    std::string name;
    bool enable = false;
    bool result = false;
};

class SimSystem : public System {
public:
    // Every setPrivilege call in order, with its result.
    virtual const std::vector<PrivilegeCall>& privilegeCalls() const = 0;
    // The flags of every exitWindows request in order.
    virtual const std::vector<uint32_t>& exitRequests() const = 0;
};

// The system part of a simulated machine.
SimSystem& SimSystemOf(SimMachine& machine);

}  // namespace os::sim
