// Files and folders of the journalling machine. A file opened for writing reports itself when it is
// closed: its CRC-32 is kept while it is written from its start in one run, and read back otherwise.
#include <algorithm>

#include "archive/crc32.h"
#include "journal/journal_machine.h"
#include "os/forwarding_files.h"

namespace journal {
namespace {

class JournalFile : public os::File {
public:
    // fresh: an empty file just created (its checksum can follow the writes); otherwise an existing one
    // opened for writing, which counts as changed once written to.
    JournalFile(std::unique_ptr<os::File> inner, JournalMachine& machine, std::string path, bool fresh, bool replaced)
        : inner_(std::move(inner)), machine_(machine), path_(std::move(path)), changed_(fresh), sequential_(fresh),
          replaced_(replaced) {}

    ~JournalFile() override {
        inner_.reset();  // closed before it is read back
        if (!changed_) return;
        if (sequential_) {
            Change change;
            change.kind = ChangeKind::FileWritten;
            change.path = path_;
            change.replaced = replaced_;
            change.size = written_;
            change.crc32 = ~crc_;
            machine_.Report(change);
        } else {
            machine_.ReportFileWritten(path_, replaced_);
        }
    }

    int64_t read(void* buffer, int64_t count) override {
        int64_t got = inner_->read(buffer, count);
        if (got > 0) position_ += uint64_t(got);
        return got;
    }

    int64_t write(const void* buffer, int64_t count) override {
        int64_t put = inner_->write(buffer, count);
        if (put > 0) {
            changed_ = true;
            if (sequential_ && position_ == written_) {
                crc_ = archive::ArUpdateCRCBuffer(crc_, buffer, size_t(put));
                written_ += uint64_t(put);
            } else {
                sequential_ = false;
            }
            position_ += uint64_t(put);
        }
        return put;
    }

    int64_t seek(int64_t offset, os::SeekOrigin origin) override {
        int64_t at = inner_->seek(offset, origin);
        if (at >= 0) position_ = uint64_t(at);
        return at;
    }

    int64_t size() override { return inner_->size(); }

    bool truncate() override {
        bool done = inner_->truncate();
        if (done) {
            changed_ = true;
            if (position_ != written_) sequential_ = false;
        }
        return done;
    }

    bool setLastWriteTime(const os::LocalDateTime& time) override { return inner_->setLastWriteTime(time); }
    bool getLastWriteTime(os::LocalDateTime& time) override { return inner_->getLastWriteTime(time); }

private:
    std::unique_ptr<os::File> inner_;
    JournalMachine& machine_;
    std::string path_;
    bool changed_, sequential_, replaced_;
    uint64_t position_ = 0, written_ = 0;
    uint32_t crc_ = 0xFFFFFFFF;
};

class JournalFiles : public os::ForwardingFileSystem {
public:
    explicit JournalFiles(JournalMachine& machine)
        : os::ForwardingFileSystem(machine.inner().files()), machine_(machine), inner_(machine.inner().files()) {}

    std::unique_ptr<os::File> openFile(const std::string& path, uint32_t mode) override {
        std::unique_ptr<os::File> file = inner_.openFile(path, mode);
        if (!file || (mode & 3) == os::kOpenRead) return file;
        return std::make_unique<JournalFile>(std::move(file), machine_, path, false, true);
    }

    std::unique_ptr<os::File> createFile(const std::string& path) override {
        bool existed = Exists(path);
        std::unique_ptr<os::File> file = inner_.createFile(path);
        if (!file) return file;
        return std::make_unique<JournalFile>(std::move(file), machine_, path, true, existed);
    }

    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        if (!inner_.setFileAttributes(path, attributes)) return false;
        Change change;
        change.kind = ChangeKind::AttributesSet;
        change.path = path;
        change.attributes = attributes;
        machine_.Report(change);
        return true;
    }

    bool createDirectory(const std::string& path) override {
        return Reported(inner_.createDirectory(path), ChangeKind::DirectoryCreated, path);
    }
    bool removeDirectory(const std::string& path) override {
        return Reported(inner_.removeDirectory(path), ChangeKind::DirectoryRemoved, path);
    }
    bool deleteFile(const std::string& path) override {
        return Reported(inner_.deleteFile(path), ChangeKind::FileDeleted, path);
    }

    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        bool existed = Exists(to);
        if (!inner_.copyFile(from, to, failIfExists)) return false;
        machine_.ReportFileWritten(to, existed);
        return true;
    }

    bool moveFile(const std::string& from, const std::string& to) override {
        if (!inner_.moveFile(from, to)) return false;
        uint32_t attributes = inner_.getFileAttributes(to);
        if (attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory)) {
            Reported(true, ChangeKind::DirectoryRemoved, from);
            Reported(true, ChangeKind::DirectoryCreated, to);
        } else {
            Reported(true, ChangeKind::FileDeleted, from);
            machine_.ReportFileWritten(to, false);
        }
        return true;
    }

private:
    // Whether a file of that name exists, leaving the caller's last error as it was.
    bool Exists(const std::string& path) {
        uint32_t saved = inner_.lastError();
        bool exists = inner_.getFileAttributes(path) != os::kInvalidAttributes;
        machine_.inner().system().setLastError(saved);
        return exists;
    }

    bool Reported(bool done, ChangeKind kind, const std::string& path) {
        if (!done) return false;
        Change change;
        change.kind = kind;
        change.path = path;
        machine_.Report(change);
        return true;
    }

    JournalMachine& machine_;
    os::FileSystem& inner_;
};

}  // namespace

std::unique_ptr<os::FileSystem> MakeJournalFiles(JournalMachine& machine) {
    return std::make_unique<JournalFiles>(machine);
}

}  // namespace journal
