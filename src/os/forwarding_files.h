// A file system that passes every call to another one: the base of wrappers that change or watch a few
// calls (the change journal, test machines) and leave the rest as they are.
#pragma once
#include "os/files.h"

namespace os {

class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

    std::unique_ptr<File> openFile(const std::string& path, uint32_t mode) override {
        return inner_.openFile(path, mode);
    }
    std::unique_ptr<File> createFile(const std::string& path) override { return inner_.createFile(path); }
    uint32_t getFileAttributes(const std::string& path) override { return inner_.getFileAttributes(path); }
    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        return inner_.setFileAttributes(path, attributes);
    }
    bool createDirectory(const std::string& path) override { return inner_.createDirectory(path); }
    bool removeDirectory(const std::string& path) override { return inner_.removeDirectory(path); }
    bool deleteFile(const std::string& path) override { return inner_.deleteFile(path); }
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return inner_.copyFile(from, to, failIfExists);
    }
    bool moveFile(const std::string& from, const std::string& to) override { return inner_.moveFile(from, to); }
    DriveType getDriveType(const std::string& root) override { return inner_.getDriveType(root); }
    std::string getCurrentDirectory() override { return inner_.getCurrentDirectory(); }
    bool setCurrentDirectory(const std::string& path) override { return inner_.setCurrentDirectory(path); }
    std::string moduleFileName() override { return inner_.moduleFileName(); }
    std::string fullPathName(const std::string& path) override { return inner_.fullPathName(path); }
    uint32_t lastError() override { return inner_.lastError(); }

protected:
    FileSystem& inner() { return inner_; }

private:
    FileSystem& inner_;
};

}  // namespace os
