// Contract of the port's registry: key creation, string values, case-insensitive names, enumeration order
// and deletion. Each test works below HKCU\Software\TableSetupTest\<unique> and removes it afterwards.
#include "contract_support.h"

#include <cstdint>
#include <ctime>

namespace contract {
namespace {

using Names = std::vector<std::string>;
constexpr auto kUser = os::RootKey::CurrentUser;

class Registry : public testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        base_ = "Software\\TableSetupTest\\" + std::to_string(static_cast<long long>(std::time(nullptr))) + "-" +
                std::to_string(reinterpret_cast<uintptr_t>(&counter) & 0xFFFF) + "-" + std::to_string(++counter);
        ASSERT_TRUE(reg().createKey(kUser, base_));
    }
    void TearDown() override {
        DeleteTree(base_);
        DeleteTree("Software\\TableSetupTest", false);
    }

    // Deletes a key with everything below it; with all false, only a key that has no sub-keys left.
    void DeleteTree(const std::string& path, bool all = true) {
        auto subKeys = reg().subKeyNames(kUser, path);
        if (!all && !subKeys.empty()) return;
        for (const auto& name : subKeys) DeleteTree(path + "\\" + name);
        reg().deleteKey(kUser, path);
    }

    static os::Registry& reg() { return os::registry(); }
    std::string Key(const std::string& sub) const { return base_ + "\\" + sub; }

    std::string base_;
};

TEST_F(Registry, KeysAreCreatedWithTheirParentsAndFoundInAnyCase) {
    EXPECT_FALSE(reg().keyExists(kUser, Key("a")));
    ASSERT_TRUE(reg().createKey(kUser, Key("a\\b\\c")));
    EXPECT_TRUE(reg().keyExists(kUser, Key("a")));
    EXPECT_TRUE(reg().keyExists(kUser, Key("A\\B\\C")));
    EXPECT_TRUE(reg().keyExists(kUser, "\\" + Key("a\\b"))) << "a leading separator starts at the root";
    EXPECT_TRUE(reg().createKey(kUser, Key("A\\b"))) << "creating an existing key succeeds";
    EXPECT_EQ(reg().subKeyNames(kUser, Key("")), Names{"a"}) << "the first spelling stays";
    EXPECT_EQ(reg().subKeyNames(kUser, Key("missing")), Names{});
    EXPECT_EQ(reg().valueNames(kUser, Key("missing")), Names{});
}

TEST_F(Registry, StringValuesCreateTheirKeyAndCompareWithoutCase) {
    ASSERT_TRUE(reg().writeString(kUser, "\\" + Key("New\\Deeper"), "Name", "C:\\Program Files\\X"));
    EXPECT_TRUE(reg().keyExists(kUser, Key("new\\deeper")));
    std::string value = "untouched";
    ASSERT_TRUE(reg().readString(kUser, Key("NEW\\DEEPER"), "NAME", value));
    EXPECT_EQ(value, "C:\\Program Files\\X");

    ASSERT_TRUE(reg().writeString(kUser, Key("New\\Deeper"), "NAME", "second"));
    ASSERT_TRUE(reg().readString(kUser, Key("New\\Deeper"), "name", value));
    EXPECT_EQ(value, "second");
    EXPECT_EQ(reg().valueNames(kUser, Key("New\\Deeper")), Names{"Name"}) << "rewriting keeps the first spelling";

    ASSERT_TRUE(reg().writeString(kUser, Key("New"), "", "default value"));
    ASSERT_TRUE(reg().writeString(kUser, Key("New"), "Empty", ""));
    ASSERT_TRUE(reg().readString(kUser, Key("New"), "", value));
    EXPECT_EQ(value, "default value");
    ASSERT_TRUE(reg().readString(kUser, Key("New"), "empty", value));
    EXPECT_EQ(value, "");

    value = "untouched";
    EXPECT_FALSE(reg().readString(kUser, Key("New"), "missing", value));
    EXPECT_FALSE(reg().readString(kUser, Key("Missing"), "Name", value));
    EXPECT_FALSE(reg().readString(kUser, Key("New\\Deeper"), "", value)) << "no default value was written";
    EXPECT_EQ(value, "untouched");
    EXPECT_FALSE(reg().keyExists(kUser, Key("Missing"))) << "reading creates nothing";
}

TEST_F(Registry, SubKeysComeSortedWithoutRegardToCase) {
    for (const char* name : {"beta", "Alpha", "AB", "gamma", "a"}) ASSERT_TRUE(reg().createKey(kUser, Key(name)));
    EXPECT_EQ(reg().subKeyNames(kUser, base_), (Names{"a", "AB", "Alpha", "beta", "gamma"}));
}

// Windows sorts sub-keys by their upper-case form (so "AB" before "a_b") and returns values in the order
// they were created; Wine sorts by the lower-case form and sorts values too. The simulation follows Windows.
TEST_F(Registry, WindowsSortsByUpperCaseAndKeepsValuesInCreationOrder) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine orders sub-keys and values differently from Windows";
#endif
    for (const char* name : {"a_b", "AB"}) ASSERT_TRUE(reg().createKey(kUser, Key(name)));
    EXPECT_EQ(reg().subKeyNames(kUser, base_), (Names{"AB", "a_b"}));
    for (const char* name : {"zeta", "Alpha", "mid", "a"}) ASSERT_TRUE(reg().writeString(kUser, base_, name, name));
    ASSERT_TRUE(reg().writeString(kUser, base_, "ALPHA", "again"));
    EXPECT_EQ(reg().valueNames(kUser, base_), (Names{"zeta", "Alpha", "mid", "a"}));
}

TEST_F(Registry, DeletingValuesAndKeys) {
    ASSERT_TRUE(reg().writeString(kUser, Key("K\\Sub"), "v", "1"));
    ASSERT_TRUE(reg().writeString(kUser, Key("K"), "w", "2"));
    EXPECT_TRUE(reg().deleteValue(kUser, Key("k"), "W"));
    EXPECT_FALSE(reg().deleteValue(kUser, Key("k"), "w")) << "already gone";
    EXPECT_FALSE(reg().deleteValue(kUser, Key("missing"), "w"));
    EXPECT_EQ(reg().valueNames(kUser, Key("K")), Names{});

    EXPECT_FALSE(reg().deleteKey(kUser, Key("K"))) << "a key with sub-keys stays";
    EXPECT_TRUE(reg().keyExists(kUser, Key("K\\Sub")));
    EXPECT_TRUE(reg().deleteKey(kUser, Key("k\\SUB"))) << "values do not keep a key";
    EXPECT_FALSE(reg().keyExists(kUser, Key("K\\Sub")));
    EXPECT_TRUE(reg().deleteKey(kUser, "\\" + Key("K")));
    EXPECT_FALSE(reg().keyExists(kUser, Key("K")));
    EXPECT_FALSE(reg().deleteKey(kUser, Key("K")));
}

TEST_F(Registry, GbkNamesAndDataStayBytes) {
    // "中文" and "文" in GBK; 0x95 0x5C is one character whose second byte is '\'.
    const std::string zhongwen = "\xD6\xD0\xCE\xC4", wen = "\xCE\xC4", backslash = "\x95\x5C";
    ASSERT_TRUE(reg().writeString(kUser, Key(zhongwen), wen, zhongwen + backslash));
    std::string value;
    ASSERT_TRUE(reg().readString(kUser, Key(zhongwen), wen, value));
    EXPECT_EQ(value, zhongwen + backslash);
    ASSERT_TRUE(reg().createKey(kUser, Key(backslash)));
    ASSERT_TRUE(reg().createKey(kUser, Key("Z")));
    // Names sort by their characters, not their bytes: U+4E2D and U+8C5C come after "Z".
    EXPECT_EQ(reg().subKeyNames(kUser, base_), (Names{"Z", zhongwen, backslash}));
}

}  // namespace
}  // namespace contract
