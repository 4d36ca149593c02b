// A machine for tests that read registry values the real machine has values of its own for (the
// registered owner under Wine): keys declared shadowed are answered from values held here, and every
// change anyone makes to the registry is written down. Other keys go to the machine underneath.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "os/machine.h"

namespace wizard_test {

class ShadowRegistry : public os::Machine {
public:
    // Installs itself in front of the current machine; the destructor puts that one back.
    ShadowRegistry();
    ~ShadowRegistry() override;

    // Under HKEY_LOCAL_MACHINE: the key and every key below it are answered from here. A shadowed key
    // exists only once a value is set in it (or in a key below it).
    void Shadow(const std::string& key);
    void Set(const std::string& key, const std::string& name, const std::string& value);
    // Every createKey, writeString, deleteValue and deleteKey call, as "verb root\path[\name]"; calls on
    // shadowed keys change nothing and fail.
    std::vector<std::string> changes;

    os::FileSystem& files() override { return inner_->files(); }
    os::CodePage& codePage() override { return inner_->codePage(); }
    os::Registry& registry() override;
    os::Profile& profile() override { return inner_->profile(); }
    os::System& system() override { return inner_->system(); }
    os::Shell& shell() override { return inner_->shell(); }

private:
    class Keys;
    os::Machine* inner_;
    std::unique_ptr<Keys> keys_;
};

}  // namespace wizard_test
