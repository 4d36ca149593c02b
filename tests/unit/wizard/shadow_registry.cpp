// The shadowing registry in front of the test machine (see the header).
#include "wizard/shadow_registry.h"

#include <algorithm>
#include <map>
#include <set>

namespace wizard_test {
namespace {

// Key paths and value names compare as Windows compares them: without regard to ASCII case; a leading
// or trailing '\' does not count.
std::string Normal(std::string path) {
    while (!path.empty() && path.front() == '\\') path.erase(path.begin());
    while (!path.empty() && path.back() == '\\') path.pop_back();
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return path;
}

bool IsAtOrBelow(const std::string& key, const std::string& top) {
    return key == top || (key.size() > top.size() && key.compare(0, top.size(), top) == 0 && key[top.size()] == '\\');
}

const char* RootName(os::RootKey root) {
    switch (root) {
    case os::RootKey::ClassesRoot: return "HKCR";
    case os::RootKey::CurrentUser: return "HKCU";
    case os::RootKey::LocalMachine: return "HKLM";
    case os::RootKey::Users: return "HKU";
    }
    return "?";
}

}  // namespace

class ShadowRegistry::Keys : public os::Registry {
public:
    Keys(ShadowRegistry& owner, os::Registry& inner) : owner_(owner), inner_(inner) {}

    void Shadow(const std::string& key) { shadowed_.insert(Normal(key)); }
    void Set(const std::string& key, const std::string& name, const std::string& value) {
        values_[Normal(key)][Normal(name)] = value;
    }

    bool keyExists(os::RootKey root, const std::string& path) override {
        if (!Shadowed(root, path)) return inner_.keyExists(root, path);
        const std::string key = Normal(path);
        return std::any_of(values_.begin(), values_.end(), [&](const auto& entry) { return IsAtOrBelow(entry.first, key); });
    }
    bool createKey(os::RootKey root, const std::string& path) override {
        Note("create", root, path);
        return !Shadowed(root, path) && inner_.createKey(root, path);
    }
    bool readString(os::RootKey root, const std::string& path, const std::string& name, std::string& value) override {
        if (!Shadowed(root, path)) return inner_.readString(root, path, name, value);
        auto key = values_.find(Normal(path));
        if (key == values_.end()) return false;
        auto found = key->second.find(Normal(name));
        if (found == key->second.end()) return false;
        value = found->second;
        return true;
    }
    bool writeString(os::RootKey root, const std::string& path, const std::string& name,
                     const std::string& value) override {
        Note("write", root, path + "\\" + name);
        return !Shadowed(root, path) && inner_.writeString(root, path, name, value);
    }
    bool deleteValue(os::RootKey root, const std::string& path, const std::string& name) override {
        Note("delete value", root, path + "\\" + name);
        return !Shadowed(root, path) && inner_.deleteValue(root, path, name);
    }
    bool deleteKey(os::RootKey root, const std::string& path) override {
        Note("delete key", root, path);
        return !Shadowed(root, path) && inner_.deleteKey(root, path);
    }
    // Listings of shadowed keys are not needed by the tests that use this machine: they come out empty.
    std::vector<std::string> subKeyNames(os::RootKey root, const std::string& path) override {
        return Shadowed(root, path) ? std::vector<std::string>{} : inner_.subKeyNames(root, path);
    }
    std::vector<std::string> valueNames(os::RootKey root, const std::string& path) override {
        return Shadowed(root, path) ? std::vector<std::string>{} : inner_.valueNames(root, path);
    }
    uint32_t lastError() override { return inner_.lastError(); }

private:
    bool Shadowed(os::RootKey root, const std::string& path) const {
        if (root != os::RootKey::LocalMachine) return false;
        const std::string key = Normal(path);
        return std::any_of(shadowed_.begin(), shadowed_.end(), [&](const std::string& top) { return IsAtOrBelow(key, top); });
    }
    void Note(const char* verb, os::RootKey root, const std::string& path) {
        owner_.changes.push_back(std::string(verb) + " " + RootName(root) + "\\" + Normal(path));
    }

    ShadowRegistry& owner_;
    os::Registry& inner_;
    std::set<std::string> shadowed_;
    std::map<std::string, std::map<std::string, std::string>> values_;
};

ShadowRegistry::ShadowRegistry() : inner_(&os::machine()) {
    keys_ = std::make_unique<Keys>(*this, inner_->registry());
    os::setMachine(this);
}

ShadowRegistry::~ShadowRegistry() { os::setMachine(inner_); }

void ShadowRegistry::Shadow(const std::string& key) { keys_->Shadow(key); }
void ShadowRegistry::Set(const std::string& key, const std::string& name, const std::string& value) {
    keys_->Set(key, name, value);
}

os::Registry& ShadowRegistry::registry() { return *keys_; }

}  // namespace wizard_test
