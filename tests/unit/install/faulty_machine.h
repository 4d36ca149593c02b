// A machine for the failures a test cannot bring about on the test machine itself (an attribute lookup
// that fails on an existing file, a disk that fills up half-way through a copy): it passes every call to
// the machine installed before it, except the file calls on the paths it is told to make fail. A failed
// call leaves its error code for lastError, as the real calls do.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "os/machine.h"

namespace install_test {

class FaultyMachine : public os::Machine {
public:
    // Wraps the machine installed now and installs itself in its place; the destructor puts it back.
    FaultyMachine();
    ~FaultyMachine() override;
    FaultyMachine(const FaultyMachine&) = delete;
    FaultyMachine& operator=(const FaultyMachine&) = delete;

    // Faults, each for one path (compared without regard to ASCII case):
    // getFileAttributes fails with error, though the path may name a file.
    void FailAttributes(const std::string& path, uint32_t error) { fault(path).attributesError = error; }
    // openFile for reading only fails with error; opens that also write are passed on.
    void FailReadOpen(const std::string& path, uint32_t error) { fault(path).readOpenError = error; }
    // A file created or opened at path takes this many bytes of writes in all; the write that would go
    // beyond fails with ERROR_DISK_FULL, having written nothing.
    void LimitWrites(const std::string& path, int64_t bytes) { fault(path).writeLimit = bytes; }
    // The same, but the write that would go beyond first writes what still fits, as a full disk does.
    void LimitWritesPartly(const std::string& path, int64_t bytes) {
        fault(path).writeLimit = bytes;
        fault(path).partialWrites = true;
    }
    // A file opened at path gives this many bytes in all (a read is cut short at the limit); the read
    // after them fails with ERROR_READ_FAULT.
    void LimitReads(const std::string& path, int64_t bytes) { fault(path).readLimit = bytes; }

    os::FileSystem& files() override;
    os::CodePage& codePage() override { return inner_.codePage(); }
    os::Registry& registry() override { return inner_.registry(); }
    os::Profile& profile() override { return inner_.profile(); }
    os::System& system() override { return inner_.system(); }
    os::Shell& shell() override { return inner_.shell(); }

    struct Fault {
        uint32_t attributesError = 0, readOpenError = 0;
        int64_t writeLimit = -1, readLimit = -1;  // -1: no limit
        bool partialWrites = false;
    };

private:
    Fault& fault(const std::string& path);

    os::Machine& inner_;
    os::Machine* previous_;
    std::map<std::string, Fault> faults_;  // by upper-cased path
    std::unique_ptr<os::FileSystem> files_;
};

}  // namespace install_test
