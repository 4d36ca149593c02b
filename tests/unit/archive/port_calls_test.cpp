// The machine-port calls an extracted item costs: create, write, time, attributes and close, and no
// look-ups the result does not need (no existence test of a file nobody is asked about, one look at a
// folder shared by several items), on one thread and on several workers alike.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "os/forwarding_files.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using test_support::ZipBuilder;

// Counts, by name, the calls that go through it to the machine underneath.
class CallCounter {
public:
    void Count(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++calls_[name];
    }
    std::map<std::string, int> Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.clear();
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> calls_;
};

class CountingFile : public os::File {
public:
    CountingFile(std::unique_ptr<os::File> inner, CallCounter& counter) : inner_(std::move(inner)), counter_(counter) {}
    ~CountingFile() override { counter_.Count("close"); }
    int64_t read(void* buffer, int64_t count) override { return inner_->read(buffer, count); }
    int64_t write(const void* buffer, int64_t count) override {
        counter_.Count("write");
        return inner_->write(buffer, count);
    }
    int64_t seek(int64_t offset, os::SeekOrigin origin) override { return inner_->seek(offset, origin); }
    int64_t size() override { return inner_->size(); }
    bool truncate() override { return inner_->truncate(); }
    bool setLastWriteTime(const os::LocalDateTime& time) override {
        counter_.Count("setLastWriteTime");
        return inner_->setLastWriteTime(time);
    }
    bool getLastWriteTime(os::LocalDateTime& time) override { return inner_->getLastWriteTime(time); }

private:
    std::unique_ptr<os::File> inner_;
    CallCounter& counter_;
};

class CountingFiles : public os::ForwardingFileSystem {
public:
    CountingFiles(os::FileSystem& inner, CallCounter& counter)
        : os::ForwardingFileSystem(inner), inner_(inner), counter_(counter) {}
    std::unique_ptr<os::File> openFile(const std::string& path, uint32_t mode) override {
        auto file = inner_.openFile(path, mode);  // the archive's own reading: not counted
        return file ? std::make_unique<CountingFile>(std::move(file), ignored_) : nullptr;
    }
    std::unique_ptr<os::File> createFile(const std::string& path) override {
        counter_.Count("createFile");
        auto file = inner_.createFile(path);
        return file ? std::make_unique<CountingFile>(std::move(file), counter_) : nullptr;
    }
    uint32_t getFileAttributes(const std::string& path) override {
        counter_.Count("getFileAttributes");
        return inner_.getFileAttributes(path);
    }
    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        counter_.Count("setFileAttributes");
        return inner_.setFileAttributes(path, attributes);
    }
    bool createDirectory(const std::string& path) override {
        counter_.Count("createDirectory");
        return inner_.createDirectory(path);
    }
    bool deleteFile(const std::string& path) override {
        counter_.Count("deleteFile");
        return inner_.deleteFile(path);
    }

private:
    os::FileSystem& inner_;
    CallCounter& counter_;
    CallCounter ignored_;
};

class CountingMachine : public os::Machine {
public:
    CountingMachine(os::Machine& inner, CallCounter& counter) : inner_(inner), files_(inner.files(), counter) {}
    os::FileSystem& files() override { return files_; }
    os::CodePage& codePage() override { return inner_.codePage(); }
    os::Registry& registry() override { return inner_.registry(); }
    os::Profile& profile() override { return inner_.profile(); }
    os::System& system() override { return inner_.system(); }
    os::Shell& shell() override { return inner_.shell(); }

private:
    os::Machine& inner_;
    CountingFiles files_;
};

// Calls of extracting a package of `items` small files in two folders into an empty base directory.
std::map<std::string, int> CallsOfExtraction(int items, int workers) {
    ZipBuilder zip;
    for (int i = 0; i < items; ++i) {
        auto& entry = zip.Add((i < items / 2 ? "first/" : "second/") + std::to_string(i) + ".txt",
                              std::string(3000 + 100 * size_t(i), static_cast<char>('a' + i % 26)));
        entry.method = i % 2 ? 8 : 0;
    }
    std::string home = test_support::MakeTempDir();
    std::string package = home + "\\P.DAT";
    test_support::WriteFile(package, zip.Build());
    std::string out = test_support::MakeTempDir();

    archive::TArUnZipper unzipper;
    unzipper.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
    unzipper.SetBaseDirectory(out);
    unzipper.SetFileName(package);
    int failures = 0;
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                        archive::TArErrorClass, int) { ++failures; };

    CallCounter counter;
    CountingMachine counting(os::machine(), counter);
    os::Machine* previous = os::setMachine(&counting);
    archive::SetArWorkerLimit(workers);
    unzipper.ExtractFiles("*.*");
    archive::SetArWorkerLimit(0);
    os::setMachine(previous);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(test_support::FileExists(out + "\\second\\" + std::to_string(items - 1) + ".txt"));
    return counter.Calls();
}

TEST(PortCalls, EachItemCostsCreateWriteTimeAttributesAndClose) {
    const int items = 8;
    for (int workers : {1, 3}) {
        SCOPED_TRACE("workers: " + std::to_string(workers));
        std::map<std::string, int> calls = CallsOfExtraction(items, workers);
        EXPECT_EQ(calls["createFile"], items);
        EXPECT_EQ(calls["write"], items);  // each file fits one write
        EXPECT_EQ(calls["setLastWriteTime"], items);
        EXPECT_EQ(calls["setFileAttributes"], items);
        EXPECT_EQ(calls["close"], items);
        // Two workers can reach a new folder together; the second attempt fails harmlessly.
        EXPECT_GE(calls["createDirectory"], 2);
        EXPECT_LE(calls["createDirectory"], workers == 1 ? 2 : 2 * workers);
        EXPECT_EQ(calls["deleteFile"], 0);
        // The base directory once when the run starts; then, in line, each folder when it is first met
        // (twice: it is missing, its parent is there) and no file. A worker also asks whether its output is
        // new, and each worker may meet a folder first (two workers can reach a new folder together).
        const int lookups = workers == 1 ? 1 + 2 * 2 : 1 + items + 2 * 2 * workers;
        EXPECT_LE(calls["getFileAttributes"], lookups);
    }
}

}  // namespace
