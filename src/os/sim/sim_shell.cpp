// The simulated machine's shell: programs are recorded instead of started, shell links are written as real
// .LNK files through the simulated file system, COM initialisation is counted per thread.
#include "os/sim/sim_shell.h"

#include <cassert>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>

#include "os/sim/lnk_writer.h"
#include "os/sim/sim_machine.h"
#include "os/sim/sim_parts.h"

namespace os::sim {

namespace {

// What ShellExecute and WinExec return for a started program (any value above 32 means success) and for
// a program that is not there.
constexpr intptr_t kStartedInstance = 42;
constexpr uint32_t kWinExecStarted = 33;
constexpr uint32_t kNotFound = kErrorFileNotFound;

constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;                                        // S_FALSE: COM was initialised already
constexpr int32_t kComNotInitialized = static_cast<int32_t>(0x800401F0);  // CO_E_NOTINITIALIZED
constexpr uint32_t kErrorFilenameTooLong = 206;                      // ERROR_FILENAME_EXCED_RANGE
constexpr size_t kMaxPath = 260;

int32_t HresultFromWin32(uint32_t code) {
    return code == 0 ? kOk : static_cast<int32_t>(0x80070000u | (code & 0xFFFF));
}

// Number of UTF-16 units of a UTF-8 text.
size_t Utf16Length(const std::string& utf8) {
    size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80) ++units;  // each lead byte starts a code point
        if ((c & 0xF8) == 0xF0) ++units;  // beyond the BMP: a surrogate pair
    }
    return units;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// FILETIME of a local time; the simulated machine's local time is UTC.
uint64_t FileTimeOf(const LocalDateTime& t) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    int64_t seconds = detail::UtcSeconds(t) + kSecondsFrom1601To1970;
    return seconds < 0 ? 0 : static_cast<uint64_t>(seconds) * 10000000u;
}

class SimShellImpl : public SimShell {
public:
    explicit SimShellImpl(SimMachine& machine) : machine_(machine) {}
    using Shell::shellExecute;

    intptr_t shellExecute(void* owner, const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showCommand) override {
        intptr_t result = findProgram(file, directory) ? kStartedInstance : kNotFound;
        started_.push_back({StartedProgram::Call::ShellExecute, operation, file, parameters, directory, showCommand,
                            result, owner});
        return result;
    }

    // The program is the quoted first word, or the shortest run of blank-separated words naming a file
    // (with ".EXE" added when it has no extension), as WinExec tries them.
    uint32_t winExec(const std::string& commandLine, int showCommand) override {
        bool found = false;
        if (!commandLine.empty() && commandLine[0] == '"') {
            size_t end = commandLine.find('"', 1);
            found = findProgram(commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1), "");
        } else {
            for (size_t end = 0; !found && end != std::string::npos;) {
                end = commandLine.find(' ', end + 1);
                found = findProgram(commandLine.substr(0, end), "");
            }
        }
        uint32_t result = found ? kWinExecStarted : kNotFound;
        started_.push_back({StartedProgram::Call::WinExec, "", commandLine, "", "", showCommand, result});
        return result;
    }

    int32_t initializeCom() override {
        std::lock_guard lock(mutex_);
        return comDepth_[std::this_thread::get_id()]++ == 0 ? kOk : kFalse;
    }

    void uninitializeCom() override {
        std::lock_guard lock(mutex_);
        auto it = comDepth_.find(std::this_thread::get_id());
        if (it != comDepth_.end() && --it->second == 0) comDepth_.erase(it);
    }

    using Shell::createShellLink;
    int32_t createShellLink(const ShellLinkSpec& spec, const std::string& linkFile, bool /*remember*/,
                            ShellLinkStep& reached) override {
        reached = ShellLinkStep::CreateObject;
        if (comDepth() == 0) return kComNotInitialized;
        reached = ShellLinkStep::Save;
        // The link's name is handed to Save as a wide string of at most MAX_PATH characters.
        if (Utf16Length(machine_.codePage().ansiToUtf8(linkFile)) >= kMaxPath) {
            detail::LastError() = kErrorFilenameTooLong;
            return HresultFromWin32(kErrorFilenameTooLong);
        }
        std::vector<uint8_t> bytes = detail::BuildShellLink(contentsOf(spec));
        FileSystem& files = machine_.files();
        auto file = files.createFile(linkFile);
        if (!file) return HresultFromWin32(files.lastError());
        if (file->write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()))
            return HresultFromWin32(files.lastError());
        saved_.push_back(linkFile);
        reached = ShellLinkStep::Saved;
        return kOk;
    }

    void notifyDirectoryCreated(const std::string& path) override { notices_.push_back(path); }

    const std::vector<StartedProgram>& startedPrograms() const override { return started_; }
    const std::vector<std::string>& savedLinks() const override { return saved_; }
    const std::vector<std::string>& createdDirectoryNotices() const override { return notices_; }

    int comDepth() const override {
        std::lock_guard lock(mutex_);
        auto it = comDepth_.find(std::this_thread::get_id());
        return it == comDepth_.end() ? 0 : it->second;
    }

private:
    bool exists(const std::string& path) { return machine_.files().getFileAttributes(path) != kInvalidAttributes; }

    // Whether a program or document can be found: as written when absolute, otherwise in the given
    // folder, the current folder, the system folder and the Windows folder.
    bool findProgram(const std::string& file, const std::string& directory) {
        if (file.empty()) return false;
        size_t nameStart = file.find_last_of("\\/:");
        bool hasExtension = file.find('.', nameStart == std::string::npos ? 0 : nameStart) != std::string::npos;
        auto found = [&](const std::string& path) { return exists(path) || (!hasExtension && exists(path + ".exe")); };
        if (IsAbsolute(file)) return found(file);
        const Settings& settings = machine_.settings();
        for (const std::string& folder : {directory, machine_.files().getCurrentDirectory(),
                                          settings.systemDirectory, settings.windowsDirectory}) {
            if (folder.empty()) continue;
            bool separated = folder.back() == '\\' || folder.back() == '/';
            if (found(folder + (separated ? "" : "\\") + file)) return true;
        }
        return false;
    }

    // The link's target as SetPath records it: the full path, its volume and, when it exists, its
    // attributes, size and last-write time.
    detail::LinkContents contentsOf(const ShellLinkSpec& spec) {
        FileSystem& files = machine_.files();
        detail::LinkContents link;
        link.localBasePath = spec.target.empty() ? std::string() : files.fullPathName(spec.target);
        link.description = spec.description;
        link.workingDirectory = spec.workingDirectory;
        link.arguments = spec.arguments;
        if (link.localBasePath.size() >= 2 && link.localBasePath[1] == ':') {
            char letter = static_cast<char>(toupper(static_cast<unsigned char>(link.localBasePath[0])));
            link.driveType = static_cast<uint32_t>(files.getDriveType(std::string(1, letter) + ":\\"));
            link.driveSerial = 0x5EED0000u | static_cast<uint8_t>(letter);  // a fixed serial per drive
        }
        uint32_t saved = detail::LastError();  // looking at the target must not disturb the caller's error
        uint32_t attributes =
            link.localBasePath.empty() ? kInvalidAttributes : files.getFileAttributes(link.localBasePath);
        if (attributes != kInvalidAttributes) {
            link.fileAttributes = attributes;
            if (!(attributes & kAttrDirectory)) {
                if (auto target = files.openFile(link.localBasePath, kOpenRead | kShareDenyNone)) {
                    int64_t size = target->size();
                    link.fileSize = size > 0 ? static_cast<uint32_t>(size) : 0;  // the low 32 bits, as the format keeps
                    LocalDateTime time;
                    if (target->getLastWriteTime(time)) link.writeTime = FileTimeOf(time);
                }
            }
        }
        detail::LastError() = saved;
        return link;
    }

    SimMachine& machine_;
    mutable std::mutex mutex_;
    std::map<std::thread::id, int> comDepth_;
    std::vector<StartedProgram> started_;
    std::vector<std::string> saved_;
    std::vector<std::string> notices_;
};

}  // namespace

SimShell& SimShellOf(SimMachine& machine) {
    auto* shell = dynamic_cast<SimShell*>(&machine.shell());
    assert(shell && "the simulated machine's shell part is a SimShell");
    return *shell;
}

namespace detail {

std::unique_ptr<Shell> MakeShell(SimMachine& machine) { return std::make_unique<SimShellImpl>(machine); }

}  // namespace detail
}  // namespace os::sim
