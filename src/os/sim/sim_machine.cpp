#include "os/sim/sim_machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
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

std::string IconvConvert(const std::string& text, const char* to, const char* from, bool* ok) {
    if (ok) *ok = true;
    if (text.empty()) return text;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok) *ok = false;
        return text;
    }
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
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

// Case-insensitive comparison of two names in the ANSI code page; double-byte characters compare exactly.
bool SameName(const std::string& a, const std::string& b, uint32_t codePage) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<uint8_t>(a[i]);
        auto y = static_cast<uint8_t>(b[i]);
        if (IsLeadByteOf(codePage, x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

// Stored per host path: attributes the host cannot hold (read-only while running as root, hidden, system).
constexpr uint32_t kSettableAttributes = 0x31A7;

}  // namespace

struct SimMachine::State {
    std::map<char, Drive> drives;
    uint32_t ansi = 936;
    uint32_t oem = 936;
    std::string currentDirectory = "C:\\";
    std::string moduleFileName = "C:\\SETUP.EXE";
    std::map<std::string, uint32_t> attributes;  // host path -> attributes set through the port
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<CodePage> codePage;
};

namespace {

class SimFile : public File {
public:
    SimFile(int fd, bool readable, bool writable) : fd_(fd), readable_(readable), writable_(writable) {}
    ~SimFile() override { ::close(fd_); }

    int64_t read(void* buffer, int64_t count) override {
        if (!readable_) return Fail(kErrorAccessDenied), -1;
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
        return total;
    }

    int64_t seek(int64_t offset, SeekOrigin origin) override {
        int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
        off_t r = ::lseek(fd_, offset, whence);
        if (r < 0) return Fail(kErrorInvalidParameter), -1;
        return r;
    }

    int64_t size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return FailErrno(), -1;
        return st.st_size;
    }

    bool truncate() override {
        off_t position = ::lseek(fd_, 0, SEEK_CUR);
        if (position < 0 || ::ftruncate(fd_, position) != 0) return FailErrno();
        return true;
    }

    // The simulated machine's local time is UTC.
    bool setLastWriteTime(const LocalDateTime& t) override {
        struct tm parts {};
        parts.tm_year = t.year - 1900;
        parts.tm_mon = t.month - 1;
        parts.tm_mday = t.day;
        parts.tm_hour = t.hour;
        parts.tm_min = t.minute;
        parts.tm_sec = t.second;
        time_t seconds = timegm(&parts);
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
    int fd_;
    bool readable_, writable_;
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
        auto host = existingHost(path);
        if (!host) return nullptr;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno(), nullptr;
        if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied), nullptr;
        uint32_t access = mode & 3;
        bool writable = access == kOpenWrite || access == kOpenReadWrite;
        if (writable && (attributesOf(*host, false) & kAttrReadOnly)) return Fail(kErrorAccessDenied), nullptr;
        int flags = access == kOpenRead ? O_RDONLY : access == kOpenWrite ? O_WRONLY : O_RDWR;
        int fd = ::open(host->c_str(), flags | O_CLOEXEC);
        if (fd < 0) return FailErrno(), nullptr;
        return std::make_unique<SimFile>(fd, access != kOpenWrite, writable);
    }

    std::unique_ptr<File> createFile(const std::string& path) override {
        auto host = hostForNew(path);
        if (!host) return nullptr;
        struct stat st {};
        if (::stat(host->c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode) || (attributesOf(*host, false) & kAttrReadOnly))
                return Fail(kErrorAccessDenied), nullptr;
        }
        int fd = ::open(host->c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return FailErrno(), nullptr;
        s_.attributes.erase(*host);
        return std::make_unique<SimFile>(fd, true, true);
    }

    uint32_t getFileAttributes(const std::string& path) override {
        auto host = existingHost(path);
        if (!host) return kInvalidAttributes;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno(), kInvalidAttributes;
        return attributesOf(*host, S_ISDIR(st.st_mode));
    }

    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        auto host = existingHost(path);
        if (!host) return false;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno();
        uint32_t kept = attributes & kSettableAttributes;
        if (kept == 0) kept = S_ISDIR(st.st_mode) ? 0u : static_cast<uint32_t>(kAttrNormal);
        s_.attributes[*host] = kept;
        return true;
    }

    bool createDirectory(const std::string& path) override {
        auto host = hostForNew(path);
        if (!host) return false;
        if (::mkdir(host->c_str(), 0755) != 0) return errno == EEXIST ? Fail(kErrorAlreadyExists) : FailErrno();
        return true;
    }

    bool removeDirectory(const std::string& path) override {
        auto host = existingHost(path);
        if (!host) return false;
        if (::rmdir(host->c_str()) != 0) return FailErrno();
        s_.attributes.erase(*host);
        return true;
    }

    bool deleteFile(const std::string& path) override {
        auto host = existingHost(path);
        if (!host) return false;
        struct stat st {};
        if (::stat(host->c_str(), &st) != 0) return FailErrno();
        if (S_ISDIR(st.st_mode) || (attributesOf(*host, false) & kAttrReadOnly)) return Fail(kErrorAccessDenied);
        if (::unlink(host->c_str()) != 0) return FailErrno();
        s_.attributes.erase(*host);
        return true;
    }

    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        auto source = openFile(from, kOpenRead | kShareDenyWrite);
        if (!source) return false;
        if (failIfExists && getFileAttributes(to) != kInvalidAttributes) return Fail(kErrorFileExists);
        auto target = createFile(to);
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
        return true;
    }

    bool moveFile(const std::string& from, const std::string& to) override {
        auto source = existingHost(from);
        if (!source) return false;
        auto target = hostForNew(to);
        if (!target) return false;
        struct stat st {};
        if (::stat(target->c_str(), &st) == 0) return Fail(kErrorAlreadyExists);
        if (::rename(source->c_str(), target->c_str()) != 0) return FailErrno();
        return true;
    }

    DriveType getDriveType(const std::string& root) override {
        std::string full = fullPathName(root);
        if (full.size() < 2 || full[1] != ':') return DriveType::NoRootDir;
        Drive* d = machine_.drive(full[0]);
        return d ? d->type : DriveType::NoRootDir;
    }

    std::string getCurrentDirectory() override { return s_.currentDirectory; }

    bool setCurrentDirectory(const std::string& path) override {
        std::string full = fullPathName(path);
        uint32_t attributes = getFileAttributes(full);
        if (attributes == kInvalidAttributes || !(attributes & kAttrDirectory)) return Fail(kErrorPathNotFound);
        s_.currentDirectory = full;
        return true;
    }

    std::string moduleFileName() override { return s_.moduleFileName; }

    // GetFullPathName: '/' becomes '\', relative paths join the current directory (or the current
    // directory's drive for "\x" paths), "." and ".." are resolved, repeated separators collapse.
    std::string fullPathName(const std::string& input) override {
        std::string path = input;
        for (auto& c : path)
            if (c == '/') c = '\\';
        std::string prefix;
        std::string rest;
        if (path.size() >= 2 && path[1] == ':') {
            prefix = path.substr(0, 2);
            prefix[0] = static_cast<char>(toupper(static_cast<unsigned char>(prefix[0])));
            rest = path.substr(2);
            if (rest.empty() || rest[0] != '\\') {
                std::string current = s_.currentDirectory;
                if (current.size() >= 2 && toupper(current[0]) == prefix[0]) rest = current.substr(2) + "\\" + rest;
                else rest = "\\" + rest;
            }
        } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
            return path;  // network paths are not simulated
        } else if (!path.empty() && path[0] == '\\') {
            prefix = s_.currentDirectory.substr(0, 2);
            rest = path;
        } else {
            prefix = s_.currentDirectory.substr(0, 2);
            rest = s_.currentDirectory.substr(2) + "\\" + path;
        }
        std::vector<std::string> parts;
        size_t start = 0;
        bool trailing = !rest.empty() && rest.back() == '\\' && !input.empty();
        while (start <= rest.size()) {
            size_t end = rest.find('\\', start);
            if (end == std::string::npos) end = rest.size();
            std::string part = rest.substr(start, end - start);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
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

    std::optional<std::string> existingHost(const std::string& path) {
        auto host = machine_.hostPath(path);
        if (!host) return Fail(kErrorPathNotFound), std::optional<std::string>();
        struct stat st {};
        if (::lstat(host->c_str(), &st) != 0) return FailErrno(), std::optional<std::string>();
        return host;
    }

    std::optional<std::string> hostForNew(const std::string& path) {
        auto host = machine_.hostPath(path);
        if (!host) return Fail(kErrorPathNotFound), std::optional<std::string>();
        std::string parent = host->substr(0, host->find_last_of('/'));
        if (parent.empty()) parent = "/";
        struct stat st {};
        if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(kErrorPathNotFound), std::optional<std::string>();
        return host;
    }

    SimMachine& machine_;
    SimMachine::State& s_;
};

SimMachine::SimMachine() : state_(std::make_unique<State>()) {
    state_->files = std::make_unique<SimFileSystem>(*this, *state_);
    state_->codePage = std::make_unique<SimCodePage>(*state_);
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

std::optional<std::string> SimMachine::hostPath(const std::string& windowsPath) {
    std::string full = files().fullPathName(windowsPath);
    if (full.size() < 3 || full[1] != ':') return std::nullopt;
    Drive* d = drive(full[0]);
    if (!d || d->hostRoot.empty()) return std::nullopt;
    std::string host = d->hostRoot == "/" ? "" : d->hostRoot;
    size_t start = 3;
    bool missing = false;
    while (start < full.size()) {
        size_t end = full.find('\\', start);
        if (end == std::string::npos) end = full.size();
        std::string name = full.substr(start, end - start);
        start = end + 1;
        std::string hostName = codePage().ansiToUtf8(name);
        if (!missing) {
            struct stat st {};
            std::string candidate = host + "/" + hostName;
            if (::lstat(candidate.c_str(), &st) != 0) {
                // Look for the name in another case.
                missing = true;
                if (DIR* dir = ::opendir(host.empty() ? "/" : host.c_str())) {
                    while (dirent* entry = ::readdir(dir)) {
                        std::string ansi = codePage().utf8ToAnsi(entry->d_name);
                        if (SameName(ansi, name, state_->ansi)) {
                            hostName = entry->d_name;
                            missing = false;
                            break;
                        }
                    }
                    ::closedir(dir);
                }
            }
        }
        host += "/" + hostName;
    }
    if (host.empty()) host = "/";
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

FileSystem& SimMachine::files() { return *state_->files; }
CodePage& SimMachine::codePage() { return *state_->codePage; }

}  // namespace os::sim
