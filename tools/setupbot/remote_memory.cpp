// VirtualAllocEx / WriteProcessMemory / VirtualFreeEx, and ReadProcessMemory.
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

bool ReadRemote(void* process, std::uint64_t address, void* into, size_t size) {
    if (!process || !address) return false;
    SIZE_T got = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<ULONG_PTR>(address)), into, size, &got) &&
           got == size;
}

}  // namespace setupbot
