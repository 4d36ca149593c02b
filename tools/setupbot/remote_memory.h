// A block of memory in the program's process, for messages whose parameter points at data (the folder
// browser's selection, a list view's item). Freed on destruction unless leaked (when the program may
// still read it after a message timed out).
#pragma once
#include <cstddef>

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

}  // namespace setupbot
