// Shared helpers of the machine-port contract tests: a fresh folder per test and small file shorthands.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "os/machine.h"
#include "support/test_machine.h"

namespace contract {

// Upper-cases ASCII letters only, for comparing paths the way Windows does.
std::string AsciiUpper(std::string text);

class PortTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    os::FileSystem& fs() { return os::files(); }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
    // Creates name in the test folder holding text.
    void Put(const std::string& name, const std::string& text);
    // The whole content of a file, read through openFile; "<missing>" when it cannot be opened.
    std::string Get(const std::string& path);

    std::string dir_;
    std::string savedCurrentDirectory_;
};

}  // namespace contract
