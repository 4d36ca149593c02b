// Fuzz target: arbitrary description files loaded into the product table. The input is split at the
// first two "\n#=#\n" marks into SETUP.INI, CONFIG.INI and COMMENT.INI; a small package PK.DAT lies
// beside them so module and public-module entries can name a real archive. All four are files in memory
// (MemoryMachine), so a run costs no disk access. Loading must stay inside the
// table's capacities whatever the files say; the macro substitution then runs over every text the later
// stages substitute. Anything but the engine's own exceptions (or a sanitizer report) is a fault.
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "app/description_loader.h"
#include "app/macros.h"
#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "memory_machine.h"
#include "os/machine.h"
#include "rtl/exceptions.h"

namespace {

fuzz::MemoryMachine* machine = nullptr;

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

int Clamped(int count, int capacity) { return count < 0 ? 0 : count > capacity ? capacity : count; }

// Puts a table the loader has filled back to a new table's state. The loader writes modules and comments
// only below the mode, product and module counts it sets, and a product's configuration only below the
// product count; everything else is small enough to reset whole. (A loader that wrote beyond its counts
// would leave entries behind for the next input; the unit tests check the counts it keeps.)
void ResetWritten(app::TProductTable& table) {
    static const app::TProductTable* const fresh = new app::TProductTable();
    const int modes = Clamped(table.ModeCount, app::kMaxInstallModes);
    for (int p = 0; p < app::kMaxProducts; ++p) {
        const int modules = Clamped(table.Products[size_t(p)].ModuleCount, app::kMaxModules);
        for (int m = 0; m < modes; ++m)
            for (int k = 0; k < modules; ++k) {
                table.Modules[size_t(m)][size_t(p)][size_t(k)] = fresh->Modules[0][0][0];
                table.Comments[size_t(m)][size_t(p)][size_t(k)] = fresh->Comments[0][0][0];
            }
    }
    // A product's configuration: the entries of its files and keys below their counts, its boot-file
    // lines below theirs.
    for (int p = 0; p < Clamped(table.ProductCount, app::kMaxProducts); ++p) {
        app::TProductConfig& config = table.ProductConfigs[size_t(p)];
        for (int j = 0; j < Clamped(config.IniFileCount, app::kMaxIniFiles); ++j) {
            app::TIniFileSpec& spec = config.IniFiles[size_t(j)];
            for (int i = 0; i < Clamped(spec.EntryCount, app::kMaxEntries); ++i) spec.Entries[size_t(i)] = {};
            spec.Path.clear(), spec.FileName.clear(), spec.EntryCount = 0;
        }
        for (int j = 0; j < Clamped(config.RegKeyCount, app::kMaxRegKeys); ++j) {
            app::TRegKeySpec& spec = config.RegKeys[size_t(j)];
            for (int i = 0; i < Clamped(spec.EntryCount, app::kMaxEntries); ++i) spec.Entries[size_t(i)] = {};
            spec.Root.clear(), spec.EntryCount = 0;
        }
        for (int i = 0; i < Clamped(config.BatLineCount, app::kMaxBatLines); ++i) config.BatLines[size_t(i)].clear();
        for (int i = 0; i < Clamped(config.CfgLineCount, app::kMaxCfgLines); ++i) config.CfgLines[size_t(i)].clear();
        config.IniFileCount = config.RegKeyCount = config.BatLineCount = config.CfgLineCount = 0;
    }
    table.LoginInfo = fresh->LoginInfo;
    table.ModeCount = 0;
    table.InstallModes = fresh->InstallModes;
    table.DefaultMSDE.clear();
    table.ProductCount = 0;
    table.Products = fresh->Products;
    table.PublicModuleCount = 0;
    table.PublicModules = fresh->PublicModules;
    table.ShortCutCount = 0;
    table.ShortCuts = fresh->ShortCuts;
    table.ServiceRunonceCount = 0;
    table.ServiceRunonce = fresh->ServiceRunonce;
    table.AddProgramCount = 0;
    table.AddPrograms = fresh->AddPrograms;
    table.DescriptionLoaded = fresh->DescriptionLoaded;
    table.IsWin9x = fresh->IsWin9x;
    table.CurMode = table.WizardResult = table.CopyProgress = table.UninstallFileNo = 0;
    table.CurTargetDir.clear();
}

void Setup() {
    machine = new fuzz::MemoryMachine;  // lives as long as the process
    machine->addDrive('C', {os::DriveType::Fixed, ""});
    os::setMachine(machine);
    archive::SetArMessageBoxHook([](const std::string&, const std::string&, unsigned) { return archive::kMbCancel; });
    machine->put("C:\\PK.DAT", SmallPackage());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!machine) Setup();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    static constexpr std::string_view kMark = "\n#=#\n";
    std::string_view files[3];
    for (int i = 0; i < 2; ++i) {
        size_t mark = input.find(kMark);
        files[i] = input.substr(0, mark);
        input = mark == std::string_view::npos ? std::string_view() : input.substr(mark + kMark.size());
    }
    files[2] = input;
    machine->put("C:\\SETUP.INI", std::string(files[0]));
    machine->put("C:\\CONFIG.INI", std::string(files[1]));
    machine->put("C:\\COMMENT.INI", std::string(files[2]));

    // The table is some megabytes of empty strings, too many to make anew for every input: one table is
    // kept, and after each input what the loader can have written is put back to its defaults.
    static app::TProductTable* const table = new app::TProductTable();
    struct Reset {
        app::TProductTable& table;
        ~Reset() { ResetWritten(table); }
    } reset{*table};
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
    macros.table = table;
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
