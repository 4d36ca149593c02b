// VirtualAllocEx / WriteProcessMemory / VirtualFreeEx.
#include "setupbot/remote_memory.h"

#include <windows.h>

namespace setupbot {

RemoteMemory::RemoteMemory(void* process, size_t size)
    : process_(process), address_(process ? VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr) {}

RemoteMemory::~RemoteMemory() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(const void* data, size_t size) {
    SIZE_T written = 0;
    return address_ && WriteProcessMemory(process_, address_, data, size, &written) && written == size;
}

}  // namespace setupbot
