#include "os/sim/sim_machine.h"

#include "os/sim/sim_parts.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

namespace os::sim {

namespace {

thread_local uint32_t lastErrorCode = 0;

uint32_t Win32ErrorOf(int error) {
    switch (error) {
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case EEXIST: return kErrorAlreadyExists;
        case ENOTEMPTY: return kErrorDirNotEmpty;
        case ENOSPC: return kErrorDiskFull;
        case ENAMETOOLONG:
        case EINVAL: return kErrorInvalidName;
        default: return kErrorInvalidParameter;
    }
}

bool Fail(uint32_t code) {
    lastErrorCode = code;
    return false;
}

bool FailErrno() { return Fail(Win32ErrorOf(errno)); }

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Every code page the machine supports leaves ASCII as it is, so only other text goes through iconv,
// whose descriptors are opened once per pair of code pages.
std::string IconvConvert(const std::string& text, const char* to, const char* from, bool* ok) {
    if (ok) *ok = true;
    if (text.empty() || IsAscii(text)) return text;
    struct Descriptors : std::map<std::pair<std::string, std::string>, iconv_t> {
        ~Descriptors() {
            for (auto& [key, cd] : *this)
                if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        }
    };
    thread_local Descriptors descriptors;
    auto key = std::make_pair(std::string(to), std::string(from));
    auto it = descriptors.find(key);
    if (it == descriptors.end()) it = descriptors.emplace(key, iconv_open(to, from)).first;
    iconv_t cd = it->second;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok) *ok = false;
        return text;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<size_t>(-1)) {
        if (ok) *ok = false;
        return text;  // undecodable bytes: keep them as they are
    }
    out.resize(out.size() - outLeft);
    return out;
}

std::string CodePageName(uint32_t codePage) { return "CP" + std::to_string(codePage); }

bool IsLeadByteOf(uint32_t codePage, uint8_t b) {
    switch (codePage) {
        case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950: return b >= 0x81 && b <= 0xFE;
        default: return false;
    }
}


// Stored per host path: attributes the host cannot hold (read-only while running as root, hidden, system).
constexpr uint32_t kSettableAttributes = 0x31A7;

// ERROR_DIRECTORY: a folder was expected and a file was found.
constexpr uint32_t kErrorDirectoryName = 267;
// ERROR_NOT_SAME_DEVICE: a folder cannot move to another drive.
constexpr uint32_t kErrorNotSameDevice = 17;
// ERROR_CRC: data error (cyclic redundancy check), what a scratched disc answers.
constexpr uint32_t kErrorCrc = 23;

// Access and sharing of an open handle, as Windows checks them (FILE_SHARE_READ/WRITE/DELETE bits).
enum : uint32_t { kRead = 1, kWrite = 2, kDelete = 4 };

struct OpenHandle {
    std::string host;
    uint32_t access;
    uint32_t share;
};

// Splits the part of a path after its root into names at '' bytes that are not the second byte of a
// double-byte character. Empty names (from repeated separators) are kept; trailing tells whether the
// text ended in a separator.
std::vector<std::string> SplitNames(const std::string& text, uint32_t codePage, bool* trailing = nullptr) {
    std::vector<std::string> names(1);
    bool lastWasSeparator = false;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<uint8_t>(text[i]);
        lastWasSeparator = false;
        if (IsLeadByteOf(codePage, c) && i + 1 < text.size()) {
            names.back() += text.substr(i, 2);
            ++i;
        } else if (c == '\\') {
            names.emplace_back();
            lastWasSeparator = true;
        } else {
            names.back() += static_cast<char>(c);
        }
    }
    if (trailing) *trailing = lastWasSeparator;
    return names;
}

std::string ParentOf(const std::string& host) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return host.substr(0, slash);
}

bool IsSameOrBelow(const std::string& host, const std::string& folder) {
    return host == folder || (host.size() > folder.size() && host.compare(0, folder.size(), folder) == 0 &&
                              host[folder.size()] == '/');
}

}  // namespace

// The names of one host folder by their case-folded ANSI form, so that finding a name in another case
// does not rescan the folder. It is valid while the folder's modification time is the one recorded;
// changes made through the machine update it in place.
struct FolderIndex {
    bool loaded = false;
    struct timespec modified {};
    std::map<std::string, std::string> names;  // folded ANSI name -> host name
};

struct SimMachine::State {
    Settings settings;
    Faults faults;
    std::map<char, Drive> drives;
    std::map<std::string, FolderIndex> folders;  // host folder -> index
    uint32_t ansi = 936;
    uint32_t oem = 936;
    std::string currentDirectory = "C:\\";
    std::string moduleFileName = "C:\\SETUP.EXE";
    std::map<std::string, uint32_t> attributes;  // host path -> attributes set through the port
    // The file system's tables (folder indexes, attributes, open handles) are shared by every thread that
    // uses the machine (the archive engine extracts on several): each call holds this lock while it looks
    // at or changes them. Recursive, since calls are made of other calls. Reads and writes of open files
    // do not take it; the drive counters they use have a lock of their own (sim_faults.cpp).
    std::recursive_mutex mutex;
    std::map<uint64_t, OpenHandle> openHandles;   // handles of open files, for the sharing checks
    uint64_t nextHandle = 1;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<CodePage> codePage;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Profile> profile;
    std::unique_ptr<System> system;
    std::unique_ptr<Shell> shell;
};

namespace {

// Case folding as Windows compares names: ASCII letters only; double-byte characters stay whole.
std::string FoldName(const std::string& name, uint32_t codePage) {
    std::string result = name;
    for (size_t i = 0; i < result.size(); ++i) {
        auto c = static_cast<uint8_t>(result[i]);
        if (IsLeadByteOf(codePage, c) && i + 1 < result.size()) {
            ++i;
            continue;
        }
        if (c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 32);
    }
    return result;
}

bool SameTime(const struct timespec& a, const struct timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// The host name of ansiName in folder in any case; "" when there is none.
std::string FindInFolder(SimMachine::State& s, CodePage& codePage, const std::string& folder, const std::string& ansiName,
                         const struct stat* folderStat = nullptr) {
    struct stat st {};
    if (folderStat) st = *folderStat;
    else if (::stat(folder.c_str(), &st) != 0) return "";
    FolderIndex& index = s.folders[folder];
    if (!index.loaded || !SameTime(index.modified, st.st_mtim)) {
        index.names.clear();
        index.loaded = true;
        index.modified = st.st_mtim;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                index.names.emplace(FoldName(codePage.utf8ToAnsi(name), s.ansi), name);
            }
            ::closedir(dir);
        }
    }
    auto it = index.names.find(FoldName(ansiName, s.ansi));
    if (it != index.names.end()) return it->second;
    // Windows also finds a name by its 8.3 alias.
    if (ansiName.find('~') == std::string::npos) return "";
    std::vector<std::string> folded;
    for (auto& [key, hostName] : index.names) folded.push_back(key);
    std::string longName = detail::FindByShortName(folded, ansiName, codePage);
    return longName.empty() ? "" : index.names[longName];
}

}  // namespace

// Keeps the folder index of host's parent current after the machine created, removed or renamed host.
// created: the caller has just made host, so it need not be looked up again.
void NoteFolderChange(SimMachine::State& s, CodePage& codePage, const std::string& host, bool created = false) {
    std::string folder = ParentOf(host);
    auto it = s.folders.find(folder);
    if (it == s.folders.end()) return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        s.folders.erase(it);
        return;
    }
    std::string name = host.substr(host.find_last_of('/') + 1);
    std::string key = FoldName(codePage.utf8ToAnsi(name), s.ansi);
    struct stat entry {};
    if (created || ::lstat(host.c_str(), &entry) == 0) it->second.names[key] = name;
    else it->second.names.erase(key);
    it->second.modified = st.st_mtim;
}


namespace {

// Where an open file stands among the machine's faults: its drive (for the disc taken out and the full
// disk) and its first unreadable byte (-1: none).
struct FileFaults {
    SimMachine* machine = nullptr;
    char drive = 0;
    int64_t readErrorAt = -1;
};

class SimFile : public File {
public:
    // Takes the descriptor; the handle id is removed from the state's open handles on close.
    SimFile(SimMachine::State& s, uint64_t id, int fd, bool readable, bool writable, FileFaults faults)
        : s_(s), id_(id), fd_(fd), readable_(readable), writable_(writable), faults_(faults) {}
    ~SimFile() override {
        ::close(fd_);
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        s_.openHandles.erase(id_);
    }

    int64_t read(void* buffer, int64_t count) override {
        if (!readable_) return Fail(kErrorAccessDenied), -1;
        if (!takeRead()) return Fail(kErrorNotReady), -1;
        if (faults_.readErrorAt >= 0 && count > 0) {
            // A read that would deliver the damaged byte fails as a whole; bytes before and after it read.
            const off_t position = ::lseek(fd_, 0, SEEK_CUR);
            struct stat st {};
            if (position >= 0 && ::fstat(fd_, &st) == 0) {
                const int64_t available = std::min<int64_t>(count, std::max<int64_t>(0, st.st_size - position));
                if (position <= faults_.readErrorAt && faults_.readErrorAt < position + available)
                    return Fail(kErrorCrc), -1;
            }
        }
        int64_t total = 0;
        auto* p = static_cast<char*>(buffer);
        while (total < count) {
            ssize_t n = ::read(fd_, p + total, static_cast<size_t>(count - total));
            if (n < 0) {
                if (errno == EINTR) continue;
                return FailErrno(), -1;
            }
            if (n == 0) break;
            total += n;
        }
        return total;
    }

    int64_t write(const void* buffer, int64_t count) override {
        if (!writable_) return Fail(kErrorAccessDenied), -1;
        if (gone()) return Fail(kErrorNotReady), -1;
        // A full disk takes what still fits and refuses the rest; overwritten bytes take no new space.
        bool full = false;
        if (detail::HasSpaceLimit(*faults_.machine, faults_.drive)) {
            const off_t position = ::lseek(fd_, 0, SEEK_CUR);
            struct stat st {};
            if (position >= 0 && ::fstat(fd_, &st) == 0) {
                const uint64_t growth = uint64_t(std::max<int64_t>(0, position + count - st.st_size));
                const uint64_t granted = detail::ClaimSpace(*faults_.machine, faults_.drive, growth);
                if (granted < growth) {
                    count -= int64_t(growth - granted);
                    full = true;
                }
            }
        }
        int64_t total = 0;
        auto* p = static_cast<const char*>(buffer);
        while (total < count) {
            ssize_t n = ::write(fd_, p + total, static_cast<size_t>(count - total));
            if (n < 0) {
                if (errno == EINTR) continue;
                return FailErrno(), -1;
            }
            total += n;
        }
        if (full) return Fail(kErrorDiskFull), -1;
        return total;
    }

    int64_t seek(int64_t offset, SeekOrigin origin) override {
        int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
        if (gone()) return Fail(kErrorNotReady), -1;
        off_t r = ::lseek(fd_, offset, whence);
        if (r < 0) return Fail(kErrorInvalidParameter), -1;
        return r;
    }

    int64_t size() override {
        if (gone()) return Fail(kErrorNotReady), -1;
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return FailErrno(), -1;
        return st.st_size;
    }

    bool truncate() override {
        if (gone()) return Fail(kErrorNotReady);
        off_t position = ::lseek(fd_, 0, SEEK_CUR);
        if (position < 0 || ::ftruncate(fd_, position) != 0) return FailErrno();
        return true;
    }

    // The simulated machine's local time is UTC. As on Windows, changing the time needs write access.
    bool setLastWriteTime(const LocalDateTime& t) override {
        if (!writable_) return Fail(kErrorAccessDenied);
        time_t seconds = static_cast<time_t>(detail::UtcSeconds(t));
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        if (::futimens(fd_, times) != 0) return FailErrno();
        return true;
    }

    bool getLastWriteTime(LocalDateTime& t) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return FailErrno();
        struct tm parts {};
        time_t seconds = st.st_mtime;
        gmtime_r(&seconds, &parts);
        t = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
        return true;
    }

private:
    bool gone() { return detail::DriveGone(*faults_.machine, faults_.drive); }
    bool takeRead() { return detail::TakeRead(*faults_.machine, faults_.drive); }

    SimMachine::State& s_;
    uint64_t id_;
    int fd_;
    bool readable_, writable_;
    FileFaults faults_;
};

class SimCodePage : public CodePage {
public:
    explicit SimCodePage(SimMachine::State& s) : s_(s) {}
    uint32_t ansiCodePage() override { return s_.ansi; }
    uint32_t oemCodePage() override { return s_.oem; }
    bool areFileApisAnsi() override { return true; }
    std::string oemToAnsi(const std::string& text) override {
        if (s_.oem == s_.ansi) return text;
        return IconvConvert(text, CodePageName(s_.ansi).c_str(), CodePageName(s_.oem).c_str(), nullptr);
    }
    bool isLeadByte(uint8_t byte) override { return IsLeadByteOf(s_.ansi, byte); }
    std::string ansiToUtf8(const std::string& text) override {
        return IconvConvert(text, "UTF-8", CodePageName(s_.ansi).c_str(), nullptr);
    }
    std::string utf8ToAnsi(const std::string& text) override {
        return IconvConvert(text, CodePageName(s_.ansi).c_str(), "UTF-8", nullptr);
    }

private:
    SimMachine::State& s_;
};

}  // namespace

// Path handling of the simulated file system.
class SimFileSystem : public FileSystem {
public:
    SimFileSystem(SimMachine& machine, SimMachine::State& s) : machine_(machine), s_(s) {}

    std::unique_ptr<File> openFile(const std::string& path, uint32_t mode) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        // Access in bits 0-1 (read, write, both), sharing in bits 4-6 (0 and 1 exclusive, deny write,
        // deny read, deny none).
        static constexpr uint32_t kShareOf[5] = {0, 0, kRead, kWrite, kRead | kWrite};
        uint32_t access = mode & 3;
        uint32_t share = (mode & 0xF0) >> 4;
        if (access > 2 || share > 4 || (mode & ~0xF3u) != 0) return Fail(kErrorInvalidParameter), nullptr;
        if (uint32_t error = detail::NotReadyError(machine_, path)) return Fail(error), nullptr;
        auto host = existingHost(path);
        if (!host) return nullptr;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno(), nullptr;
        if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied), nullptr;
        bool writable = access == kOpenWrite || access == kOpenReadWrite;
        if (writable && (attributesOf(*host, false) & kAttrReadOnly)) return Fail(kErrorAccessDenied), nullptr;
        if (writable)
            if (uint32_t error = detail::ChangeError(machine_, path, true)) return Fail(error), nullptr;
        uint32_t rights = (access != kOpenWrite ? uint32_t(kRead) : 0u) | (writable ? uint32_t(kWrite) : 0u);
        if (!shareable(*host, rights, kShareOf[share])) return Fail(kErrorSharingViolation), nullptr;
        int flags = access == kOpenRead ? O_RDONLY : access == kOpenWrite ? O_WRONLY : O_RDWR;
        int fd = ::open(host->c_str(), flags | O_CLOEXEC);
        if (fd < 0) return FailErrno(), nullptr;
        return track(*host, path, rights, kShareOf[share], fd);
    }

    std::unique_ptr<File> createFile(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        return create(path, kRead | kWrite, 0, kAttrNormal);
    }

    uint32_t getFileAttributes(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = detail::NotReadyError(machine_, path)) return Fail(error), kInvalidAttributes;
        SimMachine::HostEntry entry;
        auto host = existingHost(path, &entry);
        if (!host) return kInvalidAttributes;
        return attributesOf(*host, entry.directory);
    }

    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = faultOfChange(path, false)) return Fail(error);
        SimMachine::HostEntry entry;
        auto host = existingHost(path, &entry);
        if (!host) return false;
        uint32_t kept = attributes & kSettableAttributes;
        if (kept == 0) kept = entry.directory ? 0u : static_cast<uint32_t>(kAttrNormal);
        s_.attributes[*host] = kept;
        return true;
    }

    bool createDirectory(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = faultOfChange(path, false)) return Fail(error);
        auto host = hostForNew(path);
        if (!host) return false;
        if (::mkdir(host->c_str(), 0755) != 0) return errno == EEXIST ? Fail(kErrorAlreadyExists) : FailErrno();
        NoteFolderChange(s_, machine_.codePage(), *host, true);
        return true;
    }

    bool removeDirectory(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = faultOfChange(path, false)) return Fail(error);
        auto host = existingHost(path);
        if (!host) return false;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno();
        if (!S_ISDIR(st.st_mode)) return Fail(kErrorDirectoryName);
        // The process's current directory is held open, so it cannot go.
        auto current = machine_.hostPath(s_.currentDirectory);
        if (current && *current == *host) return Fail(kErrorSharingViolation);
        if (::rmdir(host->c_str()) != 0) return FailErrno();
        NoteFolderChange(s_, machine_.codePage(), *host);
        s_.attributes.erase(*host);
        return true;
    }

    bool deleteFile(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = detail::NotReadyError(machine_, path)) return Fail(error);
        auto host = existingHost(path);
        if (!host) return false;
        if (uint32_t error = detail::ChangeError(machine_, path, true)) return Fail(error);
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno();
        if (S_ISDIR(st.st_mode) || (attributesOf(*host, false) & kAttrReadOnly)) return Fail(kErrorAccessDenied);
        if (!shareable(*host, kDelete, kRead | kWrite | kDelete)) return Fail(kErrorSharingViolation);
        if (::unlink(host->c_str()) != 0) return FailErrno();
        NoteFolderChange(s_, machine_.codePage(), *host);
        s_.attributes.erase(*host);
        return true;
    }

    // Copies content, last-write time and attributes. The target is written while the source is open; it
    // is created with the source's attributes, so a hidden or system target is replaced only by a source
    // that is so too.
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        auto source = openFile(from, kOpenRead | kShareDenyWrite);
        if (!source) return false;
        const uint32_t sourceAttributes = getFileAttributes(from);
        if (failIfExists && getFileAttributes(to) != kInvalidAttributes) return Fail(kErrorFileExists);
        auto target = create(to, kWrite, kRead, sourceAttributes);
        if (!target) return false;
        std::vector<char> buffer(65536);
        for (;;) {
            int64_t n = source->read(buffer.data(), static_cast<int64_t>(buffer.size()));
            if (n < 0) return false;
            if (n == 0) break;
            if (target->write(buffer.data(), n) != n) return false;
        }
        LocalDateTime time;
        if (source->getLastWriteTime(time)) target->setLastWriteTime(time);
        auto sourceHost = machine_.hostPath(from);
        auto targetHost = machine_.hostPath(to);
        if (sourceHost && targetHost) {
            auto it = s_.attributes.find(*sourceHost);
            if (it != s_.attributes.end()) s_.attributes[*targetHost] = it->second;
        }
        return true;
    }

    // Renames a file or folder, also to another case of the same name; a file moves between drives by
    // copy and delete. Attributes travel along; open files (also inside a moved folder) refuse.
    bool moveFile(const std::string& from, const std::string& to) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        if (uint32_t error = detail::NotReadyError(machine_, to)) return Fail(error);
        if (uint32_t error = detail::NotReadyError(machine_, from)) return Fail(error);
        auto source = existingHost(from);
        if (!source) return false;
        if (uint32_t error = detail::ChangeError(machine_, from, true)) return Fail(error);
        if (uint32_t error = detail::ChangeError(machine_, to, getFileAttributes(to) != kInvalidAttributes))
            return Fail(error);
        for (auto& [id, handle] : s_.openHandles)
            if (IsSameOrBelow(handle.host, *source)) return Fail(kErrorSharingViolation);
        auto target = hostForNew(to);
        if (!target) return false;
        struct stat st {};
        if (*target == *source) {
            target = ParentOf(*source) + "/" + codePage().ansiToUtf8(lastName(fullPathName(to)));
        } else if (::lstat(target->c_str(), &st) == 0) {
            return Fail(kErrorAlreadyExists);
        }
        if (::rename(source->c_str(), target->c_str()) != 0) {
            if (errno != EXDEV) return FailErrno();
            if (::stat(source->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return Fail(kErrorNotSameDevice);
            return copyFile(from, to, true) && deleteFile(from);
        }
        NoteFolderChange(s_, machine_.codePage(), *source);
        NoteFolderChange(s_, machine_.codePage(), *target);
        std::map<std::string, uint32_t> moved;
        for (auto it = s_.attributes.begin(); it != s_.attributes.end();) {
            if (IsSameOrBelow(it->first, *source)) {
                moved[*target + it->first.substr(source->size())] = it->second;
                it = s_.attributes.erase(it);
            } else {
                ++it;
            }
        }
        s_.attributes.merge(moved);
        return true;
    }

    DriveType getDriveType(const std::string& root) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        std::string full = fullPathName(root);
        if (full.size() < 2 || full[1] != ':') return DriveType::NoRootDir;
        Drive* d = machine_.drive(full[0]);
        return d ? d->type : DriveType::NoRootDir;
    }

    std::string getCurrentDirectory() override { return s_.currentDirectory; }

    // Kept without a trailing separator, except for a drive's root.
    bool setCurrentDirectory(const std::string& path) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        std::string full = fullPathName(path);
        if (full.size() > 3 && full.back() == '\\') full.pop_back();
        uint32_t attributes = getFileAttributes(full);
        if (attributes == kInvalidAttributes) return false;
        if (!(attributes & kAttrDirectory)) return Fail(kErrorDirectoryName);
        s_.currentDirectory = full;
        return true;
    }

    std::string moduleFileName() override { return s_.moduleFileName; }

    // GetFullPathName: '/' becomes '\', relative paths join the current directory (or the current
    // directory's drive for "\x" paths), "." and ".." are resolved, repeated separators collapse. A name
    // before a separator loses one trailing '.', the last name all its trailing dots and spaces. The
    // drive letter keeps its case. Separators are found with double-byte characters in mind.
    std::string fullPathName(const std::string& input) override {
        std::lock_guard<std::recursive_mutex> lock(s_.mutex);
        std::string path = input;
        for (auto& c : path)
            if (c == '/') c = '\\';
        std::string prefix;
        std::string rest;
        const std::string& current = s_.currentDirectory;
        if (path.size() >= 2 && path[1] == ':') {
            prefix = path.substr(0, 2);
            rest = path.substr(2);
            if (rest.empty() || rest[0] != '\\') {
                if (current.size() >= 2 && toupper(static_cast<unsigned char>(current[0])) ==
                                               toupper(static_cast<unsigned char>(prefix[0])))
                    rest = current.substr(2) + "\\" + rest;
                else
                    rest = "\\" + rest;
            }
        } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
            return path;  // network paths are not simulated
        } else if (!path.empty() && path[0] == '\\') {
            prefix = current.substr(0, 2);
            rest = path;
        } else {
            prefix = current.substr(0, 2);
            rest = current.substr(2) + "\\" + path;
        }
        bool trailing = false;
        std::vector<std::string> names = SplitNames(rest, s_.ansi, &trailing);
        std::vector<std::string> parts;
        for (size_t i = 0; i < names.size(); ++i) {
            std::string name = names[i];
            bool last = i + 1 == names.size();
            if (name == "..") {
                if (!parts.empty()) parts.pop_back();
                continue;
            }
            if (name.empty() || name == ".") continue;
            if (last) {
                while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
                if (name.empty()) {
                    trailing = true;
                    continue;
                }
            } else if (name.back() == '.' && name.find_first_not_of('.') != std::string::npos) {
                name.pop_back();
            }
            parts.push_back(name);
        }
        std::string result = prefix + "\\";
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i) result += '\\';
            result += parts[i];
        }
        if (trailing && !parts.empty()) result += '\\';
        return result;
    }

    uint32_t lastError() override { return lastErrorCode; }

private:
    uint32_t attributesOf(const std::string& host, bool directory) {
        auto it = s_.attributes.find(host);
        if (it != s_.attributes.end()) return directory ? (it->second | kAttrDirectory) & ~kAttrNormal : it->second;
        return directory ? kAttrDirectory : kAttrArchive;
    }

    // The last name of a full path.
    std::string lastName(const std::string& full) {
        auto names = SplitNames(full, s_.ansi);
        while (names.size() > 1 && names.back().empty()) names.pop_back();
        return names.back();
    }

    // Windows grants an open only when every open handle shares what it asks and it shares what they hold.
    bool shareable(const std::string& host, uint32_t access, uint32_t share) {
        for (auto& [id, handle] : s_.openHandles) {
            if (handle.host != host) continue;
            if ((access & ~handle.share) != 0 || (handle.access & ~share) != 0) return false;
        }
        return true;
    }

    std::unique_ptr<File> track(const std::string& host, const std::string& path, uint32_t access, uint32_t share, int fd) {
        uint64_t id = s_.nextHandle++;
        s_.openHandles[id] = {host, access, share};
        FileFaults faults{&machine_, detail::DriveLetterOf(machine_, path), detail::ReadErrorOffset(machine_, path)};
        return std::make_unique<SimFile>(s_, id, fd, (access & kRead) != 0, (access & kWrite) != 0, faults);
    }

    // The fault a change of path meets before anything is looked at: the drive gone, a denied folder.
    // Locked files refuse only when they exist, which the caller checks.
    uint32_t faultOfChange(const std::string& path, bool lockedCounts) {
        if (uint32_t error = detail::NotReadyError(machine_, path)) return error;
        return detail::ChangeError(machine_, path, lockedCounts);
    }

    // CreateFile with CREATE_ALWAYS and the given attributes: a new file, or an existing one truncated with
    // fresh attributes. Windows refuses to replace a read-only file, and a hidden or system one unless the
    // given attributes carry its hidden and system bits too.
    std::unique_ptr<File> create(const std::string& path, uint32_t access, uint32_t share, uint32_t attributes) {
        if (uint32_t error = faultOfChange(path, false)) return Fail(error), nullptr;
        SimMachine::HostEntry entry;
        auto host = hostForNew(path, &entry);
        if (!host) return nullptr;
        struct stat st {};
        if (entry.exists && ::stat(host->c_str(), &st) == 0) {
            if (uint32_t error = detail::ChangeError(machine_, path, true)) return Fail(error), nullptr;
            const uint32_t existing = attributesOf(*host, false);
            const uint32_t guarded = existing & (kAttrHidden | kAttrSystem);
            if (S_ISDIR(st.st_mode) || (existing & kAttrReadOnly) || (guarded & ~attributes) != 0)
                return Fail(kErrorAccessDenied), nullptr;
            if (!shareable(*host, access, share)) return Fail(kErrorSharingViolation), nullptr;
        }
        int flags = (access & kRead) ? O_RDWR : O_WRONLY;
        int fd = ::open(host->c_str(), flags | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return FailErrno(), nullptr;
        NoteFolderChange(s_, machine_.codePage(), *host, true);
        s_.attributes.erase(*host);
        return track(*host, path, access, share, fd);
    }

    // The host path of an existing name. A missing name reports ERROR_FILE_NOT_FOUND when its folder
    // exists and ERROR_PATH_NOT_FOUND when the folder does not.
    std::optional<std::string> existingHost(const std::string& path, SimMachine::HostEntry* found = nullptr) {
        SimMachine::HostEntry entry;
        auto host = machine_.hostPath(path, &entry);
        if (!host) return Fail(kErrorPathNotFound), std::optional<std::string>();
        if (!entry.exists)
            return Fail(entry.parentIsFolder ? kErrorFileNotFound : kErrorPathNotFound), std::optional<std::string>();
        if (found) *found = entry;
        return host;
    }

    std::optional<std::string> hostForNew(const std::string& path, SimMachine::HostEntry* found = nullptr) {
        SimMachine::HostEntry ignored;
        SimMachine::HostEntry& entry = found ? *found : ignored;
        auto host = machine_.hostPath(path, &entry);
        if (!host || !entry.parentIsFolder) return Fail(kErrorPathNotFound), std::optional<std::string>();
        return host;
    }

    CodePage& codePage() { return machine_.codePage(); }

    SimMachine& machine_;
    SimMachine::State& s_;
};

SimMachine::SimMachine() : state_(std::make_unique<State>()) {
    state_->files = std::make_unique<SimFileSystem>(*this, *state_);
    state_->codePage = std::make_unique<SimCodePage>(*state_);
    state_->registry = detail::MakeRegistry(*this);
    state_->profile = detail::MakeProfile(*this);
    state_->system = detail::MakeSystem(*this);
    state_->shell = detail::MakeShell(*this);
}

SimMachine::~SimMachine() = default;

void SimMachine::addDrive(char letter, Drive drive) {
    while (drive.hostRoot.size() > 1 && drive.hostRoot.back() == '/') drive.hostRoot.pop_back();
    state_->drives[static_cast<char>(toupper(static_cast<unsigned char>(letter)))] = std::move(drive);
}

const std::map<char, Drive>& SimMachine::drives() const { return state_->drives; }

Drive* SimMachine::drive(char letter) {
    auto it = state_->drives.find(static_cast<char>(toupper(static_cast<unsigned char>(letter))));
    return it == state_->drives.end() ? nullptr : &it->second;
}

void SimMachine::setCodePages(uint32_t ansi, uint32_t oem) {
    state_->ansi = ansi;
    state_->oem = oem;
}

void SimMachine::setModuleFileName(const std::string& windowsPath) { state_->moduleFileName = windowsPath; }

std::optional<std::string> SimMachine::hostPath(const std::string& windowsPath, HostEntry* entry) {
    std::string full = files().fullPathName(windowsPath);
    if (full.size() < 3 || full[1] != ':') return std::nullopt;
    Drive* d = drive(full[0]);
    if (!d || d->hostRoot.empty()) return std::nullopt;
    std::string host = d->hostRoot == "/" ? "" : d->hostRoot;
    std::vector<std::string> names = SplitNames(full.substr(3), state_->ansi);

    // Most paths exist as written, or name something new in a folder that does: one or two checks.
    {
        std::string exact = host;
        std::string parent, last;
        for (const std::string& name : names) {
            if (name.empty()) continue;
            parent = exact;
            last = name;
            exact += "/" + codePage().ansiToUtf8(name);
        }
        struct stat st {};
        HostEntry ignored;
        HostEntry& e = entry ? *entry : ignored;
        e = HostEntry();
        auto describe = [&](const std::string& path) {
            e.exists = true;
            e.parentIsFolder = true;
            e.directory = S_ISDIR(st.st_mode) || (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            return path;
        };
        if (exact.empty()) {
            e.exists = e.directory = e.parentIsFolder = true;
            return std::string("/");
        }
        if (::lstat(exact.c_str(), &st) == 0) return describe(exact);
        std::string folder = parent.empty() ? "/" : parent;
        if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            e.parentIsFolder = true;
            std::string found = FindInFolder(*state_, codePage(), folder, last, &st);
            if (!found.empty() && ::lstat((parent + "/" + found).c_str(), &st) == 0) return describe(parent + "/" + found);
            if (found.empty()) return exact;
        }
    }

    bool missing = false;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        std::string hostName = codePage().ansiToUtf8(name);
        if (!missing) {
            struct stat st {};
            std::string candidate = host + "/" + hostName;
            if (::lstat(candidate.c_str(), &st) != 0) {
                // Look for the name in another case.
                std::string found = FindInFolder(*state_, codePage(), host.empty() ? "/" : host, name);
                if (found.empty() || ::lstat((host + "/" + found).c_str(), &st) != 0) missing = true;
                else hostName = found;
            }
        }
        host += "/" + hostName;
    }
    if (host.empty()) host = "/";
    if (entry) {
        struct stat st {};
        *entry = HostEntry();
        entry->parentIsFolder = ::stat(ParentOf(host).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (::stat(host.c_str(), &st) == 0) {
            entry->exists = true;
            entry->directory = S_ISDIR(st.st_mode);
        }
    }
    return host;
}

std::optional<std::string> SimMachine::windowsPath(const std::string& hostPath) {
    const Drive* best = nullptr;
    char bestLetter = 0;
    for (auto& [letter, d] : state_->drives) {
        if (d.hostRoot.empty()) continue;
        bool under = d.hostRoot == "/" ? !hostPath.empty() && hostPath[0] == '/'
                                       : hostPath.compare(0, d.hostRoot.size(), d.hostRoot) == 0 &&
                                             (hostPath.size() == d.hostRoot.size() || hostPath[d.hostRoot.size()] == '/');
        if (under && (!best || d.hostRoot.size() > best->hostRoot.size())) {
            best = &d;
            bestLetter = letter;
        }
    }
    if (!best) return std::nullopt;
    std::string rest = best->hostRoot == "/" ? hostPath.substr(1) : hostPath.substr(std::min(hostPath.size(), best->hostRoot.size() + 1));
    for (auto& c : rest)
        if (c == '/') c = '\\';
    return std::string(1, bestLetter) + ":\\" + codePage().utf8ToAnsi(rest);
}

namespace detail {
uint32_t& LastError() { return lastErrorCode; }

int64_t UtcSeconds(const LocalDateTime& t) {
    struct tm parts {};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    return static_cast<int64_t>(timegm(&parts));
}
}  // namespace detail

Settings& SimMachine::settings() { return state_->settings; }
Faults& SimMachine::faults() { return state_->faults; }
FileSystem& SimMachine::files() { return *state_->files; }
CodePage& SimMachine::codePage() { return *state_->codePage; }
Registry& SimMachine::registry() { return *state_->registry; }
Profile& SimMachine::profile() { return *state_->profile; }
System& SimMachine::system() { return *state_->system; }
Shell& SimMachine::shell() { return *state_->shell; }

}  // namespace os::sim
