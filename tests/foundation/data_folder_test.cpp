#include "foundation/data_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "foundation/system_folders.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "tests/support/scoped_environment.h"
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

TEST(DataFolder, LevelThatCannotBeCreatedNamesTheWindowsAndTheHostPath) {
    TestMachine machine;
    // A file where the middle level should be.
    machine.WriteFile("C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell", "in the way");
    try {
        GetDataFolder();
        ADD_FAILURE() << "no IoError";
    } catch (const IoError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("\"C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell\""),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(machine.Host("C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell")),
                  std::string::npos)
            << message;
    }
}

mode_t ModeOf(const std::string& hostPath) {
    struct stat info {};
    if (stat(hostPath.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

// A fresh account has no application-data folder yet: the whole chain is made, private to the
// user.
TEST(DataFolder, CreatesAMissingApplicationDataChain) {
    TestMachine machine;
    machine.SetFolder(26, "C:\\Users\\fresh\\AppData\\Roaming");
    machine.Install();
    ASSERT_FALSE(machine.Exists("C:\\Users\\fresh"));
    EXPECT_EQ(GetDataFolder(), "C:\\Users\\fresh\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings\\");
    EXPECT_TRUE(machine.Exists("C:\\Users\\fresh\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings"));
    for (const char* level : {"C:\\Users\\fresh", "C:\\Users\\fresh\\AppData\\Roaming",
                              "C:\\Users\\fresh\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings"})
        EXPECT_EQ(ModeOf(machine.Host(level)), 0700u) << level;
}

// The native view of a new account: HOME is an empty folder, no XDG variables.
TEST(DataFolder, FirstStartOnTheNativeViewCreatesTheXdgFolders) {
    TestMachine machine;  // a folder of our own, and a view to return to
    const std::string home = machine.Root() + "/home";
    std::filesystem::create_directories(home);
    // The test's own view comes back however the test ends, after the variables.
    struct Reinstall {
        TestMachine& machine;
        ~Reinstall() { machine.Install(); }
    } reinstall{machine};
    const testing::ScopedEnvironmentVariable homeVariable("HOME", home);
    const testing::ScopedEnvironmentVariable config("XDG_CONFIG_HOME", std::nullopt);
    const testing::ScopedEnvironmentVariable data("XDG_DATA_HOME", std::nullopt);
    const testing::ScopedEnvironmentVariable cache("XDG_CACHE_HOME", std::nullopt);
    platform::UseMachine(platform::NativeMachine());

    std::string folder;
    EXPECT_NO_THROW(folder = GetDataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.config/Vantoric/Scourwell/Settings"));
    EXPECT_EQ(platform::HostPathForMessage(folder), home + "/.config/Vantoric/Scourwell/Settings");
    EXPECT_EQ(ModeOf(home + "/.config"), 0700u);
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
