// The real machine of `setupcheck validate` on Windows: the medium folder is read where it lies. A machine
// file describes a simulated machine, which the Windows build does not have.
#ifdef _WIN32
#include "os/machine.h"
#include "os/win32/win32_machine.h"
#include "setupcheck/validate/validate_machine.h"

namespace setupcheck::validate {

namespace {

class Win32ValidateMachine : public ValidateMachine {
public:
    explicit Win32ValidateMachine(const std::string& mediumFolder) {
        previous_ = os::setMachine(&machine_);
        setupFolder_ = os::files().fullPathName(mediumFolder);
        while (setupFolder_.size() > 3 && setupFolder_.back() == '\\') setupFolder_.pop_back();
    }
    ~Win32ValidateMachine() override { os::setMachine(previous_); }
    std::string SetupFolder() const override { return setupFolder_; }

private:
    os::win32::Win32Machine machine_;
    os::Machine* previous_ = nullptr;
    std::string setupFolder_;
};

}  // namespace

std::unique_ptr<ValidateMachine> OpenValidateMachine(const std::string& mediumFolder, const std::string& machineFile) {
    if (!machineFile.empty()) throw ValidateError("--machine needs the simulated machine, which this build does not have");
    return std::make_unique<Win32ValidateMachine>(mediumFolder);
}

}  // namespace setupcheck::validate
#endif
