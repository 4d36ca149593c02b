// Private to the archive engine: one lock around the machine-port calls that open, close, name or look up
// files. The ports themselves may be called from any thread, but the machines layered over them (the
// journal of an unattended run, the wrappers of tests) keep their records in plain containers and write
// them when a file is made or closed; while items are extracted on several threads those calls must not
// overlap. Windows' own file system says it takes calls from any thread and is called unlocked. (The
// simulated machine is safe too, but its calls spend most of their time under its own lock: one gate in
// front of it makes fewer threads wait and wake than two locks.) Reads and writes of an open file touch
// only that file and go on unlocked. The caller's thread takes the same lock for its own calls of this
// kind during extraction.
#pragma once
#include <mutex>
#include <utility>

#include "os/machine.h"

namespace archive::detail {

std::mutex& PortGate();

// A thread that finds the gate taken tries again for a while before it sleeps: the calls behind the gate
// take a few system calls, less than putting a thread to sleep and waking it.
constexpr int kGateSpins = 2000;
inline void SpinPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Runs call with the port lock held and returns its result; without the lock when the machine's file
// system takes calls from several threads at once.
template <typename Call>
auto Gated(Call&& call) {
    if (os::files().concurrentCalls()) return std::forward<Call>(call)();
    std::unique_lock<std::mutex> lock(PortGate(), std::try_to_lock);
    for (int spins = 0; !lock.owns_lock() && spins < kGateSpins; ++spins) {
        SpinPause();
        lock.try_lock();
    }
    if (!lock.owns_lock()) lock.lock();
    return std::forward<Call>(call)();
}

}  // namespace archive::detail
