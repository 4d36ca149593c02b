// A machine for the wizard tests: the test machine with a table of drives in front of it. Drive types,
// free space, the screen size and (when set) the version word come from the table; everything else goes to
// the machine underneath, so the same tests run on the simulated machine and under Wine.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/machine.h"

namespace wizard_test {

struct TableDrive {
    os::DriveType type = os::DriveType::Fixed;
    uint64_t freeBytes = 0;
    bool measurable = true;  // false: the free-space calls fail
};

class DriveTable : public os::Machine {
public:
    // Installs itself in front of the current machine; the destructor puts that one back.
    DriveTable();
    ~DriveTable() override;

    // Letters not in the table have no root directory. Letters are upper-cased.
    void Set(char letter, TableDrive drive);
    int screenWidth = 1024;  // the height is three quarters of it
    // GetVersion's word; unset, the machine underneath answers.
    std::optional<uint32_t> versionWord;
    // Root paths the free-space calls were asked for, "A" for GetDiskFreeSpaceA, "Ex" for the Ex call.
    std::vector<std::string> freeSpaceCalls;

    os::FileSystem& files() override;
    os::CodePage& codePage() override { return inner_->codePage(); }
    os::Registry& registry() override { return inner_->registry(); }
    os::Profile& profile() override { return inner_->profile(); }
    os::System& system() override;
    os::Shell& shell() override { return inner_->shell(); }

    // The table's drive of a root ("d:\" or "D:"), or null.
    const TableDrive* Find(const std::string& root) const;
    os::Machine& Inner() { return *inner_; }

private:
    class Files;
    class Sys;
    os::Machine* inner_;
    std::map<char, TableDrive> drives_;
    std::unique_ptr<Files> files_;
    std::unique_ptr<Sys> system_;
};

}  // namespace wizard_test
