// The in-memory files of the fuzz targets' machine: opening for reading, sizes, seeks and attributes;
// every change is refused with ERROR_ACCESS_DENIED, as on a read-only medium.
#include "memory_machine.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace fuzz {

namespace {

thread_local uint32_t lastErrorCode = 0;

template <typename T>
T Fail(uint32_t code, T result) {
    lastErrorCode = code;
    return result;
}

std::string Folded(std::string path) {
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

class MemoryFile : public os::File {
public:
    explicit MemoryFile(std::shared_ptr<const std::string> bytes) : bytes_(std::move(bytes)) {}
    int64_t read(void* buffer, int64_t count) override {
        if (count < 0) return Fail(os::kErrorInvalidParameter, int64_t(-1));
        const int64_t size = int64_t(bytes_->size());
        const int64_t n = std::max<int64_t>(0, std::min(count, size - position_));
        if (n > 0) std::memcpy(buffer, bytes_->data() + position_, size_t(n));
        position_ += n;
        return n;
    }
    int64_t write(const void*, int64_t) override { return Fail(os::kErrorAccessDenied, int64_t(-1)); }
    int64_t seek(int64_t offset, os::SeekOrigin origin) override {
        const int64_t base = origin == os::SeekOrigin::Begin ? 0 : origin == os::SeekOrigin::Current ? position_ : int64_t(bytes_->size());
        if (offset > INT64_MAX - base || base + offset < 0) return Fail(os::kErrorInvalidParameter, int64_t(-1));
        position_ = base + offset;
        return position_;
    }
    int64_t size() override { return int64_t(bytes_->size()); }
    bool truncate() override { return Fail(os::kErrorAccessDenied, false); }
    bool setLastWriteTime(const os::LocalDateTime&) override { return Fail(os::kErrorAccessDenied, false); }
    bool getLastWriteTime(os::LocalDateTime& time) override {
        time = {2000, 1, 1, 0, 0, 0};
        return true;
    }

private:
    std::shared_ptr<const std::string> bytes_;
    int64_t position_ = 0;
};

class MemoryFiles : public os::FileSystem {
public:
    explicit MemoryFiles(os::FileSystem& paths) : paths_(paths) {}

    std::map<std::string, std::shared_ptr<const std::string>> files;  // by folded full path

    std::unique_ptr<os::File> openFile(const std::string& path, uint32_t mode) override {
        if ((mode & 3) != os::kOpenRead) return Fail(os::kErrorAccessDenied, nullptr);
        auto it = files.find(key(path));
        if (it == files.end()) return Fail(os::kErrorFileNotFound, nullptr);
        return std::make_unique<MemoryFile>(it->second);
    }
    std::unique_ptr<os::File> createFile(const std::string&) override { return Fail(os::kErrorAccessDenied, nullptr); }
    uint32_t getFileAttributes(const std::string& path) override {
        const std::string k = key(path);
        if (files.count(k)) return os::kAttrArchive | os::kAttrReadOnly;
        // The folders that hold files.
        if (k.size() == 3 && k[1] == ':') return os::kAttrDirectory;
        for (const auto& [name, bytes] : files)
            if (name.size() > k.size() && name.compare(0, k.size(), k) == 0 && name[k.size()] == '\\') return os::kAttrDirectory;
        return Fail(os::kErrorFileNotFound, uint32_t(os::kInvalidAttributes));
    }
    bool setFileAttributes(const std::string&, uint32_t) override { return Fail(os::kErrorAccessDenied, false); }
    bool createDirectory(const std::string&) override { return Fail(os::kErrorAccessDenied, false); }
    bool removeDirectory(const std::string&) override { return Fail(os::kErrorAccessDenied, false); }
    bool deleteFile(const std::string&) override { return Fail(os::kErrorAccessDenied, false); }
    bool copyFile(const std::string&, const std::string&, bool) override { return Fail(os::kErrorAccessDenied, false); }
    bool moveFile(const std::string&, const std::string&) override { return Fail(os::kErrorAccessDenied, false); }
    os::DriveType getDriveType(const std::string& root) override { return paths_.getDriveType(root); }
    std::string getCurrentDirectory() override { return paths_.getCurrentDirectory(); }
    // The current directory stays the drive root the machine starts in; only a folder is accepted.
    bool setCurrentDirectory(const std::string& path) override {
        const uint32_t attributes = getFileAttributes(path);
        return attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory) != 0;
    }
    std::string moduleFileName() override { return paths_.moduleFileName(); }
    std::string fullPathName(const std::string& path) override { return paths_.fullPathName(path); }
    uint32_t lastError() override { return lastErrorCode; }

    // The same few paths are asked for again and again; their keys are kept.
    const std::string& key(const std::string& path) {
        auto it = keys_.find(path);
        if (it != keys_.end()) return it->second;
        if (keys_.size() > 4096) keys_.clear();
        return keys_.emplace(path, Folded(paths_.fullPathName(path))).first->second;
    }

private:
    std::unordered_map<std::string, std::string> keys_;
    os::FileSystem& paths_;  // the simulated machine's own: path arithmetic and drive types
};

}  // namespace

MemoryMachine::MemoryMachine() : files_(std::make_unique<MemoryFiles>(SimMachine::files())) {}
MemoryMachine::~MemoryMachine() = default;

void MemoryMachine::put(const std::string& path, std::string bytes) {
    auto& files = static_cast<MemoryFiles&>(*files_);
    files.files[files.key(path)] = std::make_shared<const std::string>(std::move(bytes));
}

void MemoryMachine::remove(const std::string& path) {
    auto& files = static_cast<MemoryFiles&>(*files_);
    files.files.erase(files.key(path));
}

os::FileSystem& MemoryMachine::files() { return *files_; }

}  // namespace fuzz
