// The registry port's lastError: the Windows error of the call that failed, as the registry functions
// return it. Runs on the machine under test: the simulated one natively, the real one under Wine.
#include <gtest/gtest.h>

#include <string>

#include "os/machine.h"

namespace {

constexpr os::RootKey kRoot = os::RootKey::CurrentUser;
constexpr char kBase[] = "Software\\TsRegistryErrorsTest";

class RegistryErrors : public testing::Test {
protected:
    void TearDown() override {
        os::registry().deleteKey(kRoot, std::string(kBase) + "\\Parent\\Child");
        os::registry().deleteKey(kRoot, std::string(kBase) + "\\Parent");
        os::registry().deleteKey(kRoot, kBase);
    }
    os::Registry& registry = os::registry();
};

TEST_F(RegistryErrors, MissingKeysAndValuesAreNotFound) {
    std::string value;
    EXPECT_FALSE(registry.readString(kRoot, std::string(kBase) + "\\Missing", "Name", value));
    EXPECT_EQ(registry.lastError(), os::kErrorFileNotFound);
    ASSERT_TRUE(registry.createKey(kRoot, kBase));
    EXPECT_FALSE(registry.deleteValue(kRoot, kBase, "Missing"));
    EXPECT_EQ(registry.lastError(), os::kErrorFileNotFound);
    EXPECT_FALSE(registry.deleteKey(kRoot, std::string(kBase) + "\\Missing"));
    EXPECT_EQ(registry.lastError(), os::kErrorFileNotFound);
}

// A key with sub-keys is not deleted (the rule of the NT family), with the error Windows gives for it; a
// later call that succeeds leaves the error as it was.
TEST_F(RegistryErrors, AKeyWithSubKeysIsAccessDeniedAndSuccessKeepsTheError) {
    ASSERT_TRUE(registry.createKey(kRoot, std::string(kBase) + "\\Parent\\Child"));
    EXPECT_FALSE(registry.deleteKey(kRoot, std::string(kBase) + "\\Parent"));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
    EXPECT_TRUE(registry.writeString(kRoot, std::string(kBase) + "\\Parent", "Name", "value"));
    EXPECT_EQ(registry.lastError(), os::kErrorAccessDenied);
}

}  // namespace
