// Fuzz target: an arbitrary file opened as a package, its directory read and every item decoded in test
// mode. Anything but the engine's own exceptions (or a sanitizer report) is a fault.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "os/sim/sim_machine.h"
#include "rtl/exceptions.h"

namespace {

std::string hostFolder;

void Setup() {
    static os::sim::SimMachine machine;
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    hostFolder = std::string(base) + "/ts-fuzz-directory-" + std::to_string(getpid());
    mkdir(hostFolder.c_str(), 0755);
    machine.addDrive('C', {os::DriveType::Fixed, hostFolder});
    os::setMachine(&machine);
    archive::SetArMessageBoxHook([](const std::string&, const std::string&, unsigned) { return archive::kMbCancel; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (hostFolder.empty()) Setup();
    std::string host = hostFolder + "/PACKAGE.DAT";
    if (FILE* f = std::fopen(host.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    archive::TArUnZipper unzipper;
    unzipper.SetPassword("pluvermak_*&!");
    unzipper.OnProcessItemFailure = [](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                       archive::TArErrorClass, int) {};
    try {
        unzipper.SetFileName("C:\\PACKAGE.DAT");
        for (int i = 0; i < unzipper.Count(); ++i) {
            archive::TArZipItem* item = unzipper.GetItem(i);
            (void)item->GetFileName();
            (void)item->MatchesStoredNameEx("*.*;DIR\\*.TXT");
        }
        unzipper.TestFiles("*.*");
    } catch (const rtl::Exception&) {
    }
    return 0;
}
