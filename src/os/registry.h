// The machine port, registry: keys and string values under the predefined root keys.
// Key paths use '\'; a path that begins with '\' is taken from the root key all the same. Key and value
// names compare without regard to case, as Windows compares them. A call that fails returns false (or an
// empty list) and leaves its Windows error for lastError.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace os {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool keyExists(RootKey root, const std::string& path) = 0;
    // Creates the key and every missing key above it; true when the key exists afterwards.
    virtual bool createKey(RootKey root, const std::string& path) = 0;
    // A string value (REG_SZ or REG_EXPAND_SZ, unexpanded); false when the key or value is missing or of
    // another type. An empty name is the key's default value.
    virtual bool readString(RootKey root, const std::string& path, const std::string& name, std::string& value) = 0;
    // Writes a REG_SZ value, creating the key path as needed.
    virtual bool writeString(RootKey root, const std::string& path, const std::string& name,
                             const std::string& value) = 0;
    virtual bool deleteValue(RootKey root, const std::string& path, const std::string& name) = 0;
    // Deletes a key that has no sub-keys.
    virtual bool deleteKey(RootKey root, const std::string& path) = 0;
    // Names in the order the registry gives them.
    virtual std::vector<std::string> subKeyNames(RootKey root, const std::string& path) = 0;
    virtual std::vector<std::string> valueNames(RootKey root, const std::string& path) = 0;

    // The Windows error of the last call of this registry that failed on this thread (the status the
    // registry function returned: ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_ACCESS_DENIED for
    // a key the user may not change, ...). Calls that succeed leave it as it was. 0 from an implementation
    // that cannot say; every port and every forwarding wrapper overrides it.
    virtual uint32_t lastError() { return 0; }
};

}  // namespace os
