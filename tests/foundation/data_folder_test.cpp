#include "foundation/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/system_folders.h"
#include "tests/support/test_machine.h"

namespace scourwell::foundation {
namespace {

using testing::TestMachine;

TEST(DataFolder, CreatesTheThreeLevelsOnEveryCall) {
    TestMachine machine;
    ASSERT_FALSE(machine.Exists("C:\\Users\\tester\\AppData\\Roaming\\Vantoric"));
    EXPECT_EQ(GetDataFolder(), TestMachine::kDataFolder);
    EXPECT_TRUE(machine.Exists("C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings"));

    // Removed while the program runs: the next call creates it again.
    std::filesystem::remove_all(machine.Host("C:\\Users\\tester\\AppData\\Roaming\\Vantoric"));
    EXPECT_EQ(GetDataFolder(), TestMachine::kDataFolder);
    EXPECT_TRUE(machine.Exists("C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings"));
}

TEST(DataFolder, LevelThatCannotBeCreatedThrowsIoError) {
    TestMachine machine;
    // A file where the middle level should be.
    machine.WriteFile("C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell", "in the way");
    EXPECT_THROW(GetDataFolder(), IoError);
}

TEST(SystemFolders, ComeFromTheView) {
    TestMachine machine;
    EXPECT_EQ(GetWindowsDir(), "C:\\Windows");
    EXPECT_EQ(GetSystemDir(), "C:\\Windows\\System32");
    EXPECT_EQ(GetTempDir(), TestMachine::kTemp);
    EXPECT_EQ(GetLogonUserName(), "tester");
    EXPECT_EQ(GetProgramFilesDir(), "C:\\Program Files");
    EXPECT_EQ(GetCommonFilesDir(), "C:\\Program Files\\Common Files");
    EXPECT_EQ(GetLocalAppDataDir(), "C:\\Users\\tester\\AppData\\Local");
    EXPECT_EQ(GetSpecialFolder(26), TestMachine::kAppData);
    EXPECT_EQ(GetSpecialFolder(33), "");  // the view has no cookies folder
}

}  // namespace
}  // namespace scourwell::foundation
