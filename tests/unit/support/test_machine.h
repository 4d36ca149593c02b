// The machine the unit tests run on, and where they find test data and scratch folders.
// Natively this is a simulated machine with Z: mapped to the host's root (as Wine maps it) and C: to a
// fresh host folder; in the Windows build it is the real machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// Installs the test machine; called once by the test main.
void InstallTestMachine();

// The Windows path of shared/testdata (without trailing '\').
std::string TestDataDir();

// The Windows path of a host path (for files the test build itself knows by host path).
std::string WindowsPathOfHost(const std::string& hostPath);

// A fresh, empty directory on the test machine (Windows path, no trailing '\').
std::string MakeTempDir();

// Whole-file helpers over the machine port.
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& data);
void WriteFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);

}  // namespace test_support
