// The simulated registry's own extras: the text form machine files and reports use, and the list of
// changes between two states of the tree.
#ifndef _WIN32
#include "os/sim/sim_registry.h"

#include <gtest/gtest.h>

#include "os/sim/sim_machine.h"

namespace {

using os::RootKey;
using os::sim::RegistryChange;
using os::sim::SimRegistry;
using Kind = RegistryChange::Kind;

class SimRegistryTest : public testing::Test {
protected:
    os::sim::SimMachine machine_;
    SimRegistry& reg_ = os::sim::SimRegistryOf(machine_);
};

TEST_F(SimRegistryTest, TextFormLoadsAndDumpsBackTheSameTree) {
    const std::string text =
        "HKLM\\SOFTWARE\\Vendor\\App|Path=C:\\Program Files\\App\n"
        "HKLM\\SOFTWARE\\Vendor\\App|=default value\n"
        "@4 HKLM\\SOFTWARE\\Vendor\\App|Count=2a000000\n"
        "@1 HKLM\\SOFTWARE\\Vendor\\App|Lines=610d0a62\n"
        "HKLM\\SOFTWARE\\Vendor\\Empty|\n"
        "HKCU\\Software\\\xD6\xD0\x95||\xCE\xC4=\x95\x7C|x\n";
    ASSERT_TRUE(reg_.load("; a machine file\r\n\r\n" + text));
    std::string value;
    ASSERT_TRUE(reg_.readString(RootKey::LocalMachine, "software\\VENDOR\\app", "path", value));
    EXPECT_EQ(value, "C:\\Program Files\\App");
    ASSERT_TRUE(reg_.readString(RootKey::LocalMachine, "SOFTWARE\\Vendor\\App", "", value));
    EXPECT_EQ(value, "default value");
    ASSERT_TRUE(reg_.readString(RootKey::LocalMachine, "SOFTWARE\\Vendor\\App", "Lines", value));
    EXPECT_EQ(value, "a\r\nb");
    EXPECT_FALSE(reg_.readString(RootKey::LocalMachine, "SOFTWARE\\Vendor\\App", "Count", value)) << "a DWORD";
    EXPECT_TRUE(reg_.keyExists(RootKey::LocalMachine, "SOFTWARE\\Vendor\\Empty"));
    ASSERT_TRUE(reg_.readString(RootKey::CurrentUser, "Software\\\xD6\xD0\x95|", "\xCE\xC4", value))
        << "'|' as the second byte of a double-byte character does not end the key";
    EXPECT_EQ(value, "\x95\x7C|x");

    // HKCU sorts before HKLM; values keep their order.
    std::string expected = "HKCU\\Software\\\xD6\xD0\x95||\xCE\xC4=\x95\x7C|x\n" + text.substr(0, text.rfind("HKCU"));
    EXPECT_EQ(reg_.dump(), expected);
    SimRegistry copy(machine_.codePage());
    ASSERT_TRUE(copy.load(reg_.dump()));
    EXPECT_EQ(copy.dump(), expected);

    ASSERT_TRUE(copy.load("HKEY_LOCAL_MACHINE\\SOFTWARE\\Long|n=v\n"));
    EXPECT_TRUE(copy.keyExists(RootKey::LocalMachine, "SOFTWARE\\Long"));
}

TEST_F(SimRegistryTest, MalformedLinesAreReportedWithTheirNumber) {
    std::string error;
    EXPECT_FALSE(reg_.load("HKLM\\A|x=1\nHKXX\\B|y=2\n", &error));
    EXPECT_EQ(error, "line 2: HKXX\\B|y=2");
    EXPECT_TRUE(reg_.keyExists(RootKey::LocalMachine, "A")) << "the lines before it stay loaded";
    EXPECT_FALSE(reg_.load("HKLM\\A no bar\n", &error));
    EXPECT_FALSE(reg_.load("HKLM\\A|no equals\n", &error));
    EXPECT_FALSE(reg_.load("@4 HKLM\\A|n=2a0\n", &error)) << "odd hex";
    EXPECT_FALSE(reg_.load("@x HKLM\\A|n=00\n", &error));
}

TEST_F(SimRegistryTest, ChangesBetweenTwoStates) {
    ASSERT_TRUE(reg_.load("HKLM\\SOFTWARE\\Keep|Same=1\nHKLM\\SOFTWARE\\Keep|Changed=old\nHKLM\\SOFTWARE\\Keep|Gone=x\n"
                          "HKLM\\SOFTWARE\\Old\\Deeper|v=1\n"));
    SimRegistry before = reg_;
    reg_.writeString(RootKey::LocalMachine, "software\\keep", "CHANGED", "new");
    reg_.writeString(RootKey::LocalMachine, "software\\keep", "Same", "1");
    reg_.deleteValue(RootKey::LocalMachine, "SOFTWARE\\Keep", "Gone");
    reg_.writeString(RootKey::LocalMachine, "\\SOFTWARE\\New\\Sub", "File1", "C:\\A.TXT");
    reg_.deleteKey(RootKey::LocalMachine, "SOFTWARE\\Old\\Deeper");
    reg_.deleteKey(RootKey::LocalMachine, "SOFTWARE\\Old");

    auto changes = SimRegistry::changes(before, reg_);
    ASSERT_EQ(changes.size(), 7u);
    auto expect = [&](size_t i, Kind kind, const std::string& key, const std::string& name, const std::string& data) {
        EXPECT_EQ(changes[i].kind, kind) << i;
        EXPECT_EQ(changes[i].key, key) << i;
        EXPECT_EQ(changes[i].name, name) << i;
        EXPECT_EQ(changes[i].data, data) << i;
    };
    expect(0, Kind::ValueSet, "HKLM\\SOFTWARE\\Keep", "Changed", "new");
    expect(1, Kind::ValueDeleted, "HKLM\\SOFTWARE\\Keep", "Gone", "");
    expect(2, Kind::KeyAdded, "HKLM\\SOFTWARE\\New", "", "");
    expect(3, Kind::KeyAdded, "HKLM\\SOFTWARE\\New\\Sub", "", "");
    expect(4, Kind::ValueSet, "HKLM\\SOFTWARE\\New\\Sub", "File1", "C:\\A.TXT");
    expect(5, Kind::KeyDeleted, "HKLM\\SOFTWARE\\Old", "", "");
    expect(6, Kind::KeyDeleted, "HKLM\\SOFTWARE\\Old\\Deeper", "", "");
    EXPECT_TRUE(SimRegistry::changes(reg_, reg_).empty());
    EXPECT_FALSE(before.keyExists(RootKey::LocalMachine, "SOFTWARE\\New")) << "the snapshot is a copy";
}

}  // namespace
#endif
