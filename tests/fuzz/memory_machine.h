// A simulated machine whose files lie in memory: the fuzz targets hand it their inputs without touching
// the disk. Files are read-only; paths compare as full paths without regard to ASCII case. Everything but
// the files (registry, profile calls, system facts) is the simulated machine's own, and the profile calls
// read these files.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "os/sim/sim_machine.h"

namespace fuzz {

class MemoryMachine : public os::sim::SimMachine {
public:
    MemoryMachine();
    ~MemoryMachine() override;

    // Puts a file at a full path such as "C:\SETUP.INI" (replacing one there), or removes it.
    void put(const std::string& path, std::string bytes);
    void remove(const std::string& path);

    os::FileSystem& files() override;

private:
    std::unique_ptr<os::FileSystem> files_;
};

}  // namespace fuzz
