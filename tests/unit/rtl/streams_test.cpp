// The file stream's failures carry the machine's error: a file that cannot be created or opened, a write
// the machine refuses. Whoever reports the failure later (the archive engine's item-failure event, the
// exception box) has no other way to learn the cause, since clean-up calls change the last error.
#include <gtest/gtest.h>

#include <cstdint>

#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "support/test_machine.h"

namespace {

// Runs make and returns the ErrorCode of the Exception it throws; fails the test when it throws none.
template <typename Exception, typename Make>
int ErrorCodeOf(Make make) {
    try {
        make();
    } catch (const Exception& e) {
        return e.ErrorCode;
    }
    ADD_FAILURE() << "no exception";
    return -1;
}

TEST(FileStreamErrors, CreateAndOpenFailuresCarryTheMachinesError) {
    const std::string folder = test_support::MakeTempDir();
    EXPECT_EQ(ErrorCodeOf<rtl::EFCreateError>([&] { rtl::TFileStream(folder + "\\missing\\NEW.TXT", rtl::fmCreate); }),
              int(os::kErrorPathNotFound));
    EXPECT_EQ(ErrorCodeOf<rtl::EFOpenError>([&] { rtl::TFileStream(folder + "\\MISSING.TXT", os::kOpenRead); }),
              int(os::kErrorFileNotFound));
}

TEST(FileStreamErrors, RefusedWriteCarriesTheMachinesErrorAndAShortReadNone) {
    const std::string path = test_support::MakeTempDir() + "\\DATA.TXT";
    test_support::WriteFile(path, std::string("abc"));
    rtl::TFileStream stream(path, os::kOpenRead | os::kShareDenyNone);
    const char byte = 'x';
    EXPECT_EQ(ErrorCodeOf<rtl::EWriteError>([&] { stream.WriteBuffer(&byte, 1); }), int(os::kErrorAccessDenied));
    // Reading past the end is no machine failure: the exception says so with 0.
    char buffer[8];
    EXPECT_EQ(ErrorCodeOf<rtl::EReadError>([&] { stream.ReadBuffer(buffer, sizeof buffer); }), 0);
}

}  // namespace
