// `setupcheck simulate`: builds the simulated machine from the options, runs the setup program on it under
// the headless backend with a script made from the session file, and gathers the report.
#include "setupcheck/simulate.h"

#include <stdlib.h>

#include <algorithm>
#include <cassert>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "archive/crc32.h"
#include "os/machine.h"
#include "os/sim/lnk_writer.h"
#include "os/sim/sim_machine.h"
#include "os/sim/sim_registry.h"
#include "os/sim/sim_shell.h"
#include "setupcheck/headless_run.h"
#include "setupcheck/machine_file.h"
#include "setupcheck/session_file.h"
#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/headless/script.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace fs = std::filesystem;

namespace setupcheck {

namespace {

std::string ReadHostFile(const std::string& path, const char* what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SimulateError(std::string("cannot read the ") + what + " " + path);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw SimulateError(std::string("cannot read the ") + what + " " + path);
    return text.str();
}

// A temporary host folder, removed with everything in it when this goes away.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "setupcheck-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw SimulateError("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// The files below the drives' host folders: host path -> size and CRC-32.
using FileSnapshot = std::map<std::string, ReportFile>;

// Size and CRC-32 of a host file, read in large pieces: a medium may hold hundreds of megabytes.
ReportFile SizeAndCrc(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    uint64_t size = 0;
    uint32_t crc = 0xFFFFFFFF;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<size_t>(in.gcount());
        crc = archive::ArUpdateCRCBuffer(crc, buffer.data(), got);
        size += got;
    }
    return {size, ~crc};
}

FileSnapshot SnapshotFiles(os::sim::SimMachine& machine) {
    FileSnapshot files;
    std::set<std::string> roots;
    for (const auto& [letter, drive] : machine.drives())
        if (!drive.hostRoot.empty()) roots.insert(drive.hostRoot);
    for (const std::string& root : roots) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
            if (!it->is_regular_file()) continue;
            files[it->path().string()] = SizeAndCrc(it->path());
        }
    }
    return files;
}

// --- Shell links: the fields the report shows, read back from the saved .LNK bytes ---

// Target, working directory and description (ANSI) of a link file.
ReportLink ReadLink(const std::string& bytes) {
    os::sim::detail::LinkContents contents = os::sim::detail::ReadShellLink(bytes);
    ReportLink link;
    link.target = contents.localBasePath;
    link.workdir = contents.workingDirectory;
    link.description = contents.description;
    return link;
}

// Puts the process's previous machine back however the run ends.
struct MachineGuard {
    os::Machine* previousMachine = nullptr;
    ~MachineGuard() { os::setMachine(previousMachine); }
};

std::string JoinPath(std::string folder, const std::string& name) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + name;
}

}  // namespace

SimulateOptions ParseSimulateArguments(const std::vector<std::string>& arguments) {
    SimulateOptions options;
    bool haveMedium = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                throw SimulateError("option " + a + " needs a value");
            return arguments[++i];
        };
        if (a == "--session") {
            options.sessionFile = value();
        } else if (a == "--machine") {
            options.machineFile = value();
        } else if (a == "--root") {
            options.root = value();
        } else if (a == "--report") {
            options.reportFile = value();
        } else if (a == "--in-place") {
            options.inPlace = true;
        } else if (a.rfind("--", 0) == 0) {
            throw SimulateError("unknown option " + a);
        } else if (!haveMedium && !a.empty()) {
            options.medium = a;
            haveMedium = true;
        } else {
            throw SimulateError("unexpected argument " + a);
        }
    }
    if (!haveMedium) throw SimulateError("the medium folder is missing");
    if (options.inPlace && options.root.empty()) throw SimulateError("--in-place needs --root");
    return options;
}

Report Simulate(const SimulateOptions& options) {
    MachineFile machineFile;
    std::vector<SessionAction> session;
    try {
        if (!options.machineFile.empty()) machineFile = ParseMachineFile(ReadHostFile(options.machineFile, "machine file"));
        if (!options.sessionFile.empty()) session = ParseSessionFile(ReadHostFile(options.sessionFile, "session file"));
    } catch (const MachineFileError& e) {
        throw SimulateError(e.what());
    } catch (const SessionFileError& e) {
        throw SimulateError(e.what());
    }
    std::error_code error;
    if (!fs::is_directory(options.medium, error)) throw SimulateError("the medium folder " + options.medium + " does not exist");
    if (!options.root.empty() && !fs::is_directory(options.root, error))
        throw SimulateError("the root folder " + options.root + " does not exist");

    // Where the drives live on the host.
    TempFolder work;
    fs::path drives = work.Path() / "drives";
    if (!options.root.empty() && options.inPlace) {
        drives = options.root;
    } else if (!options.root.empty()) {
        fs::copy(options.root, drives, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) throw SimulateError("cannot copy the root folder " + options.root + ": " + error.message());
    }
    auto hostFolderOf = [&](char letter) {
        fs::path folder = drives / std::string(1, char(std::tolower(static_cast<unsigned char>(letter))));
        fs::create_directories(folder);
        return folder.string();
    };

    auto machine = std::make_unique<os::sim::SimMachine>();
    try {
        ApplyMachineFile(machineFile, *machine, hostFolderOf);
    } catch (const MachineFileError& e) {
        throw SimulateError(e.what());
    }
    os::CodePage& codePage = machine->codePage();
    auto utf8 = [&](const std::string& ansi) { return codePage.ansiToUtf8(ansi); };

    // The medium appears at the setup folder, which is the current directory when SETUP.EXE starts.
    std::string setupFolder = codePage.utf8ToAnsi(machineFile.setupFolder);
    std::optional<std::string> mediumHost = machine->hostPath(setupFolder);
    if (!mediumHost) throw SimulateError("the setup folder " + machineFile.setupFolder + " is on no drive of the machine");
    fs::create_directories(*mediumHost, error);
    fs::copy(options.medium, *mediumHost,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks, error);
    if (error) throw SimulateError("cannot copy the medium " + options.medium + ": " + error.message());
    machine->setModuleFileName(JoinPath(setupFolder, "SETUP.EXE"));

    Report report;
    {
        MachineGuard guard;
        guard.previousMachine = os::setMachine(machine.get());
        machine->files().setCurrentDirectory(setupFolder);

        FileSnapshot filesBefore = SnapshotFiles(*machine);
        os::sim::SimRegistry registryBefore = os::sim::SimRegistryOf(*machine);
        size_t launchedBefore = os::sim::SimShellOf(*machine).startedPrograms().size();
        size_t linksBefore = os::sim::SimShellOf(*machine).savedLinks().size();

        RunHeadless(session, report);

        const auto& started = os::sim::SimShellOf(*machine).startedPrograms();
        for (size_t i = launchedBefore; i < started.size(); ++i)
            report.launched.push_back({utf8(started[i].file), utf8(started[i].parameters), utf8(started[i].directory),
                                       ShowName(started[i].showCommand)});

        // Changes: files, registry, links.
        FileSnapshot filesAfter = SnapshotFiles(*machine);
        auto windowsName = [&](const std::string& host) { return utf8(machine->windowsPath(host).value_or(host)); };
        for (const auto& [host, file] : filesAfter) {
            auto before = filesBefore.find(host);
            if (before == filesBefore.end() || before->second.size != file.size || before->second.crc32 != file.crc32)
                report.changes.files[windowsName(host)] = file;
        }
        for (const auto& [host, file] : filesBefore)
            if (!filesAfter.count(host)) report.changes.deleted.push_back(windowsName(host));

        for (const os::sim::RegistryChange& change :
             os::sim::SimRegistry::changes(registryBefore, os::sim::SimRegistryOf(*machine))) {
            std::string key = utf8(change.key);
            if (!key.empty() && key[0] == '\\') key.erase(0, 1);
            auto& entry = report.changes.registry[key];
            using Kind = os::sim::RegistryChange::Kind;
            if (change.kind == Kind::KeyDeleted) {
                entry.reset();
                continue;
            }
            if (!entry) entry.emplace();
            if (change.kind == Kind::ValueDeleted) {
                (*entry)[utf8(change.name)] = std::nullopt;
            } else if (change.kind == Kind::ValueSet) {
                std::string data;
                if (change.type == os::sim::kRegSz || change.type == os::sim::kRegExpandSz) {
                    data = utf8(change.data);
                } else {
                    // Other types: "@TYPE:" and the bytes in hex, as the registry's text form writes them.
                    static const char kHex[] = "0123456789abcdef";
                    data = "@" + std::to_string(change.type) + ":";
                    for (unsigned char c : change.data) data += {kHex[c >> 4], kHex[c & 15]};
                }
                (*entry)[utf8(change.name)] = data;
            }
        }

        const auto& links = os::sim::SimShellOf(*machine).savedLinks();
        for (size_t i = linksBefore; i < links.size(); ++i) {
            std::optional<std::string> host = machine->hostPath(links[i]);
            std::string bytes;
            if (host) {
                std::ifstream in(*host, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            ReportLink link = ReadLink(bytes);
            report.changes.links[utf8(links[i])] = {utf8(link.target), utf8(link.workdir), utf8(link.description)};
        }
    }
    return report;
}

int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        SimulateOptions options = ParseSimulateArguments(arguments);
        std::string json = ReportToJson(Simulate(options));
        if (options.reportFile.empty()) {
            out << json;
            out.flush();
        } else {
            std::ofstream file(options.reportFile, std::ios::binary);
            if (!(file << json) || !file.flush()) throw SimulateError("cannot write the report " + options.reportFile);
        }
        return 0;
    } catch (const SimulateError& e) {
        err << "setupcheck simulate: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace setupcheck
