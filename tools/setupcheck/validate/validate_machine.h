// The machine `setupcheck validate` reads the medium through: on Windows the real one, elsewhere a
// simulated one (from a machine file when given) whose setup folder is the medium folder itself.
#pragma once
#include <memory>
#include <stdexcept>
#include <string>

namespace setupcheck::validate {

// The command cannot run (exit status 2); what() says why.
class ValidateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Installs the machine for the run and puts the previous one back when destroyed.
class ValidateMachine {
public:
    virtual ~ValidateMachine() = default;
    // The medium folder as a path of the installed machine.
    virtual std::string SetupFolder() const = 0;
};

// mediumFolder as given on the command line; machineFile empty for the default machine.
std::unique_ptr<ValidateMachine> OpenValidateMachine(const std::string& mediumFolder, const std::string& machineFile);

}  // namespace setupcheck::validate
