// A block of memory in the program's process, for messages whose parameter points at data (the folder
// browser's selection, a list view's item). Freed on destruction unless leaked (when the program may
// still read it after a message timed out); and reading what the program keeps in its own memory.
#pragma once
#include <cstddef>
#include <cstdint>

namespace setupbot {

class RemoteMemory {
public:
    RemoteMemory(void* process, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Write(const void* data, size_t size);
    void* Address() const { return address_; }
    void Leak() { address_ = nullptr; }

private:
    void* process_;
    void* address_;
};

// Copies size bytes at address in the process (a handle with read access) into into; false unless all came.
bool ReadRemote(void* process, std::uint64_t address, void* into, size_t size);

}  // namespace setupbot
