#include <gtest/gtest.h>

#include "support/test_machine.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    test_support::InstallTestMachine();
    return RUN_ALL_TESTS();
}
