// The real machine's registry: keys and string values through the advapi32 ANSI functions. A key path
// that begins with '\' is taken from the root key (Windows itself would refuse the separator).
#include <windows.h>

#include <vector>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

HKEY RootHandle(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
        case RootKey::CurrentUser: return HKEY_CURRENT_USER;
        case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
        case RootKey::Users: return HKEY_USERS;
    }
    return HKEY_LOCAL_MACHINE;
}

std::string SubKey(const std::string& path) { return !path.empty() && path[0] == '\\' ? path.substr(1) : path; }

// The status of the last registry function that failed on this thread. The functions return their status
// instead of setting GetLastError, so the port keeps it for lastError.
thread_local LONG lastStatus = ERROR_SUCCESS;

// True for ERROR_SUCCESS; any other status is kept for lastError.
bool Succeeded(LONG status) {
    if (status == ERROR_SUCCESS) return true;
    lastStatus = status;
    return false;
}

// An open key, closed when it goes out of scope.
class Key {
public:
    ~Key() {
        if (handle_) RegCloseKey(handle_);
    }
    bool open(RootKey root, const std::string& path, REGSAM access) {
        return Succeeded(RegOpenKeyExA(RootHandle(root), SubKey(path).c_str(), 0, access, &handle_));
    }
    bool create(RootKey root, const std::string& path, REGSAM access) {
        return Succeeded(RegCreateKeyExA(RootHandle(root), SubKey(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access, nullptr, &handle_, nullptr));
    }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

class Win32Registry : public Registry {
public:
    bool keyExists(RootKey root, const std::string& path) override {
        Key key;
        return key.open(root, path, KEY_READ);
    }

    bool createKey(RootKey root, const std::string& path) override {
        Key key;
        return key.create(root, path, KEY_READ | KEY_WRITE);
    }

    bool readString(RootKey root, const std::string& path, const std::string& name, std::string& value) override {
        Key key;
        if (!key.open(root, path, KEY_READ)) return false;
        std::vector<char> buffer(256);
        for (;;) {
            DWORD type = 0;
            auto size = static_cast<DWORD>(buffer.size());
            LONG r = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                      &size);
            if (r == ERROR_MORE_DATA) {
                buffer.resize(size + 1);
                continue;
            }
            if (!Succeeded(r)) return false;
            if (type != REG_SZ && type != REG_EXPAND_SZ) return Succeeded(ERROR_INVALID_DATA);
            // The stored data may or may not carry its terminating zero; the text ends at the first one.
            std::string text(buffer.data(), size);
            size_t end = text.find('\0');
            value = end == std::string::npos ? text : text.substr(0, end);
            return true;
        }
    }

    bool writeString(RootKey root, const std::string& path, const std::string& name, const std::string& value) override {
        Key key;
        if (!key.create(root, path, KEY_READ | KEY_WRITE)) return false;
        const auto* data = reinterpret_cast<const BYTE*>(value.c_str());
        return Succeeded(RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, data, static_cast<DWORD>(value.size() + 1)));
    }

    bool deleteValue(RootKey root, const std::string& path, const std::string& name) override {
        Key key;
        if (!key.open(root, path, KEY_READ | KEY_WRITE)) return false;
        return Succeeded(RegDeleteValueA(key.get(), name.c_str()));
    }

    bool deleteKey(RootKey root, const std::string& path) override {
        // RegDeleteKeyA deletes keys with sub-keys on Windows 9x; the port promises the NT rule and its
        // answer, ERROR_ACCESS_DENIED, as it does for a root key.
        if (!subKeyNames(root, path).empty()) return Succeeded(ERROR_ACCESS_DENIED);
        std::string sub = SubKey(path);
        if (sub.empty()) return Succeeded(ERROR_ACCESS_DENIED);
        return Succeeded(RegDeleteKeyA(RootHandle(root), sub.c_str()));
    }

    std::vector<std::string> subKeyNames(RootKey root, const std::string& path) override {
        std::vector<std::string> names;
        Key key;
        if (!key.open(root, path, KEY_READ)) return names;
        char name[256];  // key names are at most 255 characters
        for (DWORD index = 0;; ++index) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        return names;
    }

    uint32_t lastError() override { return static_cast<uint32_t>(lastStatus); }

    std::vector<std::string> valueNames(RootKey root, const std::string& path) override {
        std::vector<std::string> names;
        Key key;
        if (!key.open(root, path, KEY_READ)) return names;
        std::vector<char> name(16384);  // value names are at most 16383 characters
        for (DWORD index = 0;; ++index) {
            auto size = static_cast<DWORD>(name.size());
            if (RegEnumValueA(key.get(), index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name.data(), size);
        }
        return names;
    }
};

}  // namespace

std::unique_ptr<Registry> MakeRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace os::win32::detail
