// File access of the medium, through the machine port so that names in the system code page resolve as
// the setup would resolve them.
#include "setupcheck/validate/medium.h"

#include "os/machine.h"

namespace setupcheck::validate {

std::string Medium::PathOf(const std::string& name) const {
    bool root = !folder.empty() && folder.back() == '\\';
    return folder + (root ? "" : "\\") + name;
}

bool Medium::HasFile(const std::string& name) const { return !name.empty() && os::FileExists(PathOf(name)); }

std::string Medium::ReadHead(const std::string& name, size_t count) const {
    auto file = os::files().openFile(PathOf(name), os::kOpenRead);
    if (!file) return {};
    std::string bytes(count, '\0');
    int64_t got = file->read(bytes.data(), static_cast<int64_t>(count));
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

bool Medium::ReadAll(const std::string& name, std::string& bytes) const {
    auto file = os::files().openFile(PathOf(name), os::kOpenRead);
    if (!file) return false;
    int64_t size = file->size();
    if (size < 0) return false;
    bytes.assign(static_cast<size_t>(size), '\0');
    return file->read(bytes.data(), size) == size;
}

std::string Utf8(const std::string& ansi) { return os::codePage().ansiToUtf8(ansi); }

std::string Numbered(const std::string& word, int number) { return word + std::to_string(number); }

}  // namespace setupcheck::validate
