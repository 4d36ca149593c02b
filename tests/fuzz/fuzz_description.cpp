// Fuzz target: arbitrary description files loaded into the product table. The input is split at the
// first two "\n#=#\n" marks into SETUP.INI, CONFIG.INI and COMMENT.INI; a small package PK.DAT lies
// beside them so module and public-module entries can name a real archive. Loading must stay inside the
// table's capacities whatever the files say; the macro substitution then runs over every text the later
// stages substitute. Anything but the engine's own exceptions (or a sanitizer report) is a fault.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/description_loader.h"
#include "archive/unzipper.h"
#include "app/macros.h"
#include "archive/hooks.h"
#include "os/machine.h"
#include "os/sim/sim_machine.h"
#include "rtl/exceptions.h"

namespace {

std::string hostFolder;

void WriteHost(const std::string& name, std::string_view bytes) {
    if (FILE* f = std::fopen((hostFolder + "/" + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// A stored, unencrypted archive with one item "a.txt" holding "hello".
std::string SmallPackage() {
    auto u16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8); };
    auto u32 = [&](std::string& s, uint32_t v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
    const std::string name = "a.txt", data = "hello";
    const uint32_t crc = 0x3610A686;
    std::string zip;
    u32(zip, 0x04034B50), u16(zip, 10), u16(zip, 0), u16(zip, 0), u16(zip, 0), u16(zip, 0x21);
    u32(zip, crc), u32(zip, 5), u32(zip, 5), u16(zip, 5), u16(zip, 0);
    zip += name + data;
    std::string central;
    u32(central, 0x02014B50), u16(central, 20), u16(central, 10), u16(central, 0), u16(central, 0);
    u16(central, 0), u16(central, 0x21), u32(central, crc), u32(central, 5), u32(central, 5);
    u16(central, 5), u16(central, 0), u16(central, 0), u16(central, 0), u16(central, 0), u32(central, 0);
    u32(central, 0);
    central += name;
    std::string end;
    u32(end, 0x06054B50), u16(end, 0), u16(end, 0), u16(end, 1), u16(end, 1);
    u32(end, uint32_t(central.size())), u32(end, uint32_t(zip.size())), u16(end, 0);
    return zip + central + end;
}

void Setup() {
    static os::sim::SimMachine machine;
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    hostFolder = std::string(base) + "/ts-fuzz-description-" + std::to_string(getpid());
    mkdir(hostFolder.c_str(), 0755);
    machine.addDrive('C', {os::DriveType::Fixed, hostFolder});
    os::setMachine(&machine);
    archive::SetArMessageBoxHook([](const std::string&, const std::string&, unsigned) { return archive::kMbCancel; });
    WriteHost("PK.DAT", SmallPackage());
    // The host folder goes with the process.
    std::atexit([] {
        for (const char* name : {"PK.DAT", "SETUP.INI", "CONFIG.INI", "COMMENT.INI"})
            std::remove((hostFolder + "/" + name).c_str());
        rmdir(hostFolder.c_str());
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (hostFolder.empty()) Setup();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    static constexpr std::string_view kMark = "\n#=#\n";
    std::string_view files[3];
    for (int i = 0; i < 2; ++i) {
        size_t mark = input.find(kMark);
        files[i] = input.substr(0, mark);
        input = mark == std::string_view::npos ? std::string_view() : input.substr(mark + kMark.size());
    }
    files[2] = input;
    WriteHost("SETUP.INI", files[0]);
    WriteHost("CONFIG.INI", files[1]);
    WriteHost("COMMENT.INI", files[2]);

    auto table = std::make_unique<app::TProductTable>();
    app::LoaderContext context;
    context.setupFolder = "C:\\";
    context.messageBox = [](const std::string&, const std::string&, unsigned) { return 1; };
    archive::TArUnZipper reader;
    context.packageReader = &reader;
    try {
        app::LoadSetupDescription(*table, context);
    } catch (const rtl::Exception&) {
        return 0;
    }
    // What the stages substitute later: shortcut targets, the products' configuration entries, the
    // additional programs.
    app::MacroContext macros;
    macros.table = table.get();
    macros.instanceName = [] { return std::string("INST"); };
    for (int i = 0; i < table->ShortCutCount; ++i) {
        std::string text = table->ShortCuts[size_t(i)].Target;
        app::SubstituteMacros(text, macros);
    }
    for (int i = 0; i < table->AddProgramCount; ++i) {
        std::string text = table->AddPrograms[size_t(i)];
        app::SubstituteMacros(text, macros);
    }
    for (int p = 0; p < table->ProductCount; ++p)
        for (const auto& line : table->ProductConfigs[size_t(p)].BatLines) {
            std::string text = line;
            app::SubstituteMacros(text, macros);
        }
    return 0;
}
