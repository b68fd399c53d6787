#include <gtest/gtest.h>

#include "test_support.h"

using namespace testing_support;

TEST(CommandLine, WithoutArgumentsPrintsTheUsageLine) {
    RunResult result = runCamdrift({});
    EXPECT_EQ(result.out, "Usage: Camdrift.exe infile\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
}
