// The memo's border style: the sunken edge by default, none on request (the wizard's mode description).
#include <gtest/gtest.h>

#include "vcl/headless/headless_backend.h"
#include "vcl/stdctrls.h"

using namespace vcl;

TEST(MemoBorder, SingleByDefaultAndNoneOnRequest) {
    headless::HeadlessBackend backend;
    Backend* previous = SetBackend(&backend);
    {
        TMemo memo(nullptr);
        EXPECT_EQ(memo.BorderStyle(), TBorderStyle::bsSingle);
        memo.SetBorderStyle(TBorderStyle::bsNone);
        EXPECT_EQ(memo.BorderStyle(), TBorderStyle::bsNone);
        memo.SetBorderStyle(TBorderStyle::bsSingle);
        EXPECT_EQ(memo.BorderStyle(), TBorderStyle::bsSingle);
    }
    SetBackend(previous);
}
