#include <gtest/gtest.h>

#include <filesystem>

#include "platform/drives.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::TestDrive;
using testing::TestMachine;

TEST(DrivesTest, LettersTypesAndDeclaredSpace) {
    TestMachine machine({TestDrive{'C', "fixed", 1000, 125}, TestDrive{'E', "removable", 4000, 4000},
                         TestDrive{'D', "network", -1, -1}, TestDrive{'F', "cdrom", 10, 0}});
    EXPECT_EQ(LogicalDriveLetters(), (std::vector<char>{'C', 'D', 'E', 'F'}));
    EXPECT_EQ(GetDriveType('C'), DriveType::Fixed);
    EXPECT_EQ(GetDriveType('d'), DriveType::Network);
    EXPECT_EQ(GetDriveType('E'), DriveType::Removable);
    EXPECT_EQ(GetDriveType('F'), DriveType::CdRom);
    EXPECT_EQ(GetDriveType('G'), DriveType::NoRootDir);

    int64_t free = 0, total = 0;
    ASSERT_TRUE(GetDiskSpace('C', free, total));
    EXPECT_EQ(free, 125);
    EXPECT_EQ(total, 1000);
    ASSERT_TRUE(GetDiskSpace('F', free, total));
    EXPECT_EQ(free, 0);
    EXPECT_EQ(total, 10);
    // Without declared sizes the host file system answers.
    ASSERT_TRUE(GetDiskSpace('D', free, total));
    EXPECT_GT(total, 0);
    EXPECT_GE(free, 0);
    EXPECT_LE(free, total);
    EXPECT_FALSE(GetDiskSpace('G', free, total));
    EXPECT_EQ(free, -1);
    EXPECT_EQ(total, -1);
}

TEST(DrivesTest, DriveWithoutItsFolderIsNotReady) {
    TestMachine machine({TestDrive{'C'}, TestDrive{'D', "removable", 1000, 500}});
    EXPECT_TRUE(IsDriveReady('D'));
    std::filesystem::remove_all(machine.DriveFolder('D'));
    EXPECT_FALSE(IsDriveReady('D'));
    int64_t free = 0, total = 0;
    EXPECT_FALSE(GetDiskSpace('D', free, total));
    EXPECT_EQ(free, -1);
    EXPECT_EQ(total, -1);
    EXPECT_EQ(LogicalDriveLetters(), (std::vector<char>{'C', 'D'}));  // still a drive of the view
    EXPECT_TRUE(IsDriveReady('C'));
}

}  // namespace
}  // namespace scourwell::platform
