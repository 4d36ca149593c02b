#include "support/test_machine.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "os/machine.h"
#include "rtl/streams.h"

#ifdef _WIN32
#include <process.h>

#include "os/win32/win32_machine.h"
#else
#include <unistd.h>

#include "os/sim/sim_machine.h"
#endif

namespace test_support {

namespace {
#ifdef _WIN32
os::win32::Win32Machine* machine = nullptr;
#else
os::sim::SimMachine* machine = nullptr;
#endif
int tempCounter = 0;
}  // namespace

void InstallTestMachine() {
#ifdef _WIN32
    machine = new os::win32::Win32Machine();
#else
    machine = new os::sim::SimMachine();
    char pattern[] = "/tmp/ts-unit-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (!root) throw std::runtime_error("cannot make a temporary folder");
    machine->addDrive('C', {os::DriveType::Fixed, root});
    machine->addDrive('Z', {os::DriveType::Fixed, "/"});
    static std::string hostRoot = root;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(hostRoot, ignored);
    });
#endif
    os::setMachine(machine);
}

std::string WindowsPathOfHost(const std::string& hostPath) {
    std::string result = "Z:";
    for (char c : hostPath) result += c == '/' ? '\\' : c;
    return result;
}

std::string TestDataDir() { return WindowsPathOfHost(TS_TESTDATA_DIR); }

std::string MakeTempDir() {
    // One folder per test process, named so that a reused process id (Wine reuses them) cannot meet a
    // folder an earlier run left behind; removed when the process ends.
    static std::string base;
    if (base.empty()) {
        auto stamp = static_cast<long long>(std::time(nullptr));
#ifdef _WIN32
        const char* temp = std::getenv("TEMP");
        base = std::string(temp ? temp : "C:") + "\\ts-unit-" + std::to_string(_getpid()) + "-" + std::to_string(stamp);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(base, ignored);
        });
#else
        base = "C:\\ts-unit-" + std::to_string(getpid()) + "-" + std::to_string(stamp);
#endif
        if (!os::files().createDirectory(base)) throw std::runtime_error("cannot create " + base);
    }
    std::string dir = base + "\\" + std::to_string(++tempCounter);
    if (!os::files().createDirectory(dir)) throw std::runtime_error("cannot create " + dir);
    return dir;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    rtl::TFileStream stream(path, os::kOpenRead | os::kShareDenyNone);
    std::vector<uint8_t> data(static_cast<size_t>(stream.GetSize()));
    stream.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    return data;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    rtl::TFileStream stream(path, rtl::fmCreate);
    stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

void WriteFile(const std::string& path, const std::string& data) {
    WriteFile(path, std::vector<uint8_t>(data.begin(), data.end()));
}

bool FileExists(const std::string& path) {
    uint32_t attributes = os::files().getFileAttributes(path);
    return attributes != os::kInvalidAttributes && !(attributes & os::kAttrDirectory);
}

}  // namespace test_support
