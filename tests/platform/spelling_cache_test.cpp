// A folder spelling found without regard to case is remembered, but a folder with the exact
// name that appears later always wins.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using scourwell::testing::TestMachine;

TEST(SpellingCacheTest, AnExactFolderCreatedLaterWinsOverTheRememberedSpelling) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Data\\Temp");
    // Resolved through the case-insensitive match, which is remembered.
    ASSERT_TRUE(WriteFileAtomic("C:\\Data\\temp\\a.txt", "into Temp"));
    EXPECT_EQ(machine.ReadFile("C:\\Data\\Temp\\a.txt"), "into Temp");

    machine.MakeDirectory("C:\\Data\\temp");
    ASSERT_TRUE(WriteFileAtomic("C:\\Data\\temp\\b.txt", "into temp"));
    EXPECT_EQ(machine.ReadFile("C:\\Data\\temp\\b.txt"), "into temp");
    EXPECT_FALSE(machine.Exists("C:\\Data\\Temp\\b.txt"));
    EXPECT_EQ(ToHostPath("C:\\Data\\temp\\other"), machine.Host("C:\\Data\\temp\\other"));
}

}  // namespace
}  // namespace scourwell::platform
