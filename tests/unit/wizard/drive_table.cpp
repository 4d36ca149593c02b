// The drive table in front of the test machine (see the header).
#include "wizard/drive_table.h"

#include <cctype>

#include "os/forwarding_files.h"

namespace wizard_test {

class DriveTable::Files : public os::ForwardingFileSystem {
public:
    Files(DriveTable& table, os::FileSystem& inner) : os::ForwardingFileSystem(inner), table_(table) {}
    os::DriveType getDriveType(const std::string& root) override {
        const TableDrive* drive = table_.Find(root);
        return drive ? drive->type : os::DriveType::NoRootDir;
    }

private:
    DriveTable& table_;
};

class DriveTable::Sys : public os::System {
public:
    Sys(DriveTable& table, os::System& inner) : table_(table), inner_(inner) {}
    uint32_t versionWord() override { return table_.versionWord.value_or(inner_.versionWord()); }
    uint32_t platformId() override { return inner_.platformId(); }
    std::string windowsDirectory() override { return inner_.windowsDirectory(); }
    std::string systemDirectory() override { return inner_.systemDirectory(); }
    bool shortPathName(const std::string& path, std::string& shortPath) override {
        return inner_.shortPathName(path, shortPath);
    }
    // Whole clusters of 4 KiB (8 sectors of 512 bytes), as a 9x system reports them.
    bool diskFreeSpace(const std::string& root, os::DiskGeometry& geometry) override {
        table_.freeSpaceCalls.push_back("A " + root);
        const TableDrive* drive = table_.Find(root);
        if (!drive || !drive->measurable) return false;
        auto clusters = static_cast<uint32_t>(drive->freeBytes / 4096);
        geometry = {8, 512, clusters, clusters};
        return true;
    }
    bool diskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller, uint64_t& total,
                         uint64_t& totalFree) override {
        table_.freeSpaceCalls.push_back("Ex " + root);
        const TableDrive* drive = table_.Find(root);
        if (!drive || !drive->measurable) return false;
        // A quota leaves the caller less than the drive holds; the setup measures the drive.
        freeToCaller = drive->freeBytes / 2;
        total = drive->freeBytes * 2;
        totalFree = drive->freeBytes;
        return true;
    }
    os::LocalTime localTime() override { return inner_.localTime(); }
    int screenWidth() override { return table_.screenWidth; }
    int screenHeight() override { return table_.screenWidth * 3 / 4; }
    bool setPrivilege(const std::string& name, bool enable) override { return inner_.setPrivilege(name, enable); }
    std::string errorText(uint32_t code) override { return inner_.errorText(code); }
    uint32_t lastError() override { return inner_.lastError(); }
    void setLastError(uint32_t code) override { inner_.setLastError(code); }
    bool exitWindows(uint32_t flags) override { return inner_.exitWindows(flags); }

private:
    DriveTable& table_;
    os::System& inner_;
};

DriveTable::DriveTable() : inner_(&os::machine()) {
    files_ = std::make_unique<Files>(*this, inner_->files());
    system_ = std::make_unique<Sys>(*this, inner_->system());
    os::setMachine(this);
}

DriveTable::~DriveTable() { os::setMachine(inner_); }

void DriveTable::Set(char letter, TableDrive drive) { drives_[char(std::toupper(letter))] = drive; }

os::FileSystem& DriveTable::files() { return *files_; }
os::System& DriveTable::system() { return *system_; }

const TableDrive* DriveTable::Find(const std::string& root) const {
    if (root.size() < 2 || root[1] != ':') return nullptr;
    auto found = drives_.find(char(std::toupper(static_cast<unsigned char>(root[0]))));
    return found == drives_.end() ? nullptr : &found->second;
}

}  // namespace wizard_test
