// Private to the archive engine: one lock around the machine-port calls that open, close, name or look up
// files. The ports themselves may be called from any thread, but the machines layered over them (the
// journal of an unattended run, the wrappers of tests) keep their records in plain containers and write
// them when a file is made or closed; while items are extracted on several threads those calls must not
// overlap. Reads and writes of an open file touch only that file and go on unlocked. The caller's thread
// takes the same lock for its own calls of this kind during extraction.
#pragma once
#include <mutex>
#include <utility>

namespace archive::detail {

std::mutex& PortGate();

// Runs call with the port lock held and returns its result.
template <typename Call>
auto Gated(Call&& call) {
    std::lock_guard<std::mutex> lock(PortGate());
    return std::forward<Call>(call)();
}

}  // namespace archive::detail
