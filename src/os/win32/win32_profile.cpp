// The real machine's private-profile files: GetPrivateProfileStringA and WritePrivateProfileStringA.
#include <windows.h>

#include <vector>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

// GetPrivateProfileStringA into a buffer that grows until the answer fits. A single value that fills the
// buffer comes back as size - 1 characters, a list of names as size - 2.
std::string GetProfile(const char* section, const char* key, const char* defaultValue, const std::string& file) {
    std::vector<char> buffer(1024);
    for (;;) {
        auto size = static_cast<DWORD>(buffer.size());
        DWORD n = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file.c_str());
        DWORD full = section && key ? size - 1 : size - 2;
        if (n < full) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

// A list of names separated by zeros.
std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

class Win32Profile : public Profile {
public:
    std::string readString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        return GetProfile(section.c_str(), key.c_str(), defaultValue.c_str(), file);
    }

    std::vector<std::string> sectionKeys(const std::string& file, const std::string& section) override {
        return SplitList(GetProfile(section.c_str(), nullptr, "", file));
    }

    std::vector<std::string> sectionNames(const std::string& file) override {
        return SplitList(GetProfile(nullptr, nullptr, "", file));
    }

    bool writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
    }

    bool deleteKey(const std::string& file, const std::string& section, const std::string& key) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != 0;
    }

    bool deleteSection(const std::string& file, const std::string& section) override {
        return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != 0;
    }
};

}  // namespace

std::unique_ptr<Profile> MakeProfile() { return std::make_unique<Win32Profile>(); }

}  // namespace os::win32::detail
