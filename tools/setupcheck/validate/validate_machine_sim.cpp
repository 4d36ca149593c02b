// The simulated machine of `setupcheck validate` (all builds but Windows): made from the machine file as
// `simulate` makes it, with the drive of the setup folder mapped so that the setup folder is the medium
// folder itself. Nothing is copied and nothing is written to the medium.
#ifndef _WIN32
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/machine.h"
#include "os/sim/sim_machine.h"
#include "setupcheck/machine_file.h"
#include "setupcheck/validate/validate_machine.h"

namespace fs = std::filesystem;

namespace setupcheck::validate {

namespace {

class SimValidateMachine : public ValidateMachine {
public:
    SimValidateMachine(const std::string& mediumFolder, const std::string& machineFileName) {
        MachineFile file;
        if (!machineFileName.empty()) {
            std::ifstream in(machineFileName, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            if (!in) throw ValidateError("cannot read the machine file " + machineFileName);
            try {
                file = ParseMachineFile(text.str());
            } catch (const MachineFileError& e) {
                throw ValidateError(e.what());
            }
        }
        std::string pattern = (fs::temp_directory_path() / "setupcheck-validate-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw ValidateError("cannot make a temporary folder");
        temp_ = pattern;

        const std::string& setup = file.setupFolder;  // UTF-8, "E:\" or "E:\DISK1"
        if (setup.size() < 3 || setup[1] != ':' || setup[2] != '\\')
            throw ValidateError("the setup folder " + setup + " of the machine file is not a full path");
        const char setupDrive = static_cast<char>(std::toupper(static_cast<unsigned char>(setup[0])));
        std::string below = setup.substr(3);
        while (!below.empty() && below.back() == '\\') below.pop_back();
        std::string medium = fs::absolute(mediumFolder).lexically_normal().string();
        while (medium.size() > 1 && medium.back() == '/') medium.pop_back();

        bool onDrive = false;
        auto hostFolderOf = [&](char letter) {
            char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
            if (upper == setupDrive) onDrive = true;
            if (upper == setupDrive && below.empty()) return medium;
            fs::path folder = temp_ / std::string(1, upper);
            fs::create_directories(folder);
            return folder.string();
        };
        try {
            ApplyMachineFile(file, machine_, hostFolderOf);
        } catch (const MachineFileError& e) {
            throw ValidateError(e.what());
        }
        if (!onDrive) throw ValidateError("the setup folder " + setup + " is on no drive of the machine");
        if (!below.empty()) {
            // A setup folder below the drive's root: a link there leads to the medium.
            std::string relative = below;
            for (char& c : relative)
                if (c == '\\') c = '/';
            fs::path link = temp_ / std::string(1, setupDrive) / relative;
            std::error_code error;
            fs::create_directories(link.parent_path(), error);
            fs::create_directory_symlink(medium, link, error);
            if (error) throw ValidateError("cannot link the medium into the machine: " + error.message());
        }
        setupFolder_ = machine_.codePage().utf8ToAnsi(below.empty() ? setup.substr(0, 3) : setup.substr(0, 3) + below);
        previous_ = os::setMachine(&machine_);
        machine_.files().setCurrentDirectory(setupFolder_);
    }

    ~SimValidateMachine() override {
        os::setMachine(previous_);
        std::error_code ignored;
        fs::remove_all(temp_, ignored);
    }

    std::string SetupFolder() const override { return setupFolder_; }

private:
    os::sim::SimMachine machine_;
    os::Machine* previous_ = nullptr;
    fs::path temp_;
    std::string setupFolder_;
};

}  // namespace

std::unique_ptr<ValidateMachine> OpenValidateMachine(const std::string& mediumFolder, const std::string& machineFile) {
    return std::make_unique<SimValidateMachine>(mediumFolder, machineFile);
}

}  // namespace setupcheck::validate
#endif
