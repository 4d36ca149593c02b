// Helpers of the machine-port contract tests.
#include "contract_support.h"

namespace contract {

std::string AsciiUpper(std::string text) {
    for (auto& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

void PortTest::SetUp() {
    dir_ = test_support::MakeTempDir();
    savedCurrentDirectory_ = fs().getCurrentDirectory();
}

void PortTest::TearDown() { fs().setCurrentDirectory(savedCurrentDirectory_); }

void PortTest::Put(const std::string& name, const std::string& text) {
    auto file = fs().createFile(Path(name));
    ASSERT_TRUE(file) << name << ": error " << fs().lastError();
    ASSERT_EQ(file->write(text.data(), static_cast<int64_t>(text.size())), static_cast<int64_t>(text.size()));
}

std::string PortTest::Get(const std::string& path) {
    auto file = fs().openFile(path, os::kOpenRead | os::kShareDenyNone);
    if (!file) return "<missing>";
    std::string text(static_cast<size_t>(file->size()), '\0');
    if (file->read(text.data(), static_cast<int64_t>(text.size())) != static_cast<int64_t>(text.size())) return "<short>";
    return text;
}

}  // namespace contract
