// What the archive is left in when things go wrong outside the engine: a caller's handler that raises
// must leave the archive unlocked and idle, and a helper thread that cannot be started must not cost a
// single item (the work is then done in line).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "archive/hooks.h"
#include "archive/unzipper.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArArchiveStatus;
using test_support::ZipBuilder;

const char* const kPassword = "pack*&!word";

// Raised by the test's handlers: no exception class of the engine or the runtime.
struct HandlerError : std::runtime_error {
    HandlerError() : std::runtime_error("handler raised") {}
};

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> data = test_support::ReadFile(path);
    return {data.begin(), data.end()};
}

std::string Text(int i, size_t length) { return std::string(length, static_cast<char>('a' + i % 26)) + std::to_string(i); }

// Installs a thread-start hook for the test's duration.
struct ThreadStarts {
    explicit ThreadStarts(bool refuse) {
        archive::SetArThreadStartHook([this, refuse](const char* purpose) {
            purposes.emplace_back(purpose);
            if (refuse) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    }
    ~ThreadStarts() { archive::SetArThreadStartHook(nullptr); }
    int Count(const std::string& purpose) const {
        int n = 0;
        for (const std::string& p : purposes) n += p == purpose;
        return n;
    }
    std::vector<std::string> purposes;
};

class ArchiveAfterFaults : public testing::Test {
protected:
    void SetUp() override {
        home_ = test_support::MakeTempDir();
        zip_.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
        zip_.SetPassword(kPassword);
    }

    void Open(const ZipBuilder& builder) {
        std::string path = home_ + "\\P" + std::to_string(++opened_) + ".DAT";
        test_support::WriteFile(path, builder.Build());
        zip_.SetFileName(path);
    }

    // Idle, unlocked and able to extract everything once more.
    void ExpectUsable(const std::vector<std::string>& names) {
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
        ASSERT_NE(zip_.Archive(), nullptr);
        EXPECT_FALSE(zip_.Archive()->Locked());
        zip_.OnConfirmProcessItem = nullptr;
        zip_.OnProcessItemFailure = nullptr;
        std::string out = test_support::MakeTempDir();
        zip_.SetBaseDirectory(out);
        zip_.ExtractFiles("*.*");
        for (const std::string& name : names) EXPECT_TRUE(test_support::FileExists(out + "\\" + name)) << name;
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
        EXPECT_FALSE(zip_.Archive()->Locked());
    }

    std::string home_;
    int opened_ = 0;
    archive::TArUnZipper zip_;
};

TEST_F(ArchiveAfterFaults, ConfirmationHandlerThatRaises) {
    ZipBuilder builder;
    builder.Add("one.txt", "one");
    builder.Add("two.txt", "two");
    Open(builder);
    zip_.SetBaseDirectory(test_support::MakeTempDir());
    int asked = 0;
    zip_.OnConfirmProcessItem = [&](void*, archive::TArArchiveItem*, archive::TArProcessType, bool&) {
        if (++asked == 2) throw HandlerError();
    };
    EXPECT_THROW(zip_.ExtractFiles("*.*"), HandlerError);
    EXPECT_EQ(asked, 2);
    ExpectUsable({"one.txt", "two.txt"});
}

TEST_F(ArchiveAfterFaults, FailureHandlerThatRaises) {
    ZipBuilder builder;
    builder.Add("../outside.txt", "refused");  // an item failure, reported to the handler
    builder.Add("inside.txt", "inside");
    auto& damaged = builder.Add("damaged.txt", "its CRC is wrong");  // reported from inside the decoding
    damaged.crc = 0x12345678;
    Open(builder);

    for (const char* raiseFor : {"../outside.txt", "damaged.txt"}) {
        SCOPED_TRACE(raiseFor);
        zip_.SetBaseDirectory(test_support::MakeTempDir());
        zip_.OnProcessItemFailure = [&](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                        archive::TArErrorClass, int) {
            if (item->GetFileName() == raiseFor) throw HandlerError();
        };
        EXPECT_THROW(zip_.ExtractFiles("*.*"), HandlerError);
        ExpectUsable({"inside.txt", "damaged.txt"});
    }
}

TEST_F(ArchiveAfterFaults, LoadHandlerThatRaises) {
    ZipBuilder builder;
    builder.Add("one.txt", "one");
    zip_.OnLoad = [](void*) { throw HandlerError(); };
    EXPECT_THROW(Open(builder), HandlerError);
    zip_.OnLoad = nullptr;
    ASSERT_EQ(zip_.Count(), 1);
    ExpectUsable({"one.txt"});
}

// Small encrypted items (read ahead by a prefetching thread) and a large one (decrypted ahead while it
// is decoded).
ZipBuilder EncryptedPackage(std::vector<std::string>& names) {
    ZipBuilder builder;
    for (int i = 0; i < 6; ++i) {
        names.push_back("small" + std::to_string(i) + ".txt");
        auto& entry = builder.Add(names.back(), Text(i, 500 + 700 * size_t(i)));
        entry.method = 8;
        entry.password = kPassword;
    }
    // Over 1 MiB even deflated: too large to be read ahead whole.
    std::vector<uint8_t> large(1100000);
    uint32_t seed = 12345;
    for (auto& byte : large) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    names.push_back("large.bin");
    auto& entry = builder.Add("large.bin", large);
    entry.method = 8;
    entry.password = kPassword;
    return builder;
}

TEST_F(ArchiveAfterFaults, HelperThreadsThatCannotStartLeaveTheWorkInLine) {
    std::vector<std::string> names;
    ZipBuilder builder = EncryptedPackage(names);
    Open(builder);
    std::vector<int> failures;
    zip_.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType, archive::TArErrorClass,
                                    int code) { failures.push_back(code); };

    // The two helpers serve runs kept on the caller's thread (one processor).
    archive::SetArWorkerLimit(1);
    struct RestoreLimit {
        ~RestoreLimit() { archive::SetArWorkerLimit(0); }
    } restoreLimit;
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "threads refused" : "threads started");
        failures.clear();
        ThreadStarts starts(refuse);
        std::string out = test_support::MakeTempDir();
        zip_.SetBaseDirectory(out);
        zip_.ExtractFiles("*.*");
        // Both helpers were wanted, whether or not they could start.
        EXPECT_EQ(starts.Count("prefetch"), 1);
        EXPECT_EQ(starts.Count("decrypt-ahead"), 1);
        EXPECT_EQ(zip_.Archive()->PrefetchedItems, refuse ? 0 : 6);
        EXPECT_TRUE(failures.empty());
        for (size_t i = 0; i < builder.entries.size(); ++i) {
            const auto& entry = builder.entries[i];
            EXPECT_EQ(test_support::ReadFile(out + "\\" + names[i]), entry.data) << names[i];
        }
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);

        zip_.TestFiles("*.*");
        EXPECT_TRUE(failures.empty());
    }
}

}  // namespace
