// unpack: the archive engine's command-line front end. It drives the unzipper component as the setup
// does (directories created, stored paths restored, no password prompt, failures reported per item) and
// never waits for a person: a request for a disk or volume is answered with Cancel.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "rtl/strings.h"

#ifdef _WIN32
#include "os/win32/win32_machine.h"
#else
#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "os/sim/sim_machine.h"
#endif

namespace {

const char kUsage[] =
    "usage: unpack list ARCHIVE\n"
    "       unpack extract [-p PASSWORD] [-j WORKERS] [--flat] [--mask MASK] ARCHIVE DESTDIR\n"
    "       unpack test [-p PASSWORD] [-j WORKERS] ARCHIVE\n";

const char kHelp[] =
    "\n"
    "Lists, extracts or tests the items of a ZIP archive (any file name; .DAT packages included).\n"
    "\n"
    "  list     one line per item in directory order: method, compressed size, uncompressed size,\n"
    "           CRC-32 (8 hex digits), E when encrypted else -, stored name\n"
    "  extract  writes the items matching MASK (default *.*; ';' separates patterns) below DESTDIR,\n"
    "           recreating their stored directories (--flat: every file directly in DESTDIR);\n"
    "           DESTDIR is created when missing\n"
    "  test     decodes every item and checks its CRC without writing files\n"
    "\n"
    "  -p PASSWORD   password of encrypted items (traditional PKWARE encryption)\n"
    "  -j WORKERS    items worked on at once (default: one per processor, at most 8; 1: one at a time)\n"
    "\n"
    "Exit status: 0 every item succeeded; 1 one or more items failed (one line each on standard error:\n"
    "name, error class, code, message); 2 the archive could not be opened, extraction stopped with an\n"
    "error, or the arguments were wrong.\n";

struct Options {
    std::string command, password, mask = "*.*", archive, destination;
    bool flat = false;
    int workers = 0;
};

// Texts go to the terminal in UTF-8 on Linux and as they are on Windows.
std::string ForTerminal(const std::string& ansi) {
#ifdef _WIN32
    return ansi;
#else
    return os::codePage().ansiToUtf8(ansi);
#endif
}

const char* MethodName(uint8_t method) {
    static const char* const names[] = {"stored",   "shrunk",   "reduced1", "reduced2", "reduced3",
                                        "reduced4", "imploded", nullptr,    "deflated", "deflate64"};
    return method < sizeof names / sizeof names[0] ? names[method] : nullptr;
}

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "unpack: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParseArguments(int argc, char** argv, Options& options, int& status) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            status = 0;
            return false;
        }
        if (a == "-j") {
            if (i + 1 >= argc) return status = Usage("-j needs a value"), false;
            char* end = nullptr;
            long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end || n < 1 || n > 8) return status = Usage("-j takes a number from 1 to 8"), false;
            options.workers = static_cast<int>(n);
        } else if (a == "-p" || a == "--mask") {
            if (i + 1 >= argc) return status = Usage((a + " needs a value").c_str()), false;
            (a == "-p" ? options.password : options.mask) = argv[++i];
        } else if (a == "--flat") {
            options.flat = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return status = Usage(("unknown option " + a).c_str()), false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty()) return status = Usage("no command"), false;
    options.command = positional[0];
    size_t wanted = options.command == "extract" ? 3 : (options.command == "list" || options.command == "test") ? 2 : 0;
    if (wanted == 0) return status = Usage(("unknown command " + options.command).c_str()), false;
    if (positional.size() != wanted) return status = Usage("wrong number of arguments"), false;
    if (options.command == "list" && (!options.password.empty() || options.flat || options.mask != "*.*" || options.workers))
        return status = Usage("list takes no options"), false;
    if (options.command == "test" && (options.flat || options.mask != "*.*"))
        return status = Usage("test takes only -p and -j"), false;
    options.archive = positional[1];
    if (wanted == 3) options.destination = positional[2];
    return true;
}

#ifdef _WIN32
os::win32::Win32Machine* InstallMachine() {
    auto* machine = new os::win32::Win32Machine();
    os::setMachine(machine);
    return machine;
}

std::string MachinePath(const std::string& argument) { return os::files().fullPathName(argument); }
#else
os::sim::SimMachine* simMachine = nullptr;

// Linux: a simulated machine whose fixed drive C: is the host's root, so host paths work.
void InstallMachine() {
    simMachine = new os::sim::SimMachine();
    simMachine->addDrive('C', {os::DriveType::Fixed, "/"});
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) {
        if (auto current = simMachine->windowsPath(cwd)) simMachine->files().setCurrentDirectory(*current);
    }
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        if (auto module = simMachine->windowsPath(self)) simMachine->setModuleFileName(*module);
    }
    os::setMachine(simMachine);
}

std::string MachinePath(const std::string& argument) {
    std::string host = argument;
    if (host.empty() || host[0] != '/') {
        char cwd[PATH_MAX];
        host = std::string(getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + host;
    }
    auto path = simMachine->windowsPath(host);
    return os::files().fullPathName(path ? *path : os::codePage().utf8ToAnsi(host));
}
#endif

int List(archive::TArUnZipper& unzipper) {
    for (int i = 0; i < unzipper.Count(); ++i) {
        archive::TArZipItem* item = unzipper.GetItem(i);
        const char* method = MethodName(item->CompressionMethod());
        std::string methodText = method ? method : std::to_string(item->CompressionMethod());
        std::printf("%s %u %u %08x %s %s\n", methodText.c_str(), item->GetCompressedSize(),
                    item->GetUncompressedSize(), item->GetCRC32(), item->GetIsEncrypted() ? "E" : "-",
                    ForTerminal(item->GetFileName()).c_str());
    }
    return 0;
}

int Run(const Options& options) {
    archive::SetArMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "unpack: %s: answered Cancel\n", ForTerminal(text).c_str());
        return archive::kMbCancel;
    });

    archive::SetArWorkerLimit(options.workers);
    archive::TArUnZipper unzipper;
    unzipper.SetExtractOptions(options.flat ? archive::eoCreateDirs : archive::eoCreateDirs | archive::eoRestorePath);
    unzipper.SetPassword(os::codePage().utf8ToAnsi(options.password));
    unzipper.SetCompressionType(archive::TArArchiveType::atZip, true);
    int failures = 0;
    unzipper.OnProcessItemFailure = [&failures](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                                archive::TArErrorClass errorClass, int code) {
        ++failures;
        std::string message = errorClass == archive::TArErrorClass::ecArchive ? archive::ArErrorMessage(code) : "";
        // Inside the engine's handler the exception being handled tells the message best.
        if (auto current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (const std::exception& e) {
                message = e.what();
            } catch (...) {
            }
        }
        std::fprintf(stderr, "%s %s %d %s\n", ForTerminal(item->GetFileName()).c_str(),
                     archive::ArErrorClassName(errorClass), code, ForTerminal(message).c_str());
    };

    try {
        std::string archiveName = MachinePath(options.archive);
        uint32_t attributes = os::files().getFileAttributes(archiveName);
        if (attributes == os::kInvalidAttributes || (attributes & os::kAttrDirectory)) {
            std::fprintf(stderr, "unpack: %s: %s\n", options.archive.c_str(), archive::ArErrorMessage(archive::kArFileNotFound));
            return 2;
        }
        if (options.command == "extract") {
            std::string destination = MachinePath(options.destination);
            archive::ArCreateDirectory(destination);
            unzipper.SetBaseDirectory(destination);
        }
        unzipper.SetFileName(archiveName);
        if (options.command == "list") return List(unzipper);
        if (options.command == "extract") unzipper.ExtractFiles(os::codePage().utf8ToAnsi(options.mask));
        else unzipper.TestFiles("*.*");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unpack: %s\n", ForTerminal(e.what()).c_str());
        return 2;
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = 0;
    if (!ParseArguments(argc, argv, options, status)) return status;
    InstallMachine();
    return Run(options);
}
