// A folder spelling found without regard to case is remembered, but a folder with the exact
// name that appears later always wins.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

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
    // A miss in Temp, unchanged for long, reached through the other spelling.
    std::filesystem::last_write_time(machine.Host("C:\\Data\\Temp"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_FALSE(FileExists("C:\\Data\\temp\\b.txt"));

    machine.MakeDirectory("C:\\Data\\temp");
    ASSERT_TRUE(WriteFileAtomic("C:\\Data\\temp\\b.txt", "into temp"));
    EXPECT_EQ(machine.ReadFile("C:\\Data\\temp\\b.txt"), "into temp");
    EXPECT_FALSE(machine.Exists("C:\\Data\\Temp\\b.txt"));
    EXPECT_TRUE(FileExists("C:\\Data\\temp\\b.txt"));
    EXPECT_EQ(ToHostPath("C:\\Data\\temp\\other"), machine.Host("C:\\Data\\temp\\other"));
}

// A folder found missing is remembered with the folder that lacked it; once that folder
// changes, the path is looked up again, in any letter case and at any depth.
TEST(SpellingCacheTest, AMissingFolderThatAppearsLaterIsFound) {
    namespace fs = std::filesystem;
    TestMachine machine;
    machine.MakeDirectory("C:\\Data\\Vendor");
    // Changed long ago, so that their tables are trusted for misses.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(machine.Host("C:\\Data"), old);
    fs::last_write_time(machine.Host("C:\\Data\\Vendor"), old);

    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(FileExists("C:\\Data\\Other\\Tool\\x.exe"));
        EXPECT_FALSE(FileExists("C:\\Data\\Vendor\\Tool\\x.exe"));
        EXPECT_FALSE(FileExists("C:\\Data\\Vendor\\Tool\\y.exe"));
    }
    machine.WriteFile("C:\\Data\\other\\tool\\X.EXE", "x");
    machine.WriteFile("C:\\Data\\Vendor\\Tool\\y.exe", "y");
    EXPECT_TRUE(FileExists("C:\\Data\\Other\\Tool\\x.exe"));
    EXPECT_TRUE(FileExists("C:\\Data\\Vendor\\Tool\\y.exe"));
    EXPECT_FALSE(FileExists("C:\\Data\\Vendor\\Tool\\x.exe"));
}

}  // namespace
}  // namespace scourwell::platform
