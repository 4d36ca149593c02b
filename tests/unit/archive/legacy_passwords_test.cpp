// Passwords of items packed with the older methods (shrink, reduce, implode), through the component: they
// follow rules of their own. The header is checked with the archive's password as it stands, even an
// empty one; a failed check asks the component for a new password (which, without a handler, leaves the
// old one to be tried again); after PasswordRetries checks the item fails as "invalid password" and the
// archive stays usable, where a wrong password on a stored or deflated item ends the archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"
#include "support/zip_walk.h"

namespace {

using archive::TArArchiveStatus;
using test_support::ZipBuilder;

const char* const kPassword = "old*&!method";

std::string PeerPath(const std::string& relative) {
    std::string path = test_support::TestDataDir() + "\\zip-peers\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A shrunk item from a peer archive, encrypted with kPassword, followed by a plain stored item.
ZipBuilder ShrunkPackage(std::vector<uint8_t>& content) {
    std::vector<uint8_t> peer = test_support::ReadFile(PeerPath("legacy/shrink.zip"));
    content = test_support::ReadFile(PeerPath("legacy/first.txt"));
    ZipBuilder builder;
    for (const test_support::ZipWalkEntry& e : test_support::ZipWalk(peer)) {
        if (e.method != 1) continue;
        auto& entry = builder.Add("shrunk.txt", content);
        entry.method = 1;
        entry.payload = test_support::ZipEntryData(peer, e);
        entry.password = kPassword;
        EXPECT_EQ(e.uncompressedSize, content.size());
        break;
    }
    EXPECT_EQ(builder.entries.size(), 1u) << "no shrunk entry in the peer archive";
    builder.Add("after.txt", "after");
    return builder;
}

class LegacyPasswords : public testing::Test {
protected:
    void SetUp() override {
        builder_ = ShrunkPackage(content_);
        std::string path = test_support::MakeTempDir() + "\\OLD.DAT";
        test_support::WriteFile(path, builder_.Build());
        out_ = test_support::MakeTempDir();
        zip_.SetBaseDirectory(out_);
        zip_.OnProcessItemFailure = [this](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                           archive::TArErrorClass, int code) { failures_.push_back(code); };
        path_ = path;
    }

    // Opens the package and extracts everything into an emptied folder; the component's password is set
    // first.
    void Extract(const std::string& password) {
        for (const char* name : {"\\shrunk.txt", "\\after.txt"})
            if (test_support::FileExists(out_ + name)) os::files().deleteFile(out_ + name);
        zip_.SetPassword(password);
        zip_.SetFileName(path_);
        zip_.ExtractFiles("*.*");
    }

    bool Shrunk() const { return test_support::FileExists(out_ + "\\shrunk.txt"); }
    bool After() const { return test_support::FileExists(out_ + "\\after.txt"); }

    ZipBuilder builder_;
    std::vector<uint8_t> content_;
    std::string path_, out_;
    archive::TArUnZipper zip_;
    std::vector<int> failures_;
};

TEST_F(LegacyPasswords, TheRightPasswordNeedsNoRequest) {
    int requests = 0;
    zip_.OnNeedPassword = [&](void*, std::string&) { ++requests; };
    Extract(kPassword);
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(test_support::ReadFile(out_ + "\\shrunk.txt"), content_);
    EXPECT_EQ(requests, 0);
}

TEST_F(LegacyPasswords, WithoutAHandlerTheSamePasswordFailsAsInvalidAndTheRunGoesOn) {
    for (const char* password : {"wrong", ""}) {
        SCOPED_TRACE(password);
        failures_.clear();
        Extract(password);
        EXPECT_EQ(failures_, std::vector<int>{archive::kArZipInvalidPassword});
        EXPECT_FALSE(Shrunk());
        EXPECT_TRUE(After());
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);  // no user abort, unlike the newer methods
        EXPECT_EQ(zip_.Password(), password);
    }
}

TEST_F(LegacyPasswords, TheHandlersPasswordIsCheckedNext) {
    std::vector<std::string> answers = {"still wrong", kPassword};
    size_t asked = 0;
    zip_.OnNeedPassword = [&](void*, std::string& password) { password = answers[std::min(asked++, answers.size() - 1)]; };
    Extract("wrong");
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(test_support::ReadFile(out_ + "\\shrunk.txt"), content_);
    EXPECT_EQ(asked, 2u);
    EXPECT_EQ(zip_.Password(), kPassword);  // the handler's answer became the component's password
}

TEST_F(LegacyPasswords, ChecksAreLimitedByPasswordRetries) {
    for (uint8_t retries : {1, 3, 5}) {
        SCOPED_TRACE(int(retries));
        failures_.clear();
        int asked = 0;
        zip_.OnNeedPassword = [&](void*, std::string& password) {
            ++asked;
            password = "wrong again";
        };
        zip_.SetPasswordRetries(retries);
        Extract("wrong");
        EXPECT_EQ(failures_, std::vector<int>{archive::kArZipInvalidPassword});
        // A request after every failed check but the last: each answer is tried.
        EXPECT_EQ(asked, retries - 1);
        EXPECT_FALSE(Shrunk());
        EXPECT_TRUE(After());
        EXPECT_EQ(zip_.Status(), TArArchiveStatus::asIdle);
    }
}

}  // namespace
