// The fault-injecting machine (see the header).
#include "install/faulty_machine.h"

#include <optional>

namespace install_test {
namespace {

std::string Key(std::string path) {
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return path;
}

// The error code of the last injected failure; cleared by every call passed on, so that lastError then
// reports the wrapped machine's own.
struct Injected {
    std::optional<uint32_t> error;
    bool fail(uint32_t code) {
        error = code;
        return false;
    }
};

class FaultyFile : public os::File {
public:
    FaultyFile(std::unique_ptr<os::File> inner, FaultyMachine::Fault fault, Injected& injected)
        : inner_(std::move(inner)), fault_(fault), injected_(injected) {}

    int64_t read(void* buffer, int64_t count) override {
        if (fault_.readLimit >= 0 && read_ + count > fault_.readLimit) {
            // The bytes within the limit are given first; the read after them fails.
            if (read_ >= fault_.readLimit) return injected_.fail(os::kErrorReadFault), -1;
            count = fault_.readLimit - read_;
        }
        injected_.error.reset();
        const int64_t got = inner_->read(buffer, count);
        if (got > 0) read_ += got;
        return got;
    }
    int64_t write(const void* buffer, int64_t count) override {
        if (fault_.writeLimit >= 0 && written_ + count > fault_.writeLimit) {
            if (fault_.partialWrites && fault_.writeLimit > written_) {
                const int64_t done = inner_->write(buffer, fault_.writeLimit - written_);
                if (done > 0) written_ += done;
            }
            return injected_.fail(os::kErrorDiskFull), -1;
        }
        injected_.error.reset();
        const int64_t done = inner_->write(buffer, count);
        if (done > 0) written_ += done;
        return done;
    }
    int64_t seek(int64_t offset, os::SeekOrigin origin) override { return pass(), inner_->seek(offset, origin); }
    int64_t size() override { return pass(), inner_->size(); }
    bool truncate() override { return pass(), inner_->truncate(); }
    bool setLastWriteTime(const os::LocalDateTime& time) override { return pass(), inner_->setLastWriteTime(time); }
    bool getLastWriteTime(os::LocalDateTime& time) override { return pass(), inner_->getLastWriteTime(time); }

private:
    void pass() { injected_.error.reset(); }

    std::unique_ptr<os::File> inner_;
    FaultyMachine::Fault fault_;
    Injected& injected_;
    int64_t read_ = 0, written_ = 0;
};

class FaultyFiles : public os::FileSystem {
public:
    FaultyFiles(os::FileSystem& inner, const std::map<std::string, FaultyMachine::Fault>& faults)
        : inner_(inner), faults_(faults) {}

    std::unique_ptr<os::File> openFile(const std::string& path, uint32_t mode) override {
        const FaultyMachine::Fault* fault = find(path);
        if (fault && fault->readOpenError && (mode & 3) == os::kOpenRead)
            return injected_.fail(fault->readOpenError), nullptr;
        injected_.error.reset();
        return wrap(inner_.openFile(path, mode), fault);
    }
    std::unique_ptr<os::File> createFile(const std::string& path) override {
        injected_.error.reset();
        return wrap(inner_.createFile(path), find(path));
    }
    uint32_t getFileAttributes(const std::string& path) override {
        const FaultyMachine::Fault* fault = find(path);
        if (fault && fault->attributesError) return injected_.fail(fault->attributesError), os::kInvalidAttributes;
        injected_.error.reset();
        return inner_.getFileAttributes(path);
    }
    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        return pass(), inner_.setFileAttributes(path, attributes);
    }
    bool createDirectory(const std::string& path) override { return pass(), inner_.createDirectory(path); }
    bool removeDirectory(const std::string& path) override { return pass(), inner_.removeDirectory(path); }
    bool deleteFile(const std::string& path) override { return pass(), inner_.deleteFile(path); }
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return pass(), inner_.copyFile(from, to, failIfExists);
    }
    bool moveFile(const std::string& from, const std::string& to) override { return pass(), inner_.moveFile(from, to); }
    os::DriveType getDriveType(const std::string& root) override { return pass(), inner_.getDriveType(root); }
    std::string getCurrentDirectory() override { return pass(), inner_.getCurrentDirectory(); }
    bool setCurrentDirectory(const std::string& path) override { return pass(), inner_.setCurrentDirectory(path); }
    std::string moduleFileName() override { return pass(), inner_.moduleFileName(); }
    std::string fullPathName(const std::string& path) override { return pass(), inner_.fullPathName(path); }
    uint32_t lastError() override { return injected_.error ? *injected_.error : inner_.lastError(); }

private:
    void pass() { injected_.error.reset(); }
    const FaultyMachine::Fault* find(const std::string& path) const {
        auto it = faults_.find(Key(path));
        return it == faults_.end() ? nullptr : &it->second;
    }
    std::unique_ptr<os::File> wrap(std::unique_ptr<os::File> file, const FaultyMachine::Fault* fault) {
        if (!file || !fault) return file;
        return std::make_unique<FaultyFile>(std::move(file), *fault, injected_);
    }

    os::FileSystem& inner_;
    const std::map<std::string, FaultyMachine::Fault>& faults_;
    Injected injected_;
};

}  // namespace

FaultyMachine::FaultyMachine()
    : inner_(os::machine()), previous_(nullptr), files_(std::make_unique<FaultyFiles>(inner_.files(), faults_)) {
    previous_ = os::setMachine(this);
}

FaultyMachine::~FaultyMachine() { os::setMachine(previous_); }

os::FileSystem& FaultyMachine::files() { return *files_; }

FaultyMachine::Fault& FaultyMachine::fault(const std::string& path) { return faults_[Key(path)]; }

}  // namespace install_test
