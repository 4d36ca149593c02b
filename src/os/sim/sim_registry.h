// The simulated machine's registry: an in-memory tree per root key, with the text form machine files and
// reports use and a comparison of two states of the tree.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "os/codepage.h"
#include "os/registry.h"

namespace os::sim {

class SimMachine;

// Registry value types (REG_*), as the text form numbers them.
enum : uint32_t { kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7 };

// One difference between two states of the registry. Key paths are "HKLM\SOFTWARE\X" in the spelling of
// the later state (of the earlier one for deletions).
struct RegistryChange {
    enum class Kind { KeyAdded, KeyDeleted, ValueSet, ValueDeleted };
    Kind kind = Kind::KeyAdded;
    std::string key;
    std::string name;        // the value's name; empty for key changes and for a key's default value
    uint32_t type = kRegSz;  // of a set value
    std::string data;        // of a set value: the text of a string, the raw bytes of other types
};

// Key and value names compare with ASCII letters folded and double-byte characters taken whole; a name
// keeps the spelling it was first written with. Sub-keys enumerate sorted by their upper-case form (in
// character order, as Windows sorts them), values in the order they were created.
//
// Text form, one line per value, lines ending in LF or CRLF:
//   HKLM\PATH\TO\KEY|Name=data        a string value (REG_SZ); an empty name is the key's default value
//   HKLM\PATH\TO\KEY|                 a key without values or sub-keys
//   @4 HKLM\PATH|Name=2a000000        a value of another type (decimal REG_ ...), its data as hex bytes;
//                                     also strings holding CR, LF or NUL
// Roots are HKCR, HKCU, HKLM and HKU (the long HKEY_... names are accepted when loading). Blank lines and
// lines starting with ';' or '#' are skipped. A key name cannot hold '|', a value name cannot hold '='.
// Data are the machine's ANSI bytes; the caller converts encodings.
class SimRegistry : public Registry {
public:
    explicit SimRegistry(CodePage& codePage);
    SimRegistry(const SimRegistry&) = default;  // a snapshot of the whole tree
    SimRegistry& operator=(const SimRegistry&) = default;

    bool keyExists(RootKey root, const std::string& path) override;
    bool createKey(RootKey root, const std::string& path) override;
    bool readString(RootKey root, const std::string& path, const std::string& name, std::string& value) override;
    bool writeString(RootKey root, const std::string& path, const std::string& name, const std::string& value) override;
    bool deleteValue(RootKey root, const std::string& path, const std::string& name) override;
    bool deleteKey(RootKey root, const std::string& path) override;
    std::vector<std::string> subKeyNames(RootKey root, const std::string& path) override;
    std::vector<std::string> valueNames(RootKey root, const std::string& path) override;
    // As Windows answers: ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_ACCESS_DENIED for a refused
    // change or a key that still has sub-keys, ERROR_INVALID_DATA for a value that is no string.
    uint32_t lastError() override { return lastError_; }

    // A value of any type, creating the key path as needed.
    void setValue(RootKey root, const std::string& path, const std::string& name, uint32_t type, const std::string& data);

    // Adds the keys and values of the text form to the tree. On a malformed line returns false with the
    // line's number and text in error; the lines before it stay loaded.
    bool load(const std::string& text, std::string* error = nullptr);
    std::string dump() const;
    // Removes every key and value.
    void clear();

    // Consulted before every change (a key created, a value written or deleted, a key deleted): true
    // refuses the change with ERROR_ACCESS_DENIED. The simulated machine points it at its registry faults.
    std::function<bool(RootKey root, const std::string& path)> changeDenied;
    // True when root\path is the key keyText names ("HKLM\SOFTWARE\X") or lies below it; false for a
    // keyText without a known root.
    bool isAtOrBelow(RootKey root, const std::string& path, const std::string& keyText) const;

    // What changed from before to after, keys in sorted order, parents before their sub-keys: added keys
    // with all their values, values added or changed, values deleted from surviving keys, deleted keys
    // (each one, parents first; their values are not listed).
    static std::vector<RegistryChange> changes(const SimRegistry& before, const SimRegistry& after);

    struct Value {
        std::string name;
        uint32_t type = kRegSz;
        std::string data;
    };
    struct Key {
        std::string name;
        std::vector<Key> subKeys;  // sorted as Windows enumerates them
        std::vector<Value> values;  // in creation order
    };

private:
    bool refused(RootKey root, const std::string& path);
    // Records error for lastError and returns false.
    bool fail(uint32_t error);
    Key* find(RootKey root, const std::string& path);
    Key* create(RootKey root, const std::string& path);
    std::vector<std::string> split(const std::string& path) const;
    std::string fold(const std::string& name) const;
    std::string sortKey(const std::string& name) const;
    // The position of name among parent's sub-keys, and whether it is there.
    size_t position(const Key& parent, const std::string& name, bool* found) const;

    CodePage* codePage_;
    Key roots_[4];
    uint32_t lastError_ = 0;
};

// The registry of a simulated machine.
SimRegistry& SimRegistryOf(SimMachine& machine);

}  // namespace os::sim
