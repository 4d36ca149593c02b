// The simulated registry: the tree, its text form and the comparison of two states.
#include "os/sim/sim_registry.h"

#include <algorithm>
#include <cassert>

#include "os/sim/sim_machine.h"
#include "os/sim/sim_parts.h"

namespace os::sim {

namespace {

constexpr const char* kRootNames[4] = {"HKCR", "HKCU", "HKLM", "HKU"};
constexpr const char* kLongRootNames[4] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                           "HKEY_USERS"};

// ERROR_INVALID_DATA: what the registry answers here for a value that is not a string.
constexpr uint32_t kErrorInvalidData = 13;

size_t RootIndex(RootKey root) { return static_cast<size_t>(root); }

// Position of the first c in text that is not the second byte of a double-byte character.
size_t FindByte(const std::string& text, char c, CodePage& codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (codePage.isLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) ++i;
        else if (text[i] == c) return i;
    }
    return std::string::npos;
}

bool NeedsHex(const SimRegistry::Value& value) {
    if (value.type != kRegSz) return true;
    return value.data.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool Unhex(const std::string& text, std::string& bytes) {
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

}  // namespace

SimRegistry::SimRegistry(CodePage& codePage) : codePage_(&codePage) {}

std::string SimRegistry::fold(const std::string& name) const {
    std::string result = name;
    for (size_t i = 0; i < result.size(); ++i) {
        auto c = static_cast<uint8_t>(result[i]);
        if (codePage_->isLeadByte(c) && i + 1 < result.size()) ++i;
        else if (c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 32);
    }
    return result;
}

// Windows orders sub-keys by their upper-cased UTF-16 form; UTF-8 bytes sort in the same character order.
std::string SimRegistry::sortKey(const std::string& name) const { return codePage_->ansiToUtf8(fold(name)); }

std::vector<std::string> SimRegistry::split(const std::string& path) const {
    std::vector<std::string> names;
    std::string rest = path;
    for (;;) {
        size_t slash = FindByte(rest, '\\', *codePage_);
        std::string name = rest.substr(0, slash);
        if (!name.empty()) names.push_back(name);
        if (slash == std::string::npos) break;
        rest = rest.substr(slash + 1);
    }
    return names;
}

size_t SimRegistry::position(const Key& parent, const std::string& name, bool* found) const {
    std::string key = sortKey(name);
    auto it = std::lower_bound(parent.subKeys.begin(), parent.subKeys.end(), key,
                               [&](const Key& k, const std::string& s) { return sortKey(k.name) < s; });
    *found = it != parent.subKeys.end() && fold(it->name) == fold(name);
    return static_cast<size_t>(it - parent.subKeys.begin());
}

SimRegistry::Key* SimRegistry::find(RootKey root, const std::string& path) {
    Key* key = &roots_[RootIndex(root)];
    for (const std::string& name : split(path)) {
        bool found = false;
        size_t at = position(*key, name, &found);
        if (!found) return nullptr;
        key = &key->subKeys[at];
    }
    return key;
}

SimRegistry::Key* SimRegistry::create(RootKey root, const std::string& path) {
    Key* key = &roots_[RootIndex(root)];
    for (const std::string& name : split(path)) {
        bool found = false;
        size_t at = position(*key, name, &found);
        if (!found) key->subKeys.insert(key->subKeys.begin() + static_cast<ptrdiff_t>(at), Key{name, {}, {}});
        key = &key->subKeys[at];
    }
    return key;
}

bool SimRegistry::keyExists(RootKey root, const std::string& path) {
    return find(root, path) != nullptr || fail(kErrorFileNotFound);
}

bool SimRegistry::createKey(RootKey root, const std::string& path) {
    return !refused(root, path) && create(root, path) != nullptr;
}

bool SimRegistry::fail(uint32_t error) {
    lastError_ = error;
    return false;
}

bool SimRegistry::refused(RootKey root, const std::string& path) {
    if (!changeDenied || !changeDenied(root, path)) return false;
    detail::LastError() = kErrorAccessDenied;
    fail(kErrorAccessDenied);
    return true;
}

bool SimRegistry::isAtOrBelow(RootKey root, const std::string& path, const std::string& keyText) const {
    const size_t separator = keyText.find('\\');
    const std::string rootName = fold(keyText.substr(0, separator));
    const size_t index = RootIndex(root);
    if (rootName != kRootNames[index] && rootName != kLongRootNames[index]) return false;
    const std::vector<std::string> guarded = split(separator == std::string::npos ? "" : keyText.substr(separator + 1));
    const std::vector<std::string> names = split(path);
    if (names.size() < guarded.size()) return false;
    for (size_t i = 0; i < guarded.size(); ++i)
        if (fold(names[i]) != fold(guarded[i])) return false;
    return true;
}

bool SimRegistry::readString(RootKey root, const std::string& path, const std::string& name, std::string& value) {
    Key* key = find(root, path);
    if (!key) return fail(kErrorFileNotFound);
    for (const Value& v : key->values) {
        if (fold(v.name) != fold(name)) continue;
        if (v.type != kRegSz && v.type != kRegExpandSz) return fail(kErrorInvalidData);
        value = v.data.substr(0, v.data.find('\0'));
        return true;
    }
    return fail(kErrorFileNotFound);
}

void SimRegistry::setValue(RootKey root, const std::string& path, const std::string& name, uint32_t type,
                           const std::string& data) {
    Key* key = create(root, path);
    for (Value& v : key->values) {
        if (fold(v.name) == fold(name)) {
            v.type = type;
            v.data = data;
            return;
        }
    }
    key->values.push_back({name, type, data});
}

bool SimRegistry::writeString(RootKey root, const std::string& path, const std::string& name, const std::string& value) {
    if (refused(root, path)) return false;
    setValue(root, path, name, kRegSz, value);
    return true;
}

bool SimRegistry::deleteValue(RootKey root, const std::string& path, const std::string& name) {
    if (refused(root, path)) return false;
    Key* key = find(root, path);
    if (!key) return fail(kErrorFileNotFound);
    auto it = std::find_if(key->values.begin(), key->values.end(), [&](const Value& v) { return fold(v.name) == fold(name); });
    if (it == key->values.end()) return fail(kErrorFileNotFound);
    key->values.erase(it);
    return true;
}

bool SimRegistry::deleteKey(RootKey root, const std::string& path) {
    if (refused(root, path)) return false;
    std::vector<std::string> names = split(path);
    if (names.empty()) return fail(kErrorAccessDenied);  // a root key cannot be deleted
    std::string last = names.back();
    names.pop_back();
    Key* parent = &roots_[RootIndex(root)];
    for (const std::string& name : names) {
        bool found = false;
        size_t at = position(*parent, name, &found);
        if (!found) return fail(kErrorFileNotFound);
        parent = &parent->subKeys[at];
    }
    bool found = false;
    size_t at = position(*parent, last, &found);
    if (!found) return fail(kErrorFileNotFound);
    if (!parent->subKeys[at].subKeys.empty()) return fail(kErrorAccessDenied);
    parent->subKeys.erase(parent->subKeys.begin() + static_cast<ptrdiff_t>(at));
    return true;
}

std::vector<std::string> SimRegistry::subKeyNames(RootKey root, const std::string& path) {
    std::vector<std::string> names;
    Key* key = find(root, path);
    if (!key) {
        fail(kErrorFileNotFound);
        return names;
    }
    for (const Key& sub : key->subKeys) names.push_back(sub.name);
    return names;
}

std::vector<std::string> SimRegistry::valueNames(RootKey root, const std::string& path) {
    std::vector<std::string> names;
    Key* key = find(root, path);
    if (!key) {
        fail(kErrorFileNotFound);
        return names;
    }
    for (const Value& v : key->values) names.push_back(v.name);
    return names;
}

void SimRegistry::clear() {
    for (Key& root : roots_) root = Key();
}

bool SimRegistry::load(const std::string& text, std::string* error) {
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;

        auto fail = [&] {
            if (error) *error = "line " + std::to_string(lineNumber) + ": " + line;
            return false;
        };
        uint32_t type = kRegSz;
        bool hex = false;
        if (line[0] == '@') {
            size_t space = line.find(' ');
            if (space == std::string::npos || space == 1) return fail();
            std::string number = line.substr(1, space - 1);
            if (number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9) return fail();
            type = static_cast<uint32_t>(std::stoul(number));
            hex = true;
            line = line.substr(space + 1);
        }
        size_t bar = FindByte(line, '|', *codePage_);
        if (bar == std::string::npos) return fail();
        std::string path = line.substr(0, bar);
        std::string rest = line.substr(bar + 1);
        size_t slash = path.find('\\');
        std::string rootName = fold(path.substr(0, slash));
        path = slash == std::string::npos ? "" : path.substr(slash + 1);
        int root = -1;
        for (int i = 0; i < 4; ++i)
            if (rootName == kRootNames[i] || rootName == kLongRootNames[i]) root = i;
        if (root < 0) return fail();
        if (rest.empty() && !hex) {
            create(static_cast<RootKey>(root), path);
            continue;
        }
        size_t equals = rest.find('=');
        if (equals == std::string::npos) return fail();
        std::string data = rest.substr(equals + 1);
        if (hex) {
            std::string bytes;
            if (!Unhex(data, bytes)) return fail();
            data = std::move(bytes);
        }
        setValue(static_cast<RootKey>(root), path, rest.substr(0, equals), type, data);
    }
    return true;
}

namespace {

void DumpKey(const SimRegistry::Key& key, const std::string& path, std::string& out) {
    for (const SimRegistry::Value& v : key.values) {
        if (NeedsHex(v)) out += "@" + std::to_string(v.type) + " " + path + "|" + v.name + "=" + Hex(v.data) + "\n";
        else out += path + "|" + v.name + "=" + v.data + "\n";
    }
    if (key.values.empty() && key.subKeys.empty()) out += path + "|\n";
    for (const SimRegistry::Key& sub : key.subKeys) DumpKey(sub, path + "\\" + sub.name, out);
}

void AddValues(const SimRegistry::Key& key, const std::string& path, std::vector<RegistryChange>& out) {
    for (const SimRegistry::Value& v : key.values)
        out.push_back({RegistryChange::Kind::ValueSet, path, v.name, v.type, v.data});
}

void AddTree(const SimRegistry::Key& key, const std::string& path, std::vector<RegistryChange>& out) {
    out.push_back({RegistryChange::Kind::KeyAdded, path, "", kRegSz, ""});
    AddValues(key, path, out);
    for (const SimRegistry::Key& sub : key.subKeys) AddTree(sub, path + "\\" + sub.name, out);
}

void DeleteTree(const SimRegistry::Key& key, const std::string& path, std::vector<RegistryChange>& out) {
    out.push_back({RegistryChange::Kind::KeyDeleted, path, "", kRegSz, ""});
    for (const SimRegistry::Key& sub : key.subKeys) DeleteTree(sub, path + "\\" + sub.name, out);
}

}  // namespace

std::string SimRegistry::dump() const {
    std::string out;
    for (size_t i = 0; i < 4; ++i) {
        // A root key holds values only exceptionally and is never listed as an empty key.
        Key root = {"", {}, roots_[i].values};
        if (!root.values.empty()) DumpKey(root, kRootNames[i], out);
        for (const Key& sub : roots_[i].subKeys) DumpKey(sub, std::string(kRootNames[i]) + "\\" + sub.name, out);
    }
    return out;
}

std::vector<RegistryChange> SimRegistry::changes(const SimRegistry& before, const SimRegistry& after) {
    std::vector<RegistryChange> out;
    const SimRegistry& r = after;
    // Walks two versions of the same key; both lists of sub-keys are sorted the same way.
    auto compare = [&](auto& self, const Key& old, const Key& now, const std::string& path) -> void {
        for (const Value& v : now.values) {
            auto it = std::find_if(old.values.begin(), old.values.end(),
                                   [&](const Value& o) { return r.fold(o.name) == r.fold(v.name); });
            if (it == old.values.end() || it->type != v.type || it->data != v.data)
                out.push_back({RegistryChange::Kind::ValueSet, path, v.name, v.type, v.data});
        }
        for (const Value& o : old.values) {
            bool kept = std::any_of(now.values.begin(), now.values.end(),
                                    [&](const Value& v) { return r.fold(o.name) == r.fold(v.name); });
            if (!kept) out.push_back({RegistryChange::Kind::ValueDeleted, path, o.name, o.type, ""});
        }
        size_t i = 0, j = 0;
        while (i < old.subKeys.size() || j < now.subKeys.size()) {
            int order;
            if (i == old.subKeys.size()) order = 1;
            else if (j == now.subKeys.size()) order = -1;
            else if (r.fold(old.subKeys[i].name) == r.fold(now.subKeys[j].name)) order = 0;
            else order = r.sortKey(old.subKeys[i].name) < r.sortKey(now.subKeys[j].name) ? -1 : 1;
            std::string prefix = path + "\\";
            if (order < 0) {
                DeleteTree(old.subKeys[i], prefix + old.subKeys[i].name, out);
                ++i;
            } else if (order > 0) {
                AddTree(now.subKeys[j], prefix + now.subKeys[j].name, out);
                ++j;
            } else {
                self(self, old.subKeys[i], now.subKeys[j], prefix + now.subKeys[j].name);
                ++i;
                ++j;
            }
        }
    };
    for (size_t i = 0; i < 4; ++i) compare(compare, before.roots_[i], after.roots_[i], kRootNames[i]);
    return out;
}

SimRegistry& SimRegistryOf(SimMachine& machine) {
    auto* registry = dynamic_cast<SimRegistry*>(&machine.registry());
    assert(registry && "the simulated machine's registry is a SimRegistry");
    return *registry;
}

namespace detail {

std::unique_ptr<Registry> MakeRegistry(SimMachine& machine) {
    auto registry = std::make_unique<SimRegistry>(machine.codePage());
    SimRegistry* self = registry.get();
    registry->changeDenied = [&machine, self](RootKey root, const std::string& path) {
        for (const std::string& key : machine.faults().denyRegistry)
            if (self->isAtOrBelow(root, path, key)) return true;
        return false;
    };
    return registry;
}

}  // namespace detail
}  // namespace os::sim
